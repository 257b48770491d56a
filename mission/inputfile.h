#pragma once

#include "platform.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace mission
{

// How much a file is read or written at a time.
inline constexpr std::size_t kBlockSize = 64 * 1024;

// Reads a file in blocks; the caller gives each block to `consume`.
class InputFile
{
public:
    // Throws an Error naming the file if it cannot be opened, or is a folder.
    explicit InputFile(const std::filesystem::path &path);

    // The next block of at most `size` bytes; empty at the end of the file.
    [[nodiscard]] std::string_view read(std::size_t size);

private:
    std::filesystem::path path_;
    std::string block_;
    platform::File file_;
};

// The whole content of a file; throws an Error naming the file if it cannot be read.
[[nodiscard]] std::string readFile(const std::filesystem::path &path);

} // namespace mission
