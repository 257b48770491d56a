#include "assembly.h"

#include "error.h"
#include "inputfile.h"
#include "interfaceblock.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
// The unprivileged user and group that permission cases act as.
constexpr uid_t kNobody = 65534;

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
    for (const char *name : {"Mapa0001.mis", "noext", " spaced .mis ", "dots.", ".hidden"}) {
        mission::assemble(out_, name);
        want[name] = kMission;
    }
    // One separator between the folder and the name, whether the folder ends with one or not.
    EXPECT_EQ(mission::missionPath("out", "a").string(), "out/a");
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

// A symbolic link as the mission file stays a link, however it is spelled and however many
// links lead on: the file it finally names takes the mission, and is made if it is not there
// yet; the first file replaced is kept beside itself. A link that leads nowhere it could write
// is refused with the reason, and stays.
TEST_F(Assembly, ALinkStaysAndTheFileItNamesTakesTheMission)
{
    writeSources(kSources);
    fs::create_directory("real");
    mission_test::writeBytes("real/old.mis", "old\r\n");
    const std::pair<const char *, fs::path> links[] = {
        {"new.mis", "../real/new.mis"},     {"chain.mis", "hop.mis"},
        {"hop.mis", "../real/chained.mis"}, {"old.mis", root_ / "real/old.mis"},
        {"loop.mis", "loop.mis"},           {"nodir.mis", "../real/none/x.mis"},
    };
    for (const auto &[link, to] : links)
        fs::create_symlink(to, out_ / link);
    Files out = snapshot(out_);
    for (const char *name : {"new.mis", "chain.mis", "old.mis"})
        EXPECT_NO_THROW(mission::assemble(out_, name)) << name;
    for (const auto &[name, reason] : {std::pair{"loop.mis", "Too many levels of symbolic links"},
                                       std::pair{"nodir.mis", kNoEntry}}) {
        try {
            mission::assemble(out_, name);
            ADD_FAILURE() << name << " was written";
        } catch (const mission::Error &e) {
            EXPECT_EQ(e.reason(), reason) << e.what();
        }
    }
    EXPECT_EQ(snapshot(out_), out);
    const Files real = {{"new.mis", kMission},
                        {"chained.mis", kMission},
                        {"old.mis", kMission},
                        {"old.mis.bak", "old\r\n"}};
    EXPECT_EQ(snapshot(root_ / "real"), real);
}

// A new mission file or block file gets the mode an ordinary new file gets, 0666 less the umask;
// a file replaced keeps its own mode, and its owner and group where the system allows it: a save
// as root over a user's file leaves it the user's.
TEST_F(Assembly, NewFilesFollowTheUmaskReplacedOnesKeepTheirModeAndOwner)
{
    writeSources(kSources);
    const auto modeOf = [](const fs::path &p) {
        return static_cast<unsigned>(fs::status(p).permissions() & fs::perms::mask);
    };
    const mode_t previous = ::umask(0);
    for (const mode_t mask : {0022, 0077, 0}) {
        ::umask(mask);
        fs::remove(out_ / "m.mis");
        fs::remove(workspace() / "gb.tmp");
        mission::writeBlocks({}, "COMANDO");
        mission::assemble(out_, "m.mis");
        EXPECT_EQ(modeOf(out_ / "m.mis"), 0666 & ~mask) << std::oct << mask;
        EXPECT_EQ(modeOf(workspace() / "gb.tmp"), 0666 & ~mask) << std::oct << mask;
    }
    ::umask(0077);
    fs::permissions(out_ / "m.mis", fs::perms(0640));
    fs::permissions(workspace() / "gb.tmp", fs::perms(0604));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((out_ / "m.mis").c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown((workspace() / "gb.tmp").c_str(), kNobody, kNobody), 0);
    }
    mission::assemble(out_, "m.mis");
    mission::writeBlocks({}, "COMANDO");
    ::umask(previous);
    EXPECT_EQ(modeOf(out_ / "m.mis"), 0640u);
    EXPECT_EQ(modeOf(workspace() / "gb.tmp"), 0604u);
    for (const fs::path &p : {out_ / "m.mis", workspace() / "gb.tmp"}) {
        struct stat st {
        };
        ASSERT_EQ(::stat(p.c_str(), &st), 0);
        const uid_t owner = root ? kNobody : ::geteuid();
        EXPECT_EQ(st.st_uid, owner) << p;
        EXPECT_EQ(st.st_gid, root ? kNobody : ::getegid()) << p;
    }
}

// A user who may not write a file cannot have a save replace it either: the save is refused as
// opening the file would be, and changes nothing. Run as an unprivileged user, since root may
// write anything; beside the protected files, an unprotected one shows that user can save.
TEST_F(Assembly, AProtectedFileIsRefusedAsOpeningItWouldBe)
{
    writeSources(kSources);
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    fs::permissions(root_, fs::perms(0755));
    for (const fs::path &folder : {out_, workspace()})
        fs::permissions(folder, fs::perms(0777));
    fs::permissions(out_ / "m.mis", fs::perms(0444));
    fs::permissions(workspace() / "gb.tmp", fs::perms(0444));
    const Files out = snapshot(out_), sources = snapshot(workspace());
    const auto asNobody = [](const std::function<void()> &save) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        try {
            save();
        } catch (const mission::Error &e) {
            std::cerr << e.what();
            ::_exit(3);
        }
        ::_exit(0);
    };
    EXPECT_EXIT(asNobody([] { mission::assemble("out", "m.mis"); }), ::testing::ExitedWithCode(3),
                "^could not write \"out/m.mis\": Permission denied$");
    EXPECT_EXIT(asNobody([] { mission::writeBlocks({}, "COMANDO"); }), ::testing::ExitedWithCode(3),
                "/gb.tmp\": Permission denied$");
    EXPECT_EQ(snapshot(out_), out);
    EXPECT_EQ(snapshot(workspace()), sources);
    EXPECT_EXIT(asNobody([] { mission::assemble("out", "free.mis"); }),
                ::testing::ExitedWithCode(0), "");
}

// Every name the system takes can be saved: the temporary file's name never makes it too long.
// Only replacing a file whose "<name>.bak" would be too long is refused, naming the backup, so
// that no save replaces a file without keeping it.
TEST_F(Assembly, EveryNameTheSystemTakesCanBeSaved)
{
    writeSources(kSources);
    const auto max = static_cast<std::size_t>(::pathconf(out_.c_str(), _PC_NAME_MAX));
    for (const std::size_t length : {max - 8, max - 7, max - 4, max - 3, max}) {
        const std::string name(length, 'n');
        for (const bool existed : {false, true}) {
            const std::string what = std::to_string(length) + (existed ? " replaced" : " new");
            fs::remove_all(out_);
            fs::create_directory(out_);
            if (existed)
                mission_test::writeBytes(out_ / name, "old\r\n");
            Files want = snapshot(out_);
            const bool refused = existed && length + 4 > max;
            try {
                mission::assemble(out_, name);
                want[name] = kMission;
                if (existed)
                    want[name + ".bak"] = "old\r\n";
                EXPECT_FALSE(refused) << what;
            } catch (const mission::Error &e) {
                EXPECT_TRUE(refused) << what << ": " << e.what();
                EXPECT_EQ(e.path(), out_ / (name + ".bak")) << what;
                EXPECT_EQ(e.reason(), "File name too long") << what;
            }
            EXPECT_EQ(snapshot(out_), want) << what;
        }
    }
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
    if (c.setup)
        c.setup();
    const Files out = snapshot(out_), sources = snapshot(workspace());
    try {
        mission::assemble(c.folder, c.file);
        ADD_FAILURE() << "the save succeeded";
    } catch (const mission::Error &e) {
        EXPECT_EQ(fs::absolute(e.path()), root_ / (c.path ? c.path : fs::path(c.folder) / c.file));
        EXPECT_NE(std::string(e.what()).find('"' + e.path().string() + "\": "), std::string::npos);
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
}

} // namespace
