// Saving one file: what is replaced, what is refused, and what stays as it was.
#include "atomicfile.h"

#include "blocksize.h"
#include "casetable.h"
#include "error.h"
#include "folder_fixture.h"
#include "pathtext.h"
#include "probes.h"
#include "savetarget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <set>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#else
#include <windows.h>

#include <sddl.h>
#endif

using files::AtomicFile;
using namespace files_test;
namespace fs = std::filesystem;

namespace
{

#ifndef _WIN32
// The unprivileged user and group that permission cases act as.
constexpr uid_t kNobody = 65534;
#endif

// Saves `content` as `target`, keeping the first original.
void save(const fs::path &target, const std::string &content,
          AtomicFile::Backup backup = AtomicFile::Backup::KeepFirst)
{
    AtomicFile file(target, backup);
    file.write(content);
    file.commit();
}

class Save : public files_test::FolderTest
{
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        fs::create_directory(out_ = root_ / "out");
        writeBytes(out_ / "m.mis", "previous\r\n");
    }
    fs::path out_;
};

// A symbolic link as the target stays a link, however many links lead on: the file it finally
// names is replaced, and is made if it is not there yet; the first file replaced is kept beside
// itself.
TEST_F(Save, ALinkStaysAndTheFileItNamesIsReplaced)
{
    fs::create_directory("real");
    writeBytes("real/old.mis", "old\r\n");
    try {
        for (const auto &[link, to] : {std::pair{"chain.mis", "hop.mis"},
                                       {"hop.mis", "../real/new.mis"},
                                       {"old.mis", "../real/old.mis"}})
            fs::create_symlink(to, out_ / link);
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot make a symbolic link here: " << e.what();
    }
    for (const char *name : {"chain.mis", "old.mis"}) {
        save(out_ / name, "new\r\n");
        EXPECT_TRUE(fs::is_symlink(out_ / name) &&
                    !fs::exists(out_ / (name + std::string(".bak"))));
    }
    const Files real = {{"new.mis", "new\r\n"}, {"old.mis", "new\r\n"}, {"old.mis.bak", "old\r\n"}};
    EXPECT_EQ(snapshot(root_ / "real"), real);
}

// A new file gets the mode an ordinary new file gets, 0666 less the umask; a file replaced keeps
// its own mode, and its owner and group where the system allows it: a save as root over a user's
// file leaves it the user's.
TEST_F(Save, NewFilesFollowTheUmaskReplacedOnesKeepTheirModeAndOwner)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits, no umask and no owner to keep";
#else
    const auto modeOf = [](const fs::path &p) {
        return static_cast<unsigned>(fs::status(p).permissions() & fs::perms::mask);
    };
    const fs::path kept = out_ / "m.mis", plain = out_ / "gb.tmp";
    const auto saveBoth = [&] {
        save(kept, "m");
        save(plain, "g", AtomicFile::Backup::None);
    };
    // A mask unlike both the usual one and the private mode a temporary file is made with.
    const mode_t previous = ::umask(0027);
    fs::remove(kept);
    saveBoth();
    EXPECT_EQ(modeOf(kept), 0640u);
    EXPECT_EQ(modeOf(plain), 0640u);
    ::umask(0077);
    fs::permissions(kept, fs::perms(0604));
    fs::permissions(plain, fs::perms(0604));
    const bool root = ::geteuid() == 0;
    for (const fs::path &p : {kept, plain})
        ASSERT_TRUE(!root || ::chown(p.c_str(), kNobody, kNobody) == 0);
    saveBoth();
    ::umask(previous);
    EXPECT_EQ(modeOf(kept), 0604u);
    EXPECT_EQ(modeOf(plain), 0604u);
    for (const fs::path &p : {kept, plain}) {
        struct stat st {
        };
        EXPECT_TRUE(::stat(p.c_str(), &st) == 0 && st.st_uid == (root ? kNobody : ::geteuid()) &&
                    st.st_gid == (root ? kNobody : ::getegid()))
            << p;
    }
    // The set-user-ID, set-group-ID and sticky bits too, which a change of owner would clear.
    fs::permissions(kept, fs::perms(07755));
    save(kept, "m");
    EXPECT_EQ(modeOf(kept), 07755u);
#endif
}

// A user who may not write a file cannot have a save replace it either: the save is refused as
// opening the file would be, and changes nothing. Run as an unprivileged user, since root may
// write anything; an unprotected file beside it shows that the user may save there.
TEST_F(Save, AProtectedFileIsRefusedAsOpeningItWouldBe)
{
#ifdef _WIN32
    // Windows: a read-only file, and one that another program has open without letting it be
    // removed (as most programs open files), which the rename could not replace. Refused before
    // the backup is made.
    const Files before = snapshot(out_);
    fs::permissions(out_ / "m.mis",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    try {
        save("out\\m.mis", "new");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const files::Error &e) {
        EXPECT_EQ(std::string(e.what()), "could not write \"out\\m.mis\": Permission denied");
    }
    fs::permissions(out_ / "m.mis", fs::perms::owner_write, fs::perm_options::add);
    std::ifstream held(out_ / "m.mis");
    ASSERT_TRUE(held.is_open());
    EXPECT_THROW(save("out\\m.mis", "new"), files::Error);
    held.close();
    EXPECT_EQ(snapshot(out_), before);
    save("out\\m.mis", "new");
    EXPECT_EQ(readBytes(out_ / "m.mis"), "new");
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    fs::permissions(root_, fs::perms(0755));
    fs::permissions(out_, fs::perms(0777));
    fs::permissions(out_ / "m.mis", fs::perms(0444));
    const auto asNobody = [](const char *name) {
        if (::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            try {
                save(fs::path("out") / name, "new");
                ::_exit(0);
            } catch (const files::Error &e) {
                std::cerr << e.what();
            }
        ::_exit(3);
    };
    EXPECT_EXIT(asNobody("m.mis"), ::testing::ExitedWithCode(3),
                "^could not write \"out/m.mis\": Permission denied$");
    EXPECT_EXIT(asNobody("free.mis"), ::testing::ExitedWithCode(0), "");
#endif
}

// The backup holds the first original for good: it is a copy, never one more name of the file,
// which a later edit in place would change with it. The file may have other names, or keep its
// own because the save failed after it made the backup.
TEST_F(Save, TheBackupIsACopyThatLaterEditsLeaveAlone)
{
    try {
        fs::create_hard_link(out_ / "m.mis", out_ / "other.mis");
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot make a hard link here: " << e.what();
    }
    save(out_ / "m.mis", "new");
    std::ofstream(out_ / "other.mis", std::ios::binary | std::ios::in) << "EDITED";
    const Files want = {
        {"m.mis", "new"}, {"m.mis.bak", "previous\r\n"}, {"other.mis", "EDITEDus\r\n"}};
    EXPECT_EQ(snapshot(out_), want);

    writeBytes(out_ / "n.mis", "first");
    {
        const files_test::ScopedProbe failing(files_test::failingRenames(1));
        EXPECT_THROW(save(out_ / "n.mis", "new"), files::Error);
    }
    std::ofstream(out_ / "n.mis", std::ios::binary | std::ios::in) << "EDITED";
    EXPECT_EQ(readBytes(out_ / "n.mis.bak"), "first");
}

// One rule tells whether two names lead to one file: through links, "." and "..", other names,
// and whether or not the file is there yet.
TEST_F(Save, OneRuleForTheSameFile)
{
    writeBytes(out_ / "x", "");
    try {
        fs::create_symlink("../missing", out_ / "l1");
        fs::create_symlink("../missing", out_ / "l2");
        fs::create_symlink("x", out_ / "lx");
        fs::create_hard_link(out_ / "x", out_ / "hx");
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "cannot make links here: " << e.what();
    }
    const struct {
        fs::path a, b;
        bool same;
    } cases[] = {
        {"out/l1", "out/l2", true},        {"out/l1", "missing", true},
        {"out/./x", "out/../out/x", true}, {"out/lx", "out/hx", true},
        {"out/m.mis", "out/x", false},     {"out/l1", "out/missing", false},
        {"out/new", "new", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(files::sameFile(c.a, c.b), c.same) << c.a << " " << c.b;
#ifdef _WIN32
    EXPECT_TRUE(files::sameFile("out/New.mis", "out/new.MIS"));
#endif
}

// What protects or describes a file beyond its mode stays with it when a save replaces it, and
// with its first original when that is a copy (the file has other names): on Linux its extended
// attributes, an ACL that shuts a user out among them; on Windows its System, Hidden and Archive
// marks.
TEST_F(Save, ExtendedAttributesStayWithTheFileAndItsBackupCopy)
{
    const fs::path file = out_ / "m.mis", bak = out_ / "m.mis.bak";
#ifdef _WIN32
    // The marks, and access rules of the file's own: Guests may only read it. (Wine keeps access
    // rules as the file's mode bits, and gives them back as those say.)
    using Marks = std::pair<DWORD, std::wstring>;
    constexpr DWORD kMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    const wchar_t *const kRules = L"D:P(A;;FA;;;WD)(A;;FR;;;BG)";
    const auto mark = [&](const fs::path &p) {
        PSECURITY_DESCRIPTOR rules = nullptr;
        const bool marked = ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                kRules, SDDL_REVISION_1, &rules, nullptr) &&
                            ::SetFileSecurityW(p.c_str(), DACL_SECURITY_INFORMATION, rules) &&
                            ::SetFileAttributesW(p.c_str(), kMarks);
        ::LocalFree(rules);
        return marked;
    };
    const auto marksOf = [](const fs::path &p) {
        Marks marks{::GetFileAttributesW(p.c_str()) & kMarks, L"(none)"};
        DWORD size = 0;
        ::GetFileSecurityW(p.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
        std::string descriptor(size, '\0');
        wchar_t *text = nullptr;
        if (size &&
            ::GetFileSecurityW(p.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size,
                               &size) &&
            ::ConvertSecurityDescriptorToStringSecurityDescriptorW(
                descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
            marks.second = text;
        ::LocalFree(text);
        return marks;
    };
#else
    using Marks = std::map<std::string, std::string>;
    // The nobody user may do nothing with the file, whatever its mode says.
    const std::uint16_t kTags[] = {1, 2, 4, 0x10, 0x20}, kPerms[] = {6, 0, 4, 4, 4};
    std::string acl("\2\0\0\0", 4);
    for (std::size_t k = 0; k < 5; ++k) {
        const std::uint32_t id = kTags[k] == 2 ? kNobody : 0xFFFFFFFF;
        acl.append(reinterpret_cast<const char *>(&kTags[k]), 2);
        acl.append(reinterpret_cast<const char *>(&kPerms[k]), 2);
        acl.append(reinterpret_cast<const char *>(&id), 4);
    }
    const auto mark = [&](const fs::path &p) {
        return ::setxattr(p.c_str(), "user.tm.note", "kept", 4, 0) == 0 &&
               ::setxattr(p.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    };
    const auto marksOf = [](const fs::path &p) {
        Marks marks;
        for (const char *name : {"user.tm.note", "system.posix_acl_access"}) {
            std::string value(256, '\0');
            const ssize_t n = ::getxattr(p.c_str(), name, value.data(), value.size());
            marks[name] = n < 0 ? "(none)" : value.substr(0, static_cast<std::size_t>(n));
        }
        return marks;
    };
#endif
    for (const bool otherName : {false, true}) {
        SCOPED_TRACE(otherName ? "the backup is a copy" : "the backup is the old file");
        for (const fs::path &p : {file, bak, out_ / "other.mis"})
            fs::remove(p);
        writeBytes(file, "previous");
        if (!mark(file))
            GTEST_SKIP() << "this file system keeps no such marks";
        const Marks want = marksOf(file);
        std::error_code ec;
        if (otherName && (fs::create_hard_link(file, out_ / "other.mis", ec), ec))
            GTEST_SKIP() << "cannot make a hard link here: " << ec.message();
        save(file, "new");
        save(file, "newer");
        EXPECT_EQ(readBytes(bak), "previous");
        EXPECT_EQ(marksOf(file), want);
        EXPECT_EQ(marksOf(bak), want);
    }
}

// A save leaves no file open behind it: an editor saves for hours. 2,000 saves, with a backup kept
// (the first makes it, the others find it), then the process has the descriptors it had.
TEST_F(Save, ThousandsOfSavesLeaveNoDescriptorOpen)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no /proc/self/fd to count the open files with";
#else
    const fs::path open = "/proc/self/fd";
    std::error_code ec;
    if (!fs::is_directory(open, ec))
        GTEST_SKIP() << "no " << open << " to count the open files with";
    const auto count = [&] { return std::distance(fs::directory_iterator(open), {}); };
    const auto before = count();
    for (int k = 0; k < 2000; ++k)
        save(out_ / "m.mis", std::to_string(k));
    EXPECT_EQ(count(), before);
    EXPECT_EQ(readBytes(out_ / "m.mis.bak"), "previous\r\n");
#endif
}

// Every name the folder takes can be saved again and again, its first original kept: as
// "<name>.bak" where that fits (up to the longest name, taken from the system here, not from the
// layer), else under the name shortened as the temporary names are, with ".bak" after it.
TEST_F(Save, ALongNameSavesAgainAndKeepsItsFirstOriginal)
{
    const std::size_t longest = files_test::longestName(out_);
    fs::remove(out_ / "m.mis");
    for (const std::size_t length : {longest - 4, longest - 3, longest}) {
        // Two names alike but for their last letter keep a backup each.
        const std::string name(length, 'n'), twin = name.substr(0, length - 1) + 'o';
        for (const std::string &each : {name, twin}) {
            writeBytes(out_ / each, "first " + each.substr(length - 1));
            save(out_ / each, "second");
            save(out_ / each, "third");
        }
        Files now = snapshot(out_);
        EXPECT_EQ(now[name], "third") << length;
        EXPECT_EQ(now[twin], "third") << length;
        now.erase(name);
        now.erase(twin);
        ASSERT_EQ(now.size(), 2u) << length;
        std::set<std::string> firsts;
        for (const auto &[bak, content] : now) {
            firsts.insert(content);
            EXPECT_TRUE(bak.size() <= longest && bak.ends_with(".bak")) << bak;
            if (length + 4 <= longest) {
                EXPECT_TRUE(bak == name + ".bak" || bak == twin + ".bak") << bak;
            }
            fs::remove(out_ / bak);
        }
        EXPECT_EQ(firsts, (std::set<std::string>{"first n", "first o"})) << length;
        fs::remove(out_ / name);
        fs::remove(out_ / twin);
    }
}

// A refused save names the path and the reason and changes nothing: no temporary file, no .bak.
struct Failure : files_test::NamedCase {
    const char *target, *reason;
    const char *path = nullptr; // from the test's folder; none: the target
    std::function<void()> setup = {};
};

// clang-format off
const Failure kFailures[] = {
    {"TargetIsAFolder",    "out/sub",        "Is a directory", nullptr,
     [] { fs::create_directory("out/sub"); }},
    // A device, a named pipe or a socket would be replaced by a file, or make the save wait.
    {"TargetIsANamedPipe", "out/pipe",       "it is not a regular file", nullptr,
     [] { files_test::makeFifo("out/pipe"); }},
    {"TargetIsADevice",    "/dev/null",      "it is not a regular file", nullptr,
     [] { files_test::makeFifo(""); }},
    // Only a file counts as the backup already kept; anything else in its place is no backup.
    {"BakIsAFolder",       "out/m.mis",      "Is a directory", "out/m.mis.bak",
     [] { fs::create_directory("out/m.mis.bak"); }},
    {"BakIsADanglingLink", "out/m.mis",      "it is a symbolic link, not a file", "out/m.mis.bak",
     [] { fs::create_symlink("gone.mis", "out/m.mis.bak"); }},
    {"LinkLoop",           "out/loop.mis",   "Too many levels of symbolic links", nullptr,
     [] { fs::create_symlink("loop.mis", "out/loop.mis"); }},
    // A folder removed since it was chosen.
    {"FolderIsGone",       "gone/m.mis",     kNoEntry},
    {"LinkToNoFolder",     "out/l.mis",      kNoEntry, "real/x.mis",
     [] { fs::create_symlink("../real/x.mis", "out/l.mis"); }},
};
// clang-format on

class SaveFailure : public Save, public ::testing::WithParamInterface<Failure>
{
};

TEST_P(SaveFailure, NamesThePathAndChangesNothing)
{
    const Failure &c = GetParam();
    const fs::path target = c.target;
    if (const auto why = files_test::setUpCase(c.setup))
        GTEST_SKIP() << *why;
    const Files before = snapshot(out_);
    try {
        save(target, std::string(files::kBlockSize + 1, 'a'));
        ADD_FAILURE() << "the save succeeded";
    } catch (const files::Error &e) {
        EXPECT_EQ(fs::absolute(e.path()).lexically_normal(),
                  (root_ / (c.path ? c.path : target)).lexically_normal());
        EXPECT_NE(std::string(e.what()).find('"' + files::pathText(e.path()) + "\": "),
                  std::string::npos);
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(snapshot(out_), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveFailure, ::testing::ValuesIn(kFailures), files_test::caseName);

// After the writing began: the disk fills up part-way (a child process may write 4 KiB at most;
// the test program reports the limit as an error, as the programs do), or the new file cannot
// take the place of the old, immutable one. The save fails with the reason; the previous file
// stays, with no temporary file and no .bak.
TEST_F(Save, FailuresAfterTheWritingBeganLeaveThePreviousFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs fork, a file-size limit and the immutable flag, which Windows lacks";
#else
    const std::string content(5 * 9002, 'x');
    const Files before = snapshot(out_);
    const auto fillUp = [&] {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            save("out/m.mis", content);
        } catch (const files::Error &e) {
            std::cerr << e.what();
            ::_exit(3);
        }
    };
    EXPECT_EXIT(fillUp(), ::testing::ExitedWithCode(3), "\"out/m.mis\": File too large$");
    EXPECT_EQ(snapshot(out_), before);

    // The backup's copy stops at its first failed write: no partial backup takes the name.
    writeBytes(out_ / "big.mis", content);
    const Files withBig = snapshot(out_);
    const auto copyUp = [&] {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            save("out/big.mis", "small");
        } catch (const files::Error &e) {
            std::cerr << e.what();
            ::_exit(3);
        }
    };
    EXPECT_EXIT(copyUp(), ::testing::ExitedWithCode(3), "big.mis.bak\": File too large$");
    EXPECT_EQ(snapshot(out_), withBig);
    fs::remove(out_ / "big.mis");

    const int fd = ::open((out_ / "m.mis").c_str(), O_RDONLY);
    int flags = 0, immutable = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        ::ioctl(fd, FS_IOC_SETFLAGS, &(immutable = flags | FS_IMMUTABLE_FL)) != 0) {
        ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here";
    }
    EXPECT_THROW(save(out_ / "m.mis", content), files::Error);
    const Files after = snapshot(out_);
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_EQ(after, before);
#endif
}

} // namespace
