#include "script.h"

#include "characterblock.h"
#include "interfaceblock.h"
#include "linefile.h"

#include "importhelpers.h"

#include "sanitizer.h"

#include <gtest/gtest.h>

#include <future>
#include <unordered_set>

using mission::SheetValues;

namespace
{

TEST(ScriptCheck, FindsFaultsWhereTheyAre)
{
    // clang-format off
    const std::tuple<const char *, std::size_t, std::size_t, const char *> cases[] = {
        {"",                           0, 0,  nullptr}, // well formed
        {"[.A[1 2]] [ .B x.y .C -1 ]", 0, 0,  nullptr},
        {"[ ]\r\n\r\n ]",              3, 2,  "closes no open bracket"},
        {"[ ] [ [ ]\r\n",              1, 5,  "never closed"},
        {"[\n  .\n]",                  2, 3,  "without a property name"},
        {"[\r\n.A .B 1 ]",             2, 1,  "has no value"},
        {"[ .A",                       1, 3,  "has no value"},
        {"\xC3\xA9[ x ]\r[.A]",        1, 10, "has no value"}, // bytes; a lone CR ends no line
    };
    // clang-format on
    for (const auto &[text, line, column, message] : cases) {
        const auto fault = import_test::checkScript(text);
        ASSERT_EQ(fault.has_value(), message != nullptr) << text;
        if (fault) {
            EXPECT_EQ(std::pair(fault->line, fault->column), std::pair(line, column)) << text;
            EXPECT_NE(fault->message.find(message), std::string::npos) << fault->message;
        }
    }
}

// A text that arrives in chunks reads as the same tokens wherever it is cut, a cut word coming in
// parts that join into it: inside a word, on either side of a bracket, between a CR and its LF,
// into chunks that hold nothing but part of one word.
TEST(ScriptRead, InChunksAsWhole)
{
    for (const std::string_view text :
         {"", "word", "[.A[1 2]]x", " .CLASS\tBICHO\r\n] [ y", "ab\r\ncd [ ]\f.e"}) {
        std::vector<std::string_view> whole;
        importer::ScriptReader reader(text);
        for (importer::ScriptToken t; reader.next(t);)
            whole.push_back(t.text);
        for (std::size_t i = 0; i <= text.size(); ++i)
            for (std::size_t j = i; j <= text.size(); ++j) {
                importer::ChunkedScriptReader chunked;
                std::vector<std::string> got;
                importer::TokenPart part;
                bool open = false; // a token's last part is still to come
                const auto take = [&] {
                    while (chunked.next(part)) {
                        ASSERT_NE(part.first, open);
                        if (part.first)
                            got.emplace_back();
                        got.back() += part.text;
                        open = !part.last;
                    }
                };
                for (const auto chunk :
                     {text.substr(0, i), text.substr(i, j - i), text.substr(j)}) {
                    chunked.feed(chunk);
                    take();
                }
                chunked.finish();
                take();
                ASSERT_FALSE(open);
                ASSERT_EQ(got, std::vector<std::string>(whole.begin(), whole.end()))
                    << testing::PrintToString(std::string(text)) << " cut at " << i << ", " << j;
            }
    }
}

// Every one of the 3^12 sheet states, with each of the eight tokens, gives well-formed blocks;
// each distinct text is checked once. Unoptimised and sanitizer builds, some 40 times slower,
// and Windows builds, which run under Wine here, check one state in 89, a different one for
// each block: the blocks do not depend on the platform.
#if !defined(__OPTIMIZE__) || defined(_WIN32)
constexpr std::size_t kStride = 89;
#else
constexpr std::size_t kStride = kAddressSanitizer ? 89 : 1;
#endif

// The first fault in the blocks of states [begin, end): block 0 is the interface block, block
// b the character block with token b - 1.
std::string checkStates(std::size_t begin, std::size_t end)
{
    const char *const tokens[] = {"COMANDO",  "FRANCOT", "MECANIC",  "ESPIA",
                                  "OFFICIAL", "CABO",    "ALEGABAR", "ALEMAN2"};
    for (std::size_t b = 0; b <= std::size(tokens); ++b) {
        std::unordered_set<std::string> seen;
        for (std::size_t i = begin; i < end; ++i) {
            if (i % kStride != b % kStride)
                continue;
            int d[12]; // the twelve Values, in the order SheetValues holds them
            for (std::size_t n = 0, rest = i; n < 12; ++n, rest /= 3)
                d[n] = static_cast<int>(rest % 3);
            const SheetValues v{d[0], d[1], d[2], d[3], d[4],  d[5],
                                d[6], d[7], d[8], d[9], d[10], d[11]};
            std::string text =
                mission::joinLines(b == 0 ? mission::interfaceBlockLines(v)
                                          : mission::characterBlockLines(v, tokens[b - 1]));
            if (!seen.insert(text).second)
                continue;
            if (const auto fault = import_test::checkScript(text))
                return "block " + std::to_string(b) + ", state " + std::to_string(i) + ": " +
                       fault->message + " at line " + std::to_string(fault->line);
        }
    }
    return "";
}

TEST(ScriptCheck, EverySheetStateGivesWellFormedBlocks)
{
    const std::size_t states = 531441, parts = 8; // 3^12
    std::vector<std::future<std::string>> found;
    for (std::size_t k = 0; k < parts; ++k)
        found.push_back(std::async(std::launch::async, checkStates, states * k / parts,
                                   states * (k + 1) / parts));
    for (auto &f : found)
        EXPECT_EQ(f.get(), "");
}

} // namespace
