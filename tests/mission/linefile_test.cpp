#include "linefile.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

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
        EXPECT_EQ(mission::splitLines(text), lines);
        EXPECT_EQ(mission::joinLines(lines), crlf);
        const std::string_view t = text;
        for (std::size_t i = 0; i <= t.size(); ++i)
            for (std::size_t j = i; j <= t.size(); ++j) {
                mission::CrLfWriter writer;
                std::string out;
                for (const auto part : {t.substr(0, i), t.substr(i, j - i), t.substr(j)})
                    writer.feed(part, out);
                writer.finish(out);
                ASSERT_EQ(out, crlf) << "cut at " << i << " and " << j;
            }
    }
}
