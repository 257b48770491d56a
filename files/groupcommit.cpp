#include "groupcommit.h"

#include "backup.h"
#include "ownnames.h"
#include "pathtext.h"
#include "platform.h"
#include "savetarget.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace files
{

// What committing together needs of each file, beyond saving it alone.
class GroupCommit
{
public:
    static GroupCommitResult run(std::span<AtomicFile *const> files);

private:
    static void checkApart(std::span<AtomicFile *const> files);
    static fs::path keepPrevious(const AtomicFile &file);
    static void putBack(std::span<AtomicFile *const> files, std::vector<fs::path> &previous,
                        std::size_t replaced, GroupCommitResult &result);
};

void GroupCommit::checkApart(std::span<AtomicFile *const> files)
{
    for (std::size_t k = 0; k < files.size(); ++k)
        for (std::size_t j = 0; j < k; ++j)
            if (sameFile(files[k]->target_, files[j]->target_))
                throw Error(kWriteAction, files[k]->target_,
                            "it is the same file as \"" + pathText(files[j]->target_) + "\"");
}

// The target's previous content, copied to its own name to put back should a later rename fail;
// empty for a target that is not a file yet.
fs::path GroupCommit::keepPrevious(const AtomicFile &file)
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file.target_, ec)))
        return {};
    const fs::path kept = ownName(file.target_, kOldPrefix);
    copyBeside(file.target_, kept, ec);
    if (ec)
        throw Error("could not keep a copy of", file.target_, ec);
    return kept;
}

void GroupCommit::putBack(std::span<AtomicFile *const> files, std::vector<fs::path> &previous,
                          std::size_t replaced, GroupCommitResult &result)
{
    for (std::size_t j = 0; j < replaced; ++j) {
        PutBack back{files[j]->target_, previous[j], {}};
        if (back.previous.empty())
            fs::remove(back.target, back.failure);
        else
            platform::replace(back.previous, back.target, back.failure);
        if (back.failure && !back.previous.empty())
            back.previous = keepForTheUser(back.target, back.previous);
        previous[j].clear(); // put back, or left for the user
        result.putBack.push_back(std::move(back));
    }
}

GroupCommitResult GroupCommit::run(std::span<AtomicFile *const> files)
{
    GroupCommitResult result;
    checkApart(files);
    for (AtomicFile *file : files)
        file->prepare();
    for (AtomicFile *file : files)
        file->keepBackup();
    // Each target's previous content is kept, to put back should a later rename fail (not for the
    // last, after which nothing can fail).
    std::vector<fs::path> previous(files.size());
    const auto forget = [&previous] {
        for (const fs::path &each : previous)
            if (!each.empty())
                platform::remove(each);
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
        putBack(files, previous, i, result);
        break;
    }
    forget();
    for (AtomicFile *file : files)
        file->discard();
    // Each folder once, after the last rename or put-back in it; a failure there is reported with
    // what the renames did, not in its place.
    std::vector<fs::path> synced;
    for (const AtomicFile *file : files) {
        const fs::path folder = file->target_.parent_path();
        if (std::ranges::find(synced, folder) != synced.end())
            continue;
        synced.push_back(folder);
        if (const std::error_code ec = file->syncFolder(); ec && !result.unconfirmed) {
            result.unconfirmed = ec;
            result.unconfirmedFolder = folder;
        }
    }
    return result;
}

GroupCommitResult commitTogether(std::span<AtomicFile *const> files)
{
    return GroupCommit::run(files);
}

Error toError(const GroupCommitResult &result)
{
    if (result.committed())
        return Error(kUnconfirmedAction, result.unconfirmedFolder,
                     result.unconfirmed.message() + "; each file there holds its new content");
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
    if (result.unconfirmed)
        reason += "; and \"" + pathText(result.unconfirmedFolder) +
                  "\" could not be made sure on disk after that: " + result.unconfirmed.message();
    return Error(kWriteAction, result.failed, reason);
}

} // namespace files
