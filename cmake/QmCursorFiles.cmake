# The pointer files a panel reads at run time. tools/make-cursors writes them into
# QM_CURSOR_DIR; qm_add_cursor_files(<target>) puts them beside <target>'s executable in the
# build tree. Installed, they lie once in the data folder, where the programs look when none
# are beside them.
set(QM_CURSOR_DIR ${CMAKE_BINARY_DIR}/cursors)
set(QM_CURSOR_FILES ${QM_CURSOR_DIR}/CrossHair.cur ${QM_CURSOR_DIR}/Blank.cur)
install(FILES ${QM_CURSOR_FILES} DESTINATION ${QM_DATA_DIR})

# One copy rule per folder: two panels built side by side would otherwise copy the same files
# into the same folder at the same moment, and one copy fails.
function(qm_add_cursor_files target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR})
  string(MAKE_C_IDENTIFIER "qm_cursor_files_in_${dir}" copy_target)
  if(NOT TARGET ${copy_target})
    set(copies)
    foreach(file IN LISTS QM_CURSOR_FILES)
      get_filename_component(name ${file} NAME)
      list(APPEND copies ${dir}/${name})
    endforeach()
    add_custom_command(OUTPUT ${copies}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QM_CURSOR_FILES} ${dir}
      DEPENDS ${QM_CURSOR_FILES} qm_cursor_files VERBATIM)
    add_custom_target(${copy_target} DEPENDS ${copies})
  endif()
  add_dependencies(${target} ${copy_target})
endfunction()
