#pragma once

namespace files
{

// Makes a write past the process's file-size limit (a quota, `ulimit -f`) fail with "File too
// large", reported like a full disk, instead of ending the process, and the user's edits with it.
// A setting of the whole process: each program calls it once at its start, before any save.
// Leaves a handler that the program installed itself alone.
void reportFileSizeLimitAsError() noexcept;

} // namespace files
