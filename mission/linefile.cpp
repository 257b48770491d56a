#include "linefile.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace mission
{

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

// Byte k of the text as byte k of the word, counted from its low end, on every platform.
std::uint64_t loadWord(const char *p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int k = 0; k < 8; ++k, word >>= 8)
            swapped = (swapped << 8) | (word & 0xFF);
        word = swapped;
    }
    return word;
}

std::uint64_t bytesEqual(std::uint64_t word, unsigned char byte)
{
    const std::uint64_t t = word ^ (0x0101010101010101ULL * byte);
    return ~(((t & kLow7) + kLow7) | t | kLow7);
}

// The LFs among the eight bytes at `p` that lack a CR before them, as 0x80 in their bytes.
// `crBefore` marks a CR just before the word, and becomes the mark of its last byte.
std::uint64_t bareLineFeeds(const char *p, std::uint64_t &crBefore)
{
    const std::uint64_t word = loadWord(p);
    const std::uint64_t cr = bytesEqual(word, '\r');
    const std::uint64_t bare = bytesEqual(word, '\n') & ~((cr << 8) | crBefore);
    crBefore = cr >> 56;
    return bare;
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

    // Most text has no LF that lacks its CR: words are tested eight at a time, and only a group
    // that has one is gone through, word by word.
    std::size_t i = 0;
    std::uint64_t crBefore = afterCr_ ? 0x80 : 0; // the CR mark of the byte before the word
    while (i + 8 <= n) {
        const std::size_t words = std::min<std::size_t>(8, (n - i) / 8);
        std::uint64_t bare[8];
        std::uint64_t any = 0;
        for (std::size_t k = 0; k < words; ++k)
            any |= bare[k] = bareLineFeeds(p + i + 8 * k, crBefore);
        for (std::size_t k = 0; any != 0 && k < words; ++k)
            for (; bare[k] != 0; bare[k] &= bare[k] - 1)
                addCr(i + 8 * k + static_cast<std::size_t>(std::countr_zero(bare[k])) / 8);
        i += 8 * words;
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

} // namespace mission
