#include "ownnames.h"

#include "backup.h"
#include "error.h"
#include "pathtext.h"
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

// A name's code unit (a byte on POSIX, a UTF-16 unit on Windows) as a number.
std::make_unsigned_t<fs::path::value_type> unit(fs::path::value_type u)
{
    return static_cast<std::make_unsigned_t<fs::path::value_type>>(u);
}

[[noreturn]] void inTheWay(const fs::path &target, const fs::path &leftover, const std::string &why)
{
    throw Error(kWriteAction, target,
                "\"" + pathText(leftover) +
                    "\", left by a save that did not finish, is in the way (" + why +
                    "); move it away or remove it, then save again");
}

} // namespace

NativeName nameTag(const fs::path &target)
{
    return fitName(target, kNewPrefix.size());
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
    // Appended piece by piece: GCC 12 at -O3 misreads a concatenation of strings as an
    // overlapping copy.
    std::array<char, 17> hashed{'~'};
    const auto end = std::to_chars(hashed.data() + 1, hashed.data() + hashed.size(), hash, 16).ptr;
    const auto length = static_cast<std::size_t>(end - hashed.data());
    NativeName tag = name.substr(0, room - length);
    tag.append(hashed.data(), end);
    return tag;
}

fs::path ownName(const fs::path &target, std::string_view prefix)
{
    NativeName name(prefix.begin(), prefix.end());
    name += nameTag(target);
    return target.parent_path() / name;
}

void tidyLeftovers(const fs::path &target)
{
    // Asked of each name this target's saves use: a handful of look-ups, however many other files
    // the folder holds.
    for (const std::string_view prefix : {kNewPrefix, kCopyPrefix, kOldPrefix}) {
        const fs::path leftover = ownName(target, prefix);
        std::error_code ec;
        const fs::file_type type = fs::symlink_status(leftover, ec).type();
        if (type == fs::file_type::not_found)
            continue;
        if (type == fs::file_type::directory)
            inTheWay(target, leftover, std::make_error_code(std::errc::is_a_directory).message());
        if (prefix == kOldPrefix && type == fs::file_type::regular) {
            // The only copy of a target's previous content, should the save have been killed
            // between two renames of its group: never removed.
            if (moveToPreviousName(target, leftover) == leftover)
                inTheWay(target, leftover, "it holds previous content that could not be kept");
            continue;
        }
        if (!fs::remove(leftover, ec) && ec)
            inTheWay(target, leftover, ec.message());
    }
}

} // namespace files
