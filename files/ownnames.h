#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

// A save's own files are named ".tm-new-<slot>-<tag>" (the new content) and ".tm-old-<slot>-<tag>"
// (a target's previous content, kept while several files are committed together), so that they
// are recognisably this program's and their target's. The slot is one of a small set, the first
// that no running save of the target holds, so that a later save finds what a killed one left by
// asking for those few names, never by reading the whole folder. The tag is the target's name or,
// where that would make the name too long for the folder, as much of it as fits and a hash of it
// all.
namespace files
{

using NativeName = std::filesystem::path::string_type;

inline constexpr std::string_view kNewPrefix = ".tm-new-";
inline constexpr std::string_view kOldPrefix = ".tm-old-";
// The names of each kind that one target's saves use: as many saves of one target as may run at
// once.
inline constexpr int kNameSlots = 16;

// The target's part of its own files' names: the same for the same target in every run.
[[nodiscard]] NativeName nameTag(const std::filesystem::path &target);

// The name of `file`, or where `added` more units would make it too long for its folder, as much
// of it as fits and a hash of it all: the same for the same name in every run.
[[nodiscard]] NativeName fitName(const std::filesystem::path &file, std::size_t added);

// The name of this kind (`prefix`) and slot (0 to kNameSlots - 1) for the target of `tag`, in
// `folder`.
[[nodiscard]] std::filesystem::path ownName(const std::filesystem::path &folder,
                                            std::string_view prefix, const NativeName &tag,
                                            int slot);

// Removes what earlier saves of the target left in its folder, killed before they could tidy up:
// only files of this target's own names whose hold can be taken, so never a running save's.
void removeLeftovers(const std::filesystem::path &folder, const NativeName &tag);

} // namespace files
