#pragma once

#include <stdexcept>
#include <string>

namespace importer
{

// How an import ended. Each value is the importer's exit status, as its --help lists them.
enum class Status {
    Done = 0,
    Unexpected = 1,    // a failure nothing else covers
    Usage = 2,         // wrong arguments
    CannotRead = 3,    // the mission file cannot be read
    NotWellFormed = 4, // its brackets or properties are broken; the message says where
    Blocks = 5,        // a Green Beret block is missing, doubled, or they are out of order
    RoundTrip = 6,     // the pieces and the blocks would not give back the file
    CannotWrite = 7,   // the stored pieces could not be written; they are as they were
    OutOfMemory = 8,   // the mission file does not fit in memory; nothing was written
    PiecesMixed = 9,   // a piece could not be written nor the others put back; the message
                       // says where each previous one was kept
    Unconfirmed = 10,  // the pieces were replaced, but the workspace could not be made sure on
                       // disk after that: a power cut might still undo it
};

// Why a mission file could not be imported; the message names the file and the reason.
class ImportError : public std::runtime_error
{
public:
    ImportError(Status status, const std::string &message)
        : std::runtime_error(message), status_(status)
    {
    }
    [[nodiscard]] Status status() const noexcept { return status_; }

private:
    Status status_;
};

} // namespace importer
