#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

// The few file-system calls that the standard library does not offer, or offers without the
// guarantees a safe save needs (flushing to disk, an exclusive create, a rename over an existing
// file). Each platform implements them in one file; the rest of the mission library uses only
// these and std::filesystem. Failures come back as a std::error_code whose message() is the
// operating system's reason.
namespace mission::platform
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
    // Closes without reporting; use syncAndClose() where the outcome matters.
    void close() noexcept;

    static constexpr std::intptr_t kClosed = -1;

private:
    std::intptr_t native_ = kClosed;
};

// Opens an existing file for reading; a folder is refused as "Is a directory".
[[nodiscard]] File openForReading(const std::filesystem::path &path, std::error_code &ec);

// Reads up to `size` bytes; 0 at the end of the file.
[[nodiscard]] std::size_t read(File &file, char *data, std::size_t size, std::error_code &ec);

// Creates a new file `<folder>/<stem><random>` that did not exist before, open for writing and
// readable by its owner only until takeAttributes(); `made` is its path.
[[nodiscard]] File createTemporary(const std::filesystem::path &folder, std::string_view stem,
                                   std::filesystem::path &made, std::error_code &ec);

// Gives a file being written the permissions of `model` where that exists, or those that an
// ordinary new file would get; and where the system has owners and allows it, the owner and group
// of `model`, so that replacing a file keeps it its owner's.
void takeAttributes(File &file, const std::filesystem::path &model);

// Fails, with the reason an open for writing would give ("Permission denied" for a file the user
// may not write, a read-only file system, a file in use where the system locks those), where the
// existing file `path` could not be opened for writing; it changes nothing in the file. Replacing
// a file by renaming needs only the folder's permission, so a save asks this first.
void checkWritable(const std::filesystem::path &path, std::error_code &ec);

// Writes all of the bytes.
void write(File &file, std::string_view bytes, std::error_code &ec);

// Makes what was written durable, then closes the file; it is closed even when that fails.
void syncAndClose(File &file, std::error_code &ec);

// Puts `from` in the place of `to`, replacing a file that is there, in one step.
void replace(const std::filesystem::path &from, const std::filesystem::path &to,
             std::error_code &ec);

// Keeps the file `existing` under the new name `copy` as well, in one step that either makes
// `copy` or finds the name taken: a hard link where the file system has them, a copy otherwise.
// Fails with std::errc::file_exists if anything at all has that name (a file, a folder, a link
// that leads nowhere) and leaves it as it is; any other failure leaves no `copy` behind.
void keepCopy(const std::filesystem::path &existing, const std::filesystem::path &copy,
              std::error_code &ec);

// Makes a write past the process's file-size limit (a quota, `ulimit -f`) fail with an error
// ("File too large") that write() reports, instead of ending the process with a signal. Leaves
// a handler that the program installed itself alone; does nothing where no such signal exists.
void reportFileSizeLimitAsError() noexcept;

// Removes a file, quietly: it serves to tidy up after a failure.
void remove(const std::filesystem::path &path) noexcept;

} // namespace mission::platform
