#include "assembly.h"

#include "blockfiles.h"
#include "error.h"
#include "inputfile.h"
#include "pathtext.h"
#include "platform.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <functional>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
const char *const kNoEntry = "No such file or directory";
#ifndef _WIN32
// The unprivileged user and group that permission cases act as.
constexpr uid_t kNobody = 65534;
#endif
// The longest name the test's folders take; a name whose "<name>.bak" would be one too long.
const auto kNameMax = mission::platform::maxNameLength(fs::temp_directory_path());
const std::string kBakTooLong(kNameMax - 3, 'b'), kBakTooLongPath = "out/" + kBakTooLong + ".bak";

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
    const std::size_t b = mission::kBlockSize;
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
        mission::assemble(out_, "m.mis");
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
        mission::assemble(out_, name);
        want[name] = kMission;
    }
    // One separator between the folder and the name, whether the folder ends with one or not.
    EXPECT_EQ(mission::missionPath("out", "a").string(), "out" + separator + "a");
    EXPECT_EQ(mission::missionPath("out/", "a").string(), "out/a");
    EXPECT_EQ(snapshot(out_), want);

    for (const std::string v : {"v2", "v3"}) {
        writeSources({v, "", "", "", ""});
        mission::assemble(out_, "noext");
        want["noext"] = v + "\r\n";
        want["noext.bak"] = kMission;
        EXPECT_EQ(snapshot(out_), want);
    }
}

// A symbolic link as the mission file stays a link, however many links lead on: the file it
// finally names takes the mission, and is made if it is not there yet; the first file replaced is
// kept beside itself.
TEST_F(Assembly, ALinkStaysAndTheFileItNamesTakesTheMission)
{
    writeSources(kSources);
    fs::create_directory("real");
    mission_test::writeBytes("real/old.mis", "old\r\n");
    try {
        for (const auto &[link, to] : {std::pair{"chain.mis", "hop.mis"},
                                       {"hop.mis", "../real/new.mis"},
                                       {"old.mis", "../real/old.mis"}})
            fs::create_symlink(to, out_ / link);
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot make a symbolic link here: " << e.what();
    }
    for (const char *name : {"chain.mis", "old.mis"}) {
        mission::assemble(out_, name);
        EXPECT_TRUE(fs::is_symlink(out_ / name) &&
                    !fs::exists(out_ / (name + std::string(".bak"))));
    }
    const Files real = {{"new.mis", kMission}, {"old.mis", kMission}, {"old.mis.bak", "old\r\n"}};
    EXPECT_EQ(snapshot(root_ / "real"), real);
}

// A new mission file or block file gets the mode an ordinary new file gets, 0666 less the umask;
// a file replaced keeps its own mode, and its owner and group where the system allows it: a save
// as root over a user's file leaves it the user's.
TEST_F(Assembly, NewFilesFollowTheUmaskReplacedOnesKeepTheirModeAndOwner)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits, no umask and no owner to keep";
#else
    writeSources(kSources);
    const auto modeOf = [](const fs::path &p) {
        return static_cast<unsigned>(fs::status(p).permissions() & fs::perms::mask);
    };
    // A mask unlike both the usual one and the private mode a temporary file is made with.
    const mode_t previous = ::umask(0027);
    fs::remove(out_ / "m.mis");
    fs::remove(workspace() / "gb.tmp");
    mission::writeBlocks({}, "COMANDO");
    mission::assemble(out_, "m.mis");
    EXPECT_EQ(modeOf(out_ / "m.mis"), 0640u);
    EXPECT_EQ(modeOf(workspace() / "gb.tmp"), 0640u);
    ::umask(0077);
    fs::permissions(out_ / "m.mis", fs::perms(0604));
    fs::permissions(workspace() / "gb.tmp", fs::perms(0604));
    const bool root = ::geteuid() == 0;
    for (const fs::path &p : {out_ / "m.mis", workspace() / "gb.tmp"})
        ASSERT_TRUE(!root || ::chown(p.c_str(), kNobody, kNobody) == 0);
    mission::assemble(out_, "m.mis");
    mission::writeBlocks({}, "COMANDO");
    ::umask(previous);
    EXPECT_EQ(modeOf(out_ / "m.mis"), 0604u);
    EXPECT_EQ(modeOf(workspace() / "gb.tmp"), 0604u);
    for (const fs::path &p : {out_ / "m.mis", workspace() / "gb.tmp"}) {
        struct stat st {
        };
        EXPECT_TRUE(::stat(p.c_str(), &st) == 0 && st.st_uid == (root ? kNobody : ::geteuid()) &&
                    st.st_gid == (root ? kNobody : ::getegid()))
            << p;
    }
#endif
}

// A user who may not write a file cannot have a save replace it either: the save is refused as
// opening the file would be, and changes nothing. Run as an unprivileged user, since root may
// write anything; an unprotected file beside it shows that the user may save there.
TEST_F(Assembly, AProtectedFileIsRefusedAsOpeningItWouldBe)
{
    writeSources(kSources);
#ifdef _WIN32
    // Windows: a read-only file, and one that another program has open without letting it be
    // removed (as most programs open files), which the rename could not replace. Refused before
    // the backup is made.
    const Files before = snapshot(out_);
    fs::permissions(out_ / "m.mis",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    try {
        mission::assemble("out", "m.mis");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const mission::Error &e) {
        EXPECT_EQ(std::string(e.what()), "could not write \"out\\m.mis\": Permission denied");
    }
    fs::permissions(out_ / "m.mis", fs::perms::owner_write, fs::perm_options::add);
    std::ifstream held(out_ / "m.mis");
    ASSERT_TRUE(held.is_open());
    EXPECT_THROW(mission::assemble("out", "m.mis"), mission::Error);
    held.close();
    EXPECT_EQ(snapshot(out_), before);
    mission::assemble("out", "m.mis");
    EXPECT_EQ(readBytes(out_ / "m.mis"), kMission);
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    fs::permissions(root_, fs::perms(0755));
    fs::permissions(out_, fs::perms(0777));
    fs::permissions(out_ / "m.mis", fs::perms(0444));
    const auto asNobody = [](const char *name) {
        if (::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            try {
                mission::assemble("out", name);
                ::_exit(0);
            } catch (const mission::Error &e) {
                std::cerr << e.what();
            }
        ::_exit(3);
    };
    EXPECT_EXIT(asNobody("m.mis"), ::testing::ExitedWithCode(3),
                "^could not write \"out/m.mis\": Permission denied$");
    EXPECT_EXIT(asNobody("free.mis"), ::testing::ExitedWithCode(0), "");
#endif
}

// A refused or failed save names the path and the reason and changes nothing: no temporary
// file, no .bak. A workspace file as the target, however spelled, is refused before any write.
struct Failure {
    const char *name, *folder, *file, *reason;
    const char *path = nullptr; // from the test's folder; none: the target
    std::function<void()> setup = {};
};

// The case's name, not its bytes, in the test's name and in failure messages.
void PrintTo(const Failure &c, std::ostream *os)
{
    *os << c.name;
}

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
    // Only a file counts as the backup already kept; anything else in its place is no backup.
    {"BakIsAFolder",      "out",              "m.mis",       "Is a directory", "out/m.mis.bak",
     [] { fs::create_directory("out/m.mis.bak"); }},
    {"BakIsADanglingLink", "out",             "m.mis",       "it is a symbolic link, not a file",
     "out/m.mis.bak", [] { fs::create_symlink("gone.mis", "out/m.mis.bak"); }},
    {"BakNameTooLong",    "out",    kBakTooLong.c_str(),     "File name too long",
     kBakTooLongPath.c_str(), [] { mission_test::writeBytes("out/" + kBakTooLong, "old"); }},
    {"LinkLoop",          "out",              "loop.mis",    "Too many levels of symbolic links",
     nullptr, [] { fs::create_symlink("loop.mis", "out/loop.mis"); }},
    {"LinkToNoFolder",    "out",              "l.mis",       kNoEntry, "real/x.mis",
     [] { fs::create_symlink("../real/x.mis", "out/l.mis"); }},
};
// clang-format on

class AssemblyFailure : public Assembly, public ::testing::WithParamInterface<Failure>
{
};

TEST_P(AssemblyFailure, NamesThePathAndChangesNothing)
{
    const Failure &c = GetParam();
    // Larger than a read block, so that some of the file is written before a later piece fails.
    writeSources({std::string(mission::kBlockSize + 1, 'a'), "g\r\n", "b\r\n", "s\r\n", "c\r\n"});
    try {
        if (c.setup)
            c.setup();
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot set the case up here: " << e.what(); // links under Wine
    }
    const Files out = snapshot(out_), sources = snapshot(workspace());
    try {
        mission::assemble(c.folder, c.file);
        ADD_FAILURE() << "the save succeeded";
    } catch (const mission::Error &e) {
        EXPECT_EQ(fs::absolute(e.path()).lexically_normal(),
                  (root_ / (c.path ? c.path : fs::path(c.folder) / c.file)).lexically_normal());
        EXPECT_NE(std::string(e.what()).find('"' + mission::pathText(e.path()) + "\": "),
                  std::string::npos);
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(snapshot(out_), out);
    EXPECT_EQ(snapshot(workspace()), sources);
}

INSTANTIATE_TEST_SUITE_P(Cases, AssemblyFailure, ::testing::ValuesIn(kFailures),
                         [](const auto &info) { return std::string(info.param.name); });

// After the writing began: the disk fills up part-way (a child process may write 4 KiB at most,
// and does not ignore the signal that the limit raises), or the new file cannot take the place of
// the old, immutable one. The save fails with the reason; the previous mission stays, with no
// temporary file and no .bak.
TEST_F(Assembly, FailuresAfterTheWritingBeganLeaveThePreviousMission)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs fork, a file-size limit and the immutable flag, which Windows lacks; "
                    "MissingLastPiece fails part-way there";
#else
    writeSources(Lines(5, std::string(9000, 'x') + "\r\n"));
    const Files before = snapshot(out_);
    const auto fillUp = [] {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            mission::assemble("out", "m.mis");
        } catch (const mission::Error &e) {
            std::cerr << e.what();
            ::_exit(3);
        }
    };
    EXPECT_EXIT(fillUp(), ::testing::ExitedWithCode(3), "\"out/m.mis\": File too large$");
    EXPECT_EQ(snapshot(out_), before);

    const int fd = ::open((out_ / "m.mis").c_str(), O_RDONLY);
    int flags = 0, immutable = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        ::ioctl(fd, FS_IOC_SETFLAGS, &(immutable = flags | FS_IMMUTABLE_FL)) != 0) {
        ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here";
    }
    EXPECT_THROW(mission::assemble(out_, "m.mis"), mission::Error);
    const Files after = snapshot(out_);
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_EQ(after, before);
#endif
}

} // namespace
