# Fills the importer's manual page with the exit statuses that the program itself lists in its
# --help, so that the two cannot come to differ.
#   cmake -DPROGRAM=<importer> -DPAGE=<page with @TM_EXIT_STATUSES@> -DOUTPUT=<page> -P exitstatuses.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help ended with ${status}")
endif()
string(REGEX REPLACE "^.*\nExit status:\n" "" statuses "${help}")
# Kept apart while the lines are a CMake list, whose items ";" separates.
string(REPLACE ";" "<semicolon>" statuses "${statuses}")
string(REGEX MATCHALL "  [0-9]+  [^\n]+" lines "${statuses}")
if(NOT lines)
    message(FATAL_ERROR "${PROGRAM} --help lists no exit status")
endif()
set(entries "")
foreach(line IN LISTS lines)
    string(REGEX MATCH "^  ([0-9]+)  (.)(.*)$" matched "${line}")
    string(TOUPPER "${CMAKE_MATCH_2}" first)
    # A minus sign in a manual page is written "\-".
    string(REPLACE "-" "\\-" rest "${CMAKE_MATCH_3}")
    string(REPLACE "<semicolon>" ";" rest "${rest}")
    string(APPEND entries ".TP\n.B ${CMAKE_MATCH_1}\n${first}${rest}.\n")
endforeach()
file(READ ${PAGE} page)
string(REPLACE "@TM_EXIT_STATUSES@\n" "${entries}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
