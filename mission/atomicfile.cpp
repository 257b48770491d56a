#include "atomicfile.h"

#include "error.h"

#include <vector>

namespace fs = std::filesystem;

namespace mission
{

namespace
{

constexpr const char *kWriteAction = "could not write";

// The file that a chain of symbolic links ends at, whether or not it exists yet: that is the
// file to replace, so that the links stay links. Its folder is spelled without links, so that
// the temporary file and the backup go beside the real file.
fs::path followLinks(const fs::path &target)
{
    // As many links as the system itself follows before it gives up.
    constexpr int kMaxLinks = 40;
    fs::path path = target;
    for (int followed = 0;; ++followed) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            break;
        if (followed == kMaxLinks)
            throw Error(kWriteAction, target,
                        std::make_error_code(std::errc::too_many_symbolic_link_levels));
        const fs::path to = fs::read_symlink(path, ec);
        if (ec)
            throw Error(kWriteAction, path, ec);
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    if (path == target)
        return target;
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
    return ec ? path : folder / path.filename();
}

fs::path withSuffix(fs::path path, const char *suffix)
{
    path += suffix;
    return path;
}

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
        return "it is not a regular file";
    }
}

// Throws unless `bak` is free or holds a file: a backup kept already.
void checkBackupPlace(const fs::path &bak)
{
    if (bak.empty())
        return;
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(bak, ec).type();
    if (type != fs::file_type::not_found && type != fs::file_type::regular)
        throw Error(kBackupAction, bak, notABackup(type));
}

} // namespace

AtomicFile::AtomicFile(const fs::path &target, Backup backup)
    : target_(followLinks(target)), backup_(backup)
{
    // Past a file-size limit the system would end the program, and the user's edits with it;
    // as an error, the limit is reported like a full disk.
    platform::reportFileSizeLimitAsError();
    // Renaming over a file passes by its own protection, which a plain open for writing honours;
    // a save refuses what that open would.
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(target_, ec).type();
    if (type == fs::file_type::directory)
        throw Error(kWriteAction, target_, std::make_error_code(std::errc::is_a_directory));
    if (type == fs::file_type::regular) {
        platform::checkWritable(target_, ec);
        if (ec)
            throw Error(kWriteAction, target_, ec);
    }
    // Refused before anything is written, where it can be seen already.
    checkBackupPlace(backupPath());
    // The temporary file sits beside the target so that the final rename stays within one
    // file system and cannot fail half-way.
    // Appended piece by piece: GCC 12 at -O3 misreads `"." + string` as an overlapping copy.
    std::string stem(1, '.');
    stem += target_.filename().string();
    stem += '.';
    file_ = platform::createTemporary(target_.parent_path(), stem, temp_, ec);
    if (ec)
        throw Error(kWriteAction, target_, ec);
    platform::takeAttributes(file_, target_);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::string_view bytes)
{
    std::error_code ec;
    platform::write(file_, bytes, ec);
    if (ec) {
        discard();
        throw Error(kWriteAction, target_, ec);
    }
}

void AtomicFile::commit()
{
    prepare();
    keepBackup();
    std::error_code ec;
    platform::replace(temp_, target_, ec);
    if (ec) {
        // A backup made stays: it holds the target as it still is, and another save of the same
        // file may already count on it.
        discard();
        throw Error(kWriteAction, target_, ec);
    }
    temp_.clear();
}

void AtomicFile::prepare()
{
    if (!file_.isOpen() && !temp_.empty())
        return; // prepared already
    // The data must be on disk before the rename makes it the target; otherwise a crash could
    // leave an empty file where the previous one stood.
    std::error_code ec;
    platform::syncAndClose(file_, ec);
    if (ec) {
        discard();
        throw Error(kWriteAction, target_, ec);
    }
}

void AtomicFile::commitTogether(std::span<AtomicFile *const> files)
{
    if (files.empty())
        return;
    for (AtomicFile *file : files)
        file->prepare();

    // The previous content of each target, to put back should a later rename fail (empty for a
    // target that is not a file yet, and for the last, after which nothing can fail). Backups
    // made stay whatever happens, as in commit().
    std::vector<fs::path> previous;
    const auto drop = [](const std::vector<fs::path> &paths) {
        for (const auto &p : paths)
            if (!p.empty())
                platform::remove(p);
    };
    // All are checked before the first backup is made, as the backups stay.
    for (AtomicFile *file : files)
        checkBackupPlace(file->backupPath());
    for (AtomicFile *file : files)
        file->keepBackup();
    try {
        for (AtomicFile *file : files.first(files.size() - 1))
            previous.push_back(file->keepPrevious());
    } catch (...) {
        drop(previous);
        throw;
    }

    for (std::size_t i = 0; i < files.size(); ++i) {
        AtomicFile &file = *files[i];
        std::error_code ec;
        platform::replace(file.temp_, file.target_, ec);
        if (!ec) {
            file.temp_.clear();
            continue;
        }
        std::string reason = ec.message();
        // Put back the targets replaced so far.
        for (std::size_t j = 0; j < i; ++j) {
            const fs::path &target = files[j]->target_;
            std::error_code back;
            if (previous[j].empty()) {
                fs::remove(target, back);
                if (back)
                    reason += "; \"" + target.string() +
                              "\" was new and could not be removed again: " + back.message();
            } else {
                platform::replace(previous[j], target, back);
                if (back)
                    reason += "; \"" + target.string() + "\" could not be put back (" +
                              back.message() + "): its previous content is in \"" +
                              previous[j].string() + "\"";
            }
            previous[j].clear(); // put back, or left for the user
        }
        drop(previous);
        throw Error(kWriteAction, file.target_, reason);
    }
    drop(previous);
}

fs::path AtomicFile::keepPrevious()
{
    std::error_code ec;
    if (!fs::is_regular_file(target_, ec))
        return {};
    const fs::path kept = withSuffix(temp_, ".previous");
    platform::keepCopy(target_, kept, ec);
    if (ec)
        throw Error("could not keep a copy of", target_, ec);
    return kept;
}

fs::path AtomicFile::backupPath() const
{
    return backup_ == Backup::KeepFirst ? withSuffix(target_, ".bak") : fs::path();
}

fs::path AtomicFile::plannedBackup(const fs::path &target)
{
    const fs::path file = followLinks(target);
    const fs::path bak = withSuffix(file, ".bak");
    checkBackupPlace(bak);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file, ec)) ||
        fs::exists(fs::symlink_status(bak, ec)))
        return {};
    return bak;
}

void AtomicFile::keepBackup()
{
    const fs::path bak = backupPath();
    std::error_code ec;
    if (bak.empty() || !fs::is_regular_file(fs::symlink_status(target_, ec)))
        return;
    // One step that either makes the backup or finds one there: a check before it could be
    // overtaken by another save that makes the backup in between.
    platform::keepCopy(target_, bak, ec);
    if (ec == std::errc::file_exists) {
        const fs::file_type type = fs::symlink_status(bak, ec).type();
        if (type == fs::file_type::regular)
            return;
        discard();
        throw Error(kBackupAction, bak, notABackup(type));
    }
    if (ec) {
        discard();
        throw Error(kBackupAction, bak, ec);
    }
}

void AtomicFile::discard() noexcept
{
    file_.close();
    if (!temp_.empty()) {
        platform::remove(temp_);
        temp_.clear();
    }
}

} // namespace mission
