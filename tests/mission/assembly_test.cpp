#include "assembly.h"

#include "blocksize.h"
#include "casetable.h"
#include "error.h"
#include "pathtext.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

using mission_test::Files;
using mission_test::Lines;
using mission_test::readBytes;
using mission_test::snapshot;
namespace fs = std::filesystem;

namespace
{

const Lines kSources = {"A1\r\nA2\r\n", "G1\r\n", "B1\r\n", "S1\r\n", "C1\r\n"};
const std::string kMission = "A1\r\nA2\r\nG1\r\nB1\r\nS1\r\nC1\r\n";
using files_test::kNoEntry;
// The longest name the test's folders take.
const std::size_t kNameMax = files_test::longestName(fs::temp_directory_path());

class Assembly : public mission_test::WorkspaceTest
{
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        fs::create_directory(out_ = root_ / "out");
        mission_test::writeBytes(out_ / "m.mis", "previous mission\r\n");
    }
    fs::path out_;
};

TEST_F(Assembly, LinesOfTheFiveSourcesInOrder)
{
    const std::size_t b = files::kBlockSize;
    const std::string x(b - 1, 'x'), y(b - 1, 'y'), z(b - 2, 'z');
    // clang-format off
    const std::pair<Lines, std::string> cases[] = {
        {kSources,                                     kMission},
        {{"A1\nA2\n", "G1\n", "B1\n", "S1\n", "C1\n"}, kMission},
        {{"A1\r\nA2", "G1", "B1\n", "S1", "C1"},       kMission},
        {{"\r\n\r\n", "\n", "x\n\n", "", "\r\n"},      "\r\n\r\n\r\nx\r\n\r\n\r\n"},
        {{"a", "", "b", "", "c"},                      "a\r\nb\r\nc\r\n"},
        {{"", "", "", "", ""},                         ""},
        // A CR ending one source does not pair with an LF starting the next.
        {{"a\r", "\nb", "c\rd\n", "\r", "e\r\n"},      "a\r\r\n\r\nb\r\nc\rd\r\n\r\r\ne\r\n"},
        // Read in blocks: a CR LF cut between two, an LF starting one, a CR ending one.
        {{x + "\r\n" + y + "\n" + z + "\rq\n", "G", "", "S\n", "C"},
         x + "\r\n" + y + "\r\n" + z + "\rq\r\nG\r\nS\r\nC\r\n"},
    };
    // clang-format on
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        writeSources(cases[k].first);
        mission::assemble(ws(), out_, "m.mis");
        EXPECT_TRUE(readBytes(out_ / "m.mis") == cases[k].second) << "case " << k;
    }
}

TEST_F(Assembly, NameAsTypedAndTheFirstReplacedKeptAsBak)
{
    writeSources(kSources);
    Files want = snapshot(out_);
    // Names up to the longest the system takes, whatever the temporary file's name adds.
#ifdef _WIN32
    // Windows itself drops blanks and dots at the end of a name.
    const std::string spaced = " spaced .mis", dotted = "do.ts", separator = "\\";
#else
    const std::string spaced = " spaced .mis ", dotted = "dots.", separator = "/";
#endif
    for (const std::string &name : {std::string("Mapa0001.mis"), std::string("noext"), spaced,
                                    dotted, std::string(".hidden"), std::string(kNameMax, 'n')}) {
        mission::assemble(ws(), out_, name);
        want[name] = kMission;
    }
    // One separator between the folder and the name, whether the folder ends with one or not.
    EXPECT_EQ(mission::missionPath("out", "a").string(), "out" + separator + "a");
    EXPECT_EQ(mission::missionPath("out/", "a").string(), "out/a");
    EXPECT_EQ(snapshot(out_), want);

    for (const std::string v : {"v2", "v3"}) {
        writeSources({v, "", "", "", ""});
        mission::assemble(ws(), out_, "noext");
        want["noext"] = v + "\r\n";
        want["noext.bak"] = kMission;
        EXPECT_EQ(snapshot(out_), want);
    }
}

// A refused or failed save names the path and the reason and changes nothing: no temporary
// file, no .bak. A workspace file as the target, however spelled, is refused before any write.
struct Failure : files_test::NamedCase {
    const char *folder, *file, *reason;
    const char *path = nullptr; // from the test's folder; none: the target
    std::function<void()> setup = {};
};

// clang-format off
const Failure kFailures[] = {
    {"EmptyName",         "out",              "",            "no file name was given"},
    {"NoFolder",          "",                 "m.mis",       "no folder was given"},
    {"NameIsAFolder",     "out",              "sub",         "Is a directory", nullptr,
     [] { fs::create_directory("out/sub"); }},
    {"MissingFolder",     "out/no",           "m.mis",       kNoEntry},
    {"MissingWorkspace",  "out",              "m.mis",       kNoEntry, "tobrinmis/mis_1_1.dat",
     [] { fs::remove_all("tobrinmis"); }},
    {"MissingFirstPiece", "out",              "m.mis",       kNoEntry, "tobrinmis/mis_1_1.dat",
     [] { fs::remove("tobrinmis/mis_1_1.dat"); }},
    {"MissingLastPiece",  "out",              "m.mis",       kNoEntry, "tobrinmis/mis_1_3.dat",
     [] { fs::remove("tobrinmis/mis_1_3.dat"); }},
    {"WorkspaceFile",     "tobrinmis",        "mis_1_1.dat", "mis_1_1.dat\" that"},
    {"DotFolder",         "./tobrinmis/.",    "mis_1_2.dat", "mis_1_2.dat\" that"},
    {"DotDot",            "out/../tobrinmis", "gb_sub.tmp",  "gb_sub.tmp\" that"},
    {"LinkToFile",        "out",              "l.mis",       "mis_1_3.dat\" that", nullptr,
     [] { fs::create_symlink("../tobrinmis/mis_1_3.dat", "out/l.mis"); }},
    {"LinkToFolder",      "ws",               "gb.tmp",      "gb.tmp\" that", nullptr,
     [] { fs::create_symlink("tobrinmis", "ws"); }},
    {"ProgramsOwnName",   "out",              ".tm-lock",    "for its own files"},
    // What is not a file is refused before a byte of it is read: it may never end, or wait.
    {"PieceIsANamedPipe", "out",              "m.mis",       "it is not a regular file", "tobrinmis/mis_1_2.dat",
     [] { fs::remove("tobrinmis/mis_1_2.dat"); files_test::makeFifo("tobrinmis/mis_1_2.dat"); }},
    {"PieceIsADevice",    "out",              "m.mis",       "it is not a regular file", "tobrinmis/mis_1_3.dat",
     [] { fs::remove("tobrinmis/mis_1_3.dat"); fs::create_symlink("/dev/zero", "tobrinmis/mis_1_3.dat"); }},
};
// clang-format on

class AssemblyFailure : public Assembly, public ::testing::WithParamInterface<Failure>
{
};

TEST_P(AssemblyFailure, NamesThePathAndChangesNothing)
{
    const Failure &c = GetParam();
    // Larger than a read block, so that some of the file is written before a later piece fails.
    writeSources({std::string(files::kBlockSize + 1, 'a'), "g\r\n", "b\r\n", "s\r\n", "c\r\n"});
    if (const auto why = files_test::setUpCase(c.setup))
        GTEST_SKIP() << *why;
    const Files out = snapshot(out_), sources = snapshot(workspace());
    try {
        mission::assemble(ws(), c.folder, c.file);
        ADD_FAILURE() << "the save succeeded";
    } catch (const files::Error &e) {
        EXPECT_EQ(fs::absolute(e.path()).lexically_normal(),
                  (root_ / (c.path ? c.path : fs::path(c.folder) / c.file)).lexically_normal());
        EXPECT_NE(std::string(e.what()).find('"' + files::pathText(e.path()) + "\": "),
                  std::string::npos);
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(snapshot(out_), out);
    EXPECT_EQ(snapshot(workspace()), sources);
}

// Two editors on one workspace: the first one's "OK" after the second saved its blocks makes no
// mission of the second one's Green Beret; it says so, and writes nothing. Its own blocks, once
// saved again, are assembled.
TEST_F(Assembly, OnlyTheBlocksThisEditorSaved)
{
    writeSources(kSources);
    const mission::SavedBlocks first =
        mission::writeBlocks(ws(), mission::SheetValues{}, "COMANDO");
    mission::writeBlocks(ws(), mission::SheetValues::all(mission::kChecked), "COMANDO");
    const Files before = snapshot(out_);
    try {
        mission::assemble(ws(), out_, "m.mis", &first);
        ADD_FAILURE() << "assembled another editor's blocks";
    } catch (const files::Error &e) {
        EXPECT_NE(e.reason().find("changed by another save since yours"), std::string::npos);
    }
    EXPECT_EQ(snapshot(out_), before);
    const mission::SavedBlocks again =
        mission::writeBlocks(ws(), mission::SheetValues{}, "COMANDO");
    mission::assemble(ws(), out_, "m.mis", &again);
    EXPECT_NE(readBytes(out_ / "m.mis").find(first.character), std::string::npos);
}

// The assembly reads the workspace under its shared lock: while another program saves there, it
// waits, and writes nothing when it gives up.
TEST_F(Assembly, WaitsWhileAnotherSavesInTheWorkspace)
{
    writeSources(kSources);
    std::atomic<bool> held = false, release = false;
    std::thread other([this, &held, &release] {
        const files::FolderLock lock(workspace(), files::FolderLock::Mode::Exclusive);
        held = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    while (!held)
        std::this_thread::yield();
    const Files before = snapshot(out_);
    int asked = 0;
    EXPECT_THROW(mission::assemble(ws(), out_, "m.mis", nullptr,
                                   [&asked](const fs::path &) { return ++asked < 3; }),
                 files::Error);
    release = true;
    other.join();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(snapshot(out_), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, AssemblyFailure, ::testing::ValuesIn(kFailures),
                         files_test::caseName);

} // namespace
