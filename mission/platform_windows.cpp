#include "platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace mission::platform
{

namespace
{

HANDLE handle(const File &file)
{
    return reinterpret_cast<HANDLE>(file.native());
}

// The system's error as the same portable condition POSIX would give where there is one, so that
// callers test one set of conditions and users read the same reasons on every platform; the
// system's own message otherwise.
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
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    default:
        return {static_cast<int>(code), std::system_category()};
    }
}

bool isFolder(const fs::path &path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Letters and digits that every Windows file system takes in a name.
std::wstring randomSuffix()
{
    static constexpr wchar_t kChars[] =
        L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    static thread_local std::mt19937 random{std::random_device{}() ^
                                            static_cast<unsigned>(::GetCurrentProcessId())};
    std::wstring suffix(6, L'0');
    for (wchar_t &c : suffix)
        c = kChars[random() % (std::size(kChars) - 1)];
    return suffix;
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

File openForReading(const fs::path &path, std::error_code &ec)
{
    ec.clear();
    // Opening a folder fails with "access denied" here; say what it is, as POSIX does.
    if (isFolder(path)) {
        ec = std::make_error_code(std::errc::is_a_directory);
        return {};
    }
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ec = lastError();
        return {};
    }
    return File(reinterpret_cast<std::intptr_t>(h));
}

std::size_t read(File &file, char *data, std::size_t size, std::error_code &ec)
{
    ec.clear();
    DWORD got = 0;
    if (!::ReadFile(handle(file), data, chunk(size), &got, nullptr)) {
        ec = lastError();
        return 0;
    }
    return got;
}

File createTemporary(const fs::path &folder, std::string_view stem, fs::path &made,
                     std::error_code &ec)
{
    ec.clear();
    const fs::path base = folder / fs::path(std::u8string(stem.begin(), stem.end()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base;
        candidate += randomSuffix();
        // CREATE_NEW fails if the name exists, so two saves never share a temporary file.
        const HANDLE h =
            ::CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            made = candidate;
            return File(reinterpret_cast<std::intptr_t>(h));
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            ec = lastError();
            return {};
        }
    }
    ec = std::make_error_code(std::errc::file_exists);
    return {};
}

void takeAttributes(File &, const fs::path &)
{
    // A new file takes its permissions from the folder's inheritable access rules, as the file
    // it replaces did; there are no mode bits to copy.
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

void syncAndClose(File &file, std::error_code &ec)
{
    ec.clear();
    const HANDLE h = reinterpret_cast<HANDLE>(file.release());
    const bool flushed = ::FlushFileBuffers(h);
    if (!flushed)
        ec = lastError();
    if (!::CloseHandle(h) && flushed)
        ec = lastError();
}

void replace(const fs::path &from, const fs::path &to, std::error_code &ec)
{
    ec.clear();
    // A plain rename refuses an existing target here; this replaces it in one step, and returns
    // only once the move is on disk.
    if (!::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ec = isFolder(to) ? std::make_error_code(std::errc::is_a_directory) : lastError();
}

void keepCopy(const fs::path &existing, const fs::path &copy, std::error_code &ec)
{
    ec.clear();
    if (::CreateHardLinkW(copy.c_str(), existing.c_str(), nullptr))
        return;
    ec = lastError();
    if (ec == std::errc::file_exists)
        return;
    // No hard links on this file system (FAT, some network shares): a copy, which also refuses
    // an existing name.
    ec.clear();
    if (!::CopyFileW(existing.c_str(), copy.c_str(), TRUE))
        ec = lastError();
}

void remove(const fs::path &path) noexcept
{
    ::DeleteFileW(path.c_str());
}

} // namespace mission::platform
