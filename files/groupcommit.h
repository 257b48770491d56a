#pragma once

#include "atomicfile.h"
#include "error.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>
#include <vector>

namespace files
{

// A target that had already taken its new content when a later one of its group failed, and what
// became of it.
struct PutBack {
    std::filesystem::path target;
    // Where the target's previous content was kept; empty when the target was new, and so was
    // removed again.
    std::filesystem::path previous;
    // Why it could not be put back (or, new, removed again); none when it was.
    std::error_code failure;
};

// How committing several files together ended.
struct GroupCommitResult {
    // The target that could not take its new content, and why; empty when every one did.
    std::filesystem::path failed;
    std::error_code reason;
    // The targets replaced before the failure, in order.
    std::vector<PutBack> putBack;

    [[nodiscard]] bool committed() const { return failed.empty(); }
    // Some targets hold their new content and others their previous one: a target could not be
    // put back (its previous content is then in a file of its own beside it, which no save
    // removes), or a new one could not be removed again.
    [[nodiscard]] bool mixed() const
    {
        return std::ranges::any_of(putBack, [](const PutBack &p) { return bool(p.failure); });
    }
};

// Commits several files together: either every target takes its new content or each keeps what
// it held. All are prepared and backed up before the first is renamed, and a failure there throws
// an Error with every target as it was; if a rename still fails, the targets already replaced get
// their previous content back, and the result tells how that went. One group commit at a time in
// a folder: each holds the lock file ".tm-lock" of the folders of the names it was given, from its
// first backup to its last rename, and waits while another group commit or a GroupReading holds
// one.
[[nodiscard]] GroupCommitResult commitTogether(std::span<AtomicFile *const> files);

// Held while a group of files committed together in `folder` is read, so that all of them are
// read from one group commit: none runs there while any GroupReading holds the folder. Where the
// folder's lock cannot be had (a folder the user may only read, with no lock file yet), the files
// are read without it; no group commit can run there either.
class GroupReading
{
public:
    explicit GroupReading(const std::filesystem::path &folder);
    ~GroupReading();
    GroupReading(const GroupReading &) = delete;
    GroupReading &operator=(const GroupReading &) = delete;

private:
    std::unique_ptr<platform::File> hold_;
};

// The failure of a group commit as the user reads it: the file that failed and why, then each
// target that could not be put back and where its previous content is.
[[nodiscard]] Error toError(const GroupCommitResult &result);

} // namespace files
