# The pointer files a panel reads from its own folder at run time. tools/make-cursors writes
# them into QM_CURSOR_DIR; qm_add_cursor_files(<target>) puts them beside <target>'s executable
# in the build tree and installs them beside it.
set(QM_CURSOR_DIR ${CMAKE_BINARY_DIR}/cursors)
set(QM_CURSOR_FILES ${QM_CURSOR_DIR}/CrossHair.cur ${QM_CURSOR_DIR}/Blank.cur)

function(qm_add_cursor_files target)
  add_dependencies(${target} qm_cursor_files)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QM_CURSOR_FILES} $<TARGET_FILE_DIR:${target}>
    VERBATIM)
  install(FILES ${QM_CURSOR_FILES} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
