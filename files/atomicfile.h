#pragma once

#include "folderlock.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace files
{

namespace platform
{
class File;
}

// A file that is written under a temporary name in its own folder and takes its real name only
// when commit() succeeds, so a failed or interrupted write never leaves a half-written file
// under the real name, and a file it replaces stays as it was until the new one is complete.
// Without a commit, the temporary file is removed when the object goes. Several files are
// committed together by commitTogether() (groupcommit.h).
class AtomicFile
{
public:
    enum class Backup {
        None,
        // The first file replaced is kept as its backup (backup.h).
        KeepFirst,
    };

    // Locks the target's folder (folderlock.h) until the object goes, waiting as `wait` says while
    // another program holds it, tidies what a killed save of the target left, and creates the
    // temporary file. A symbolic link as `target` is followed, through any number of links: the
    // file it names is the one replaced (or made), and the links stay. Refuses, before anything is
    // written, a target that is a folder, one the user may not write, one named as the program's
    // own files, and a backup's place taken by something else than a file.
    explicit AtomicFile(const std::filesystem::path &target, Backup backup = Backup::None,
                        const WaitForFolder &wait = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Writes the bytes through to the temporary file; callers hand over large blocks.
    void write(std::string_view bytes);

    // Makes the temporary file durable, then puts it in the target's place, then makes the
    // folder's names durable. A failure after the rename throws an Error with kUnconfirmedAction:
    // the target holds the new content.
    void commit();

    // The steps of commit() one by one, for committing several files together (groupcommit.h),
    // which runs each step for every file before the next step.
    class Steps
    {
    public:
        explicit Steps(AtomicFile &file) : file_(file) {}
        // The file replaced (or made): the name given, behind its links.
        [[nodiscard]] const std::filesystem::path &target() const { return file_.target_; }
        // Makes what was written durable, so that only putting it in the target's place is left.
        void prepare() { file_.prepare(); }
        // Copies the target's first original to its backup, where this save keeps one.
        void makeBackup() { file_.makeBackup(); }
        // Puts the temporary file in the target's place; false, with the reason, where it could
        // not.
        bool replaceTarget(std::error_code &ec) { return file_.replaceTarget(ec); }
        // Makes the names in the target's folder durable; the reason where it could not.
        [[nodiscard]] std::error_code syncFolder() const { return file_.syncFolder(); }
        // Removes the temporary file if it is left, and closes it.
        void discard() noexcept { file_.discard(); }

    private:
        AtomicFile &file_;
    };

private:
    void prepare();
    void makeBackup();
    bool replaceTarget(std::error_code &ec);
    [[nodiscard]] std::error_code syncFolder() const;
    void discard() noexcept;

    std::filesystem::path target_;
    Backup backup_;
    std::unique_ptr<FolderLock> lock_;
    std::filesystem::path temp_;
    std::unique_ptr<platform::File> file_;
};

} // namespace files
