# tm_install_program(TARGET): installs a program that works on the user's workspace. On POSIX the
# program goes to libexec/tobrins-mustrel and a launcher of the same name to games: it gives each
# user a workspace of their own and passes it to the program with --workspace, since the
# installed pieces are read-only. The launcher finds the rest from its own place, so a staged
# install works as well.
function(tm_install_program target)
    if(NOT UNIX)
        install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        return()
    endif()
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tobrins-mustrel)
    set(TM_PROGRAM ${target})
    file(RELATIVE_PATH TM_LAUNCHER_TO_PROGRAM ${CMAKE_INSTALL_PREFIX}/${TM_COMMANDS_DIR}
         ${CMAKE_INSTALL_FULL_LIBEXECDIR}/tobrins-mustrel/${target})
    file(RELATIVE_PATH TM_LAUNCHER_TO_PIECES ${CMAKE_INSTALL_PREFIX}/${TM_COMMANDS_DIR}
         ${CMAKE_INSTALL_PREFIX}/${TM_PIECES_DIR})
    configure_file(${PROJECT_SOURCE_DIR}/app/launcher.sh.in launcher/${target} @ONLY)
    install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/launcher/${target}
            DESTINATION ${TM_COMMANDS_DIR})
endfunction()
