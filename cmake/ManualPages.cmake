# Manual pages made from the programs' own --help and --version, collected
# by the man_pages target and installed into man1.
find_program(HELP2MAN help2man REQUIRED)
if(NOT TARGET man_pages)
    add_custom_target(man_pages ALL)
endif()

# vendrel_manual_page(<program>): the program's VENDREL_SUMMARY property
# gives the NAME line.
function(vendrel_manual_page program)
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${HELP2MAN} --no-info --no-discard-stderr
                --name "$<TARGET_PROPERTY:${program},VENDREL_SUMMARY>"
                --output ${page} $<TARGET_FILE:${program}>
        DEPENDS ${program}
        COMMENT "Manual page of ${program}")
    add_custom_target(${program}_man DEPENDS ${page})
    add_dependencies(man_pages ${program}_man)
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
