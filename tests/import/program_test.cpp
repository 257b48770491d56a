// The importer as a user runs it: the program, the workspace and the pieces it writes; and the
// shipped pieces, which it must give back from the editor's mission.

#include "assembly.h"
#include "blockfiles.h"
#include "blocksize.h"
#include "importerror.h"
#include "linefile.h"
#include "missionsplit.h"
#include "script.h"
#include "workspace_fixture.h"

#include "lines.h"

#include "importhelpers.h"

#include "sanitizer.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifdef _WIN32
#include <cstdlib>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using import_test::filler;
using import_test::kGb;
using import_test::kMission;
using import_test::kSub;
using mission_test::Files;
using mission_test::readBytes;
using mission_test::snapshot;
using mission_test::writeBytes;
namespace fs = std::filesystem;

namespace
{

// Found from the folder the tests start in, before they change it.
const fs::path kImporter = fs::absolute(TM_IMPORT_PROGRAM);
const fs::path kSourceDir = fs::absolute(TM_SOURCE_DIR);

class Import : public mission_test::WorkspaceTest
{
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        for (const char *name : {"mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"})
            writeBytes(workspace() / name, "old " + std::string(name) + "\r\n");
    }
    // The importer's exit status and all that it printed; `args` as typed at a prompt, UTF-8.
    // `before` goes first in the command (a POSIX shell's).
    std::pair<int, std::string> run(const std::string &args, const std::string &before = "") const
    {
        const fs::path out = root_ / "out";
#ifdef _WIN32
        // Wide, so that arguments outside the ANSI code page arrive whole; cmd.exe takes off
        // the quotes around the whole line.
        const std::wstring line = L"\"\"" + kImporter.wstring() + L"\" " +
                                  files::pathFromText(args).wstring() + L" >\"" + out.wstring() +
                                  L"\" 2>&1\"";
        const int status = before.empty() ? ::_wsystem(line.c_str()) : -1;
#else
        const int raw = std::system(
            (before + "'" + kImporter.string() + "' " + args + " >'" + out.string() + "' 2>&1")
                .c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        std::string printed = readBytes(out);
        fs::remove(out);
        std::erase(printed, '\r'); // a Windows console's line ends
        return {status, printed};
    }
};

// The property whose value is the pair that holds the block at `place`, where that pair stands
// directly in the first top-level object, the mission; and how many top-level objects there are.
std::pair<std::string, int> listHolding(std::string_view text, const importer::BlockPlace &place)
{
    const std::size_t open = text.find('[', place.begin);
    std::string holder = "(not a list of the mission)";
    int objects = 0;
    std::vector<std::string_view> before; // the token before each "[" still open
    std::string_view previous;
    importer::ScriptReader reader(text);
    for (importer::ScriptToken t; reader.next(t); previous = t.text) {
        if (t.offset == open && before.size() == 2)
            holder = before[1];
        if (t.kind == importer::ScriptToken::Kind::Open) {
            objects += before.empty();
            before.push_back(previous);
        } else if (t.kind == importer::ScriptToken::Kind::Close && !before.empty()) {
            before.pop_back();
        }
    }
    return {holder, objects};
}

// Assembled with the editor's blocks, the stand-in pieces make one well-formed mission with his
// character block in its list of objects and his interface block in its list of interface
// blocks; it splits into the pieces again, even as saved by a tool that dropped the CRs. No piece
// uses his token, so no other object can be taken for his.
TEST_F(Import, TheShippedPiecesFitAroundTheBlocks)
{
    std::array<std::string, 3> stored;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::string name = "mis_1_" + std::to_string(k + 1) + ".dat";
        stored[k] = readBytes(kSourceDir / "tobrinmis" / name);
        writeBytes(workspace() / name, stored[k]);
        importer::ScriptReader reader(stored[k]);
        for (importer::ScriptToken t; reader.next(t);)
            EXPECT_NE(t.text, "COMANDO") << name << " at byte " << t.offset;
    }
    for (const auto v : {mission::kUnchecked, mission::kChecked, mission::kGreyed}) {
        mission::writeBlocks(ws(), mission::SheetValues::all(v), "COMANDO");
        mission::assemble(ws(), root_, "m.mis");
        std::string text = readBytes(root_ / "m.mis");
        const auto fault = import_test::checkScript(text);
        ASSERT_FALSE(fault) << fault->message << " at line " << fault->line;
        const auto split = importer::splitMission(text);
        EXPECT_EQ(import_test::storedPieces(text, split), stored);
        EXPECT_EQ(listHolding(text, split.character), std::pair(std::string(".OBJETOS"), 1));
        EXPECT_EQ(listHolding(text, split.interface), std::pair(std::string(".INTERFAZ"), 1));
        std::erase(text, '\r');
        EXPECT_EQ(import_test::storedPieces(text, importer::splitMission(text)), stored);
    }
}

// Brackets millions deep, one inside the other: read without recursion, which would overflow
// the stack long before, and with the blocks found wherever they lie, inside them too.
TEST_F(Import, DeepNesting)
{
    const std::size_t depth = 1000000, deeper = 5000000;
    const std::string inside = std::string(deeper, '[') + " " + kGb + " " + kSub + " ";
    const std::pair<std::string, std::string> cases[] = {
        {"[ .CLASS BICHOALIADO .TOKEN COMANDO .L " + std::string(depth, '[') +
             std::string(depth, ']') + " ]\r\n" + kSub,
         "character block: line 1, column 1 to line 1, column " + std::to_string(2 * depth + 41)},
        {inside + std::string(deeper, ']'),
         "interface block: line 1, column " + std::to_string(deeper + kGb.size() + 3) +
             " to line 1, column " + std::to_string(inside.size() - 1)},
    };
    for (const auto &[text, says] : cases) {
        writeBytes(root_ / "m.mis", text);
        const auto [status, printed] = run("--check m.mis");
        EXPECT_EQ(status, 0) << printed;
        EXPECT_NE(printed.find(says), std::string::npos) << printed;
    }
}

// Started from a prompt, or with its output going elsewhere, the program ends at once, without
// waiting for a key as it does in a window of its own.
TEST_F(Import, FromAPromptItEndsWithoutWaiting)
{
    const auto [status, printed] = run("");
    EXPECT_EQ(status, 2);
    EXPECT_NE(printed.find("no mission file was given"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Press any key"), std::string::npos) << printed;
}

// A mission read through a pipe, as "<(unzip -p ...)" gives it, whose size is not known until
// it ends.
TEST_F(Import, ThroughAPipe)
{
    const std::string before = filler(2 * files::kBlockSize + 7, "\n") + "\n";
    writeBytes(root_ / "m.mis", before + kMission);
#ifdef _WIN32
    GTEST_SKIP() << "needs a POSIX shell's pipe and /dev/stdin";
#endif
    const auto [status, printed] = run("/dev/stdin", "cat m.mis | ");
    ASSERT_EQ(status, 0) << printed;
    EXPECT_TRUE(readBytes(workspace() / "mis_1_1.dat") ==
                mission::joinLines(mission_test::splitLines(before)));
}

// A mission too large for the memory left: a plain message with the file and its size, its own
// exit status, and nothing written.
TEST_F(Import, NotEnoughMemory)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
    writeBytes(root_ / "big.mis", kMission);
    fs::resize_file(root_ / "big.mis", 2000000000); // sparse: no disk taken
    const Files before = snapshot(workspace());
#ifdef _WIN32
    GTEST_SKIP() << "needs a POSIX shell's memory limit (ulimit -v)";
#endif
    const auto [status, printed] = run("big.mis", "ulimit -v 262144 && ");
    EXPECT_EQ(status, 8) << printed;
    EXPECT_EQ(printed, "tobrins-mustrel-import: not enough memory to read \"big.mis\" "
                       "(2000000000 bytes); nothing was written\n");
    EXPECT_EQ(snapshot(workspace()), before);
}

TEST_F(Import, WritesThePiecesAndKeepsTheFirstOldOnesAsBak)
{
    Files want;
    for (const auto &[name, bytes] : snapshot(workspace()))
        want[name + ".bak"] = bytes;
        // A replaced piece keeps its mode, a new one gets that of an ordinary new file.
#ifndef _WIN32
    fs::permissions(workspace() / "mis_1_1.dat", fs::perms(0604));
#endif
    fs::remove(workspace() / "mis_1_3.dat");
    want.erase("mis_1_3.dat.bak");
    // Blocks inside lines, among tabs and a lone CR: a piece cut inside a line gets a line end.
    // The mission's name is outside ASCII (and outside any one ANSI code page on Windows): it
    // reaches the importer whole, and the report gives it back.
    const std::string name = "misi\xC3\xB3n \xCE\xA9.mis"; // "misión Ω.mis" in UTF-8
    writeBytes(root_ / files::pathFromText(name),
               "[ .A x\ry .O [ [ .T A ]\t" + kGb + "  [ .T B ] ]\n.I [\n\t" + kSub + " \t\n] ]\n");
    const auto [status, printed] = run("\"" + name + "\"");
    ASSERT_EQ(status, 0) << printed;
    want["mis_1_1.dat"] = "[ .A x\ry .O [ [ .T A ]\r\n";
    want["mis_1_2.dat"] = "[ .T B ] ]\r\n.I [\r\n";
    want["mis_1_3.dat"] = "] ]\r\n";
    // What the report says of a piece: its lines and bytes as written, and the backup if made.
    const auto wrote = [&](const std::string &piece, bool kept) {
        const std::string &bytes = want[piece];
        return "wrote " + files::pathText(workspace() / piece) + ": " +
               std::to_string(std::count(bytes.begin(), bytes.end(), '\n')) + " lines, " +
               std::to_string(bytes.size()) + " bytes" +
               (kept ? " (kept the old one as " + piece + ".bak)" : "") + "\n";
    };
    EXPECT_EQ(printed, name +
                           ": 4 lines\n"
                           "  character block: line 1, column 24 to line 1, column 60\n"
                           "  interface block: line 3, column 2 to line 3, column 42\n" +
                           wrote("mis_1_1.dat", true) + wrote("mis_1_2.dat", true) +
                           wrote("mis_1_3.dat", false));
    EXPECT_EQ(snapshot(workspace()), want);
#ifndef _WIN32
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(workspace() / "mis_1_1.dat").permissions(), fs::perms(0604));
    EXPECT_EQ(fs::status(workspace() / "mis_1_3.dat").permissions(), fs::perms(0666 & ~mask));
#endif

    // The first backups stay, and the report speaks of a backup only where one is made; nothing
    // but blanks around the blocks makes empty pieces, on the one line, which has no line end.
    writeBytes(root_ / "m.mis", kGb + " \t " + kSub);
    const auto [status2, printed2] = run("m.mis");
    ASSERT_EQ(status2, 0) << printed2;
    want["mis_1_3.dat.bak"] = want["mis_1_3.dat"]; // the first time it is replaced
    want["mis_1_1.dat"] = want["mis_1_2.dat"] = want["mis_1_3.dat"] = "";
    EXPECT_EQ(printed2, "m.mis: 1 lines\n"
                        "  character block: line 1, column 1 to line 1, column 37\n"
                        "  interface block: line 1, column 41 to line 1, column 81\n" +
                            wrote("mis_1_1.dat", false) + wrote("mis_1_2.dat", false) +
                            wrote("mis_1_3.dat", true));
    EXPECT_EQ(snapshot(workspace()), want);
}

// The option names the workspace; the one under the current folder is left alone.
TEST_F(Import, TheWorkspaceOptionNamesWhereThePiecesGo)
{
    writeBytes(root_ / "m.mis", kMission);
    fs::create_directory(root_ / "other");
    const Files before = snapshot(workspace());
    for (const std::string option : {"--workspace other", "--workspace=other"}) {
        writeBytes(root_ / "other" / "mis_1_1.dat", "old\r\n");
        const auto [status, printed] = run(option + " m.mis");
        EXPECT_EQ(status, 0) << printed;
        EXPECT_NE(printed.find("wrote " + files::pathText(fs::path("other") / "mis_1_1.dat")),
                  std::string::npos)
            << printed;
        EXPECT_EQ(readBytes(root_ / "other" / "mis_1_1.dat"), "");
    }
    EXPECT_EQ(snapshot(workspace()), before);
}

// The third piece cannot take its place once the first two have (the user may write it, but not
// replace it in a folder with the sticky bit that is not theirs): they get their previous content
// back. The backups made stay, holding the pieces as they still are. Where none of the pieces is
// the user's, the first cannot be replaced either, and the copies of previous content that the
// import kept meanwhile are its own, so that it can remove them: nothing else is left.
TEST_F(Import, AFailurePartWayPutsTheReplacedPiecesBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs another user, a folder with the sticky bit and setpriv";
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    writeBytes(root_ / "m.mis", kMission);
    fs::permissions(root_, fs::perms(0755));
    fs::permissions(workspace(), fs::perms(01777));
    const Files pieces = snapshot(workspace());
    for (const uid_t usersPieces : {65534, 0}) {
        Files want;
        for (const auto &[name, bytes] : pieces) {
            fs::remove(workspace() / (name + ".bak"));
            writeBytes(workspace() / name, want[name] = want[name + ".bak"] = bytes);
            fs::permissions(workspace() / name, fs::perms(0666));
            const uid_t owner = name < "mis_1_3" ? usersPieces : 0;
            ASSERT_EQ(::chown((workspace() / name).c_str(), owner, 0), 0);
        }
        const auto [status, printed] =
            run("m.mis", "setpriv --reuid=nobody --regid=nogroup --init-groups ");
        EXPECT_EQ(status, 7) << printed;
        const std::string failed = usersPieces == 0 ? "mis_1_1.dat" : "mis_1_3.dat";
        EXPECT_NE(printed.find(failed + "\": Operation not permitted"), std::string::npos)
            << printed;
        EXPECT_EQ(snapshot(workspace()), want);
    }
#endif
}

// A piece that is a link is written through it: the file it names takes the piece, the link
// stays, and the old piece is kept beside that file, where the report says it is.
TEST_F(Import, APieceThatIsALinkKeepsItsBackupBesideTheFileItNames)
{
    fs::create_directory(root_ / "elsewhere");
    fs::rename(workspace() / "mis_1_2.dat", root_ / "elsewhere/real.dat");
    try {
        fs::create_symlink("../elsewhere/real.dat", workspace() / "mis_1_2.dat");
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot make a symbolic link here: " << e.what();
    }
    writeBytes(root_ / "m.mis", kMission);
    const std::string bak = files::pathText(root_ / "elsewhere/real.dat.bak");
    const auto [status, printed] = run("m.mis");
    EXPECT_EQ(status, 0) << printed;
    EXPECT_NE(printed.find("mis_1_2.dat: 0 lines, 0 bytes (kept the old one as " + bak + ")\n"),
              std::string::npos)
        << printed;
    EXPECT_EQ(readBytes(bak), "old mis_1_2.dat\r\n");
    EXPECT_EQ(fs::read_symlink(workspace() / "mis_1_2.dat"), "../elsewhere/real.dat");
    EXPECT_EQ(snapshot(workspace()).count("mis_1_2.dat.bak"), 0u);
}

// Refusals and --check: the status, what it says, the workspace as it was.
struct Outcome {
    const char *name;
    std::string args;
    int status;
    std::string says;
    std::string mission = kMission; // in m.mis
    void (*setup)() = nullptr;
    const char *never = "wrote"; // nothing was written, so the report never says so
};

// The case's name, not its bytes, in the test's name and in failure messages.
void PrintTo(const Outcome &c, std::ostream *os)
{
    *os << c.name;
}

// clang-format off
const Outcome kOutcomes[] = {
    {"Check", "--check m.mis", 0, "mis_1_3.dat: 0 lines, 0 bytes (would keep the old one as mis_1_3.dat.bak)\nnothing written (--check)"},
    {"Missing", "absent.mis", 3, "could not read \"absent.mis\": No such file or directory"},
    {"Folder", "tobrinmis", 3, "\"tobrinmis\": Is a directory"},
    {"NotWellFormed", "m.mis", 4,
     "\"m.mis\": it is not well formed: line 1, column 6: \"[\" is never closed",
     "[ .O [\n  " + kGb + "\n" + kSub},
    // Only direct properties count, a property's value is the item right after it, and
    // SUBINTERFACEALIADO counts only as a pair's first item, with an object as the very next.
    {"NoCharacterBlock", "--check m.mis", 5, "\"m.mis\": it has no Green Beret character block",
     "[ .CLASS BICHOALIADO .G [ .TOKEN COMANDO ] ] [ .CLASS MACRO .TOKEN COMANDO ] "
     "[ .CLASS [ x ] BICHOALIADO .TOKEN COMANDO ] " + kSub},
    {"NoInterfaceBlock", "m.mis", 5, "it has no Green Beret interface block",
     kGb + "[ SUBINTERFACEALIADO .TOKEN COMANDO ]" +
         "[ SUBINTERFACEALIADO [ .I [ [ .TOKEN COMANDO ] ] ] ]" +
         "[ SUBINTERFACEALIADO a b c d [ .TOKEN COMANDO ] ]" +
         "[ .I [ .TOKEN COMANDO ] SUBINTERFACEALIADO ]"},
    {"TwoCharacterBlocks", "m.mis", 5,
     "2 Green Beret character blocks, at line 1, column 1 and line 2, column 3",
     kGb + "\n  " + kGb + "\n" + kSub},
    {"ManyCharacterBlocks", "m.mis", 5,
     "it has 7 Green Beret character blocks, at line 1, column 1, line 2, column 1, line 3, "
     "column 1, line 4, column 1, line 5, column 1 and 2 more; the editor needs exactly one",
     [] { std::string m; for (int k = 0; k < 7; ++k) m += kGb + "\n"; return m + kSub; }()},
    {"TwoInterfaceBlocks", "m.mis", 5,
     "2 Green Beret interface blocks, at line 1, column 38 and line 2, column 1",
     kGb + kSub + "\n" + kSub},
    {"InterfaceInsideCharacter", "m.mis", 5, "lies inside the character block",
     "[ .CLASS BICHOALIADO .TOKEN COMANDO .I " + kSub + " ]"},
    {"OutOfOrder", "m.mis", 5,
     "the interface block (line 1, column 1) comes before the character block", kSub + kGb},
    {"PieceIsAFolder", "m.mis", 7, "mis_1_3.dat\": Is a directory", kMission,
     [] {
         fs::remove("tobrinmis/mis_1_3.dat");
         fs::create_directories("tobrinmis/mis_1_3.dat/x");
     }},
    // What stands in a backup's place is no backup: not even --check gives its approval.
    {"BackupIsAFolder", "m.mis", 7, "mis_1_2.dat.bak\": Is a directory", kMission,
     [] { fs::create_directory("tobrinmis/mis_1_2.dat.bak"); }},
    {"BackupIsALink", "--check m.mis", 7, "mis_1_3.dat.bak\": it is a symbolic link, not a file",
     kMission, [] { fs::create_symlink("gone", "tobrinmis/mis_1_3.dat.bak"); }},
    // Nothing that is not a regular file as a piece, not the mission file itself, not one file
    // twice; nor a device as the mission, which could be endless.
    {"PieceIsANamedPipe", "m.mis", 7, "mis_1_2.dat\": it is not a regular file", kMission,
     [] {
         fs::remove("tobrinmis/mis_1_2.dat");
         files_test::makeFifo("tobrinmis/mis_1_2.dat");
     }},
    {"PieceIsTheMission", "m.mis", 7, "mis_1_3.dat\": it is the mission file being imported",
     kMission, [] {
         fs::remove("tobrinmis/mis_1_3.dat");
         fs::create_symlink("../m.mis", "tobrinmis/mis_1_3.dat");
     }},
    {"TwoPiecesOneFile", "m.mis", 7, "mis_1_2.dat\": it is the same file as", kMission,
     [] {
         fs::remove("tobrinmis/mis_1_2.dat");
         fs::create_hard_link("tobrinmis/mis_1_1.dat", "tobrinmis/mis_1_2.dat");
     }},
    // Two links to one file that is not there yet: writing one piece would replace the other.
    {"TwoPiecesOneMissingFile", "m.mis", 7, "mis_1_2.dat\": it is the same file as", kMission,
     [] {
         fs::remove("tobrinmis/mis_1_1.dat");
         fs::remove("tobrinmis/mis_1_2.dat");
         fs::create_symlink("../shared.dat", "tobrinmis/mis_1_1.dat");
         fs::create_symlink("../shared.dat", "tobrinmis/mis_1_2.dat");
     }},
    // A read that fails part-way is no end of the file (/proc/self/mem fails at its start).
    {"ReadError", "--check /proc/self/mem", 3, "could not read \"/proc/self/mem\": Input/output error",
     kMission, [] {
#ifdef _WIN32 // Wine shows this machine's /proc, but not as a Windows program's memory
         throw fs::filesystem_error("no /proc/self/mem on Windows", std::error_code());
#endif
         if (!fs::exists("/proc/self/mem"))
             throw fs::filesystem_error("no /proc/self/mem here", std::error_code());
     }, "lines"},
    {"EndlessDevice", "--check /dev/zero", 3, "\"/dev/zero\": it is not a regular file",
     kMission, [] { files_test::makeFifo(""); }},
    {"NoWorkspace", "m.mis", 7, "tobrinmis\": there is no such folder", kMission,
     [] { fs::rename("tobrinmis", "elsewhere"); }},
    {"NamedWorkspaceMissingChecked", "--check --workspace none m.mis", 7,
     "an import would stop at \"none\": there is no such folder"},
};
// clang-format on

class ImportOutcome : public Import, public testing::WithParamInterface<Outcome>
{
};

TEST_P(ImportOutcome, LeavesTheWorkspaceAsItWas)
{
    const Outcome &c = GetParam();
    writeBytes(root_ / "m.mis", c.mission);
    try {
        if (c.setup)
            c.setup();
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot set the case up here: " << e.what(); // links under Wine
    }
    const Files before = snapshot(workspace());
    const auto [status, printed] = run(c.args);
    EXPECT_EQ(status, c.status) << printed;
    EXPECT_NE(printed.find(c.says), std::string::npos) << printed;
    EXPECT_EQ(printed.find(c.never), std::string::npos) << printed;
    if (c.args.starts_with("--check")) { // it writes nothing, so it cannot fail to
        EXPECT_EQ(printed.find("could not write"), std::string::npos) << printed;
    }
    EXPECT_EQ(snapshot(workspace()), before);
    EXPECT_EQ(readBytes(root_ / "m.mis"), c.mission);
}

INSTANTIATE_TEST_SUITE_P(Cases, ImportOutcome, testing::ValuesIn(kOutcomes),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
