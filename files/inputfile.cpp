#include "inputfile.h"

#include "blocksize.h"
#include "error.h"
#include "platform.h"

#include <memory>
#include <new>

namespace files
{

namespace
{

constexpr const char *kReadAction = "could not read";

} // namespace

InputFile::InputFile(const std::filesystem::path &path, bool streams)
    : path_(path), file_(std::make_unique<platform::File>())
{
    std::error_code ec;
    *file_ = platform::openForReading(path, !streams, ec);
    if (ec == std::errc::invalid_argument)
        throw Error(kReadAction, path_, kNotARegularFile);
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
    InputFile in(path, true);
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::character || type == std::filesystem::file_type::block)
        throw Error(kReadAction, path, kNotARegularFile);
    const bool stream = type != std::filesystem::file_type::regular;
    // The size taken beforehand lets the text be read in place, with no growing copies; it is
    // only a guess, since the file may change while it is read, and there is none for a pipe.
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
        for (std::size_t n; (n = in.read(block.get(), kBlockSize)) != 0;) {
            if (stream && text.size() + n > kLongestStream)
                throw std::bad_alloc();
            text.append(block.get(), n);
        }
    }
    return text;
}

} // namespace files
