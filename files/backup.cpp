#include "backup.h"

#include "blocksize.h"
#include "error.h"
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

void copyToBackup(const fs::path &file)
{
    // The folder's lock keeps other saves from changing what stands there since it was planned.
    const fs::path bak = plannedBackup(file);
    std::error_code ec;
    if (!bak.empty())
        copyBeside(file, bak, ec);
    if (ec && ec != std::errc::file_exists)
        throw Error(kBackupAction, bak, ec);
}

void copyBeside(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    const fs::path temp = ownName(from, kCopyPrefix);
    platform::File copy = platform::createNew(temp, ec);
    if (ec)
        return;
    platform::takeAttributes(copy, from);
    platform::File in = platform::openForReading(from, true, ec);
    const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
    for (std::size_t n; !ec && (n = platform::read(in, block.get(), kBlockSize, ec)) != 0;)
        platform::write(copy, {block.get(), n}, ec);
    if (!ec)
        platform::sync(copy, ec);
    copy.close();
    if (!ec)
        platform::moveNoReplace(temp, to, ec);
    if (ec)
        platform::remove(temp);
}

fs::path moveToPreviousName(const fs::path &target, const fs::path &kept)
{
    constexpr std::string_view kSuffix = ".previous";
    const NativeName name = fitName(target, kSuffix.size() + 2);
    for (int k = 0; k < 100; ++k) {
        NativeName keptName = name;
        keptName.append(kSuffix.begin(), kSuffix.end());
        if (k > 0)
            for (const char digit : std::to_string(k))
                keptName += static_cast<fs::path::value_type>(digit);
        const fs::path forUser = target.parent_path() / keptName;
        std::error_code ec;
        platform::moveNoReplace(kept, forUser, ec);
        if (!ec)
            return forUser;
        if (ec != std::errc::file_exists)
            break;
    }
    return kept;
}

} // namespace files
