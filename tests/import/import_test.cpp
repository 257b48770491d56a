// Splitting a mission into the stored pieces, and the importer as a user runs it.

#include "assembly.h"
#include "characterblock.h"
#include "interfaceblock.h"
#include "missionsplit.h"
#include "script.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using mission_test::Files;
using mission_test::readBytes;
using mission_test::snapshot;
using mission_test::writeBytes;
namespace fs = std::filesystem;

namespace
{

const std::string kGb = "[ .CLASS BICHOALIADO .TOKEN COMANDO ]";
const std::string kSub = "[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]";
const std::string kMission = kGb + "\r\n" + kSub + "\r\n";

class Import : public mission_test::WorkspaceTest
{
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        for (const char *name : {"mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"})
            writeBytes(workspace() / name, "old " + std::string(name) + "\r\n");
    }
    // The importer's exit status and all that it printed.
    std::pair<int, std::string> run(const std::string &args) const
    {
        const int status = std::system(("'" TM_IMPORT_PROGRAM "' " + args + " >out 2>&1").c_str());
        const std::string printed = readBytes(root_ / "out");
        fs::remove(root_ / "out");
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, printed};
    }
};

// Assembled with the editor's blocks, the stand-in pieces make a well-formed mission that splits
// into them again, even as saved by a tool that dropped the CRs.
TEST_F(Import, TheAssembledStandInIsWellFormedAndSplitsIntoItsPieces)
{
    std::array<std::string, 3> stored;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::string name = "mis_1_" + std::to_string(k + 1) + ".dat";
        stored[k] = readBytes(fs::path(TM_SOURCE_DIR) / "tobrinmis" / name);
        writeBytes(workspace() / name, stored[k]);
    }
    for (const auto v : {mission::kUnchecked, mission::kChecked, mission::kGreyed}) {
        mission::writeCharacterBlock(mission::SheetValues::all(v), "COMANDO");
        mission::writeInterfaceBlock(mission::SheetValues::all(v));
        mission::assemble(root_, "m.mis");
        std::string text = readBytes(root_ / "m.mis");
        const auto fault = mission::checkScript(text);
        EXPECT_FALSE(fault) << fault->message << " at line " << fault->line;
        EXPECT_EQ(mission::splitMission(text).pieces, stored);
        std::erase(text, '\r');
        EXPECT_EQ(mission::splitMission(text).pieces, stored);
    }
}

// The last check before writing catches pieces that would not give the text back: a byte lost,
// or a cut inside a word (the bytes all come back, but as two words).
TEST(Split, RoundTripFaultCatchesPiecesThatDoNotGiveBackTheText)
{
    const std::string text = "[ .A WORD\n" + kGb + "\n.B x " + kSub + " ]\n";
    auto split = mission::splitMission(text);
    EXPECT_FALSE(mission::roundTripFault(text, split));
    split.pieces[1].erase(1, 1);
    EXPECT_TRUE(mission::roundTripFault(text, split));
    split = mission::splitMission(text);
    split.character.begin = text.find("RD");
    split.pieces[0] = mission::storedPiece(text.substr(0, split.character.begin));
    EXPECT_NE(mission::roundTripFault(text, split).value_or("").find("line 1, column 6"),
              std::string::npos);
}

TEST_F(Import, WritesThePiecesAndKeepsTheFirstOldOnesAsBak)
{
    Files want;
    for (const auto &[name, bytes] : snapshot(workspace()))
        want[name + ".bak"] = bytes;
    // Blocks inside lines, among tabs and a lone CR: a piece cut inside a line gets a line end.
    writeBytes(root_ / "m.mis",
               "[ .A x\ry .O [ [ .T A ]\t" + kGb + "  [ .T B ] ]\n.I [\n\t" + kSub + " \t\n] ]\n");
    const auto [status, printed] = run("m.mis");
    ASSERT_EQ(status, 0) << printed;
    EXPECT_NE(printed.find("line 1, column 24 to line 1, column 60"), std::string::npos) << printed;
    want["mis_1_1.dat"] = "[ .A x\ry .O [ [ .T A ]\r\n";
    want["mis_1_2.dat"] = "[ .T B ] ]\r\n.I [\r\n";
    want["mis_1_3.dat"] = "] ]\r\n";
    EXPECT_EQ(snapshot(workspace()), want);

    // The backups stay; nothing but blanks around the blocks makes empty pieces.
    writeBytes(root_ / "m.mis", kGb + " \t " + kSub);
    ASSERT_EQ(run("m.mis").first, 0);
    want["mis_1_1.dat"] = want["mis_1_2.dat"] = want["mis_1_3.dat"] = "";
    EXPECT_EQ(snapshot(workspace()), want);
}

// Refusals, a failure part-way and --check: the status, what it says, the workspace as it was.
struct Outcome {
    const char *name;
    std::string args;
    int status;
    std::string says;
    std::string mission = kMission; // in m.mis
    void (*setup)() = nullptr;
};

// clang-format off
const Outcome kOutcomes[] = {
    {"Check", "--check m.mis", 0, "nothing written (--check)"},
    {"NoFile", "", 2, "no mission file was given"},
    {"UnknownOption", "--force m.mis", 2, "unknown option \"--force\""},
    {"Missing", "absent.mis", 3, "could not read \"absent.mis\": No such file or directory"},
    {"Folder", "tobrinmis", 3, "\"tobrinmis\": Is a directory"},
    {"NotWellFormed", "m.mis", 4,
     "\"m.mis\": it is not well formed: line 1, column 6: \"[\" is never closed",
     "[ .O [\n  " + kGb + "\n" + kSub},
    // Only direct properties count, and SUBINTERFACEALIADO only with an object.
    {"NoCharacterBlock", "--check m.mis", 5, "\"m.mis\": it has no Green Beret character block",
     "[ .CLASS BICHOALIADO .G [ .TOKEN COMANDO ] ] [ .CLASS MACRO .TOKEN COMANDO ] " + kSub},
    {"NoInterfaceBlock", "m.mis", 5, "it has no Green Beret interface block",
     kGb + "[ SUBINTERFACEALIADO .TOKEN COMANDO ]" +
         "[ SUBINTERFACEALIADO [ .I [ [ .TOKEN COMANDO ] ] ] ]"},
    {"TwoCharacterBlocks", "m.mis", 5,
     "2 Green Beret character blocks, at line 1, column 1 and line 2, column 3",
     kGb + "\n  " + kGb + "\n" + kSub},
    {"TwoInterfaceBlocks", "m.mis", 5,
     "2 Green Beret interface blocks, at line 1, column 38 and line 2, column 1",
     kGb + kSub + "\n" + kSub},
    {"InterfaceInsideCharacter", "m.mis", 5, "lies inside the character block",
     "[ .CLASS BICHOALIADO .TOKEN COMANDO .I " + kSub + " ]"},
    {"OutOfOrder", "m.mis", 5,
     "the interface block (line 1, column 1) comes before the character block", kSub + kGb},
    // The third piece cannot be replaced once the first two are.
    {"FailsPartWay", "m.mis", 7, "mis_1_3.dat\": Is a directory", kMission,
     [] {
         fs::remove("tobrinmis/mis_1_3.dat");
         fs::create_directories("tobrinmis/mis_1_3.dat/x");
     }},
    {"NoWorkspace", "m.mis", 7, "tobrinmis\": there is no such folder here", kMission,
     [] { fs::rename("tobrinmis", "elsewhere"); }},
};
// clang-format on

class ImportOutcome : public Import, public testing::WithParamInterface<Outcome>
{
};

TEST_P(ImportOutcome, LeavesTheWorkspaceAsItWas)
{
    const Outcome &c = GetParam();
    writeBytes(root_ / "m.mis", c.mission);
    if (c.setup)
        c.setup();
    const Files before = snapshot(workspace());
    const auto [status, printed] = run(c.args);
    EXPECT_EQ(status, c.status) << printed;
    EXPECT_NE(printed.find(c.says), std::string::npos) << printed;
    EXPECT_EQ(snapshot(workspace()), before);
    EXPECT_EQ(readBytes(root_ / "m.mis"), c.mission);
}

INSTANTIATE_TEST_SUITE_P(Cases, ImportOutcome, testing::ValuesIn(kOutcomes),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
