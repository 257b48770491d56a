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

// The three stored pieces, in the order they are assembled. Every other list of them (the
// install, the launcher, the stand-in generator) is checked against this one.
inline constexpr std::string_view kStoredPieces[] = {kPiece1, kPiece2, kPiece3};

// The five files of a mission in the order they are assembled.
inline constexpr std::string_view kMissionSources[] = {kPiece1, kCharacterBlockFile, kPiece2,
                                                       kInterfaceBlockFile, kPiece3};

// Throws an Error naming the folder and the reason unless it is a folder that exists: a
// workspace named at the start is checked then, not at the first save.
void checkWorkspaceFolder(const std::filesystem::path &folder);

// The folder that holds the stored pieces and the blocks: a value each program makes at its start
// (its --workspace option, or kWorkspaceFolder) and passes to what reads and writes there.
class Workspace
{
public:
    // kWorkspaceFolder in the process's current folder, asked anew at every use.
    Workspace() = default;
    // The folder named, as it is named.
    explicit Workspace(std::filesystem::path folder) : named_(std::move(folder)) {}

    // Where the workspace file `fileName` lives; throws an Error where the current folder cannot
    // be found.
    [[nodiscard]] std::filesystem::path file(std::string_view fileName) const;
    [[nodiscard]] std::filesystem::path folder() const;

private:
    std::filesystem::path named_;
};

} // namespace mission
