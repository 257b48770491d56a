#include "backup.h"

#include "blocksize.h"
#include "error.h"
#include "inputfile.h"
#include "ownnames.h"
#include "platform.h"
#include "savetarget.h"

#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace files
{

namespace
{

constexpr const char *kBackupAction = "could not keep the previous file as";
constexpr std::string_view kSuffix = ".bak";

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

// Keeps a copy of `file` as `bak`: the copy is made under a name of the save's own, held, synced,
// then takes the name `bak` in one step that fails with std::errc::file_exists if it is taken.
void keepCopyOf(const fs::path &file, const fs::path &bak, std::error_code &ec)
{
    const NativeName tag = nameTag(file);
    platform::File copy;
    fs::path temp;
    for (int slot = 0; slot < kNameSlots && !copy.isOpen(); ++slot) {
        temp = ownName(file.parent_path(), kNewPrefix, tag, slot);
        copy = platform::createNew(temp, ec);
        if (ec && ec != std::errc::file_exists)
            return;
    }
    if (!copy.isOpen())
        return;
    platform::takeAttributes(copy, file);
    try {
        InputFile in(file);
        const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
        for (std::size_t n; !ec && (n = in.read(block.get(), kBlockSize)) != 0;)
            platform::write(copy, {block.get(), n}, ec);
    } catch (const Error &) {
        ec = std::make_error_code(std::errc::io_error);
    }
    if (!ec)
        platform::sync(copy, ec);
    if (!ec)
        platform::moveNoReplace(temp, bak, ec);
    if (ec)
        platform::remove(temp);
}

} // namespace

fs::path backupPath(const fs::path &file)
{
    // A name too long for ".bak" after it is shortened as the temporary names are.
    NativeName name = fitName(file, kSuffix.size());
    name.append(kSuffix.begin(), kSuffix.end());
    return file.parent_path() / name;
}

void checkBackupPlace(const fs::path &file)
{
    if (!isFile(file))
        return;
    const fs::path bak = backupPath(file);
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
    // The backup is a copy, durable under a name of the save's own before it takes the backup's
    // name in one step that either makes it or finds one there: a check alone could be overtaken
    // by another save that makes the backup in between. Unlike a second name for the file, a copy
    // needs no hard links and never changes when the file is edited through another name.
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(bak, ec)))
        keepCopyOf(file, bak, ec);
    if (!ec || ec == std::errc::file_exists) {
        const fs::file_type type = fs::symlink_status(bak, ec).type();
        if (type == fs::file_type::regular)
            return;
        throw Error(kBackupAction, bak, notABackup(type));
    }
    throw Error(kBackupAction, bak, ec);
}

} // namespace files
