# Writes a C++ source that holds the shipped stand-in pieces byte for byte, so that the program
# can tell them from pieces the user imported without changing a byte of either.
#   cmake -DOUTPUT=<file.cpp> -DPIECES=<piece;piece;piece> -P EmbedStandIns.cmake
set(text "// Made by cmake/EmbedStandIns.cmake from the shipped stored pieces: do not edit.\n")
string(APPEND text "#include \"standin.h\"\n\nnamespace mission\n{\n\nnamespace\n{\n\n")
set(views "")
set(n 0)
string(REPEAT "." 48 line) # 24 bytes a line
foreach(piece IN LISTS PIECES)
    math(EXPR n "${n} + 1")
    file(READ "${piece}" hex HEX)
    string(REGEX REPLACE "(${line})" "\\1\n    " hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND text "const unsigned char kPiece${n}Bytes[] = {\n    ${bytes}};\n\n")
    string(APPEND views "    {reinterpret_cast<const char *>(kPiece${n}Bytes), sizeof kPiece${n}Bytes},\n")
endforeach()
string(APPEND text "} // namespace\n\nconst std::string_view kStandInPieces[3] = {\n${views}};\n\n")
string(APPEND text "} // namespace mission\n")
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
