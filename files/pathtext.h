#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace files
{

// A path as this program prints it, and back. On POSIX a name is bytes and is kept as it is, in
// whatever encoding it was made; on Windows a name is UTF-16 and is given as UTF-8, which holds
// every character (the ANSI code page, which std::filesystem::path::string() uses there, does
// not).
[[nodiscard]] std::string pathText(const std::filesystem::path &path);
[[nodiscard]] std::filesystem::path pathFromText(std::string_view text);

} // namespace files
