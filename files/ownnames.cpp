#include "ownnames.h"

#include "platform.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <random>
#include <type_traits>

namespace fs = std::filesystem;

namespace files
{

namespace
{

constexpr std::size_t kRandomLength = 8;
constexpr std::size_t kAddedLength = kNewPrefix.size() + kRandomLength + 1;
constexpr std::string_view kRandomDigits = "0123456789abcdefghijklmnopqrstuvwxyz";

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

fs::path ownName(const fs::path &folder, std::string_view prefix, const NativeName &tag)
{
    // The system's randomness costs tens of microseconds a call on some machines, a good part of
    // a small save: it seeds a generator once. The clock keeps processes forked from one another
    // apart; a name taken all the same is only tried again.
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uint64_t bits =
        generator() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    NativeName name = native(prefix);
    for (std::size_t k = 0; k < kRandomLength; ++k, bits /= kRandomDigits.size())
        name += static_cast<fs::path::value_type>(kRandomDigits[bits % kRandomDigits.size()]);
    name += '-';
    name += tag;
    return folder / name;
}

namespace
{

bool isOwnNameFor(const NativeName &name, const NativeName &tag)
{
    if (name.size() != kAddedLength + tag.size())
        return false;
    const NativeName prefix = name.substr(0, kNewPrefix.size());
    if (prefix != native(kNewPrefix) && prefix != native(kOldPrefix))
        return false;
    for (std::size_t k = kNewPrefix.size(); k < kAddedLength - 1; ++k)
        if (unit(name[k]) > 0x7f ||
            kRandomDigits.find(static_cast<char>(name[k])) == kRandomDigits.npos)
            return false;
    return name[kAddedLength - 1] == '-' && name.compare(kAddedLength, NativeName::npos, tag) == 0;
}

} // namespace

void removeLeftovers(const fs::path &folder, const NativeName &tag)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end;
         !ec && it != end; it.increment(ec))
        if (isOwnNameFor(it->path().filename().native(), tag))
            platform::removeIfUnused(it->path());
}

} // namespace files
