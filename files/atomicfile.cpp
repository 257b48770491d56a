#include "atomicfile.h"

#include "backup.h"
#include "error.h"
#include "ownnames.h"
#include "platform.h"
#include "savetarget.h"

namespace fs = std::filesystem;

namespace files
{

AtomicFile::AtomicFile(const fs::path &target, Backup backup)
    : folder_(target.parent_path()), target_(followLinks(target)), backup_(backup),
      file_(std::make_unique<platform::File>())
{
    checkTarget(target_);
    // Refused before anything is written, where it can be seen already.
    if (backup_ == Backup::KeepFirst)
        checkBackupPlace(target_);
    // The temporary file sits beside the target so that the final rename stays within one
    // file system and cannot fail half-way.
    tag_ = nameTag(target_);
    removeLeftovers(target_.parent_path(), tag_);
    std::error_code ec;
    for (int slot = 0; slot < kNameSlots && !file_->isOpen(); ++slot) {
        temp_ = ownName(target_.parent_path(), kNewPrefix, tag_, slot);
        *file_ = platform::createNew(temp_, ec);
        if (ec && ec != std::errc::file_exists)
            break;
    }
    if (!file_->isOpen()) {
        temp_.clear();
        throw Error(kWriteAction, target_, ec);
    }
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
    keepBackup();
    std::error_code ec;
    if (!replaceTarget(ec)) {
        // A backup made stays: it holds the target as it still is, and another save of the same
        // file may already count on it.
        discard();
        throw Error(kWriteAction, target_, ec);
    }
    syncFolder();
}

void AtomicFile::syncFolder() const
{
    // The rename, and the backup's new name, survive a power cut only once the folder is on disk
    // too; until then the save has not succeeded.
    std::error_code ec;
    platform::syncFolder(target_.parent_path(), ec);
    if (ec)
        throw Error(kWriteAction, target_, ec);
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

void AtomicFile::keepBackup()
{
    if (backup_ != Backup::KeepFirst)
        return;
    try {
        files::keepBackup(target_);
    } catch (const Error &) {
        discard();
        throw;
    }
}

bool AtomicFile::replaceTarget(std::error_code &ec)
{
    platform::replace(temp_, target_, ec);
    if (ec)
        return false;
    // Its own name gone, the file needs no hold; and Windows cannot replace a file open here, as
    // putting the target back after a later failure in its group must.
    temp_.clear();
    file_->close();
    return true;
}

void AtomicFile::discard() noexcept
{
    // Removed while still held, so that no other save's tidying can mistake it for a left-over
    // and race this removal.
    if (!temp_.empty())
        platform::remove(temp_);
    temp_.clear();
    file_->close();
}

} // namespace files
