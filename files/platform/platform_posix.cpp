#include "platform.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace fs = std::filesystem;

namespace files::platform
{

namespace
{

int fd(const File &file)
{
    return static_cast<int>(file.native());
}

std::error_code lastError()
{
    return {errno, std::system_category()};
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// flock() without giving up on a signal. False where the lock is not to be had: another holds it
// (with LOCK_NB), or the file system has no locks.
bool lock(int descriptor, int operation)
{
    for (;;) {
        if (::flock(descriptor, operation) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// A descriptor on an existing file, for holding it or testing whether it is held: read and write
// where the user may (locks emulated over NFS need both kinds of access for an exclusive lock),
// else what the user may. Never follows a link, and never waits for a special file's peer.
int openToHold(const fs::path &path)
{
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int descriptor = -1;
    for (const int access : {O_RDWR, O_RDONLY, O_WRONLY}) {
        descriptor = ::open(path.c_str(), access | kFlags);
        if (descriptor >= 0 || errno != EACCES)
            break;
    }
    return descriptor;
}

// The mode a file created by an ordinary open would get: what umask allows of rw for everyone.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void File::close() noexcept
{
    if (isOpen())
        ::close(static_cast<int>(release()));
}

File openForReading(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    File file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.isOpen()) {
        ec = lastError();
        return file;
    }
    struct stat st {
    };
    if (::fstat(fd(file), &st) == 0 && S_ISDIR(st.st_mode)) {
        ec = std::make_error_code(std::errc::is_a_directory);
        file.close();
    }
    return file;
}

std::size_t read(File &file, char *data, std::size_t size, std::error_code &ec)
{
    ec.clear();
    for (;;) {
        const ssize_t n = ::read(fd(file), data, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR) {
            ec = lastError();
            return 0;
        }
    }
}

std::size_t maxNameLength(const fs::path &folder) noexcept
{
    const long max = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : 255;
}

File createNew(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    for (;;) {
        File file(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.isOpen()) {
            ec = lastError();
            return file;
        }
        // Blocking: only another save's tidying takes this lock, and only for a moment. If that
        // tidying removed the file before the hold was in place, the name is made again.
        lock(fd(file), LOCK_SH);
        struct stat st {
        };
        if (::fstat(fd(file), &st) != 0) {
            ec = lastError();
            ::unlink(path.c_str());
            file.close();
            return file;
        }
        if (st.st_nlink > 0)
            return file;
    }
}

File hold(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    File file(openToHold(path));
    if (!file.isOpen()) {
        ec = lastError();
        return file;
    }
    lock(fd(file), LOCK_SH);
    struct stat held {
    }, named{};
    if (::fstat(fd(file), &held) != 0 || ::lstat(path.c_str(), &named) != 0 ||
        !sameFile(held, named)) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
        file.close();
    }
    return file;
}

bool removeIfUnused(const fs::path &path) noexcept
{
    const int descriptor = openToHold(path);
    if (descriptor < 0)
        return false;
    struct stat held {
    }, named{};
    // The exclusive lock is ours only while no save holds the file; and while it is ours, no save
    // can take a hold, so the name checked is the name removed.
    const bool removed = ::fstat(descriptor, &held) == 0 && S_ISREG(held.st_mode) &&
                         lock(descriptor, LOCK_EX | LOCK_NB) &&
                         ::lstat(path.c_str(), &named) == 0 && sameFile(held, named) &&
                         ::unlink(path.c_str()) == 0;
    ::close(descriptor);
    return removed;
}

void takeAttributes(File &file, const fs::path &model)
{
    struct stat st {
    };
    if (::stat(model.c_str(), &st) != 0) {
        ::fchmod(fd(file), newFileMode());
        return;
    }
    // Before the mode, as a change of owner clears the set-user-ID and set-group-ID bits. Only
    // root may give a file away; anyone may give it a group they belong to.
    if (::fchown(fd(file), st.st_uid, st.st_gid) != 0 &&
        ::fchown(fd(file), static_cast<uid_t>(-1), st.st_gid) != 0) {
        // Neither: the new file keeps the saving user's owner and group, as any new file would.
    }
    ::fchmod(fd(file), st.st_mode & 07777);
    takeExtendedAttributes(file, model);
}

void checkWritable(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    // Non-blocking, so that a special file that waits for a reader does not hold the save up.
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        ec = lastError();
    else
        ::close(descriptor);
}

void write(File &file, std::string_view bytes, std::error_code &ec)
{
    ec.clear();
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd(file), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ec = lastError();
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void sync(File &file, std::error_code &ec)
{
    ec = probe(Call::SyncFile, {});
    if (!ec && ::fsync(fd(file)) != 0)
        ec = lastError();
}

void replace(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    ec = probe(Call::Replace, to);
    if (!ec && ::rename(from.c_str(), to.c_str()) != 0)
        ec = lastError();
}

File lockFolder(const fs::path &folder, bool exclusive, std::error_code &ec)
{
    ec.clear();
    const fs::path lockFile = (folder.empty() ? fs::path(".") : folder) / ".tm-lock";
    // Read and write where the user may (locks emulated over NFS need both), else what the user
    // may: a reader of a folder it cannot write still takes its part of the lock.
    File file;
    for (const int access : {O_RDWR | O_CREAT, O_RDONLY}) {
        file = File(::open(lockFile.c_str(), access | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
        if (file.isOpen() || (errno != EACCES && errno != EROFS))
            break;
    }
    if (!file.isOpen()) {
        ec = lastError();
        return file;
    }
    struct stat st {
    };
    if (::fstat(fd(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        ec = std::make_error_code(std::errc::invalid_argument);
        file.close();
        return file;
    }
    if (!lock(fd(file), exclusive ? LOCK_EX : LOCK_SH)) {
        ec = lastError();
        file.close();
    }
    return file;
}

void syncFolder(const fs::path &folder, std::error_code &ec)
{
    ec = probe(Call::SyncFolder, folder);
    if (ec)
        return;
    const int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        ec = lastError();
        return;
    }
    if (::fsync(descriptor) != 0)
        ec = lastError();
    ::close(descriptor);
}

void keepCopy(const fs::path &existing, const fs::path &copy, std::error_code &ec)
{
    ec.clear();
    if (::link(existing.c_str(), copy.c_str()) == 0)
        return;
    if (errno == EEXIST) {
        ec = lastError();
        return;
    }
    // No hard links on this file system: a copy, which also refuses an existing name.
    fs::copy_file(existing, copy, ec);
    if (ec && ec != std::errc::file_exists)
        ::unlink(copy.c_str());
}

void keepContent(const fs::path &existing, const fs::path &copy, std::error_code &ec)
{
    // In a folder with the sticky bit, only the owner of a file (or of the folder) may remove it:
    // a second name for another user's file is one the save could not tidy away. A copy is the
    // save's own.
    const fs::path folder = copy.parent_path().empty() ? fs::path(".") : copy.parent_path();
    const uid_t user = ::geteuid();
    struct stat dir {
    }, file{};
    if (user != 0 && ::stat(folder.c_str(), &dir) == 0 && (dir.st_mode & S_ISVTX) &&
        dir.st_uid != user && ::lstat(existing.c_str(), &file) == 0 && file.st_uid != user) {
        ec.clear();
        fs::copy_file(existing, copy, ec);
        if (ec && ec != std::errc::file_exists)
            ::unlink(copy.c_str());
        return;
    }
    keepCopy(existing, copy, ec);
}

std::uintmax_t nameCount(const fs::path &path) noexcept
{
    struct stat st {
    };
    return ::lstat(path.c_str(), &st) == 0 ? st.st_nlink : 1;
}

void reportFileSizeLimitAsError() noexcept
{
    struct sigaction current {
    };
    if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
        return;
    struct sigaction ignore {
    };
    ignore.sa_handler = SIG_IGN;
    ::sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

void remove(const fs::path &path) noexcept
{
    ::unlink(path.c_str());
}

void moveNoReplace(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    ec.clear();
    // A second name, made only where none is there, then the first one goes.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return;
    }
    if (errno == EEXIST) {
        ec = lastError();
        return;
    }
    // No hard links on this file system (FAT, exFAT, some network shares). Only a program that
    // does not take the folder's lock could make the name between the look and the rename.
    struct stat st {
    };
    if (::lstat(to.c_str(), &st) == 0)
        ec = std::make_error_code(std::errc::file_exists);
    else if (::rename(from.c_str(), to.c_str()) != 0)
        ec = lastError();
}

#ifdef __linux__
void takeExtendedAttributes(File &file, const fs::path &model)
{
    // After the mode: an access ACL and the mode bits share the owner's, group's and others'
    // entries, and the ACL, set last, holds the mask the model had.
    const int from = ::open(model.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (from < 0)
        return;
    std::string names(1024, '\0');
    ssize_t size = 0;
    while ((size = ::flistxattr(from, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    std::string value;
    for (std::size_t at = 0; size > 0 && at < static_cast<std::size_t>(size);) {
        const char *name = names.c_str() + at;
        at += std::strlen(name) + 1;
        ssize_t length = 0;
        value.resize(256);
        while ((length = ::fgetxattr(from, name, value.data(), value.size())) < 0 &&
               errno == ERANGE)
            value.resize(value.size() * 4);
        // One the user may not set (security.*, trusted.* without the privilege), or that the
        // file system does not take, is left out.
        if (length >= 0)
            ::fsetxattr(fd(file), name, value.data(), static_cast<std::size_t>(length), 0);
    }
    ::close(from);
}
#else
void takeExtendedAttributes(File &, const fs::path &)
{
    // Extended attributes and ACLs differ too much between the other POSIX systems to copy here.
}
#endif

} // namespace files::platform
