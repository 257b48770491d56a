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
    if (fs::is_regular_file(fs::symlink_status(target_, ec))) {
        platform::checkWritable(target_, ec);
        if (ec)
            throw Error(kWriteAction, target_, ec);
    }
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
    const bool keptBackup = backup_ == Backup::KeepFirst && keepBackup();
    std::error_code ec;
    platform::replace(temp_, target_, ec);
    if (ec) {
        // Nothing was replaced, so there is nothing to keep: a failed save leaves no backup.
        if (keptBackup)
            platform::remove(withSuffix(target_, ".bak"));
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
    for (AtomicFile *file : files)
        file->prepare();

    // The backups this call makes, to be removed again if it fails; and the previous content
    // of each target, to put back should a later rename fail (empty for a target that is not a
    // file yet).
    std::vector<fs::path> backups;
    std::vector<fs::path> previous;
    const auto drop = [](const std::vector<fs::path> &paths) {
        for (const auto &p : paths)
            if (!p.empty())
                platform::remove(p);
    };
    try {
        for (AtomicFile *file : files) {
            if (file->backup_ == Backup::KeepFirst) {
                const fs::path bak = withSuffix(file->target_, ".bak");
                std::error_code ec;
                const bool had = fs::exists(fs::symlink_status(bak, ec));
                file->keepBackup();
                if (!had && fs::exists(fs::symlink_status(bak, ec)))
                    backups.push_back(bak);
            }
        }
        for (AtomicFile *file : files)
            previous.push_back(file->keepPrevious());
    } catch (...) {
        drop(previous);
        drop(backups);
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
        drop(backups);
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
    if (ec) {
        platform::remove(kept);
        throw Error("could not keep a copy of", target_, ec);
    }
    return kept;
}

bool AtomicFile::keepBackup()
{
    std::error_code ec;
    if (!fs::is_regular_file(target_, ec))
        return false;
    const fs::path bak = withSuffix(target_, ".bak");
    if (fs::exists(fs::symlink_status(bak, ec)))
        return false;
    platform::keepCopy(target_, bak, ec);
    if (ec) {
        platform::remove(bak);
        discard();
        throw Error("could not keep the previous mission as", bak, ec);
    }
    return true;
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
