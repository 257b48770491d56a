#pragma once

#include <filesystem>
#include <string_view>

namespace mission
{

inline constexpr std::string_view kWorkspaceFolder = "tobrinmis";

inline constexpr std::string_view kPiece1 = "mis_1_1.dat";
inline constexpr std::string_view kCharacterBlockFile = "gb.tmp";
inline constexpr std::string_view kPiece2 = "mis_1_2.dat";
inline constexpr std::string_view kInterfaceBlockFile = "gb_sub.tmp";
inline constexpr std::string_view kPiece3 = "mis_1_3.dat";

// The five files of a mission in the order they are assembled.
inline constexpr std::string_view kMissionSources[] = {kPiece1, kCharacterBlockFile, kPiece2,
                                                       kInterfaceBlockFile, kPiece3};

// The workspace folder that a program names at its start (its --workspace option), for the
// rest of the run; an empty path goes back to the default, kWorkspaceFolder under the current
// directory.
void setWorkspaceFolder(const std::filesystem::path &folder);

// Throws an Error naming the folder and the reason unless it is a folder that exists: a
// workspace named at the start is checked then, not at the first save.
void checkWorkspaceFolder(const std::filesystem::path &folder);

// Where a workspace file lives: the named workspace folder, or else the process's current
// directory, asked anew at every call (nothing caches it), then kWorkspaceFolder; then the
// file's name.
[[nodiscard]] std::filesystem::path workspacePath(std::string_view fileName);

} // namespace mission
