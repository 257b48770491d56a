#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>
#include <utility>

// The few file-system calls that the standard library does not offer, or offers without the
// guarantees a safe save needs (flushing to disk, an exclusive create, a rename over an existing
// file, a lock on a folder). Each platform implements them in one file; the rest of the file
// layer uses only these and std::filesystem. Failures come back as a std::error_code whose
// message() is the operating system's reason; the callers name the file.
namespace files::platform
{

// An open file: a descriptor on POSIX, a handle on Windows. Closed when it goes.
class File
{
public:
    File() = default;
    explicit File(std::intptr_t native) : native_(native) {}
    ~File() { close(); }
    File(File &&other) noexcept : native_(other.release()) {}
    File &operator=(File &&other) noexcept
    {
        if (this != &other) {
            close();
            native_ = other.release();
        }
        return *this;
    }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    [[nodiscard]] bool isOpen() const { return native_ != kClosed; }
    [[nodiscard]] std::intptr_t native() const { return native_; }
    std::intptr_t release() noexcept
    {
        const std::intptr_t native = native_;
        native_ = kClosed;
        return native;
    }
    // Closes without reporting, ending a hold; sync() first where the data matter.
    void close() noexcept;

    static constexpr std::intptr_t kClosed = -1;

private:
    std::intptr_t native_ = kClosed;
};

// Opens an existing file for reading; a folder is refused as "Is a directory", and so, where
// `filesOnly`, is anything else that is not a regular file (a device, a named pipe, a socket), with
// std::errc::invalid_argument, before a byte is read: it may never end, or wait for a writer.
[[nodiscard]] File openForReading(const std::filesystem::path &path, bool filesOnly,
                                  std::error_code &ec);

// Reads up to `size` bytes; 0 at the end of the file.
[[nodiscard]] std::size_t read(File &file, char *data, std::size_t size, std::error_code &ec);

// The longest file name, in units of std::filesystem::path::value_type, that `folder` takes
// (255 where the system cannot tell).
[[nodiscard]] std::size_t maxNameLength(const std::filesystem::path &folder) noexcept;

// Creates the file `path`, which must not exist: fails with std::errc::file_exists if anything at
// all has that name (a file, a folder, a link that leads nowhere), which it leaves as it is; no
// link is followed. The file is open for writing and reading, and readable and writable by its
// owner only until takeAttributes().
[[nodiscard]] File createNew(const std::filesystem::path &path, std::error_code &ec);

// Gives a file being written the permissions of `model` where that exists, or those that an
// ordinary new file would get; and where the system has owners and allows it, the owner and group
// of `model`, so that replacing a file keeps it its owner's.
void takeAttributes(File &file, const std::filesystem::path &model);

// Gives a file being written what else protects or describes `model`, where the system has it
// and lets the user give it: on Linux its extended attributes, POSIX ACLs among them; on Windows
// its attributes (System, Hidden, Archive...; not read-only) and its access rules. What cannot
// be given is left out quietly: the file is then as any new file would be.
void takeExtendedAttributes(File &file, const std::filesystem::path &model);

// Fails, with the reason an open for writing would give ("Permission denied" for a file the user
// may not write, a read-only file system, a file in use where the system locks those), where the
// existing file `path` could not be opened for writing; it changes nothing in the file. Replacing
// a file by renaming needs only the folder's permission, so a save asks this first.
void checkWritable(const std::filesystem::path &path, std::error_code &ec);

// Writes all of the bytes.
void write(File &file, std::string_view bytes, std::error_code &ec);

// Makes what was written durable. The file stays open.
void sync(File &file, std::error_code &ec);

// Puts the file `from` in the place of `to` in one step: at every moment `to` names either its
// previous file or the new one, never nothing and never a partial file. A file at `to` is
// replaced, a link at `to` is replaced itself (not followed). `from` is closed first (Windows will
// not rename a file open here). Both lie in the same folder.
void replace(const std::filesystem::path &from, const std::filesystem::path &to,
             std::error_code &ec);

// Gives the file `from` the name `to` in one step, unless anything at all has that name already:
// then it fails with std::errc::file_exists and leaves both as they are. Both lie in one folder.
void moveNoReplace(const std::filesystem::path &from, const std::filesystem::path &to,
                   std::error_code &ec);

// Whether two names in one folder name one file where neither exists yet: the same bytes on POSIX,
// the same letters in either case on Windows.
[[nodiscard]] bool sameName(const std::filesystem::path &a, const std::filesystem::path &b);

// Makes a write past the process's file-size limit (a quota, `ulimit -f`) fail with an error
// ("File too large") that write() reports, instead of ending the process with a signal. Leaves
// a handler that the program installed itself alone; does nothing where no such signal exists.
void reportFileSizeLimitAsError() noexcept;

// What a folder is locked through: the folder itself on POSIX; on Windows, which locks no folder,
// its file ".tm-lock", made once, hidden, and left there.
[[nodiscard]] std::filesystem::path folderLockPath(const std::filesystem::path &folder);

// Opens what locks `folder` (folderLockPath()), making the lock file where there is one. On Windows
// the lock file cannot be removed or replaced while it is open here, so no other program can
// break a lock while it is held.
[[nodiscard]] File openFolderLock(const std::filesystem::path &folder, std::error_code &ec);

// Takes the lock of an open folderLock, exclusive or shared, without waiting: false while another
// open of it holds it in a way that excludes this one. Locks taken through two opens exclude each
// other even in one process. Where the file system has no locks at all, it succeeds without one.
// The lock goes with the File.
[[nodiscard]] bool tryLock(File &lock, bool exclusive, std::error_code &ec);

// Which file an open file is: the same for every open of one file, different for two files.
using FileIdentity = std::pair<std::uint64_t, std::uint64_t>;
[[nodiscard]] FileIdentity identity(const File &file);

// Makes the names in `folder` durable: what renames and new links did there survives a power cut
// once this returns. POSIX syncs the folder; on Windows every rename and link this layer makes is
// written through already (MOVEFILE_WRITE_THROUGH), and there is nothing left to do.
void syncFolder(const std::filesystem::path &folder, std::error_code &ec);

// For tests: the calls whose effect on disk the layer's promises rest on. Where a probe is set,
// each of these calls asks it first; an error it returns is the call's failure, and the call is
// not made. The probe runs in the calling thread, and may carry what it needs; none is set in the
// programs. It is set and cleared while no save runs.
enum class Call { SyncFile, SyncFolder, Replace };
using Probe = std::function<std::error_code(Call call, const std::filesystem::path &path)>;
void setProbe(Probe probe);
[[nodiscard]] std::error_code probe(Call call, const std::filesystem::path &path);

// Removes a file, quietly: it serves to tidy up after a failure, and only ever for a file that
// the caller made itself.
void remove(const std::filesystem::path &path) noexcept;

} // namespace files::platform
