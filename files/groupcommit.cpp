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

namespace
{

using Steps = AtomicFile::Steps;

void checkApart(std::span<const Steps> files)
{
    for (std::size_t k = 0; k < files.size(); ++k)
        for (std::size_t j = 0; j < k; ++j)
            if (sameFile(files[k].target(), files[j].target()))
                throw Error(kWriteAction, files[k].target(),
                            "it is the same file as \"" + pathText(files[j].target()) + "\"");
}

// The target's previous content, copied to its own name to put back should a later rename fail;
// empty for a target that is not a file yet.
fs::path copyPrevious(const fs::path &target)
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(target, ec)))
        return {};
    const fs::path kept = ownName(target, kOldPrefix);
    copyBeside(target, kept, ec);
    if (ec)
        throw Error("could not keep a copy of", target, ec);
    return kept;
}

// Gives the first `replaced` targets their previous content back (a new one is removed again);
// what cannot be put back is kept for the user.
void putBack(std::span<const Steps> files, std::vector<fs::path> &previous, std::size_t replaced,
             GroupCommitResult &result)
{
    for (std::size_t j = 0; j < replaced; ++j) {
        PutBack back{files[j].target(), previous[j], {}};
        if (back.previous.empty())
            fs::remove(back.target, back.failure);
        else
            platform::replace(back.previous, back.target, back.failure);
        if (back.failure && !back.previous.empty())
            back.previous = moveToPreviousName(back.target, back.previous);
        previous[j].clear(); // put back, or left for the user
        result.putBack.push_back(std::move(back));
    }
}

} // namespace

GroupCommitResult commitTogether(std::span<AtomicFile *const> group)
{
    std::vector<Steps> files;
    for (AtomicFile *file : group)
        files.emplace_back(*file);
    GroupCommitResult result;
    checkApart(files);
    for (Steps &file : files)
        file.prepare();
    for (Steps &file : files)
        file.makeBackup();
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
            previous[i] = copyPrevious(files[i].target());
    } catch (const Error &) {
        forget();
        throw;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].replaceTarget(result.reason))
            continue;
        result.failed = files[i].target();
        putBack(files, previous, i, result);
        break;
    }
    forget();
    for (Steps &file : files)
        file.discard();
    // Each folder once, after the last rename or put-back in it; a failure there is reported with
    // what the renames did, not in its place.
    std::vector<fs::path> synced;
    for (const Steps &file : files) {
        const fs::path folder = file.target().parent_path();
        if (std::ranges::find(synced, folder) != synced.end())
            continue;
        synced.push_back(folder);
        if (const std::error_code ec = file.syncFolder(); ec && !result.unconfirmed) {
            result.unconfirmed = ec;
            result.unconfirmedFolder = folder;
        }
    }
    return result;
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
