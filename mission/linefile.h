#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mission
{

// The game reads CR LF line ends on every platform, so every line this program writes ends with
// CR LF. On input, an LF ends a line and a CR right before it is part of that line end; a lone CR
// (one not followed by LF) is an ordinary byte of its line. Every other byte passes through as
// it is: no encoding conversion, no trimming.

// The lines, each followed by CR LF.
[[nodiscard]] std::string joinLines(const std::vector<std::string> &lines);

// Lines gathered in order, some of them only on a condition.
class LineList
{
public:
    void add(std::string_view line) { lines_.emplace_back(line); }
    void addIf(bool condition, std::string_view line)
    {
        if (condition)
            add(line);
    }
    [[nodiscard]] std::vector<std::string> take() { return std::move(lines_); }

private:
    std::vector<std::string> lines_;
};

// Rewrites a text that arrives in chunks so that every line ends with CR LF: the same result as
// joinLines() of the text's lines, without holding the text or its lines in memory. Each chunk is
// scanned once; a chunk whose line ends all have their CR (the stored pieces and the blocks
// are written that way) is passed on as it is, without a copy.
class CrLfWriter
{
public:
    // The bytes of `chunk` with a CR put before each LF that lacks one: `chunk` itself when none
    // lacks it, else a view of the writer's own buffer, valid until the next call.
    [[nodiscard]] std::string_view convert(std::string_view chunk);
    // The line end that a last line without one still needs: "\r\n" or nothing. The writer is
    // then ready for a new text; a CR ending this text does not pair with an LF starting the
    // next.
    [[nodiscard]] std::string_view finish();

private:
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    bool afterCr_ = false;
    bool midLine_ = false;
};

} // namespace mission
