# The Windows programs' resources, what they need beside them, and the two ways to ship them:
# an installer (cpack -G NSIS, 64-bit) and a portable zip (cpack -G ZIP).

# An icon and a version resource in each program; each panel shows its own model's icon.
function(qm_add_windows_resources target description icon_of)
  set(icon ${CMAKE_BINARY_DIR}/icons/${icon_of}.ico)
  set(QM_RC_FILE ${target}.exe)
  set(QM_RC_NAME ${target})
  set(QM_RC_DESCRIPTION ${description})
  set(QM_RC_ICON ${icon})
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE QM_RC_COPYRIGHT REGEX "^Copyright")
  set(rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS ${icon})
  add_dependencies(${target} qm_program_icon)
endfunction()

set(CPACK_PACKAGE_VENDOR "The QM control panel developers")
qm_add_windows_resources(qm410a-panel "QM-410A Control Panel" qm410a-panel)
qm_add_windows_resources(qm520a-panel "QM-520A Control Panel" qm520a-panel)
# qmctl and the installer show the QM-520A's icon, as the installer's entry in Windows' list
# shows the QM-520A panel's.
qm_add_windows_resources(qmctl "Backs up, restores and compares a QM unit's setup" qm520a-panel)

# Qt as DLLs beside the programs, as Qt's licence wants, with the plugins it loads from there.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
  $<TARGET_FILE:Qt6::Network> DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
# The pointer files are read through Qt's ICO image plugin.
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION imageformats)

# The MinGW runtime the programs and Qt were linked against.
set(runtime_dlls)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  if(NOT IS_ABSOLUTE ${path})
    message(FATAL_ERROR "The compiler does not know ${dll}")
  endif()
  list(APPEND runtime_dlls ${path})
endforeach()
install(FILES ${runtime_dlls} DESTINATION .)

# What is not built here carries its symbols; shipped, they only add megabytes.
install(CODE "
  file(GLOB dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\"
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*/*.dll\")
  execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \${dlls} COMMAND_ERROR_IS_FATAL ANY)")

# The licences: ours, Qt's (the folder of its source, which the Qt build keeps with Qt), and
# those of the GCC runtime (with its runtime library exception) and of mingw-w64, winpthreads
# among it, as Debian gives them.
get_filename_component(qt_prefix ${Qt6_DIR}/../../.. ABSOLUTE)
if(NOT IS_DIRECTORY ${qt_prefix}/LICENSES)
  message(FATAL_ERROR "${qt_prefix}/LICENSES is missing: copy Qt's LICENSES folder there")
endif()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION licenses RENAME qm-control-panel.txt)
install(DIRECTORY ${qt_prefix}/LICENSES/ DESTINATION licenses/Qt)
install(FILES /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
  DESTINATION licenses RENAME gcc-runtime.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses RENAME GPL-3.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright
  DESTINATION licenses RENAME mingw-w64.txt)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/windows/licenses.txt DESTINATION licenses
  RENAME README.txt)

set(CPACK_PACKAGE_NAME "QM Control Panels")
set(CPACK_PACKAGE_FILE_NAME ${QM_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "QM Control Panels")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control panels for QM-410A and QM-520A video overlay units")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "NSIS;ZIP")

# A 64-bit installer (Debian's NSIS makes 32-bit ones unless told), into Program Files, with a
# Start-menu entry for each panel and an uninstaller that Windows lists.
# CPack's uninstaller removes the product's key under Software\<vendor> but leaves the vendor's
# key, empty, in HKLM; the one hook after that removal is the uninstaller's success function.
set(CPACK_NSIS_DEFINES "Unicode true\n  Target amd64-unicode
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'
FunctionEnd")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME "QM Control Panels ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "QM Control Panels")
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/icons/qm520a-panel.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/icons/qm520a-panel.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME qm520a-panel.exe)
set(CPACK_NSIS_URL_INFO_ABOUT ${PROJECT_HOMEPAGE_URL})
set(CPACK_NSIS_MENU_LINKS
  qm410a-panel.exe "QM-410A Control Panel"
  qm520a-panel.exe "QM-520A Control Panel")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
include(CPack)
