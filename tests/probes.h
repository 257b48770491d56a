#pragma once

#include "platform.h"

#include <memory>
#include <system_error>

namespace files_test
{

using files::platform::Call;

// For as long as it lives, the file layer's calls that the promises rest on ask `probe` first
// (platform.h).
class ScopedProbe
{
public:
    explicit ScopedProbe(files::platform::Probe probe)
    {
        files::platform::setProbe(std::move(probe));
    }
    ~ScopedProbe() { files::platform::setProbe({}); }
    ScopedProbe(const ScopedProbe &) = delete;
    ScopedProbe &operator=(const ScopedProbe &) = delete;
};

// A probe under which the renames from the `first`-th on (counting from 1) fail, `count` of them,
// and every sync of a folder too where `folderSyncs`: a disk that fails, with an error of input
// and output.
inline files::platform::Probe failingRenames(int first, int count = 1, bool folderSyncs = false)
{
    return [renames = std::make_shared<int>(0), first, count,
            folderSyncs](Call call, const std::filesystem::path &) {
        const bool fails =
            (call == Call::Replace && ++*renames >= first && *renames < first + count) ||
            (call == Call::SyncFolder && folderSyncs);
        return fails ? std::make_error_code(std::errc::io_error) : std::error_code();
    };
}

} // namespace files_test
