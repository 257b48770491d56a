#include "linefile.h"

#include "lines.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace
{

// What the streaming writer gives for the text cut into these parts.
std::string streamed(std::initializer_list<std::string_view> parts)
{
    mission::CrLfWriter writer;
    std::string out;
    for (const auto part : parts)
        out += writer.convert(part);
    out += writer.finish();
    return out;
}

} // namespace

// An LF ends a line, with or without a CR before it; a lone CR and every other byte stay as they
// are. The streaming writer gives the same bytes wherever the text is cut, even inside a CR LF.
TEST(LineEnds, SplitJoinAndStreamAlike)
{
    // clang-format off
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"",                     {},                       ""},
        {"a\r\nb\nc",            {"a", "b", "c"},          "a\r\nb\r\nc\r\n"},
        {"\r\n\n\r\nx\n\n",      {"", "", "", "x", ""},    "\r\n\r\n\r\nx\r\n\r\n"},
        {"a\rb\r\nc\r",          {"a\rb", "c\r"},          "a\rb\r\nc\r\r\n"},
        {"a\r\r\n\rb\n",         {"a\r", "\rb"},           "a\r\r\n\rb\r\n"},
        {"\xE9t\tx  \r\n \0\n\t"s, {"\xE9t\tx  ", " \0"s, "\t"}, "\xE9t\tx  \r\n \0\r\n\t\r\n"s},
    };
    // clang-format on
    for (const auto &[text, lines, crlf] : cases) {
        EXPECT_EQ(mission_test::splitLines(text), lines);
        EXPECT_EQ(mission::joinLines(lines), crlf);
        const std::string_view t = text;
        for (std::size_t i = 0; i <= t.size(); ++i)
            for (std::size_t j = i; j <= t.size(); ++j)
                ASSERT_EQ(streamed({t.substr(0, i), t.substr(i, j - i), t.substr(j)}), crlf)
                    << "cut at " << i << " and " << j;
    }
}

// The writer reads eight bytes at a time: each kind of line end at every place in a word and
// across two, with the text cut at every place, so that a CR ends one chunk and its LF starts
// the next. A chunk whose line ends all have their CR comes back as it is, uncopied.
TEST(LineEnds, EveryPlaceInTheScanAndEveryCut)
{
    for (std::size_t at = 0; at < 20; ++at) {
        for (const char *end : {"\n", "\r\n", "\r", "\r\r\n", "\n\n", "\n\r"}) {
            const std::string text = std::string(at, 'x') + end + std::string(9, 'y') + "\nz";
            const std::string want = mission::joinLines(mission_test::splitLines(text));
            const std::string_view t = text;
            for (std::size_t cut = 0; cut <= t.size(); ++cut)
                ASSERT_EQ(streamed({t.substr(0, cut), t.substr(cut)}), want)
                    << "line end " << testing::PrintToString(std::string(end)) << " at " << at
                    << ", cut at " << cut;
        }
    }
    const std::string crlf = std::string(21, 'x') + "\r\n\r\n" + std::string(13, 'y') + "\r";
    mission::CrLfWriter writer;
    EXPECT_EQ(writer.convert(crlf).data(), crlf.data());
    const std::string_view next = "\nabc";
    EXPECT_EQ(writer.convert(next).data(), next.data());
}
