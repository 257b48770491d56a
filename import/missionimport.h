#pragma once

#include "folderlock.h"
#include "importerror.h"
#include "missionsplit.h"
#include "workspace.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>

namespace files
{
struct GroupCommitResult;
}

namespace importer
{

struct StoredPieceReport {
    std::filesystem::path path; // in the workspace
    std::size_t lines;
    std::size_t bytes;
    // Where the piece it replaces is (or would be) kept: "<name>.bak" beside the file that the
    // piece's path names, which lies elsewhere when the piece is a link; empty when none is made.
    std::filesystem::path backup;
};

struct ImportReport {
    std::size_t lines; // of the mission file
    BlockPlace character;
    BlockPlace interface;
    std::array<StoredPieceReport, 3> pieces;
};

enum class ImportMode {
    Check, // read and split only; nothing is written
    Write,
};

// Makes the three stored pieces of `workspace` from the user's mission file, which is only read.
// With ImportMode::Write the three pieces are replaced together or not at all, and each piece
// replaced for the first time is kept as "<name>.bak". The mission's text is held once, and
// little else: the pieces are written as they are made. `wait` is asked while another program
// saves in the workspace. Throws an ImportError.
ImportReport importMission(const mission::Workspace &workspace,
                           const std::filesystem::path &missionFile, ImportMode mode,
                           const files::WaitForFolder &wait = {});

// How committing the three pieces ended, as the importer's exit status: done; not written, the
// stored pieces as they were; or mixed, some pieces new and some not.
[[nodiscard]] Status commitStatus(const files::GroupCommitResult &result);

} // namespace importer
