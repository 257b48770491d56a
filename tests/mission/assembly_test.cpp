#include "assembly.h"

#include "characterblock.h"
#include "error.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

using namespace std::string_literals;
using mission_test::folderListing;
using mission_test::readBytes;
using mission_test::writeBytes;
namespace fs = std::filesystem;

namespace
{

using Names = std::vector<std::string>;

const std::vector<std::string> kSimpleSources = {"A1\r\nA2\r\n", "G1\r\n", "B1\r\n", "S1\r\n",
                                                 "C1\r\n"};
const std::string kSimpleMission = "A1\r\nA2\r\nG1\r\nB1\r\nS1\r\nC1\r\n";
const std::string kPrevious = "previous mission\r\n";

class Assembly : public mission_test::WorkspaceTest
{
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        out_ = root_ / "out";
        fs::create_directory(out_);
    }

    fs::path out_;
};

// ---- What the mission file holds ----

struct ContentCase {
    const char *name;
    std::vector<std::string> sources;
    std::string expected;
};

// Three pieces of over 64 KiB whose line ends fall across the 64 KiB blocks the files are read
// in: a CR LF cut between two blocks, an LF alone starting a block, a lone CR ending one.
ContentCase largeSourcesCase()
{
    const std::size_t block = 64 * 1024;
    std::string piece1 = std::string(block - 1, 'x') + "\r\n"; // CR last of block 1, LF first of 2
    piece1 += std::string(block - 1, 'y') + "\n";              // LF alone, first of block 3
    piece1 += std::string(block - 2, 'z') + "\rq\n";           // lone CR last of block 3
    std::string expected1 = std::string(block - 1, 'x') + "\r\n" + std::string(block - 1, 'y') +
                            "\r\n" + std::string(block - 2, 'z') + "\rq\r\n";
    std::string piece3, expected3;
    for (int i = 0; i < 20000; ++i) {
        const std::string line = ".LINEA " + std::to_string(i) + std::string(i % 37, ' ');
        piece3 += line + (i % 3 == 0 ? "\n" : "\r\n");
        expected3 += line + "\r\n";
    }
    piece3 += "last";
    expected3 += "last\r\n";
    std::string emptyLines;
    for (std::size_t i = 0; i < 3 * block; ++i)
        emptyLines += "\r\n";
    ContentCase c;
    c.name = "LargeSources";
    c.sources = {piece1, "G\r\n", std::string(3 * block, '\n'), "S", piece3};
    c.expected = expected1 + "G\r\n" + emptyLines + "S\r\n" + expected3;
    return c;
}

// In LoneCrAtSourceEnd, a CR ending one source never pairs with an LF starting the next.
std::vector<ContentCase> contentCases()
{
    // clang-format off
    return {
        {"CrLfSources", kSimpleSources, kSimpleMission},
        {"LfOnlySources", {"A1\nA2\n", "G1\n", "B1\n", "S1\n", "C1\n"}, kSimpleMission},
        {"NoFinalLineEnds", {"A1\r\nA2", "G1", "B1\n", "S1", "C1"}, kSimpleMission},
        {"EmptyLinesKept", {"\r\n\r\n", "\n", "x\n\n", "", "\r\n"}, "\r\n\r\n\r\nx\r\n\r\n\r\n"},
        {"EmptySources", {"", "", "", "", ""}, ""},
        {"EmptySourceBetweenUnendedOnes", {"a", "", "b", "", "c"}, "a\r\nb\r\nc\r\n"},
        {"LoneCrAtSourceEnd",
         {"a\r", "\nb", "c\rd\n", "\r", "e\r\n"},
         "a\r\r\n\r\nb\r\nc\rd\r\n\r\r\ne\r\n"},
        {"OtherBytesUntouched",
         {"\xE9t\xE9\r\n", "\tx  \n", "y\0z"s, "  ", "\x80\xFF\n"},
         "\xE9t\xE9\r\n\tx  \r\ny\0z\r\n  \r\n\x80\xFF\r\n"s},
        largeSourcesCase(),
    };
    // clang-format on
}

void PrintTo(const ContentCase &c, std::ostream *os)
{
    *os << c.name;
}

class AssemblyContent : public Assembly, public ::testing::WithParamInterface<ContentCase>
{
};

TEST_P(AssemblyContent, LinesOfTheFiveSourcesInOrder)
{
    writeSources(GetParam().sources);
    mission::assemble(out_, "m.mis");
    EXPECT_TRUE(mission_test::sameBytes(readBytes(out_ / "m.mis"), GetParam().expected));
    EXPECT_EQ(folderListing(out_), Names{"m.mis"});
}

INSTANTIATE_TEST_SUITE_P(Sources, AssemblyContent, ::testing::ValuesIn(contentCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Assembly, BlocksFromTheWritersGoBetweenThePieces)
{
    writeSources({"P1\r\n", "", "P2\n", "", "P3"});
    const mission::SheetValues values = mission::SheetValues::all(mission::kChecked);
    mission::writeCharacterBlock(values, "FRANCOT");
    mission::writeInterfaceBlock(values);
    mission::assemble(out_, "first.mis");
    mission::assemble(out_, "second.mis");
    const std::string expected =
        "P1\r\n" + mission::joinLines(mission::characterBlockLines(values, "FRANCOT")) + "P2\r\n" +
        mission::joinLines(mission::interfaceBlockLines(values)) + "P3\r\n";
    EXPECT_EQ(readBytes(out_ / "first.mis"), expected);
    EXPECT_EQ(readBytes(out_ / "second.mis"), expected);
}

// ---- Where the mission file goes ----

TEST_F(Assembly, TargetIsTheNameExactlyAsTyped)
{
    writeSources(kSimpleSources);
    const Names names = {"Mapa0001.mis", "noextension",           " spaced name .mis ",
                         "dots.",        "\xC3\xA9t\xC3\xA9.MIS", ".hidden"};
    for (const auto &name : names) {
        mission::assemble(out_, name);
        EXPECT_EQ(readBytes(out_ / name), kSimpleMission) << '"' << name << '"';
    }
    Names sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end());
    EXPECT_EQ(folderListing(out_), sortedNames);

    // One separator between folder and name, whether or not the folder ends with one.
    EXPECT_EQ(mission::missionPath(out_, "a.mis").string(), out_.string() + "/a.mis");
    EXPECT_EQ(mission::missionPath(out_.string() + "/", "a.mis").string(),
              out_.string() + "/a.mis");
    EXPECT_EQ(mission::missionPath("/", "a.mis").string(), "/a.mis");
    mission::assemble(out_.string() + "/", "slash.mis");
    EXPECT_EQ(readBytes(out_ / "slash.mis"), kSimpleMission);

    // A relative folder is taken from the current one.
    mission::assemble(".", "here.mis");
    EXPECT_EQ(readBytes(root_ / "here.mis"), kSimpleMission);
}

TEST_F(Assembly, FirstReplacedMissionIsKeptAsBackup)
{
    writeSources({"v1", "", "", "", ""});
    mission::assemble(out_, "m.mis");
    EXPECT_EQ(folderListing(out_), Names{"m.mis"}) << "nothing was replaced, nothing is kept";

    writeSources({"v2", "", "", "", ""});
    mission::assemble(out_, "m.mis");
    EXPECT_EQ(readBytes(out_ / "m.mis"), "v2\r\n");
    EXPECT_EQ(readBytes(out_ / "m.mis.bak"), "v1\r\n");

    writeSources({"v3", "", "", "", ""});
    mission::assemble(out_, "m.mis");
    EXPECT_EQ(readBytes(out_ / "m.mis"), "v3\r\n");
    EXPECT_EQ(readBytes(out_ / "m.mis.bak"), "v1\r\n") << "a later save leaves the backup alone";
    EXPECT_EQ(folderListing(out_), (Names{"m.mis", "m.mis.bak"}));

    // A file the program did not make is kept the same way.
    writeBytes(out_ / "hand.mis", "made by hand\n");
    mission::assemble(out_, "hand.mis");
    EXPECT_EQ(readBytes(out_ / "hand.mis"), "v3\r\n");
    EXPECT_EQ(readBytes(out_ / "hand.mis.bak"), "made by hand\n");
}

// ---- Failures ----

// What a case changes in the test's folder (the current one) before the save.
using Change = std::function<void()>;
// Where the error says the fault lies, from the test's folder.
using ErrorPath = std::function<fs::path(const fs::path &root)>;

Change nothing()
{
    return [] {};
}
Change makeFolder(const std::string &path)
{
    return [path] { ASSERT_TRUE(fs::create_directory(path)); };
}
Change removeWorkspace()
{
    return [] { ASSERT_GT(fs::remove_all("tobrinmis"), 0u); };
}
Change removeFromWorkspace(const std::string &name)
{
    return [name] { ASSERT_TRUE(fs::remove(fs::path("tobrinmis") / name)); };
}
Change pieceToFolder(const std::string &name)
{
    return [name] {
        ASSERT_TRUE(fs::remove(fs::path("tobrinmis") / name));
        ASSERT_TRUE(fs::create_directory(fs::path("tobrinmis") / name));
    };
}
ErrorPath asGiven(const std::string &path)
{
    return [path](const fs::path &) { return fs::path(path); };
}
ErrorPath inWorkspace(const std::string &name)
{
    return [name](const fs::path &root) { return root / "tobrinmis" / name; };
}

struct FailureCase {
    const char *name;
    Change change;
    std::string folder;
    std::string fileName;
    ErrorPath errorPath;
    std::string reason;
};

const std::string kNoEntry = "No such file or directory";

// clang-format off
const FailureCase kFailureCases[] = {
    {"EmptyName",             nothing(),
     "out",         "",      asGiven("out/"),              "no file name was given"},
    {"NameIsAFolder",         makeFolder("out/sub"),
     "out",         "sub",   asGiven("out/sub"),           "Is a directory"},
    {"MissingFolder",         nothing(),
     "out/missing", "m.mis", asGiven("out/missing/m.mis"), kNoEntry},
    {"FolderIsAFile",         nothing(),
     "out/m.mis",   "m.mis", asGiven("out/m.mis/m.mis"),   "Not a directory"},
    {"MissingWorkspace",      removeWorkspace(),
     "out",         "m.mis", inWorkspace("mis_1_1.dat"),   kNoEntry},
    {"MissingFirstPiece",     removeFromWorkspace("mis_1_1.dat"),
     "out",         "m.mis", inWorkspace("mis_1_1.dat"),   kNoEntry},
    {"MissingInterfaceBlock", removeFromWorkspace("gb_sub.tmp"),
     "out",         "m.mis", inWorkspace("gb_sub.tmp"),    kNoEntry},
    {"MissingLastPiece",      removeFromWorkspace("mis_1_3.dat"),
     "out",         "m.mis", inWorkspace("mis_1_3.dat"),   kNoEntry},
    {"PieceIsAFolder",        pieceToFolder("mis_1_2.dat"),
     "out",         "m.mis", inWorkspace("mis_1_2.dat"),   "Is a directory"},
};
// clang-format on

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class AssemblyFailure : public Assembly, public ::testing::WithParamInterface<FailureCase>
{
};

// A failed save names the file and the reason, and leaves every file as it was: the previous
// mission unchanged, no backup, no temporary file.
TEST_P(AssemblyFailure, NamesTheFileAndChangesNothing)
{
    const FailureCase &c = GetParam();
    // Pieces larger than a read block, so that some of the new file is written before a later
    // piece turns out to be missing.
    writeSources(
        {std::string(200000, 'a') + "\r\n", "g\r\n", std::string(100000, 'b'), "s\r\n", "c\r\n"});
    writeBytes(out_ / "m.mis", kPrevious);
    c.change();
    const Names before = folderListing(out_);

    try {
        mission::assemble(c.folder, c.fileName);
        FAIL() << "the save succeeded";
    } catch (const mission::Error &e) {
        const fs::path expectedPath = c.errorPath(root_);
        EXPECT_EQ(e.path(), expectedPath);
        const std::string what = e.what();
        EXPECT_NE(what.find('"' + expectedPath.string() + '"'), std::string::npos) << what;
        EXPECT_NE(what.find(c.reason), std::string::npos) << what;
    }
    EXPECT_EQ(readBytes(out_ / "m.mis"), kPrevious);
    EXPECT_EQ(folderListing(out_), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, AssemblyFailure, ::testing::ValuesIn(kFailureCases),
                         [](const auto &info) { return std::string(info.param.name); });

Change symlinkTo(const std::string &to, const std::string &from)
{
    return [to, from] { fs::create_symlink(to, from); };
}

struct Spelling {
    const char *name;
    Change change;
    std::string folder; // "" for the workspace's absolute path
    std::string fileName;
    const char *workspaceFile; // the one it designates
};

// clang-format off
const Spelling kWorkspaceSpellings[] = {
    {"Absolute",          nothing(), "",                 "gb.tmp",             "gb.tmp"},
    {"Relative",          nothing(), "tobrinmis",        "mis_1_1.dat",        "mis_1_1.dat"},
    {"DotFolder",         nothing(), "./tobrinmis/.",    "mis_1_2.dat",        "mis_1_2.dat"},
    {"DotDot",            nothing(), "out/../tobrinmis", "gb_sub.tmp",         "gb_sub.tmp"},
    {"TrailingSeparator", nothing(), "tobrinmis/",       "mis_1_3.dat",        "mis_1_3.dat"},
    {"FolderInTheName",   nothing(), ".",                "tobrinmis/./gb.tmp", "gb.tmp"},
    {"LinkToTheFile",     symlinkTo("../tobrinmis/mis_1_3.dat", "out/link.mis"),
                                     "out",              "link.mis",           "mis_1_3.dat"},
    {"LinkToTheFolder",   symlinkTo("tobrinmis", "ws"),
                                     "ws",               "gb_sub.tmp",         "gb_sub.tmp"},
};
// clang-format on

void PrintTo(const Spelling &c, std::ostream *os)
{
    *os << c.name;
}

class WorkspaceTarget : public Assembly, public ::testing::WithParamInterface<Spelling>
{
};

TEST_P(WorkspaceTarget, IsRefusedBeforeAnythingIsWritten)
{
    const Spelling &s = GetParam();
    writeSources({"a\n", "g\n", "b\n", "s\n", "c\n"});
    s.change();
    const Names workspaceBefore = folderListing(workspace());
    const Names outBefore = folderListing(out_);
    const fs::path folder = s.folder.empty() ? workspace() : fs::path(s.folder);

    try {
        mission::assemble(folder, s.fileName);
        FAIL() << "the workspace file was written";
    } catch (const mission::Error &e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(mission::missionPath(folder, s.fileName).string()), std::string::npos)
            << what;
        EXPECT_NE(what.find(s.workspaceFile), std::string::npos) << what;
    }
    EXPECT_EQ(readBytes(workspaceFile("mis_1_1.dat")), "a\n");
    EXPECT_EQ(readBytes(workspaceFile("gb.tmp")), "g\n");
    EXPECT_EQ(readBytes(workspaceFile("mis_1_2.dat")), "b\n");
    EXPECT_EQ(readBytes(workspaceFile("gb_sub.tmp")), "s\n");
    EXPECT_EQ(readBytes(workspaceFile("mis_1_3.dat")), "c\n");
    EXPECT_EQ(folderListing(workspace()), workspaceBefore);
    EXPECT_EQ(folderListing(out_), outBefore);
    if (fs::is_symlink(out_ / "link.mis")) {
        EXPECT_EQ(fs::read_symlink(out_ / "link.mis"), "../tobrinmis/mis_1_3.dat");
    }
}

INSTANTIATE_TEST_SUITE_P(Spellings, WorkspaceTarget, ::testing::ValuesIn(kWorkspaceSpellings),
                         [](const auto &info) { return std::string(info.param.name); });

// The disk fills up part-way: a child process, limited to files of 4 KiB, saves a mission of
// 40 KiB over an existing one and tells through a pipe what it got.
TEST_F(Assembly, WriteFailingPartWayLeavesThePreviousMission)
{
    std::string piece;
    while (piece.size() < 8192)
        piece += "[ .TOKEN IT_PIEDRA .DISPONIBLE NO ]\r\n";
    writeSources({piece, piece, piece, piece, piece});
    writeBytes(out_ / "m.mis", kPrevious);

    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        int status = 3;
        std::string report = "could not lower the file size limit";
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            try {
                mission::assemble("out", "m.mis");
                status = 1;
                report = "the save succeeded";
            } catch (const mission::Error &e) {
                status = 0;
                report = e.what();
            } catch (...) {
                status = 2;
                report = "an exception other than mission::Error";
            }
        }
        (void)!::write(channel[1], report.data(), report.size());
        ::_exit(status);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended abnormally: " << report;
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
    EXPECT_NE(report.find("\"out/m.mis\""), std::string::npos) << report;
    EXPECT_NE(report.find("File too large"), std::string::npos) << report;

    EXPECT_EQ(readBytes(out_ / "m.mis"), kPrevious);
    EXPECT_EQ(folderListing(out_), Names{"m.mis"});
}

// The new file cannot take the old one's place (here: the old one is immutable). The failure
// is reported and no backup is left behind, since nothing was replaced.
TEST_F(Assembly, FailedReplaceLeavesNoBackup)
{
    writeSources(kSimpleSources);
    const fs::path target = out_ / "m.mis";
    writeBytes(target, kPrevious);

    const int fd = ::open(target.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        ::close(fd);
        GTEST_SKIP() << "the file system keeps no file flags";
    }
    const int immutable = flags | FS_IMMUTABLE_FL;
    if (::ioctl(fd, FS_IOC_SETFLAGS, &immutable) != 0) {
        ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here";
    }
    bool threw = false;
    try {
        mission::assemble(out_, "m.mis");
    } catch (const mission::Error &e) {
        threw = true;
        EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos) << e.what();
    }
    const Names after = folderListing(out_);
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);

    EXPECT_TRUE(threw);
    EXPECT_EQ(readBytes(target), kPrevious);
    EXPECT_EQ(after, Names{"m.mis"});
}

} // namespace
