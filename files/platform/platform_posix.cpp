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

File openForReading(const fs::path &path, bool filesOnly, std::error_code &ec)
{
    ec.clear();
    // Without waiting for a named pipe's writer; a pipe that may be read is read blocking.
    File file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.isOpen()) {
        ec = lastError();
        return file;
    }
    struct stat st {
    };
    if (::fstat(fd(file), &st) != 0)
        ec = lastError();
    else if (S_ISDIR(st.st_mode))
        ec = std::make_error_code(std::errc::is_a_directory);
    else if (filesOnly && !S_ISREG(st.st_mode))
        ec = std::make_error_code(std::errc::invalid_argument);
    else if (::fcntl(fd(file), F_SETFL, ::fcntl(fd(file), F_GETFL) & ~O_NONBLOCK) != 0)
        ec = lastError();
    if (ec)
        file.close();
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
    File file(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.isOpen())
        ec = lastError();
    return file;
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

fs::path folderLockPath(const fs::path &folder)
{
    return folder.empty() ? fs::path(".") : folder;
}

File openFolderLock(const fs::path &folder, std::error_code &ec)
{
    ec.clear();
    // The folder itself: no file that a user, a save or another program could remove, replace or
    // leave behind with the wrong owner.
    File file(::open(folderLockPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!file.isOpen())
        ec = lastError();
    return file;
}

bool tryLock(File &lock, bool exclusive, std::error_code &ec)
{
    ec.clear();
    if (::flock(fd(lock), (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
        return true;
    switch (errno) {
    case EWOULDBLOCK:
    case EINTR:
        return false;
    case ENOLCK:     // no locks on this file system
    case EOPNOTSUPP: // ...nor here
    case EBADF:      // over NFS, where an exclusive lock needs a file open for writing
        return true;
    default:
        ec = lastError();
        return false;
    }
}

FileIdentity identity(const File &file)
{
    struct stat st {
    };
    ::fstat(fd(file), &st);
    return {st.st_dev, st.st_ino};
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

bool sameName(const fs::path &a, const fs::path &b)
{
    return a == b;
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
