#include "atomicfile.h"

#include "backup.h"
#include "error.h"
#include "ownnames.h"
#include "platform.h"
#include "savetarget.h"

namespace fs = std::filesystem;

namespace files
{

AtomicFile::AtomicFile(const fs::path &target, Backup backup, const WaitForFolder &wait)
    : target_(followLinks(target)), backup_(backup), file_(std::make_unique<platform::File>())
{
    checkTarget(target_);
    // The temporary file sits beside the target so that the final rename stays within one
    // file system and cannot fail half-way.
    lock_ = std::make_unique<FolderLock>(target_.parent_path(), FolderLock::Mode::Exclusive, wait,
                                         target_);
    if (!lock_->claim(nameTag(target_)))
        throw Error(kWriteAction, target_, "it is being saved already");
    // Refused before anything is written, where it can be seen already.
    if (backup_ == Backup::KeepFirst)
        checkBackupPlace(target_);
    tidyLeftovers(target_);
    std::error_code ec;
    const fs::path temp = ownName(target_, kNewPrefix);
    *file_ = platform::createNew(temp, ec);
    if (ec)
        throw Error(kWriteAction, target_, ec);
    temp_ = temp;
    platform::takeAttributes(*file_, target_);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::string_view bytes)
{
    std::error_code ec;
    platform::write(*file_, bytes, ec);
    if (ec) {
        discard();
        throw Error(kWriteAction, target_, ec);
    }
}

void AtomicFile::commit()
{
    prepare();
    makeBackup();
    std::error_code ec;
    if (!replaceTarget(ec)) {
        // A backup made stays: it holds the target as it still is.
        discard();
        throw Error(kWriteAction, target_, ec);
    }
    // The rename, and the backup's new name, survive a power cut only once the folder is on disk
    // too.
    if ((ec = syncFolder()))
        throw Error(kUnconfirmedAction, target_, ec);
}

std::error_code AtomicFile::syncFolder() const
{
    std::error_code ec;
    platform::syncFolder(target_.parent_path(), ec);
    return ec;
}

void AtomicFile::prepare()
{
    // The data must be on disk before the rename makes it the target; otherwise a crash could
    // leave an empty file where the previous one stood.
    std::error_code ec;
    platform::sync(*file_, ec);
    if (ec) {
        discard();
        throw Error(kWriteAction, target_, ec);
    }
}

void AtomicFile::makeBackup()
{
    if (backup_ != Backup::KeepFirst)
        return;
    try {
        files::copyToBackup(target_);
    } catch (const Error &) {
        discard();
        throw;
    }
}

bool AtomicFile::replaceTarget(std::error_code &ec)
{
    // Closed first: Windows will not rename a file open here.
    file_->close();
    platform::replace(temp_, target_, ec);
    if (ec)
        return false;
    temp_.clear();
    return true;
}

void AtomicFile::discard() noexcept
{
    if (!temp_.empty())
        platform::remove(temp_);
    temp_.clear();
    file_->close();
}

} // namespace files
