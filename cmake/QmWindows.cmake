# Building for Windows. Everything installs into one folder, as Windows programs are laid out:
# the programs, Qt's DLLs and plugins, the MinGW runtime, the pointer files and the licences.
# The build's own tools that draw the pointer files and the icon must run on the build machine,
# so a cross build takes them from a build of this project for that machine (QM_HOST_BUILD).
enable_language(RC)
set(CMAKE_INSTALL_BINDIR .)
set(QM_DATA_DIR .)

if(CMAKE_CROSSCOMPILING)
  set(QM_HOST_BUILD "" CACHE PATH
    "A build tree of this project for the build machine, with make-cursors and make-icon built")
  foreach(tool make-cursors make-icon)
    set(program ${QM_HOST_BUILD}/tools/${tool}/${tool})
    if(NOT EXISTS ${program})
      message(FATAL_ERROR "${program} is missing: build the targets qm_make_cursors and "
        "qm_make_icon in a build tree for this machine and name it with -DQM_HOST_BUILD=<folder>")
    endif()
    string(REPLACE "-" "_" target qm_${tool})
    add_executable(${target} IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${program})
  endforeach()
endif()
