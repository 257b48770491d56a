#include "linefile.h"

#include "error.h"
#include "workspace.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;
using mission_test::readBytes;

namespace
{

struct LineCase {
    const char *name;
    std::string text;
    std::vector<std::string> lines; // as read
    std::string crlf;               // as the program writes them back
};

// Line ends as they arrive from any editor: LF ends a line, CR LF too, a lone CR does not.
// clang-format off
const LineCase kLineCases[] = {
    {"Empty",                  "",                {},                     ""},
    {"OneLineWithoutEnd",      "abc",             {"abc"},                "abc\r\n"},
    {"CrLf",                   "a\r\nb\r\n",      {"a", "b"},             "a\r\nb\r\n"},
    {"LfOnly",                 "a\nb\n",          {"a", "b"},             "a\r\nb\r\n"},
    {"MixedAndLastWithoutEnd", "a\r\nb\nc",       {"a", "b", "c"},        "a\r\nb\r\nc\r\n"},
    {"EmptyLinesKept",         "\r\n\n\r\nx\n\n", {"", "", "", "x", ""},  "\r\n\r\n\r\nx\r\n\r\n"},
    {"LoneCrInsideALine",      "a\rb\r\nc",       {"a\rb", "c"},          "a\rb\r\nc\r\n"},
    {"LoneCrEndsTheText",      "a\r",             {"a\r"},                "a\r\r\n"},
    {"OnlyACr",                "\r",              {"\r"},                 "\r\r\n"},
    {"CrCrLf",                 "a\r\r\n",         {"a\r"},                "a\r\r\n"},
    {"LfThenCr",               "a\n\rb",          {"a", "\rb"},           "a\r\n\rb\r\n"},
    {"NulByte",                "a\0b\n"s,         {"a\0b"s},              "a\0b\r\n"s},
    {"OtherBytesUntouched",
     "\xE9t\xE9\tx  \r\n  \n\tz\t",
     {"\xE9t\xE9\tx  ", "  ", "\tz\t"},
     "\xE9t\xE9\tx  \r\n  \r\n\tz\t\r\n"},
};
// clang-format on

void PrintTo(const LineCase &c, std::ostream *os)
{
    *os << c.name;
}

class LineEnds : public ::testing::TestWithParam<LineCase>
{
};

TEST_P(LineEnds, SplitAndJoin)
{
    const LineCase &c = GetParam();
    EXPECT_EQ(mission::splitLines(c.text), c.lines);
    EXPECT_EQ(mission::joinLines(c.lines), c.crlf);
    // What the program writes reads back as the same lines.
    EXPECT_EQ(mission::splitLines(c.crlf), c.lines);
}

// The streaming writer gives the same bytes wherever the text is cut into chunks, including
// between a CR and its LF.
TEST_P(LineEnds, StreamingWriterMatchesAnyChunking)
{
    const LineCase &c = GetParam();
    const std::string_view text = c.text;
    for (std::size_t cut1 = 0; cut1 <= text.size(); ++cut1) {
        for (std::size_t cut2 = cut1; cut2 <= text.size(); ++cut2) {
            mission::CrLfWriter writer;
            std::string out;
            writer.feed(text.substr(0, cut1), out);
            writer.feed(text.substr(cut1, cut2 - cut1), out);
            writer.feed(text.substr(cut2), out);
            writer.finish(out);
            ASSERT_EQ(out, c.crlf) << "cuts at " << cut1 << " and " << cut2;
        }
    }
    mission::CrLfWriter writer;
    std::string out;
    for (const char ch : text)
        writer.feed(std::string_view(&ch, 1), out);
    writer.finish(out);
    EXPECT_EQ(out, c.crlf) << "one byte at a time";
}

INSTANTIATE_TEST_SUITE_P(Texts, LineEnds, ::testing::ValuesIn(kLineCases),
                         [](const auto &info) { return std::string(info.param.name); });

using LineFile = mission_test::WorkspaceTest;

TEST_F(LineFile, WritesCrLfAndRewritesWholeFile)
{
    const auto path = root_ / "lines.txt";
    const std::vector<std::string> longer = {"first \xE9", "", "\tthird  ", "fourth"};
    mission::writeLineFile(path, longer);
    EXPECT_EQ(readBytes(path), "first \xE9\r\n\r\n\tthird  \r\nfourth\r\n");
    EXPECT_EQ(mission::readLineFile(path), longer);

    mission::writeLineFile(path, {"x"});
    EXPECT_EQ(readBytes(path), "x\r\n");
    mission::writeLineFile(path, {});
    EXPECT_EQ(readBytes(path), "");
    EXPECT_EQ(mission_test::folderListing(root_),
              (std::vector<std::string>{"lines.txt", "tobrinmis"}));
}

TEST_F(LineFile, FailuresNameTheFileAndTheReason)
{
    const auto nowhere = root_ / "missing" / "lines.txt";
    try {
        mission::writeLineFile(nowhere, {"x"});
        FAIL() << "writing into a missing folder succeeded";
    } catch (const mission::Error &e) {
        EXPECT_EQ(e.path(), nowhere);
        EXPECT_NE(std::string(e.what()).find(nowhere.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(root_ / "missing"));

    EXPECT_THROW((void)mission::readLineFile(root_ / "absent.txt"), mission::Error);
    EXPECT_THROW((void)mission::readLineFile(root_), mission::Error);
}

// The workspace follows the current folder at every call.
TEST_F(LineFile, WorkspacePathFollowsTheCurrentFolder)
{
    EXPECT_EQ(mission::workspacePath("gb.tmp"), root_ / "tobrinmis" / "gb.tmp");
    std::filesystem::create_directory(root_ / "other");
    std::filesystem::current_path(root_ / "other");
    EXPECT_EQ(mission::workspacePath("mis_1_3.dat"), root_ / "other" / "tobrinmis" / "mis_1_3.dat");
}

} // namespace
