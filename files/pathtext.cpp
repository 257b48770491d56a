#include "pathtext.h"

namespace files
{

std::string pathText(const std::filesystem::path &path)
{
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
#else
    return path.string();
#endif
}

std::filesystem::path pathFromText(std::string_view text)
{
#ifdef _WIN32
    return std::u8string(text.begin(), text.end());
#else
    return std::string(text);
#endif
}

} // namespace files
