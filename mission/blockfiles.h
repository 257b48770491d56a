#pragma once

#include "sheetvalues.h"

#include <string_view>

namespace mission
{

// Rewrites the workspace files "gb.tmp" and "gb_sub.tmp" with the character block (carrying the
// appearance token `anim`) and the interface block of the same sheet, both or neither: on
// failure each keeps what it held and an Error names the file and the reason.
void writeBlocks(const SheetValues &values, std::string_view anim);

} // namespace mission
