#include "ownnames.h"

#include "platform.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <type_traits>

namespace fs = std::filesystem;

namespace files
{

namespace
{

constexpr std::string_view kSlotDigits = "0123456789abcdef";
static_assert(kSlotDigits.size() == kNameSlots);
constexpr std::size_t kAddedLength = kNewPrefix.size() + 2;

// A name's code unit (a byte on POSIX, a UTF-16 unit on Windows) as a number.
std::make_unsigned_t<fs::path::value_type> unit(fs::path::value_type u)
{
    return static_cast<std::make_unsigned_t<fs::path::value_type>>(u);
}

NativeName native(std::string_view ascii)
{
    return NativeName(ascii.begin(), ascii.end());
}

} // namespace

NativeName nameTag(const fs::path &target)
{
    return fitName(target, kAddedLength);
}

NativeName fitName(const fs::path &file, std::size_t added)
{
    const NativeName name = file.filename().native();
    const std::size_t longest = platform::maxNameLength(file.parent_path());
    const std::size_t room = longest > 2 * added ? longest - added : added;
    if (name.size() <= room)
        return name;
    // FNV-1a: the same tag for the same name in every run, as the tidying needs.
    std::uint64_t hash = 14695981039346656037u;
    for (const auto u : name) {
        hash ^= unit(u);
        hash *= 1099511628211u;
    }
    // Appended piece by piece, here and below: GCC 12 at -O3 misreads a concatenation of
    // strings as an overlapping copy.
    std::array<char, 17> hashed{'~'};
    const auto end = std::to_chars(hashed.data() + 1, hashed.data() + hashed.size(), hash, 16).ptr;
    const auto length = static_cast<std::size_t>(end - hashed.data());
    NativeName tag = name.substr(0, room - length);
    tag.append(hashed.data(), end);
    return tag;
}

fs::path ownName(const fs::path &folder, std::string_view prefix, const NativeName &tag, int slot)
{
    NativeName name = native(prefix);
    name += static_cast<fs::path::value_type>(kSlotDigits[static_cast<std::size_t>(slot)]);
    name += '-';
    name += tag;
    return folder / name;
}

void removeLeftovers(const fs::path &folder, const NativeName &tag)
{
    // Asked of each name this target's saves can use: a handful of look-ups, however many other
    // files the folder holds.
    for (const std::string_view prefix : {kNewPrefix, kOldPrefix})
        for (int slot = 0; slot < kNameSlots; ++slot)
            platform::removeIfUnused(ownName(folder, prefix, tag, slot));
}

} // namespace files
