#include "platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <string>

namespace fs = std::filesystem;

namespace files::platform
{

namespace
{

// Every handle lets others read, write, rename and remove the file, as a POSIX descriptor does.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handle(const File &file)
{
    return reinterpret_cast<HANDLE>(file.native());
}

File adopt(HANDLE h)
{
    return h == INVALID_HANDLE_VALUE ? File() : File(reinterpret_cast<std::intptr_t>(h));
}

// The system's error as the portable condition POSIX gives in its place where there is one, so
// that callers test one set of conditions and users read the same reasons on every platform; the
// system's own otherwise.
std::error_code lastError()
{
    const DWORD code = ::GetLastError();
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_NOT_SAME_DEVICE:
        return std::make_error_code(std::errc::cross_device_link);
    default:
        return {static_cast<int>(code), std::system_category()};
    }
}

DWORD attributesOf(const fs::path &path)
{
    return ::GetFileAttributesW(path.c_str());
}

bool isFolder(const fs::path &path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opens what the name itself names: a link is opened as the link, not followed.
HANDLE openNamed(const fs::path &path, DWORD access, DWORD disposition)
{
    return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

struct FileId {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileId &) const = default;
};

bool idOf(HANDLE h, FileId &id, DWORD *attributes = nullptr)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info))
        return false;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    if (attributes)
        *attributes = info.dwFileAttributes;
    return true;
}

// ReadFile and WriteFile take at most a DWORD at a time.
DWORD chunk(std::size_t size)
{
    return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
}

} // namespace

void File::close() noexcept
{
    if (isOpen())
        ::CloseHandle(reinterpret_cast<HANDLE>(release()));
}

File openForReading(const fs::path &path, bool filesOnly, std::error_code &ec)
{
    ec.clear();
    // Opening a folder fails with "access denied" here; say what it is, as POSIX does.
    if (isFolder(path)) {
        ec = std::make_error_code(std::errc::is_a_directory);
        return {};
    }
    File file = adopt(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.isOpen())
        ec = lastError();
    else if (filesOnly && ::GetFileType(handle(file)) != FILE_TYPE_DISK) {
        ec = std::make_error_code(std::errc::invalid_argument);
        file.close();
    }
    return file;
}

std::size_t read(File &file, char *data, std::size_t size, std::error_code &ec)
{
    ec.clear();
    DWORD got = 0;
    if (!::ReadFile(handle(file), data, chunk(size), &got, nullptr)) {
        // A pipe whose writer has finished ends like a file.
        if (::GetLastError() == ERROR_BROKEN_PIPE)
            return 0;
        ec = lastError();
        return 0;
    }
    return got;
}

std::size_t maxNameLength(const fs::path &folder) noexcept
{
    std::wstring root(MAX_PATH + 1, L'\0');
    const fs::path where = folder.empty() ? fs::path(L".") : folder;
    DWORD longest = 0;
    if (::GetVolumePathNameW(where.c_str(), root.data(), static_cast<DWORD>(root.size())) &&
        ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, &longest, nullptr, nullptr, 0) &&
        longest > 0)
        return longest;
    return 255;
}

File createNew(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    // CREATE_NEW fails if anything at all has the name; a link is not followed.
    File file = adopt(openNamed(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    if (!file.isOpen()) {
        // The reason first: asking after the name sets the last error anew, and a folder that
        // may not be written would read as one that is not there. A folder under the name is
        // refused as "Access is denied"; it exists all the same.
        ec = lastError();
        if (attributesOf(path) != INVALID_FILE_ATTRIBUTES)
            ec = std::make_error_code(std::errc::file_exists);
    }
    return file;
}

void takeAttributes(File &file, const fs::path &model)
{
    // There are no mode bits to copy and no owner to give it.
    takeExtendedAttributes(file, model);
}

void checkWritable(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    // The rename that replaces a file ignores its read-only mark, which an open for writing
    // honours.
    const DWORD attributes = attributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ec = std::make_error_code(std::errc::permission_denied);
        return;
    }
    // Asking to remove it as well finds a file that another program has open without letting it
    // be removed (as most programs open files): the rename that replaces it would fail too, after
    // the backup was made.
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ec = lastError();
    else
        ::CloseHandle(h);
}

void write(File &file, std::string_view bytes, std::error_code &ec)
{
    ec.clear();
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle(file), bytes.data(), chunk(bytes.size()), &written, nullptr)) {
            ec = lastError();
            return;
        }
        bytes.remove_prefix(written);
    }
}

void sync(File &file, std::error_code &ec)
{
    ec = probe(Call::SyncFile, {});
    if (!ec && !::FlushFileBuffers(handle(file)))
        ec = lastError();
}

fs::path folderLockPath(const fs::path &folder)
{
    return (folder.empty() ? fs::path(L".") : folder) / L".tm-lock";
}

File openFolderLock(const fs::path &folder, std::error_code &ec)
{
    ec.clear();
    // Not shared for removal: while any save or reader has it open, no one can remove it or
    // rename another file over it, and so break the lock.
    File file = adopt(::CreateFileW(folderLockPath(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.isOpen()) {
        ec = lastError();
        return file;
    }
    FileId id;
    DWORD attributes = 0;
    if (!idOf(handle(file), id, &attributes) ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        ec = std::make_error_code(std::errc::invalid_argument);
        file.close();
    }
    return file;
}

bool tryLock(File &lock, bool exclusive, std::error_code &ec)
{
    ec.clear();
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (::LockFileEx(handle(lock), flags, 0, 1, 0, &at))
        return true;
    if (::GetLastError() != ERROR_LOCK_VIOLATION && ::GetLastError() != ERROR_IO_PENDING)
        ec = lastError();
    return false;
}

FileIdentity identity(const File &file)
{
    FileId id;
    idOf(handle(file), id);
    return {id.volume, (std::uint64_t{id.high} << 32) | id.low};
}

void syncFolder(const fs::path &folder, std::error_code &ec)
{
    // Every rename here is MOVEFILE_WRITE_THROUGH and every link is made by the system before it
    // returns; Windows has no call that flushes a folder on its own.
    ec = probe(Call::SyncFolder, folder);
}

void replace(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    ec = probe(Call::Replace, to);
    if (ec)
        return;
    // A plain rename refuses an existing target here; this replaces it in one step (a link at
    // `to` is replaced itself), and returns only once the move is on disk. A file that is open
    // cannot be replaced: virus scanners, indexers and another save checking the file open it for
    // a moment, so a refusal is tried again a few times before it counts.
    constexpr int kAttempts = 20;
    constexpr DWORD kPauseMs = 25;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return;
        const DWORD error = ::GetLastError();
        const DWORD attributes = attributesOf(to);
        const bool busy = (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) &&
                          attributes != INVALID_FILE_ATTRIBUTES &&
                          !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
        if (!busy || attempt == kAttempts) {
            ::SetLastError(error);
            ec = isFolder(to) ? std::make_error_code(std::errc::is_a_directory) : lastError();
            return;
        }
        ::Sleep(kPauseMs);
    }
}

void moveNoReplace(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    ec.clear();
    // Without MOVEFILE_REPLACE_EXISTING a move refuses a name that is taken, in the same step.
    if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
        ec = attributesOf(to) != INVALID_FILE_ATTRIBUTES
                 ? std::make_error_code(std::errc::file_exists)
                 : lastError();
}

bool sameName(const fs::path &a, const fs::path &b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void reportFileSizeLimitAsError() noexcept
{
    // Windows has no signal for it: a write past a quota simply fails.
}

void remove(const fs::path &path) noexcept
{
    ::DeleteFileW(path.c_str());
}

void takeExtendedAttributes(File &file, const fs::path &model)
{
    // Where there is no model, a new file takes its access rules from the folder.
    const DWORD attributes = attributesOf(model);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    // Read-only is refused before a save begins; what the system keeps for itself (compressed,
    // encrypted, sparse...) is not the user's to give.
    constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{}; // times left at zero are left as they are
    basic.FileAttributes = (attributes & kKept) ? attributes & kKept : FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(handle(file), FileBasicInfo, &basic, sizeof basic);
    // The access rules: the model's own list, with the entries it inherited marked as such. A
    // handle of its own may change them; where the user may not, the folder's stay.
    DWORD size = 0;
    ::GetFileSecurityW(model.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0)
        return;
    std::string descriptor(size, '\0');
    const HANDLE rules = ::ReOpenFile(handle(file), WRITE_DAC, kShareAll, 0);
    if (rules == INVALID_HANDLE_VALUE)
        return;
    if (::GetFileSecurityW(model.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size,
                           &size))
        ::SetKernelObjectSecurity(rules, DACL_SECURITY_INFORMATION, descriptor.data());
    ::CloseHandle(rules);
}

} // namespace files::platform
