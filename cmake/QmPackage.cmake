# The Debian package (cpack -G DEB, or scripts/package.sh) and an uninstall target for
# cmake --install. The package holds exactly what cmake --install installs, stripped.
set(CPACK_PACKAGE_NAME ${QM_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The QM control panel developers")
set(CPACK_PACKAGE_CONTACT ${QM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panels for QM-410A and QM-520A video overlay units")
set(CPACK_PACKAGE_DESCRIPTION
  "The QM-410A and QM-520A key a time readout and three lines of text\n"
  "onto each of twelve video channels. Each panel reads the settings of\n"
  "all twelve channels from its unit over a serial line, shows one channel\n"
  "at a time, and writes the operator's changes back to one channel or to\n"
  "several together: modes, blanking, texts, and the position and size of\n"
  "the overlay.\n"
  "\n"
  "Also included: qm-unit-sim, an emulated unit on a pseudo-terminal for\n"
  "training without hardware, and qmctl, which backs up, restores and\n"
  "compares a unit's setup.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The desktop entries name the programs by their installed path, which CPack's staging install
# sees as this prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QM_DEBIAN_REVISION})
set(CPACK_GENERATOR DEB)
include(CPack)

# Removes what the last cmake --install of this build tree installed, as its manifest lists.
if(NOT TARGET uninstall)
  add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -P ${CMAKE_CURRENT_LIST_DIR}/QmUninstall.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Removing the installed files"
    VERBATIM)
endif()
