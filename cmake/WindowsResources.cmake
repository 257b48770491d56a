# tm_windows_resources(TARGET DESCRIPTION): gives a Windows program the grenade icon and a version
# block with the project's version. Does nothing on other platforms.
function(tm_windows_resources target description)
    if(NOT WIN32)
        return()
    endif()
    # "0.00.0001" as the four numbers a version block holds: 0,0,1,0.
    math(EXPR major "${PROJECT_VERSION_MAJOR}")
    math(EXPR minor "${PROJECT_VERSION_MINOR}")
    math(EXPR patch "${PROJECT_VERSION_PATCH}")
    set(TM_RC_VERSION_NUMBERS "${major},${minor},${patch},0")
    set(TM_RC_ICON "${PROJECT_SOURCE_DIR}/forms/icons/tobrins-mustrel-windows.ico")
    set(TM_RC_NAME "${target}")
    set(TM_RC_DESCRIPTION "${description}")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
