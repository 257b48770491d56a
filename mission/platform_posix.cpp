#include "platform.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mission::platform
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

File createTemporary(const fs::path &folder, std::string_view stem, fs::path &made,
                     std::error_code &ec)
{
    ec.clear();
    fs::path name(stem);
    name += "XXXXXX";
    std::string pattern = (folder / name).string();
    File file(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!file.isOpen()) {
        ec = lastError();
        return file;
    }
    made = pattern;
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
    if (::fchown(fd(file), st.st_uid, st.st_gid) != 0)
        static_cast<void>(::fchown(fd(file), static_cast<uid_t>(-1), st.st_gid));
    ::fchmod(fd(file), st.st_mode & 07777);
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

void syncAndClose(File &file, std::error_code &ec)
{
    ec.clear();
    const int descriptor = static_cast<int>(file.release());
    const bool synced = ::fsync(descriptor) == 0;
    if (!synced)
        ec = lastError();
    if (::close(descriptor) != 0 && synced)
        ec = lastError();
}

void replace(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    ec.clear();
    if (::rename(from.c_str(), to.c_str()) != 0)
        ec = lastError();
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

} // namespace mission::platform
