#pragma once

#include "missionsplit.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace importer
{

// Makes the three stored pieces of a split, handing `write` the bytes of piece 0, 1 and 2 in
// order, a block at a time, and checks them on the way as roundTripFault() does: when they
// would not give back the text it throws an ImportError (RoundTrip) after the last block.
using PieceWriter = std::function<void(std::size_t piece, std::string_view bytes)>;
void makePieces(std::string_view text, const MissionSplit &split, const PieceWriter &write);

// What is wrong, if anything, with stored pieces made from a split of `text`: the pieces, with
// the two blocks as found put back between them, must give back the text (line ends aside), and
// the editor's assembly of them must read as the same tokens as the text.
[[nodiscard]] std::optional<std::string> roundTripFault(std::string_view text,
                                                        const MissionSplit &split,
                                                        const std::array<std::string, 3> &pieces);

} // namespace importer
