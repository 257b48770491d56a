#pragma once

#include "folderlock.h"
#include "sheetvalues.h"
#include "workspace.h"

#include <string>
#include <string_view>

namespace mission
{

// The bytes of the two block files as one save wrote them.
struct SavedBlocks {
    std::string character;
    std::string interface;
};

// Rewrites the files "gb.tmp" and "gb_sub.tmp" of `workspace` with the character block (carrying
// the appearance token `anim`) and the interface block of the same sheet, both or neither: on
// failure each keeps what it held and an Error names the file and the reason. An Error with
// files::kUnconfirmedAction says that both were written but the folder could not be made sure on
// disk. `wait` is asked while another program saves in the workspace.
SavedBlocks writeBlocks(const Workspace &workspace, const SheetValues &values,
                        std::string_view anim, const files::WaitForFolder &wait = {});

} // namespace mission
