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

// Where a workspace file lives: the process's current directory, asked anew at every call
// (nothing caches it), then the workspace folder, then the file's name.
[[nodiscard]] std::filesystem::path workspacePath(std::string_view fileName);

} // namespace mission
