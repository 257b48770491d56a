// Committing several files together: one group at a time in a folder, whatever happens to the
// folder's names meanwhile, read as one group, put back when a rename fails part-way, and a failure
// after the renames reported with what they did.
#include "groupcommit.h"

#include "folder_fixture.h"
#include "pathtext.h"
#include "probes.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using files::AtomicFile;
using namespace files_test;
namespace fs = std::filesystem;

namespace
{

const std::vector<std::string> kGroup = {"a", "b", "c"};

void commitGroup(const fs::path &folder, const std::string &content,
                 const files::WaitForFolder &wait = {})
{
    std::vector<std::unique_ptr<AtomicFile>> files;
    std::vector<AtomicFile *> all;
    for (const auto &name : kGroup) {
        files.push_back(
            std::make_unique<AtomicFile>(folder / name, AtomicFile::Backup::KeepFirst, wait));
        files.back()->write(content);
        all.push_back(files.back().get());
    }
    if (const auto result = files::commitTogether(all); !result.committed())
        throw files::toError(result);
}

// Where a group commit stands that stops after its first rename, in the thread `pausing`, until
// the test lets it go on.
struct Pause {
    std::mutex mutex;
    std::condition_variable changed;
    std::thread::id pausing;
    int renames = 0;
    bool paused = false, waited = false, resumed = false;
};

class GroupCommit : public files_test::FolderTest
{
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        fs::create_directory(folder_ = root_ / "f");
        for (const auto &name : kGroup)
            writeBytes(folder_ / name, "original");
    }

    // Runs group commit A until it has renamed its first file, then `during` in a thread of its
    // own, which cannot finish while A holds the folder: A goes on once `during` waits for it, as
    // the wait it is given tells.
    void whileAIsHalfway(const std::function<void(const files::WaitForFolder &)> &during)
    {
        const files_test::ScopedProbe pauseAfterFirstRename([this](Call call, const fs::path &) {
            if (call == Call::Replace && std::this_thread::get_id() == pause_.pausing &&
                ++pause_.renames == 2) {
                std::unique_lock lock(pause_.mutex);
                pause_.paused = true;
                pause_.changed.notify_all();
                pause_.changed.wait(lock, [this] { return pause_.resumed; });
            }
            return std::error_code();
        });
        std::thread a([this] { commitGroup(folder_, "A"); });
        {
            std::lock_guard lock(pause_.mutex);
            pause_.pausing = a.get_id();
        }
        {
            std::unique_lock lock(pause_.mutex);
            pause_.changed.wait(lock, [this] { return pause_.paused; });
        }
        std::thread other(during, [this](const fs::path &) {
            std::lock_guard lock(pause_.mutex);
            pause_.waited = true;
            pause_.changed.notify_all();
            return true;
        });
        {
            std::unique_lock lock(pause_.mutex);
            pause_.changed.wait(lock, [this] { return pause_.waited; });
            pause_.resumed = true;
        }
        pause_.changed.notify_all();
        a.join();
        other.join();
    }

    std::string contents() const
    {
        std::string all;
        for (const auto &name : kGroup)
            all += readBytes(folder_ / name);
        return all;
    }

    fs::path folder_;
    Pause pause_;
};

// A second group commit into the same folder while the first is half-way waits for it, and then
// replaces the whole group: never some files of one and some of the other. Nothing that happens
// to the folder's names meanwhile breaks that: a lock file removed, or one a save puts in place.
TEST_F(GroupCommit, OneAtATimeInAFolder)
{
    whileAIsHalfway([this](const files::WaitForFolder &wait) {
        std::error_code ec;
        fs::remove(folder_ / ".tm-lock", ec);
        EXPECT_THROW(AtomicFile(folder_ / ".tm-lock"), files::Error);
        commitGroup(folder_, "B", wait);
    });
    EXPECT_EQ(contents(), "BBB");
    const Files want = {
        {"a", "B"},           {"b", "B"}, {"c", "B"}, {"a.bak", "original"}, {"b.bak", "original"},
        {"c.bak", "original"}};
    EXPECT_EQ(snapshot(folder_), want);
}

// A reader of the group while a group commit is half-way reads it all after the commit.
TEST_F(GroupCommit, AReaderSeesOneGroup)
{
    std::string read;
    whileAIsHalfway([this, &read](const files::WaitForFolder &wait) {
        const files::FolderLock group(folder_, files::FolderLock::Mode::Shared, wait);
        read = contents();
    });
    EXPECT_EQ(read, "AAA");
}

// What stands in the way of the folder's lock is named: the folder (POSIX), or its lock file
// (Windows), with the file to be saved where there is one.
TEST_F(GroupCommit, ProblemsWithTheLockNameTheLock)
{
    writeBytes(root_ / "file", "");
    const fs::path lock = files::platform::folderLockPath(root_ / "file");
    try {
        const files::FolderLock held(root_ / "file", files::FolderLock::Mode::Shared);
        ADD_FAILURE() << "locked";
    } catch (const files::Error &e) {
        EXPECT_EQ(e.path(), lock);
    }
#ifdef _WIN32
    fs::remove(folder_ / ".tm-lock");
    fs::create_directory(folder_ / ".tm-lock");
    try {
        AtomicFile a(folder_ / "a");
        ADD_FAILURE() << "saved";
    } catch (const files::Error &e) {
        EXPECT_EQ(e.path(), folder_ / "a");
        EXPECT_NE(e.reason().find(".tm-lock"), std::string::npos) << e.what();
    }
#endif
}

// Each new content is on disk before it takes its name, and the names are on disk before the
// commit returns: the file's sync before each rename, and the folder's after the last. The first
// group commit also syncs the three backups and the copies of a and b kept to put back.
TEST_F(GroupCommit, SyncsEachFileBeforeItsRenameAndTheFolderAfter)
{
    // The calls a commit makes, in order, where only their order and kind matter.
    std::string calls;
    const files_test::ScopedProbe note([&calls](Call call, const fs::path &) {
        calls += call == Call::SyncFile     ? "file "
                 : call == Call::SyncFolder ? "folder "
                                            : "rename ";
        return std::error_code();
    });
    {
        AtomicFile one(folder_ / "a");
        one.write("1");
        one.commit();
    }
    EXPECT_EQ(calls, "file rename folder ");
    calls.clear();
    commitGroup(folder_, "2");
    EXPECT_EQ(calls, "file file file file file file file file rename rename rename folder ");
    calls.clear();
    commitGroup(folder_, "3");
    EXPECT_EQ(calls, "file file file file file rename rename rename folder ");
}

// New content for a and b, committed together while the renames from the second on fail: only
// the second one (renamesFailing = 1), or the put-back of the first as well.
files::GroupCommitResult commitPairFailing(const fs::path &folder, int renamesFailing,
                                           bool folderSyncFailing = false)
{
    const files_test::ScopedProbe failing(
        files_test::failingRenames(2, renamesFailing, folderSyncFailing));
    AtomicFile a(folder / "a"), b(folder / "b");
    a.write("new a");
    b.write("new b");
    AtomicFile *const both[] = {&a, &b};
    return files::commitTogether(both);
}

// The second rename of a pair fails: the first target gets its previous content back, and the
// result says which failed and that the other was put back.
TEST_F(GroupCommit, ASecondRenameThatFailsPutsTheFirstBack)
{
    const auto result = commitPairFailing(folder_, 1);
    EXPECT_EQ(result.failed, folder_ / "b");
    ASSERT_EQ(result.putBack.size(), 1u);
    EXPECT_EQ(result.putBack[0].target, folder_ / "a");
    EXPECT_FALSE(result.putBack[0].failure);
    const Files want = {{"a", "original"}, {"b", "original"}, {"c", "original"}};
    EXPECT_EQ(snapshot(folder_), want);
}

// New targets, the second of which cannot take its name: the first is removed again. A backup's
// place taken by a folder refuses the whole group before any backup is made.
TEST_F(GroupCommit, ANewGroupOrOneThatCannotBeBackedUpLeavesNothing)
{
    const fs::path fresh = folder_ / "fresh";
    fs::create_directory(fresh);
    const auto result = commitPairFailing(fresh, 1);
    EXPECT_TRUE(result.putBack.size() == 1 && !result.mixed());
    EXPECT_EQ(snapshot(fresh), Files());

    fs::create_directory(folder_ / "c.bak");
    const Files before = snapshot(folder_);
    EXPECT_THROW(commitGroup(folder_, "new"), files::Error);
    EXPECT_EQ(snapshot(folder_), before);
}

// The first target cannot be put back either: the result says the group is mixed, and the
// first target's previous content is kept where no later save tidies it away, beside what the
// user kept from earlier failures.
TEST_F(GroupCommit, PreviousContentNotPutBackIsKeptForTheUser)
{
    Files want = {{"b", "original"}, {"c", "original"}, {"a.previous10", "original"}};
    for (const std::string kept : {"", "1", "2", "3", "4", "5", "6", "7", "8", "9"})
        writeBytes(folder_ / ("a.previous" + kept), want["a.previous" + kept] = "user's " + kept);
    const auto result = commitPairFailing(folder_, 1000);
    EXPECT_TRUE(result.mixed());
    ASSERT_EQ(result.putBack.size(), 1u);
    EXPECT_EQ(result.putBack[0].previous, folder_ / "a.previous10");
    EXPECT_NE(std::string(files::toError(result).what()).find("a.previous10"), std::string::npos);
    AtomicFile later(folder_ / "a");
    later.write(want["a"] = "later");
    later.commit();
    EXPECT_EQ(snapshot(folder_), want);
}

// The folder cannot be made sure on disk after the renames: the result says what the renames did
// (all done; or the second failed and the first was put back), and that it is not sure on disk.
TEST_F(GroupCommit, AFailedSyncAfterTheRenamesIsReportedWithWhatTheyDid)
{
    const auto done = commitPairFailing(folder_, 0, true);
    EXPECT_TRUE(done.committed());
    EXPECT_FALSE(done.done());
    EXPECT_EQ(contents(), "new anew boriginal");
    EXPECT_EQ(std::string(files::toError(done).what()),
              "saved, but could not make sure on disk \"" + files::pathText(folder_) +
                  "\": " + std::make_error_code(std::errc::io_error).message() +
                  "; each file there holds its new content");

    const auto putBack = commitPairFailing(folder_, 1, true);
    EXPECT_EQ(putBack.failed, folder_ / "b");
    ASSERT_EQ(putBack.putBack.size(), 1u);
    EXPECT_FALSE(putBack.putBack[0].failure);
    EXPECT_TRUE(putBack.unconfirmed);
    EXPECT_EQ(contents(), "new anew boriginal");
}

} // namespace
