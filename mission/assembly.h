#pragma once

#include "blockfiles.h"
#include "folderlock.h"

#include <filesystem>

namespace mission
{

// The mission file's path: the folder, this platform's separator, then the name exactly as
// typed (no extension added, nothing trimmed). A folder that already ends with a separator, a
// drive root, gets no second one.
[[nodiscard]] std::filesystem::path missionPath(const std::filesystem::path &folder,
                                                const std::filesystem::path &fileName);

// Throws the Error that assemble() would for a target it refuses before reading anything: no
// name, no folder, a folder that is gone or is no folder, a name that is a folder or one of the
// workspace's own files.
void checkTarget(const Workspace &workspace, const std::filesystem::path &folder,
                 const std::filesystem::path &fileName);

// Writes the mission file: the lines of `workspace`'s "mis_1_1.dat", "gb.tmp",
// "mis_1_2.dat", "gb_sub.tmp" and "mis_1_3.dat", in that order, each line ended by CR LF.
// The new file replaces an existing one only once it is complete; the first file it replaces
// is kept as "<name>.bak". Any failure throws an Error naming the file and the reason and
// leaves the target as it was. Without a folder or a name, nothing is written. Where `blocks` are
// given, the block files must still hold what that save wrote: blocks that another save (another
// editor on the same workspace) wrote since are refused, and nothing is written. `wait` is asked
// while another program saves in the target's folder or the workspace.
void assemble(const Workspace &workspace, const std::filesystem::path &folder,
              const std::filesystem::path &fileName, const SavedBlocks *blocks = nullptr,
              const files::WaitForFolder &wait = {});

} // namespace mission
