#pragma once

#include <filesystem>
#include <functional>

namespace files
{

namespace detail
{
struct HeldLock;
}

// Asked again and again, about every 50 ms, while another program holds a folder that this one
// needs: true to go on waiting, false to give up. A program that says nothing waits for as long
// as it takes.
using WaitForFolder = std::function<bool(const std::filesystem::path &folder)>;

// The one exclusion of the file layer: a save holds its folder's lock exclusively from its first
// look at the folder to its last rename, and whoever reads a group of files saved together holds
// it shared, so that two saves in one folder never mix and a reader sees one group. It is the
// folder itself on POSIX and the folder's file ".tm-lock" on Windows (platform.h), so the POSIX
// build and the Windows build under Wine do not exclude each other. Within one thread, locks of
// one folder nest: a save's files, and a reading inside a save of that folder, share one lock.
class FolderLock
{
public:
    enum class Mode { Shared, Exclusive };

    // Throws an Error when the folder cannot be locked, or when `wait` gives up: it names the file
    // `forFile` that the lock is taken to save (or, shared, to read), where one is given, and the
    // lock.
    FolderLock(const std::filesystem::path &folder, Mode mode, const WaitForFolder &wait = {},
               const std::filesystem::path &forFile = {});
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Marks the own names of the target whose tag (ownnames.h) is `tag` as used by this save until
    // the lock goes; false where another save of this thread uses them already.
    [[nodiscard]] bool claim(const std::filesystem::path &tag);

private:
    detail::HeldLock *held_;
    std::filesystem::path claimed_;
};

} // namespace files
