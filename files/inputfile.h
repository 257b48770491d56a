#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace files
{

namespace platform
{
class File;
}

// Reads a file in blocks into the caller's buffer.
class InputFile
{
public:
    // Throws an Error naming the file if it cannot be opened, or is a folder; and, unless
    // `streams` are taken too, if it is anything else that is not a regular file (a device, a named
    // pipe, a socket), which may never end or wait for a writer for ever.
    explicit InputFile(const std::filesystem::path &path, bool streams = false);
    ~InputFile();
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    // Reads up to `size` bytes into `data`; 0 at the end of the file.
    [[nodiscard]] std::size_t read(char *data, std::size_t size);

    [[nodiscard]] const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
    std::unique_ptr<platform::File> file_;
};

// The whole content of a file; throws an Error naming the file if it cannot be read or is a device
// (which may never end, as /dev/zero), and std::bad_alloc if it does not fit in memory, or, from a
// named pipe or a socket, is longer than kLongestStream. The text takes about the file's size,
// once.
inline constexpr std::size_t kLongestStream = std::size_t{1} << 30;
[[nodiscard]] std::string readFile(const std::filesystem::path &path);
} // namespace files
