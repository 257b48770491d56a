#pragma once

#include "sheetvalues.h"

#include <string>
#include <vector>

namespace mission
{

// The Green Beret's interface block: his portrait in the game's interface and the items of his
// inventory. It reads the inventory boxes only; `visibility` and `health` play no part.
[[nodiscard]] std::vector<std::string> interfaceBlockLines(const SheetValues &values);

} // namespace mission
