# The pointer files a panel reads at run time. tools/make-cursors writes them into
# QM_CURSOR_DIR; qm_add_cursor_files(<target>) puts them beside <target>'s executable in the
# build tree. Installed, they lie once in the data folder, where the programs look when none
# are beside them.
set(QM_CURSOR_DIR ${CMAKE_BINARY_DIR}/cursors)
set(QM_CURSOR_FILES ${QM_CURSOR_DIR}/CrossHair.cur ${QM_CURSOR_DIR}/Blank.cur)
install(FILES ${QM_CURSOR_FILES} DESTINATION ${QM_DATA_DIR})

function(qm_add_cursor_files target)
  add_dependencies(${target} qm_cursor_files)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QM_CURSOR_FILES} $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
