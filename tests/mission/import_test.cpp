// The importer as a user runs it: tobrins-mustrel-import in a folder that holds a workspace.

#include "atomicfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{

constexpr const char *kGb = "[ .CLASS BICHOALIADO .TOKEN COMANDO ]";
constexpr const char *kSub = "[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]";

// A small mission in the editor's layout and the pieces it makes.
const std::string kMission =
    std::string("[\r\n.OBJETOS [\r\n") + kGb + "\r\n]\r\n.INTERFAZ [\r\n" + kSub + "\r\n]\r\n]\r\n";
const std::map<std::string, std::string> kImported = {
    {"mis_1_1.dat", "[\r\n.OBJETOS [\r\n" },
    {"mis_1_2.dat", "]\r\n.INTERFAZ [\r\n"},
    {"mis_1_3.dat", "]\r\n]\r\n"          },
};
const std::map<std::string, std::string> kOld = {
    {"mis_1_1.dat", "old one\r\n"  },
    {"mis_1_2.dat", "old two\r\n"  },
    {"mis_1_3.dat", "old three\r\n"},
};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class Importer : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(testing::TempDir()) / "import-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir_ = pattern;
        fs::create_directory(dir_ / "tobrinmis");
        for (const auto &[name, bytes] : kOld)
            write(dir_ / "tobrinmis" / name, bytes);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static void write(const fs::path &path, const std::string &bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // The workspace folder: every name with the content of the files.
    std::map<std::string, std::string> workspace() const
    {
        std::map<std::string, std::string> files;
        for (const auto &e : fs::directory_iterator(dir_ / "tobrinmis"))
            files[e.path().filename().string()] =
                e.is_regular_file() ? mission::readFile(e.path()) : "(folder)";
        return files;
    }

    Outcome run(const std::string &args) const
    {
        const std::string command =
            "cd '" + dir_.string() + "' && '" TM_IMPORT_PROGRAM "' " + args + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, mission::readFile(dir_ / "out.txt"),
                  mission::readFile(dir_ / "err.txt")};
        fs::remove(dir_ / "out.txt");
        fs::remove(dir_ / "err.txt");
        return r;
    }

    fs::path dir_;
};

TEST_F(Importer, WritesThePiecesAndKeepsTheFirstOldOnes)
{
    write(dir_ / "m.mis", kMission);
    const Outcome first = run("m.mis");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("line 3, column 1 to line 3, column 37"), std::string::npos)
        << first.out;
    auto want = kImported;
    for (const auto &[name, bytes] : kOld)
        want[name + ".bak"] = bytes;
    EXPECT_EQ(workspace(), want);
    EXPECT_EQ(mission::readFile(dir_ / "m.mis"), kMission);

    // A second import replaces the pieces and leaves the first backups alone.
    write(dir_ / "m.mis", std::string("[ .A 1 ") + kGb + " .B 2 " + kSub + " .C 3 ]");
    ASSERT_EQ(run("m.mis").status, 0);
    want["mis_1_1.dat"] = "[ .A 1\r\n";
    want["mis_1_2.dat"] = ".B 2\r\n";
    want["mis_1_3.dat"] = ".C 3 ]\r\n";
    EXPECT_EQ(workspace(), want);
}

TEST_F(Importer, CheckWritesNothing)
{
    write(dir_ / "m.mis", kMission);
    const Outcome r = run("--check m.mis");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("would write"), std::string::npos) << r.out;
    EXPECT_EQ(workspace(), kOld);
}

TEST_F(Importer, FailureHalfWayLeavesTheOldPieces)
{
    // The third piece cannot be replaced: a folder with something in it stands in its place,
    // so the first two are already renamed when it fails.
    fs::remove(dir_ / "tobrinmis" / "mis_1_3.dat");
    fs::create_directories(dir_ / "tobrinmis" / "mis_1_3.dat" / "x");
    write(dir_ / "m.mis", kMission);
    const Outcome r = run("m.mis");
    EXPECT_EQ(r.status, 7);
    EXPECT_NE(r.err.find("mis_1_3.dat\": Is a directory"), std::string::npos) << r.err;
    auto want = kOld;
    want["mis_1_3.dat"] = "(folder)";
    EXPECT_EQ(workspace(), want);
}

TEST_F(Importer, OutsideAWorkspaceSaysWhereToRunIt)
{
    fs::remove_all(dir_ / "tobrinmis");
    write(dir_ / "m.mis", kMission);
    const Outcome r = run("m.mis");
    EXPECT_EQ(r.status, 7);
    EXPECT_NE(r.err.find("tobrinmis\": there is no such folder here"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "tobrinmis"));
}

// Each refusal: its exit status and message, and the workspace untouched.
struct Refusal {
    const char *name;
    std::optional<std::string> mission; // written as m.mis; none: no such file
    std::string args;
    int status;
    std::string says;
};

class ImporterRefusals : public Importer, public testing::WithParamInterface<Refusal>
{
};

TEST_P(ImporterRefusals, LeaveTheWorkspaceAlone)
{
    const Refusal &r = GetParam();
    if (r.mission)
        write(dir_ / "m.mis", *r.mission);
    const Outcome got = run(r.args);
    EXPECT_EQ(got.status, r.status);
    EXPECT_NE(got.err.find(r.says), std::string::npos) << got.err;
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(workspace(), kOld);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImporterRefusals,
    testing::Values(
        Refusal{"NoFile", std::nullopt, "", 2, "no mission file was given"},
        Refusal{"UnknownOption", kMission, "--force m.mis", 2, "unknown option \"--force\""},
        Refusal{"Missing", std::nullopt, "m.mis", 3,
                "could not read \"m.mis\": No such file or directory"},
        Refusal{"Folder", std::nullopt, "tobrinmis", 3, "\"tobrinmis\": Is a directory"},
        Refusal{"NotWellFormed", "[ .OBJETOS [\n  " + std::string(kGb) + "\n" + kSub, "m.mis", 4,
                "\"m.mis\": it is not well formed: line 1, column 12: \"[\" is never closed"},
        Refusal{"NoGreenBeret", "[ .OBJETOS [ ] ]", "--check m.mis", 5,
                "\"m.mis\": it has no Green Beret character block"},
        Refusal{"TwoInterfaceBlocks", std::string(kGb) + kSub + "\n" + kSub, "m.mis", 5,
                "it has 2 Green Beret interface blocks, at line 1, column 38 and line 2, column 1"},
        Refusal{"OutOfOrder", std::string(kSub) + kGb, "m.mis", 5,
                "the interface block (line 1, column 1) comes before the character block"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
