#pragma once

#include "sheetvalues.h"

#include <string>
#include <string_view>
#include <vector>

namespace mission
{

// The Green Beret's interface block: his portrait in the game's interface and the items of his
// inventory. It reads the inventory boxes only; `visibility` and `health` play no part.
[[nodiscard]] std::vector<std::string> interfaceBlockLines(const SheetValues &values);

// Rewrites the workspace files "gb.tmp" and "gb_sub.tmp" with the character block (carrying the
// appearance token `anim`) and the interface block of the same sheet, both or neither: on
// failure each keeps what it held and an Error names the file and the reason.
void writeBlocks(const SheetValues &values, std::string_view anim);

} // namespace mission
