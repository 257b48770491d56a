#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace importer
{

// Where one of the Green Beret's blocks stands in a mission text.
struct BlockPlace {
    // The bytes taken out of the text with the block: its "[" to its "]", with the blanks on
    // either side on the same lines, and the line end after it when nothing else follows on
    // its last line.
    std::size_t begin;
    std::size_t end;
    // Line and column (1-based, in bytes) of its "[" and of its "]".
    std::size_t openLine, openColumn;
    std::size_t closeLine, closeColumn;
};

// A mission text cut around the Green Beret's character block and interface block. The three
// stored pieces, "mis_1_1.dat", "mis_1_2.dat" and "mis_1_3.dat", are the text before, between
// and after the blocks, every line ended by CR LF.
struct MissionSplit {
    BlockPlace character;
    BlockPlace interface;
};

// Finds the blocks of a mission text, reading it once and keeping no more than the brackets
// open at a time. Its character block is the one bracketed object whose direct properties
// include ".CLASS BICHOALIADO" and ".TOKEN COMANDO"; its interface block is the one
// "[ SUBINTERFACEALIADO [ ... ] ]" whose object has the direct property ".TOKEN COMANDO"; the
// character block must come first. Throws an ImportError otherwise (NotWellFormed, Blocks).
[[nodiscard]] MissionSplit splitMission(std::string_view text);

} // namespace importer
