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
    // Why the folders' names could not be made durable after the last rename or put-back: the
    // targets hold what the rest of the result says, but a power cut might still undo it.
    std::error_code unconfirmed;
    std::filesystem::path unconfirmedFolder;

    [[nodiscard]] bool committed() const { return failed.empty(); }
    // Committed, and sure to stay so.
    [[nodiscard]] bool done() const { return committed() && !unconfirmed; }
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
// their previous content back, and the result tells how that went. Each file holds its folder's
// lock from its construction (atomicfile.h), so no other save in those folders runs meanwhile.
// Two of the files for one target are refused.
[[nodiscard]] GroupCommitResult commitTogether(std::span<AtomicFile *const> files);

// The failure of a group commit as the user reads it: the file that failed and why, each target
// that could not be put back and where its previous content is, and a failure to make it durable.
[[nodiscard]] Error toError(const GroupCommitResult &result);

} // namespace files
