# What a Windows copy of the editor holds beside its two programs, in the layout Qt's own
# deployment tool gives: Qt's DLLs and the C++ runtime's beside the programs, Qt's plugins in
# their folders (platforms/, imageformats/), the workspace's pieces in tobrinmis/, and the
# licences with a short text for players. `cmake --install` lays it out; ./project.sh
# package-windows zips it.

# Qt's DLLs, which the editor loads, and the plugins it needs: the Windows platform, and the
# icon reader for the program's icon. (The style, Fusion, is part of Qt's widgets.)
set(qt_dlls)
foreach(module Core Gui Widgets)
    list(APPEND qt_dlls $<TARGET_FILE:Qt6::${module}>)
endforeach()
install(FILES ${qt_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
        DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION ${CMAKE_INSTALL_BINDIR}/imageformats)

# The compiler's runtime, shared by the programs and Qt. Debian keeps it with its symbols; a
# stripped install drops them.
if(TM_MINGW_RUNTIME_DLLS)
    install(FILES ${TM_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
    set(runtime_names)
    foreach(dll IN LISTS TM_MINGW_RUNTIME_DLLS)
        get_filename_component(name "${dll}" NAME)
        list(APPEND runtime_names "${name}")
    endforeach()
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            foreach(name ${runtime_names})
                execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                                        \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${name}\"
                                COMMAND_ERROR_IS_FATAL ANY)
            endforeach()
        endif()")
endif()

# The licences: the project's, and Qt's, which the editor uses as LGPL shared libraries, with
# Debian's copyright file naming the licence of each part of Qt's source (tools/build-qt-windows.sh
# keeps them with the Qt it builds).
set(text_dir ${CMAKE_CURRENT_BINARY_DIR}/windows-texts)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${text_dir}/LICENSE.txt NEWLINE_STYLE CRLF)
get_filename_component(qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
set(qt_docs ${qt_prefix}/share/doc/qt6-base)
if(EXISTS ${qt_docs}/debian-version)
    file(STRINGS ${qt_docs}/debian-version TM_QT_SOURCE_VERSION LIMIT_COUNT 1)
    install(DIRECTORY ${qt_docs}/LICENSES DESTINATION ${CMAKE_INSTALL_BINDIR}/licences/qt)
    install(FILES ${qt_docs}/copyright DESTINATION ${CMAKE_INSTALL_BINDIR}/licences/qt)
else()
    # A Qt from elsewhere (Qt's installer) comes with its own notices.
    set(TM_QT_SOURCE_VERSION ${Qt6_VERSION})
endif()
# The compiler's runtime DLLs come from Debian's packages (cmake/mingw-w64.cmake): each
# package's copyright file holds their licences and notices (the GCC Runtime Library Exception,
# libwinpthread's MIT notice).
set(runtime_packages)
foreach(dll IN LISTS TM_MINGW_RUNTIME_DLLS)
    execute_process(COMMAND dpkg-query -S "${dll}" OUTPUT_VARIABLE owner RESULT_VARIABLE failed
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REGEX REPLACE ":.*" "" owner "${owner}")
    if(failed OR NOT EXISTS /usr/share/doc/${owner}/copyright)
        message(FATAL_ERROR "No package's copyright file for ${dll}: the zip needs its licence")
    endif()
    list(APPEND runtime_packages ${owner})
endforeach()
list(REMOVE_DUPLICATES runtime_packages)
list(SORT runtime_packages)
foreach(package IN LISTS runtime_packages)
    install(FILES /usr/share/doc/${package}/copyright
            DESTINATION ${CMAKE_INSTALL_BINDIR}/licences/${package})
endforeach()
list(JOIN runtime_packages " and " TM_RUNTIME_PACKAGES)

# The project's own source, as committed, which holds the script that builds Qt for Windows: the
# LGPL asks that a user can rebuild the programs against a Qt of their own. Dated by the commit,
# so that two installs of one commit give the same file.
set(TM_SOURCE_ARCHIVE tobrins-mustrel-${PROJECT_VERSION}-source.zip)
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
    install(CODE "
        set(folder \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/source\")
        file(MAKE_DIRECTORY \"\${folder}\")
        execute_process(COMMAND \"${GIT_EXECUTABLE}\" -C \"${PROJECT_SOURCE_DIR}\" archive
                                --format=zip --prefix=tobrins-mustrel-${PROJECT_VERSION}/
                                -o \"\${folder}/${TM_SOURCE_ARCHIVE}\" HEAD
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR \"Could not archive the source with git\")
        endif()")
else()
    message(WARNING "Not a git clone: the install will not hold the source as ${TM_SOURCE_ARCHIVE}")
endif()

foreach(text README.txt Qt-NOTICE.txt)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/${text}.in ${text_dir}/${text} @ONLY
                   NEWLINE_STYLE CRLF)
endforeach()
install(FILES ${text_dir}/LICENSE.txt ${text_dir}/README.txt ${text_dir}/Qt-NOTICE.txt
        DESTINATION ${CMAKE_INSTALL_BINDIR})
