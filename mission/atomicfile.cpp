#include "atomicfile.h"

#include "error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mission
{

namespace
{

constexpr const char *kWriteAction = "could not write";

// The mode a file created by an ordinary open would get: what umask allows of rw for everyone.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

fs::path followLink(const fs::path &target)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path real = fs::weakly_canonical(target, ec);
        if (!ec)
            return real;
    }
    return target;
}

} // namespace

AtomicFile::AtomicFile(const fs::path &target) : target_(followLink(target))
{
    // The temporary file sits beside the target so that the final rename stays within one
    // file system and cannot fail half-way.
    std::string pattern =
        (target_.parent_path() / ("." + target_.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        throw Error::fromErrno(kWriteAction, target_, errno);
    temp_ = pattern;

    struct stat st {
    };
    const mode_t mode = ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();
    ::fchmod(fd_, mode);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            discard();
            throw Error::fromErrno(kWriteAction, target_, err);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicFile::commit(Backup backup)
{
    // The data must be on disk before the rename makes it the target; otherwise a crash could
    // leave an empty file where the previous one stood.
    if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        const int err = errno;
        fd_ = -1;
        discard();
        throw Error::fromErrno(kWriteAction, target_, err);
    }
    fd_ = -1;
    if (backup == Backup::KeepFirst)
        keepBackup();
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        discard();
        throw Error::fromErrno(kWriteAction, target_, err);
    }
    temp_.clear();
}

void AtomicFile::keepBackup()
{
    std::error_code ec;
    if (!fs::is_regular_file(target_, ec))
        return;
    fs::path bak = target_;
    bak += ".bak";
    if (fs::exists(fs::symlink_status(bak, ec)))
        return;
    // A hard link keeps the old file without copying it; where the file system has none, copy.
    if (::link(target_.c_str(), bak.c_str()) == 0)
        return;
    fs::copy_file(target_, bak, ec);
    if (ec) {
        fs::remove(bak, ec);
        discard();
        throw Error("could not keep the previous mission as", bak, ec.message());
    }
}

void AtomicFile::discard() noexcept
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

InputFile::InputFile(const fs::path &path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw Error::fromErrno("could not read", path_, errno);
    struct stat st {
    };
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw Error::fromErrno("could not read", path_, EISDIR);
    }
}

InputFile::~InputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string_view InputFile::read(std::size_t size)
{
    block_.resize(size);
    for (;;) {
        const ssize_t n = ::read(fd_, block_.data(), size);
        if (n >= 0)
            return {block_.data(), static_cast<std::size_t>(n)};
        if (errno != EINTR)
            throw Error::fromErrno("could not read", path_, errno);
    }
}

std::string readFile(const fs::path &path)
{
    InputFile in(path);
    std::string text;
    for (auto block = in.read(kBlockSize); !block.empty(); block = in.read(kBlockSize))
        text += block;
    return text;
}

} // namespace mission
