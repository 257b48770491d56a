#pragma once

#include "platform.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace mission
{

// How much a file is read or written at a time: large enough that the work the system does per
// call costs little next to the copying (on 100 MB of pieces, 1 MiB blocks assemble some 15 per
// cent faster than 64 KiB ones), small enough to keep the assembly's memory a few megabytes.
inline constexpr std::size_t kBlockSize = 1024 * 1024;

// Reads a file in blocks into the caller's buffer.
class InputFile
{
public:
    // Throws an Error naming the file if it cannot be opened, or is a folder.
    explicit InputFile(const std::filesystem::path &path);

    // Reads up to `size` bytes into `data`; 0 at the end of the file.
    [[nodiscard]] std::size_t read(char *data, std::size_t size);

    [[nodiscard]] const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
    platform::File file_;
};

// The whole content of a file; throws an Error naming the file if it cannot be read, and
// std::bad_alloc if it does not fit in memory. The text takes about the file's size, once.
[[nodiscard]] std::string readFile(const std::filesystem::path &path);

} // namespace mission
