#pragma once

#include "workspace.h"

#include <filesystem>
#include <string_view>

namespace mission
{

// The stored pieces this program ships, mis_1_1.dat to mis_1_3.dat byte for byte, as the build
// found them in tobrinmis/: an invented mission that the game does not play.
extern const std::string_view kStandInPieces[3];

// Whether `workspace` holds the shipped stand-in pieces rather than pieces imported
// from the user's own mission: all three read, line for line, as the stand-ins do (a line end with
// or without its CR counts alike, as the assembly writes both with CR LF). A piece that is missing
// or cannot be read, or a workspace that cannot be found, holds no stand-in; the assembly
// reports it. Nothing is written, and a piece is read only as far as it still matches.
[[nodiscard]] bool holdsStandInPieces(const Workspace &workspace);

} // namespace mission
