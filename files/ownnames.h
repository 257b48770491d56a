#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

// The names this program gives its own files, all of them here. Beside a target: ".tm-new-<tag>"
// (its new content, being written), ".tm-cpy-<tag>" (a copy of it being made, for its backup or
// for putting it back) and ".tm-old-<tag>" (its previous content, kept while a group of files is
// committed together); on Windows, ".tm-lock" in each folder saved to (platform.h). The tag is
// the target's name or, where that would make a name too long for the folder, as much of it as
// fits and a hash of it all. A save holds the folder's lock, so each kind needs one name per
// target, and what stands under one when a save begins was left by a save that was killed.
namespace files
{

using NativeName = std::filesystem::path::string_type;

// Every own name starts so; a save refuses a target named so, a file it would take for its own.
inline constexpr std::string_view kOwnPrefix = ".tm-";
inline constexpr std::string_view kNewPrefix = ".tm-new-";
inline constexpr std::string_view kCopyPrefix = ".tm-cpy-";
inline constexpr std::string_view kOldPrefix = ".tm-old-";

// The target's part of its own files' names: the same for the same target in every run.
[[nodiscard]] NativeName nameTag(const std::filesystem::path &target);

// The name of `file`, or where `added` more units would make it too long for its folder, as much
// of it as fits and a hash of it all: the same for the same name in every run.
[[nodiscard]] NativeName fitName(const std::filesystem::path &file, std::size_t added);

// The own name of this kind (`prefix`) beside `target`.
[[nodiscard]] std::filesystem::path ownName(const std::filesystem::path &target,
                                            std::string_view prefix);

// Tidies what a killed save of `target` left, under the folder's lock: its new content and a copy
// are removed, and its previous content is kept for the user (moveToPreviousName(), backup.h).
// Throws an Error naming the target and the left-over, and what to do, where one is in the way: a
// folder, or a file that cannot be removed or kept.
void tidyLeftovers(const std::filesystem::path &target);

} // namespace files
