#pragma once

#include "missionsplit.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace mission
{

// Why a mission file could not be imported. The message names the file and the reason.
class ImportError : public std::runtime_error
{
public:
    enum class Kind {
        Read,          // the mission file cannot be read
        NotWellFormed, // its brackets or properties are broken
        Blocks,        // a Green Beret block is missing, doubled, or they are out of order
        RoundTrip,     // the pieces would not give back the mission
        Write,         // the stored pieces could not be written; they are as they were
    };
    ImportError(Kind kind, const std::string &message) : std::runtime_error(message), kind_(kind) {}
    [[nodiscard]] Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

struct StoredPieceReport {
    std::filesystem::path path; // in the workspace
    std::size_t lines;
    std::size_t bytes;
    bool backup; // the piece it replaces is (or would be) kept as "<name>.bak"
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

// Makes the workspace's three stored pieces from the user's mission file, which is only read.
// With ImportMode::Write the three pieces are replaced together or not at all, and each piece
// replaced for the first time is kept as "<name>.bak". Throws an ImportError.
ImportReport importMission(const std::filesystem::path &missionFile, ImportMode mode);

} // namespace mission
