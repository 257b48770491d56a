#include "linefile.h"

#include "atomicfile.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace mission
{

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        auto line = text.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(lf + 1);
    }
    return lines;
}

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

namespace
{

// Eight bytes at a time, one bit per byte: 0x80 in each byte of `word` that equals `byte`.
// Reading words instead of calling memchr once per line keeps the scan at memory speed for the
// short lines of mission script.
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

std::uint64_t loadWord(const char *p)
{
    // Byte k of the text is byte k of the word on every platform; compilers make this one load.
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k)
        word |= std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
    return word;
}

std::uint64_t bytesEqual(std::uint64_t word, unsigned char byte)
{
    const std::uint64_t t = word ^ (0x0101010101010101ULL * byte);
    return ~(((t & kLow7) + kLow7) | t | kLow7);
}

} // namespace

std::string_view CrLfWriter::convert(std::string_view chunk)
{
    const char *const p = chunk.data();
    const std::size_t n = chunk.size();
    if (n == 0)
        return chunk;
    char *out = nullptr; // where the next converted byte goes, once an LF lacked its CR
    std::size_t copied = 0;
    const auto addCr = [&](std::size_t lf) {
        if (!out) {
            // At worst every byte is an LF that doubles.
            if (capacity_ < 2 * n) {
                buffer_ = std::make_unique_for_overwrite<char[]>(2 * n);
                capacity_ = 2 * n;
            }
            out = buffer_.get();
        }
        std::memcpy(out, p + copied, lf - copied);
        out += lf - copied;
        *out++ = '\r';
        copied = lf; // the LF goes with the bytes after it
    };

    std::size_t i = 0;
    std::uint64_t crBefore = afterCr_ ? 0x80 : 0; // the CR mark of the byte before the word
    for (; i + 8 <= n; i += 8) {
        const std::uint64_t word = loadWord(p + i);
        const std::uint64_t cr = bytesEqual(word, '\r');
        std::uint64_t bare = bytesEqual(word, '\n') & ~((cr << 8) | crBefore);
        crBefore = cr >> 56;
        for (; bare != 0; bare &= bare - 1)
            addCr(i + static_cast<std::size_t>(std::countr_zero(bare)) / 8);
    }
    for (; i < n; ++i)
        if (p[i] == '\n' && !(i > 0 ? p[i - 1] == '\r' : afterCr_))
            addCr(i);

    afterCr_ = p[n - 1] == '\r';
    midLine_ = p[n - 1] != '\n';
    if (!out)
        return chunk;
    std::memcpy(out, p + copied, n - copied);
    out += n - copied;
    return {buffer_.get(), static_cast<std::size_t>(out - buffer_.get())};
}

std::string_view CrLfWriter::finish()
{
    const bool midLine = midLine_;
    afterCr_ = false;
    midLine_ = false;
    return midLine ? "\r\n" : "";
}

void writeLineFile(const std::filesystem::path &path, const std::vector<std::string> &lines)
{
    AtomicFile file(path);
    file.write(joinLines(lines));
    file.commit();
}

} // namespace mission
