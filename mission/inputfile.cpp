#include "inputfile.h"

#include "error.h"

namespace mission
{

namespace
{

constexpr const char *kReadAction = "could not read";

} // namespace

InputFile::InputFile(const std::filesystem::path &path) : path_(path)
{
    std::error_code ec;
    file_ = platform::openForReading(path, ec);
    if (ec)
        throw Error(kReadAction, path_, ec);
}

std::string_view InputFile::read(std::size_t size)
{
    block_.resize(size);
    std::error_code ec;
    const std::size_t n = platform::read(file_, block_.data(), size, ec);
    if (ec)
        throw Error(kReadAction, path_, ec);
    return {block_.data(), n};
}

std::string readFile(const std::filesystem::path &path)
{
    InputFile in(path);
    std::string text;
    for (auto block = in.read(kBlockSize); !block.empty(); block = in.read(kBlockSize))
        text += block;
    return text;
}

} // namespace mission
