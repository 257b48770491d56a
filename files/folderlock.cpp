#include "folderlock.h"

#include "error.h"
#include "pathtext.h"
#include "platform.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace files
{

namespace detail
{

struct HeldLock {
    std::thread::id thread;
    platform::File file;
    platform::FileIdentity id;
    bool exclusive = false;
    int users = 0;
    std::vector<fs::path> claimed;
};

} // namespace detail

namespace
{

constexpr const char *kLockAction = "could not lock";

// The locks the threads of this program hold, each its own thread's: a lock is never lent to
// another thread, so two threads' locks of one folder exclude each other, as two programs' do.
// (Not thread_local: a thread's own variables that need tidying at its end crash some Windows
// runtimes.)
struct Held {
    std::mutex mutex;
    std::vector<std::unique_ptr<detail::HeldLock>> locks;
};

Held &held()
{
    static Held all;
    return all;
}

} // namespace

FolderLock::FolderLock(const fs::path &folder, Mode mode, const WaitForFolder &wait,
                       const fs::path &forFile)
{
    const bool exclusive = mode == Mode::Exclusive;
    const fs::path lockPath = platform::folderLockPath(folder);
    const auto failure = [&](std::string reason) {
        if (forFile.empty())
            return Error(kLockAction, lockPath, reason);
        if (lockPath != (folder.empty() ? fs::path(".") : folder)) // a lock file of its own
            reason += " (the lock \"" + pathText(lockPath) + "\")";
        return Error(exclusive ? kWriteAction : "could not read", forFile, reason);
    };
    std::error_code ec;
    platform::File file = platform::openFolderLock(folder, ec);
    if (ec == std::errc::invalid_argument)
        throw failure("the lock is not a file of its own");
    if (ec)
        throw failure(ec.message());
    const auto id = platform::identity(file);
    const auto thread = std::this_thread::get_id();
    {
        const std::lock_guard guard(held().mutex);
        const auto found = std::ranges::find_if(held().locks, [&](const auto &each) {
            return each->thread == thread && each->id == id;
        });
        if (found != held().locks.end()) {
            if (exclusive && !(*found)->exclusive)
                throw failure("this program is still reading there");
            held_ = found->get();
            ++held_->users;
            return;
        }
    }
    while (!platform::tryLock(file, exclusive, ec)) {
        if (ec)
            throw failure(ec.message());
        if (wait && !wait(folder))
            throw failure("another save in its folder has not finished; try again when it has");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::lock_guard guard(held().mutex);
    held().locks.push_back(std::make_unique<detail::HeldLock>(
        detail::HeldLock{thread, std::move(file), id, exclusive, 1, {}}));
    held_ = held().locks.back().get();
}

FolderLock::~FolderLock()
{
    const std::lock_guard guard(held().mutex);
    std::erase(held_->claimed, claimed_);
    if (--held_->users == 0)
        std::erase_if(held().locks, [this](const auto &each) { return each.get() == held_; });
}

bool FolderLock::claim(const fs::path &tag)
{
    const std::lock_guard guard(held().mutex);
    if (std::ranges::any_of(held_->claimed,
                            [&tag](const fs::path &each) { return platform::sameName(each, tag); }))
        return false;
    held_->claimed.push_back(tag);
    claimed_ = tag;
    return true;
}

} // namespace files
