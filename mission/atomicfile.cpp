#include "atomicfile.h"

#include "error.h"
#include "pathtext.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <random>
#include <type_traits>

namespace fs = std::filesystem;

namespace mission
{

namespace
{

constexpr const char *kWriteAction = "could not write";

// The file that a chain of symbolic links ends at, whether or not it exists yet: that is the
// file to replace, so that the links stay links. Its folder is spelled without links, so that
// the temporary file and the backup go beside the real file.
fs::path followLinks(const fs::path &target)
{
    // As many links as the system itself follows before it gives up.
    constexpr int kMaxLinks = 40;
    fs::path path = target;
    for (int followed = 0;; ++followed) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            break;
        if (followed == kMaxLinks)
            throw Error(kWriteAction, target,
                        std::make_error_code(std::errc::too_many_symbolic_link_levels));
        const fs::path to = fs::read_symlink(path, ec);
        if (ec)
            throw Error(kWriteAction, path, ec);
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    if (path == target)
        return target;
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
    return ec ? path : folder / path.filename();
}

fs::path withSuffix(fs::path path, const char *suffix)
{
    path += suffix;
    return path;
}

constexpr const char *kBackupAction = "could not keep the previous file as";

// A save's own files are named ".tm-new-<random>-<tag>" (the new content) and
// ".tm-old-<random>-<tag>" (a target's previous content, kept while several files are committed
// together), so that they are recognisably this program's and their target's, and a later save
// of the same target can find what a killed one left. The tag is the target's name or, where
// that would make the name too long for the folder, as much of it as fits and a hash of it all.
using NativeName = fs::path::string_type;
constexpr std::string_view kNewPrefix = ".tm-new-";
constexpr std::string_view kOldPrefix = ".tm-old-";
constexpr std::size_t kRandomLength = 8;
constexpr std::size_t kAddedLength = kNewPrefix.size() + kRandomLength + 1;
constexpr std::string_view kRandomDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
// Attempts at a free name; another file of a random name is already a rare event.
constexpr int kNameAttempts = 100;

// A name's code unit (a byte on POSIX, a UTF-16 unit on Windows) as a number.
std::make_unsigned_t<fs::path::value_type> unit(fs::path::value_type u)
{
    return static_cast<std::make_unsigned_t<fs::path::value_type>>(u);
}

NativeName native(std::string_view ascii)
{
    return NativeName(ascii.begin(), ascii.end());
}

NativeName nameTag(const fs::path &target)
{
    const NativeName name = target.filename().native();
    const std::size_t longest = platform::maxNameLength(target.parent_path());
    const std::size_t room = longest > 2 * kAddedLength ? longest - kAddedLength : kAddedLength;
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

// Removes what earlier saves of the target left in its folder, killed before they could tidy up:
// only files named for this target whose hold can be taken, so never a running save's.
void removeLeftovers(const fs::path &folder, const NativeName &tag)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end;
         !ec && it != end; it.increment(ec))
        if (isOwnNameFor(it->path().filename().native(), tag))
            platform::removeIfUnused(it->path());
}

// Why what stands under the backup's name cannot count as the backup: only a file can be one.
std::string notABackup(fs::file_type type)
{
    switch (type) {
    case fs::file_type::directory:
        return std::make_error_code(std::errc::is_a_directory).message();
    case fs::file_type::symlink:
        return "it is a symbolic link, not a file";
    default:
        return "it is not a regular file";
    }
}

// Throws unless `bak` could be made beside `file`, or holds a file: a backup kept already. Where
// there is no file to keep, nothing is made and nothing can stand in the way.
void checkBackupPlace(const fs::path &file, const fs::path &bak)
{
    std::error_code ec;
    if (bak.empty() || !fs::is_regular_file(fs::symlink_status(file, ec)))
        return;
    // Asked of the name itself: not every system says so when a name is too long to look up.
    if (bak.filename().native().size() > platform::maxNameLength(bak.parent_path()))
        throw Error(kBackupAction, bak, std::make_error_code(std::errc::filename_too_long));
    const fs::file_type type = fs::symlink_status(bak, ec).type();
    if (type == fs::file_type::not_found || type == fs::file_type::regular)
        return;
    if (ec) // "File name too long" among them: a backup that cannot be made
        throw Error(kBackupAction, bak, ec);
    throw Error(kBackupAction, bak, notABackup(type));
}

} // namespace

AtomicFile::AtomicFile(const fs::path &target, Backup backup)
    : target_(followLinks(target)), backup_(backup)
{
    // Past a file-size limit the system would end the program, and the user's edits with it;
    // as an error, the limit is reported like a full disk.
    platform::reportFileSizeLimitAsError();
    // Renaming over a file passes by its own protection, which a plain open for writing honours;
    // a save refuses what that open would.
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(target_, ec).type();
    if (type == fs::file_type::directory)
        throw Error(kWriteAction, target_, std::make_error_code(std::errc::is_a_directory));
    if (type == fs::file_type::regular) {
        platform::checkWritable(target_, ec);
        if (ec)
            throw Error(kWriteAction, target_, ec);
    }
    // Refused before anything is written, where it can be seen already.
    checkBackupPlace(target_, backupPath());
    // The temporary file sits beside the target so that the final rename stays within one
    // file system and cannot fail half-way.
    tag_ = nameTag(target_);
    removeLeftovers(target_.parent_path(), tag_);
    for (int attempt = 0; attempt < kNameAttempts && !file_.isOpen(); ++attempt) {
        temp_ = ownName(target_.parent_path(), kNewPrefix, tag_);
        file_ = platform::createNew(temp_, ec);
        if (ec && ec != std::errc::file_exists)
            break;
    }
    if (!file_.isOpen()) {
        temp_.clear();
        throw Error(kWriteAction, target_, ec);
    }
    platform::takeAttributes(file_, target_);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::string_view bytes)
{
    std::error_code ec;
    platform::write(file_, bytes, ec);
    if (ec) {
        discard();
        throw Error(kWriteAction, target_, ec);
    }
}

void AtomicFile::commit()
{
    prepare();
    keepBackup();
    std::error_code ec;
    platform::replace(temp_, target_, ec);
    if (ec) {
        // A backup made stays: it holds the target as it still is, and another save of the same
        // file may already count on it.
        discard();
        throw Error(kWriteAction, target_, ec);
    }
    temp_.clear();
    file_.close();
}

void AtomicFile::prepare()
{
    // The data must be on disk before the rename makes it the target; otherwise a crash could
    // leave an empty file where the previous one stood.
    std::error_code ec;
    platform::sync(file_, ec);
    if (ec) {
        discard();
        throw Error(kWriteAction, target_, ec);
    }
}

void AtomicFile::commitTogether(std::span<AtomicFile *const> files)
{
    if (files.empty())
        return;
    for (AtomicFile *file : files)
        file->prepare();

    // Each target's previous content is kept, to put back should a later rename fail (not for a
    // target that is not a file yet, nor for the last, after which nothing can fail). Backups
    // made stay whatever happens, as in commit(); so all are checked before the first is made.
    for (AtomicFile *file : files)
        checkBackupPlace(file->target_, file->backupPath());
    for (AtomicFile *file : files)
        file->keepBackup();
    for (AtomicFile *file : files.first(files.size() - 1))
        file->keepPrevious();

    for (std::size_t i = 0; i < files.size(); ++i) {
        AtomicFile &file = *files[i];
        std::error_code ec;
        platform::replace(file.temp_, file.target_, ec);
        if (!ec) {
            file.temp_.clear();
            continue;
        }
        std::string reason = ec.message();
        // Put back the targets replaced so far.
        for (std::size_t j = 0; j < i; ++j) {
            AtomicFile &done = *files[j];
            std::error_code back;
            if (done.previous_.empty()) {
                fs::remove(done.target_, back);
                if (back)
                    reason += "; \"" + pathText(done.target_) +
                              "\" was new and could not be removed again: " + back.message();
            } else {
                platform::replace(done.previous_, done.target_, back);
                if (back)
                    reason += "; \"" + pathText(done.target_) + "\" could not be put back (" +
                              back.message() + "): its previous content is in \"" +
                              pathText(done.previous_) + "\"";
                done.previous_.clear(); // put back, or left for the user
            }
        }
        for (AtomicFile *each : files)
            each->discard();
        throw Error(kWriteAction, file.target_, reason);
    }
    for (AtomicFile *file : files)
        file->discard();
}

void AtomicFile::keepPrevious()
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(target_, ec)))
        return;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path kept = ownName(target_.parent_path(), kOldPrefix, tag_);
        platform::keepContent(target_, kept, ec);
        if (ec == std::errc::file_exists)
            continue;
        if (ec)
            break;
        // Held against other saves' tidying until this save is done with it.
        previousHold_ = platform::hold(kept, ec);
        if (!ec) {
            previous_ = kept;
            return;
        }
        // Gone already, taken by another save's tidying in between; anything else is ours.
        if (ec != std::errc::no_such_file_or_directory)
            platform::remove(kept);
    }
    throw Error("could not keep a copy of", target_, ec);
}

fs::path AtomicFile::backupPath() const
{
    return backup_ == Backup::KeepFirst ? withSuffix(target_, ".bak") : fs::path();
}

fs::path AtomicFile::plannedBackup(const fs::path &target)
{
    const fs::path file = followLinks(target);
    const fs::path bak = withSuffix(file, ".bak");
    checkBackupPlace(file, bak);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file, ec)) ||
        fs::exists(fs::symlink_status(bak, ec)))
        return {};
    return bak;
}

void AtomicFile::keepBackup()
{
    const fs::path bak = backupPath();
    std::error_code ec;
    if (bak.empty() || !fs::is_regular_file(fs::symlink_status(target_, ec)))
        return;
    // One step that either makes the backup or finds one there: a check before it could be
    // overtaken by another save that makes the backup in between.
    platform::keepCopy(target_, bak, ec);
    if (ec == std::errc::file_exists) {
        const fs::file_type type = fs::symlink_status(bak, ec).type();
        if (type == fs::file_type::regular)
            return;
        discard();
        throw Error(kBackupAction, bak, notABackup(type));
    }
    if (ec) {
        discard();
        throw Error(kBackupAction, bak, ec);
    }
}

void AtomicFile::discard() noexcept
{
    // Removed while still held, so that no other save's tidying can mistake them for left-overs
    // and race this removal.
    for (fs::path *own : {&temp_, &previous_}) {
        if (!own->empty())
            platform::remove(*own);
        own->clear();
    }
    file_.close();
    previousHold_.close();
}

} // namespace mission
