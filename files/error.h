#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace files
{

// What a failed write says it could not do.
inline constexpr const char *kWriteAction = "could not write";

// What a save says whose file was replaced, but whose folder could not be made durable after: the
// file holds its new content, which a power cut might still undo.
inline constexpr const char *kUnconfirmedAction = "saved, but could not make sure on disk";

// Why a device, a named pipe or a socket is refused where a file is read or replaced.
inline constexpr const char *kNotARegularFile = "it is not a regular file";

// Every failure of reading or writing a file: what was being done, to which file, and why.
// The message reads like `could not write "/x/Mapa0001.mis": No space left on device`.
class Error : public std::runtime_error
{
public:
    Error(const std::string &action, const std::filesystem::path &path, const std::string &reason);
    // The reason is the operating system's message for `error`.
    Error(const std::string &action, const std::filesystem::path &path, std::error_code error);

    [[nodiscard]] const std::filesystem::path &path() const noexcept { return path_; }
    [[nodiscard]] const std::string &reason() const noexcept { return reason_; }

private:
    std::filesystem::path path_;
    std::string reason_;
};

} // namespace files
