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
        // A file that is replaced and has no "<name>.bak" beside it yet is kept under that name.
        KeepFirst,
    };

    // Creates the temporary file. A symbolic link as `target` is followed: the file it points
    // at is the one replaced, and the link stays.
    explicit AtomicFile(const std::filesystem::path &target, Backup backup = Backup::None);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Writes the bytes through to the temporary file; callers hand over large blocks.
    void write(std::string_view bytes);

    // Writes out, syncs and closes the temporary file, then puts it in the target's place.
    void commit();

    // Writes out, syncs and closes the temporary file, so that only putting it in the target's
    // place is left; commit() after it does that.
    void prepare();

    // Commits several files together: either every target takes its new content or each keeps
    // what it held. All are prepared and backed up before the first is renamed; if a rename
    // still fails, the targets already replaced get their previous content back and the
    // backups made are removed. Should putting back fail, the Error's reason says which file
    // and where its previous content was kept.
    static void commitTogether(std::span<AtomicFile *const> files);

    [[nodiscard]] const std::filesystem::path &target() const { return target_; }

private:
    // Whether it made the backup.
    bool keepBackup();
    [[nodiscard]] std::filesystem::path keepPrevious();
    void discard() noexcept;

    std::filesystem::path target_;
    Backup backup_;
    std::filesystem::path temp_;
    platform::File file_;
};

} // namespace mission
