#include "inputfile.h"

#include "blocksize.h"
#include "error.h"
#include "platform.h"

#include <memory>

namespace files
{

namespace
{

constexpr const char *kReadAction = "could not read";

} // namespace

InputFile::InputFile(const std::filesystem::path &path)
    : path_(path), file_(std::make_unique<platform::File>())
{
    std::error_code ec;
    *file_ = platform::openForReading(path, ec);
    if (ec)
        throw Error(kReadAction, path_, ec);
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(char *data, std::size_t size)
{
    std::error_code ec;
    const std::size_t n = platform::read(*file_, data, size, ec);
    if (ec)
        throw Error(kReadAction, path_, ec);
    return n;
}

std::string readFile(const std::filesystem::path &path)
{
    InputFile in(path);
    // The size taken beforehand lets the text be read in place, with no growing copies; it is
    // only a guess, since the file may change while it is read, and there is none for a pipe.
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    const std::size_t guess = ec ? 0 : static_cast<std::size_t>(size);
    std::string text;
    text.resize(guess);
    std::size_t done = 0;
    while (done < text.size()) {
        const std::size_t n = in.read(text.data() + done, text.size() - done);
        if (n == 0)
            break;
        done += n;
    }
    text.resize(done);
    if (done == guess) {
        const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
        for (std::size_t n; (n = in.read(block.get(), kBlockSize)) != 0;)
            text.append(block.get(), n);
    }
    return text;
}

} // namespace files
