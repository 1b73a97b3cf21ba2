# The version and the installed data folder, in one generated header for every program:
# target qm_version, header QmVersion.h.
if(NOT DEFINED QM_DATA_DIR)
  set(QM_DATA_DIR ${CMAKE_INSTALL_DATADIR}/${QM_PACKAGE_NAME})
endif()
# The file the build puts beside the programs it makes and installing leaves behind.
set(QM_BUILD_FOLDER_MARKER qm-build-folder)
file(RELATIVE_PATH QM_DATA_FROM_BIN /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QM_DATA_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/QmVersion.h.in ${CMAKE_BINARY_DIR}/generated/QmVersion.h
  @ONLY)
add_library(qm_version INTERFACE)
target_include_directories(qm_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
