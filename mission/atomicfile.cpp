#include "atomicfile.h"

#include "error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    fs::path hidden = ".";
    hidden += target_.filename();
    hidden += ".XXXXXX";
    std::string pattern = (target_.parent_path() / hidden).string();
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
    prepare();
    const bool keptBackup = backup == Backup::KeepFirst && keepBackup();
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        // Nothing was replaced, so there is nothing to keep: a failed save leaves no backup.
        if (keptBackup)
            ::unlink((target_.string() + ".bak").c_str());
        discard();
        throw Error::fromErrno(kWriteAction, target_, err);
    }
    temp_.clear();
}

void AtomicFile::prepare()
{
    if (fd_ < 0 && !temp_.empty())
        return; // prepared already
    // The data must be on disk before the rename makes it the target; otherwise a crash could
    // leave an empty file where the previous one stood.
    if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        const int err = errno;
        fd_ = -1;
        discard();
        throw Error::fromErrno(kWriteAction, target_, err);
    }
    fd_ = -1;
}

void AtomicFile::commitTogether(std::span<AtomicFile *const> files, Backup backup)
{
    for (AtomicFile *file : files)
        file->prepare();

    // The backups this call makes, to be removed again if it fails; and the previous content
    // of each target, to put back should a later rename fail (empty for a target that is not a
    // file yet).
    std::vector<fs::path> backups;
    std::vector<fs::path> previous;
    const auto drop = [](const std::vector<fs::path> &paths) {
        for (const auto &p : paths)
            if (!p.empty())
                ::unlink(p.c_str());
    };
    try {
        if (backup == Backup::KeepFirst) {
            for (AtomicFile *file : files) {
                fs::path bak = file->target_;
                bak += ".bak";
                std::error_code ec;
                const bool had = fs::exists(fs::symlink_status(bak, ec));
                file->keepBackup();
                if (!had && fs::exists(fs::symlink_status(bak, ec)))
                    backups.push_back(bak);
            }
        }
        for (AtomicFile *file : files)
            previous.push_back(file->keepPrevious());
    } catch (...) {
        drop(previous);
        drop(backups);
        throw;
    }

    for (std::size_t i = 0; i < files.size(); ++i) {
        AtomicFile &file = *files[i];
        if (::rename(file.temp_.c_str(), file.target_.c_str()) == 0) {
            file.temp_.clear();
            continue;
        }
        std::string reason = std::strerror(errno);
        // Put back the targets replaced so far.
        for (std::size_t j = 0; j < i; ++j) {
            const fs::path &target = files[j]->target_;
            if (previous[j].empty()) {
                if (::unlink(target.c_str()) != 0) {
                    const std::string why = std::strerror(errno);
                    reason += "; \"" + target.string() +
                              "\" was new and could not be removed again: " + why;
                }
            } else if (::rename(previous[j].c_str(), target.c_str()) != 0) {
                const std::string why = std::strerror(errno);
                reason += "; \"" + target.string() + "\" could not be put back (" + why +
                          "): its previous content is in \"" + previous[j].string() + "\"";
            }
            previous[j].clear(); // put back, or left for the user
        }
        drop(previous);
        drop(backups);
        throw Error(kWriteAction, file.target_, reason);
    }
    drop(previous);
}

fs::path AtomicFile::keepPrevious()
{
    std::error_code ec;
    if (!fs::is_regular_file(target_, ec))
        return {};
    fs::path kept = temp_;
    kept += ".previous";
    if (::link(target_.c_str(), kept.c_str()) == 0)
        return kept;
    fs::copy_file(target_, kept, ec);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(kept, ec);
        throw Error("could not keep a copy of", target_, reason);
    }
    return kept;
}

bool AtomicFile::keepBackup()
{
    std::error_code ec;
    if (!fs::is_regular_file(target_, ec))
        return false;
    fs::path bak = target_;
    bak += ".bak";
    if (fs::exists(fs::symlink_status(bak, ec)))
        return false;
    // A hard link keeps the old file without copying it; where the file system has none, copy.
    if (::link(target_.c_str(), bak.c_str()) == 0)
        return true;
    fs::copy_file(target_, bak, ec);
    if (ec) {
        const std::string reason = ec.message(); // before remove() overwrites ec
        fs::remove(bak, ec);
        discard();
        throw Error("could not keep the previous mission as", bak, reason);
    }
    return true;
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
