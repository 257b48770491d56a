#include "backup.h"

#include "error.h"
#include "platform.h"
#include "savetarget.h"

#include <string>

namespace fs = std::filesystem;

namespace files
{

namespace
{

constexpr const char *kBackupAction = "could not keep the previous file as";

// Why what stands under the backup's name cannot count as the backup: only a file can be one.
std::string notABackup(fs::file_type type)
{
    switch (type) {
    case fs::file_type::directory:
        return std::make_error_code(std::errc::is_a_directory).message();
    case fs::file_type::symlink:
        return "it is a symbolic link, not a file";
    default:
        return kNotARegularFile;
    }
}

bool isFile(const fs::path &path)
{
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(path, ec));
}

} // namespace

fs::path backupPath(const fs::path &file)
{
    fs::path bak = file;
    bak += ".bak";
    return bak;
}

void checkBackupPlace(const fs::path &file)
{
    if (!isFile(file))
        return;
    const fs::path bak = backupPath(file);
    // Asked of the name itself: not every system says so when a name is too long to look up.
    if (bak.filename().native().size() > platform::maxNameLength(bak.parent_path()))
        throw Error(kBackupAction, bak, std::make_error_code(std::errc::filename_too_long));
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(bak, ec).type();
    if (type == fs::file_type::not_found || type == fs::file_type::regular)
        return;
    if (ec) // "File name too long" among them: a backup that cannot be made
        throw Error(kBackupAction, bak, ec);
    throw Error(kBackupAction, bak, notABackup(type));
}

fs::path plannedBackup(const fs::path &target)
{
    const fs::path file = followLinks(target);
    checkBackupPlace(file);
    const fs::path bak = backupPath(file);
    std::error_code ec;
    if (!isFile(file) || fs::exists(fs::symlink_status(bak, ec)))
        return {};
    return bak;
}

void keepBackup(const fs::path &file)
{
    if (!isFile(file))
        return;
    const fs::path bak = backupPath(file);
    // One step that either makes the backup or finds one there: a check before it could be
    // overtaken by another save that makes the backup in between.
    std::error_code ec;
    platform::keepCopy(file, bak, ec);
    if (ec == std::errc::file_exists) {
        const fs::file_type type = fs::symlink_status(bak, ec).type();
        if (type == fs::file_type::regular)
            return;
        throw Error(kBackupAction, bak, notABackup(type));
    }
    if (ec)
        throw Error(kBackupAction, bak, ec);
}

} // namespace files
