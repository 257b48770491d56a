#include "groupcommit.h"

#include "backup.h"
#include "ownnames.h"
#include "pathtext.h"
#include "platform.h"

#include <algorithm>
#include <memory>

namespace fs = std::filesystem;

namespace files
{

// What committing together needs of each file, beyond saving it alone.
class GroupCommit
{
public:
    // A target's previous content, kept under a name of its own and held against other saves'
    // tidying until this save is done with it.
    struct Previous {
        fs::path path;
        platform::File hold;
    };

    static GroupCommitResult run(std::span<AtomicFile *const> files);

private:
    static Previous keepPrevious(AtomicFile &file);
    static fs::path keepForTheUser(const fs::path &target, const fs::path &kept);
    static std::vector<platform::File> lockFolders(std::span<AtomicFile *const> files);
};

std::vector<platform::File> GroupCommit::lockFolders(std::span<AtomicFile *const> files)
{
    // Each folder once, always in the same order, so that two group commits that share folders
    // cannot each wait for the other.
    std::vector<std::pair<fs::path, const AtomicFile *>> folders;
    for (const AtomicFile *file : files) {
        std::error_code ec;
        const fs::path folder = fs::absolute(file->folder_, ec).lexically_normal();
        if (std::ranges::find(folders, folder, &decltype(folders)::value_type::first) ==
            folders.end())
            folders.emplace_back(folder, file);
    }
    std::ranges::sort(folders);
    std::vector<platform::File> locks;
    for (const auto &[folder, file] : folders) {
        std::error_code ec;
        locks.push_back(platform::lockFolder(folder, true, ec));
        if (ec)
            throw Error(kWriteAction, file->target_, ec);
    }
    return locks;
}

GroupCommit::Previous GroupCommit::keepPrevious(AtomicFile &file)
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file.target_, ec)))
        return {};
    for (int slot = 0; slot < kNameSlots; ++slot) {
        const fs::path kept = ownName(file.target_.parent_path(), kOldPrefix, file.tag_, slot);
        platform::keepContent(file.target_, kept, ec);
        if (ec == std::errc::file_exists)
            continue;
        if (ec)
            break;
        platform::File hold = platform::hold(kept, ec);
        if (!ec)
            return {kept, std::move(hold)};
        // Gone already, taken by another save's tidying in between; anything else is ours.
        if (ec != std::errc::no_such_file_or_directory)
            platform::remove(kept);
    }
    throw Error("could not keep a copy of", file.target_, ec);
}

// Previous content that could not be put back leaves the save's own name, which a later save would
// tidy away, for "<name>.previous" (or the first of "<name>.previous1" to "9" that is free) beside
// its target, where only the user removes it; where none can be made, it stays where it is.
fs::path GroupCommit::keepForTheUser(const fs::path &target, const fs::path &kept)
{
    constexpr std::string_view kSuffix = ".previous";
    const NativeName name = fitName(target, kSuffix.size() + 1);
    for (int k = 0; k < 10; ++k) {
        NativeName keptName = name;
        keptName.append(kSuffix.begin(), kSuffix.end());
        if (k > 0)
            keptName += static_cast<fs::path::value_type>('0' + k);
        const fs::path forUser = target.parent_path() / keptName;
        std::error_code ec;
        platform::keepCopy(kept, forUser, ec);
        if (!ec) {
            platform::remove(kept);
            return forUser;
        }
        if (ec != std::errc::file_exists)
            break;
    }
    return kept;
}

GroupCommitResult GroupCommit::run(std::span<AtomicFile *const> files)
{
    GroupCommitResult result;
    if (files.empty())
        return result;
    for (AtomicFile *file : files)
        file->prepare();
    const std::vector<platform::File> locks = lockFolders(files);

    // Backups made stay whatever happens, as in a single commit; so all are checked before the
    // first is made.
    for (AtomicFile *file : files)
        if (file->backup_ == AtomicFile::Backup::KeepFirst)
            checkBackupPlace(file->target_);
    for (AtomicFile *file : files)
        file->keepBackup();
    // Each target's previous content is kept, to put back should a later rename fail (not for a
    // target that is not a file yet, nor for the last, after which nothing can fail).
    std::vector<Previous> previous(files.size());
    const auto forget = [&previous] {
        // Removed while still held, as a save's own files always are.
        for (Previous &each : previous) {
            if (!each.path.empty())
                platform::remove(each.path);
            each.hold.close();
        }
    };
    try {
        for (std::size_t i = 0; i + 1 < files.size(); ++i)
            previous[i] = keepPrevious(*files[i]);
    } catch (const Error &) {
        forget();
        throw;
    }

    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i]->replaceTarget(result.reason))
            continue;
        result.failed = files[i]->target_;
        // Put back the targets replaced so far.
        for (std::size_t j = 0; j < i; ++j) {
            PutBack back{files[j]->target_, previous[j].path, {}};
            if (back.previous.empty())
                fs::remove(back.target, back.failure);
            else
                platform::replace(back.previous, back.target, back.failure);
            if (back.failure && !back.previous.empty())
                back.previous = keepForTheUser(back.target, back.previous);
            previous[j].path.clear(); // put back, or left for the user
            result.putBack.push_back(std::move(back));
        }
        break;
    }
    forget();
    for (AtomicFile *file : files)
        file->discard();
    // Each folder once, after the last rename or put-back in it.
    std::vector<fs::path> synced;
    for (const AtomicFile *file : files) {
        const fs::path folder = file->target_.parent_path();
        if (std::ranges::find(synced, folder) != synced.end())
            continue;
        synced.push_back(folder);
        file->syncFolder();
    }
    return result;
}

GroupCommitResult commitTogether(std::span<AtomicFile *const> files)
{
    return GroupCommit::run(files);
}

GroupReading::GroupReading(const fs::path &folder)
{
    std::error_code ec;
    platform::File hold = platform::lockFolder(folder, false, ec);
    if (!ec)
        hold_ = std::make_unique<platform::File>(std::move(hold));
}

GroupReading::~GroupReading() = default;

Error toError(const GroupCommitResult &result)
{
    std::string reason = result.reason.message();
    for (const PutBack &back : result.putBack) {
        if (!back.failure)
            continue;
        if (back.previous.empty())
            reason += "; \"" + pathText(back.target) +
                      "\" was new and could not be removed again: " + back.failure.message();
        else
            reason += "; \"" + pathText(back.target) + "\" could not be put back (" +
                      back.failure.message() + "): its previous content is in \"" +
                      pathText(back.previous) + "\"";
    }
    return Error(kWriteAction, result.failed, reason);
}

} // namespace files
