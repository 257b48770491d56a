#pragma once

#include "platform.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace mission
{

// A file that is written under a temporary name in its own folder and takes its real name only
// when commit() succeeds, so a failed or interrupted write never leaves a half-written file
// under the real name, and a file it replaces stays as it was until the new one is complete.
// Without a commit, the temporary file is removed when the object goes.
class AtomicFile
{
public:
    enum class Backup {
        None,
        // A file that is replaced and has no "<name>.bak" beside it yet is kept under that name,
        // made in one step so that two saves at once cannot both think they made it. A file of
        // that name is the backup kept already; anything else there (a folder, a link) is no
        // backup, and the save is refused. A backup once made stays, even when the save then
        // fails: it holds the target as it still is, and another save may count on it.
        KeepFirst,
    };

    // Creates the temporary file. A symbolic link as `target` is followed, through any number of
    // links: the file it names is the one replaced (or made), and the links stay. Refuses, before
    // anything is written, a target that is a folder, one the user may not write, and a backup's
    // place taken by something else than a file.
    explicit AtomicFile(const std::filesystem::path &target, Backup backup = Backup::None);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Writes the bytes through to the temporary file; callers hand over large blocks.
    void write(std::string_view bytes);

    // Makes the temporary file durable, then puts it in the target's place.
    void commit();

    // Commits several files together: either every target takes its new content or each keeps
    // what it held. All are prepared and backed up before the first is renamed; if a rename
    // still fails, the targets already replaced get their previous content back. Should putting
    // back fail, the Error's reason says which file and where its previous content was kept.
    static void commitTogether(std::span<AtomicFile *const> files);

    // Where replacing `target` with Backup::KeepFirst would keep it: "<name>.bak" beside the file
    // that `target` names; empty when there is no file to keep or a backup is kept already.
    // Throws an Error naming the backup's path when something else than a file stands there.
    [[nodiscard]] static std::filesystem::path plannedBackup(const std::filesystem::path &target);

private:
    // Makes what was written to the temporary file durable, so that only putting it in the
    // target's place is left; the file stays open, and held, until then.
    void prepare();
    [[nodiscard]] std::filesystem::path backupPath() const;
    void keepBackup();
    void keepPrevious();
    // Removes this save's own files that are left, and closes them.
    void discard() noexcept;

    std::filesystem::path target_;
    Backup backup_;
    std::filesystem::path::string_type tag_; // the target's part of its own files' names
    std::filesystem::path temp_;
    platform::File file_;
    std::filesystem::path previous_; // the target's previous content, while committing together
    platform::File previousHold_;
};

} // namespace mission
