#pragma once

#include <cstddef>

namespace files
{

// How much a file is read or written at a time: large enough that the work the system does per
// call costs little next to the copying (on 100 MB of pieces, 1 MiB blocks assemble some 15 per
// cent faster than 64 KiB ones), small enough to keep the assembly's memory a few megabytes.
inline constexpr std::size_t kBlockSize = 1024 * 1024;

} // namespace files
