#pragma once

#include <array>
#include <cstddef>
#include <optional>
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

// A mission text cut around the Green Beret's character block and interface block.
struct MissionSplit {
    BlockPlace character;
    BlockPlace interface;
    // The three stored pieces, "mis_1_1.dat", "mis_1_2.dat" and "mis_1_3.dat", as they are
    // written: the text before, between and after the blocks, every line ended by CR LF.
    std::array<std::string, 3> pieces;
};

// Splits a mission text. Its character block is the one bracketed object whose direct
// properties include ".CLASS BICHOALIADO" and ".TOKEN COMANDO"; its interface block is the one
// "[ SUBINTERFACEALIADO [ ... ] ]" whose object has the direct property ".TOKEN COMANDO"; the
// character block must come first. Throws an ImportError otherwise (NotWellFormed, Blocks), or
// if roundTripFault() finds the result wrong (RoundTrip).
[[nodiscard]] MissionSplit splitMission(std::string_view text);

// What is wrong, if anything, with a split of `text`: the pieces as stored, with the two blocks
// as found put back between them, must give back the text (line ends aside), and the editor's
// assembly of them must read as the same tokens as the text.
[[nodiscard]] std::optional<std::string> roundTripFault(std::string_view text,
                                                        const MissionSplit &split);

// The text as a stored piece holds it: every line ended by CR LF.
[[nodiscard]] std::string storedPiece(std::string_view text);

} // namespace importer
