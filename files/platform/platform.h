#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

// The few file-system calls that the standard library does not offer, or offers without the
// guarantees a safe save needs (flushing to disk, an exclusive create, a rename over an existing
// file, a hold that tells a running save's files from those a killed one left). Each platform
// implements them in one file; the rest of the file layer uses only these and
// std::filesystem. Failures come back as a std::error_code whose message() is the operating
// system's reason; the callers name the file.
//
// Holding a file: a save holds each file of its own that another save's tidying might otherwise
// take for a left-over (its temporary file, its copy of a target's previous content) from the
// moment the file exists under its name until the File that holds it is closed, by the save or by
// the system when the process ends, however it ends. removeIfUnused() removes only a file that
// nobody holds. A hold is shared: any number of Files may hold one file at once. It must not stop
// the holder from reading, writing, renaming or removing the file, nor anyone from reading it.
// On POSIX it is a shared flock() lock; on Windows, LockFileEx() over a byte range beyond any
// real content serves.
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

// Opens an existing file for reading; a folder is refused as "Is a directory".
[[nodiscard]] File openForReading(const std::filesystem::path &path, std::error_code &ec);

// Reads up to `size` bytes; 0 at the end of the file.
[[nodiscard]] std::size_t read(File &file, char *data, std::size_t size, std::error_code &ec);

// The longest file name, in units of std::filesystem::path::value_type, that `folder` takes
// (255 where the system cannot tell).
[[nodiscard]] std::size_t maxNameLength(const std::filesystem::path &folder) noexcept;

// Creates the file `path`, which must not exist: fails with std::errc::file_exists if anything at
// all has that name (a file, a folder, a link that leads nowhere), which it leaves as it is; no
// link is followed. The file is open for writing and reading by this File, which holds it; it is
// readable and writable by its owner only until takeAttributes(). A removeIfUnused() elsewhere
// that comes between the creation and the hold must not leave the caller with a file that has no
// name: the platform makes the file again under the same name, or fails.
[[nodiscard]] File createNew(const std::filesystem::path &path, std::error_code &ec);

// Opens the existing file `path`, without following a link, only to hold it. Fails with
// std::errc::no_such_file_or_directory if `path` is gone, or names another file, by the time the
// hold is in place. Where holds cannot be taken at all (the file system has no locks), it succeeds
// without one: removeIfUnused() cannot take one there either.
[[nodiscard]] File hold(const std::filesystem::path &path, std::error_code &ec);

// Removes `path` if it is a file (not a link, not a folder) that nobody holds, and tells whether
// it did. It never removes a file that it cannot prove unheld: where it cannot open the file or
// take the hold exclusively, it leaves it. Between the proof and the removal, the name must still
// be the file it proved unheld.
bool removeIfUnused(const std::filesystem::path &path) noexcept;

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

// Makes what was written durable. The file stays open, and held.
void sync(File &file, std::error_code &ec);

// Puts the file `from` in the place of `to` in one step: at every moment `to` names either its
// previous file or the new one, never nothing and never a partial file. A file at `to` is
// replaced, a link at `to` is replaced itself (not followed). `from` may be open and held by this
// process while it is renamed; the hold moves with the file. Both lie in the same folder.
void replace(const std::filesystem::path &from, const std::filesystem::path &to,
             std::error_code &ec);

// Keeps the file `existing` under the new name `copy` as well, in one step that either makes
// `copy` or finds the name taken: a hard link where the file system has them, a copy otherwise.
// Fails with std::errc::file_exists if anything at all has that name (a file, a folder, a link
// that leads nowhere) and leaves it as it is; any other failure leaves no `copy` behind.
void keepCopy(const std::filesystem::path &existing, const std::filesystem::path &copy,
              std::error_code &ec);

// Keeps what the file `existing` holds now under the new name `copy`, which the caller will hold
// while it replaces `existing`; with the same contract as keepCopy() otherwise. Where a file can
// be replaced while it is open under another name (POSIX), that is keepCopy(); where it cannot
// (Windows refuses to replace a file that is open under any of its names), it is a copy of the
// content, so that the hold does not stand in the way. In a POSIX folder with the sticky bit
// that is not the user's, another user's file is copied too, as a second name for it would be
// one the save could not remove.
void keepContent(const std::filesystem::path &existing, const std::filesystem::path &copy,
                 std::error_code &ec);

// Gives the file `from` the name `to` in one step, unless anything at all has that name already:
// then it fails with std::errc::file_exists and leaves both as they are. Both lie in one folder.
void moveNoReplace(const std::filesystem::path &from, const std::filesystem::path &to,
                   std::error_code &ec);

// How many names (hard links) the file `path` has; 1 where it cannot be told.
[[nodiscard]] std::uintmax_t nameCount(const std::filesystem::path &path) noexcept;

// Makes a write past the process's file-size limit (a quota, `ulimit -f`) fail with an error
// ("File too large") that write() reports, instead of ending the process with a signal. Leaves
// a handler that the program installed itself alone; does nothing where no such signal exists.
void reportFileSizeLimitAsError() noexcept;

// Takes the folder's lock for a group of files in `folder`, through the lock file ".tm-lock" there
// (made if it is missing), and holds it until the File goes: exclusive for one group commit at a
// time, shared for any number of readers of the group. Waits while another holds it in a way that
// excludes this one. Fails where the lock file cannot be made or opened.
[[nodiscard]] File lockFolder(const std::filesystem::path &folder, bool exclusive,
                              std::error_code &ec);

// Makes the names in `folder` durable: what renames and new links did there survives a power cut
// once this returns. POSIX syncs the folder; on Windows every rename and link this layer makes is
// written through already (MOVEFILE_WRITE_THROUGH), and there is nothing left to do.
void syncFolder(const std::filesystem::path &folder, std::error_code &ec);

// For tests: the calls whose effect on disk the layer's promises rest on. Where a probe is set,
// each of these calls asks it first; an error it returns is the call's failure, and the call is
// not made. The probe runs in the calling thread; none is set in the programs.
enum class Call { SyncFile, SyncFolder, Replace };
using Probe = std::error_code (*)(Call call, const std::filesystem::path &path);
void setProbe(Probe probe) noexcept;
[[nodiscard]] std::error_code probe(Call call, const std::filesystem::path &path);

// Removes a file, quietly: it serves to tidy up after a failure, and only ever for a file that
// the caller made itself.
void remove(const std::filesystem::path &path) noexcept;

} // namespace files::platform
