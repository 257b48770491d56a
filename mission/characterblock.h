#pragma once

#include "sheetvalues.h"

#include <string>
#include <string_view>
#include <vector>

namespace mission
{

// The Green Beret's character block: the bracketed object that places him in the mission with
// his actions, weapons and graphics. `anim` is the appearance token.
[[nodiscard]] std::vector<std::string> characterBlockLines(const SheetValues &values,
                                                           std::string_view anim);

} // namespace mission
