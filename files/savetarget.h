#pragma once

#include <filesystem>

namespace files
{

// The file that a chain of symbolic links ends at, whether or not it exists yet: that is the
// file a save replaces (or makes), so that the links stay links. Its folder is spelled without
// links, so that the save's own files and the backup go beside the real file. Throws an Error
// for a loop of links, or one that cannot be read.
[[nodiscard]] std::filesystem::path followLinks(const std::filesystem::path &target);

// Whether the names `a` and `b` lead to one file, through links and other names of it, whether or
// not that file exists yet: the one rule by which a save, the assembly and the importer tell that
// writing one would change the other.
[[nodiscard]] bool sameFile(const std::filesystem::path &a, const std::filesystem::path &b);

// Refuses, with an Error naming it, a target that a save must not replace: a folder, anything
// else that is not a regular file (a device, a named pipe, a socket), a file the user may not
// write, or one named as the program's own files are (ownnames.h). Renaming over a file passes by
// its own protection, which a plain open for writing honours; a save refuses what that open would.
void checkTarget(const std::filesystem::path &target);

} // namespace files
