#pragma once

#include "pathtext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files_test
{

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>; // name -> bytes, "(folder)" or "-> where"

// What the system says of a name that is not there, as the tests expect to read it.
inline constexpr const char *kNoEntry = "No such file or directory";

// The longest file name that `folder` takes.
inline std::size_t longestName(const fs::path &folder)
{
#ifdef _WIN32
    static_cast<void>(folder);
    return 255;
#else
    return static_cast<std::size_t>(::pathconf(folder.c_str(), _PC_NAME_MAX));
#endif
}

inline std::string readBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Everything in a folder, hidden files (a left-over temporary file) too; nothing if it is gone.
// A symbolic link shows where it leads, so that a link replaced by a file shows. On Windows the
// folder's lock file stays in a folder once a save made it, and is left out; POSIX locks the
// folder itself, and no lock file may show there.
inline Files snapshot(const fs::path &folder)
{
    Files files;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(folder, ec))
#ifdef _WIN32
        if (e.path().filename() != ".tm-lock")
#endif
            files[files::pathText(e.path().filename())] =
                e.is_symlink()        ? "-> " + files::pathText(fs::read_symlink(e))
                : e.is_regular_file() ? readBytes(e)
                                      : "(folder)";
    return files;
}

// Makes a named pipe, where the system has them; elsewhere it throws, as setting up a case that
// needs POSIX files (a pipe, a device) does. An empty path makes nothing.
inline void makeFifo(const fs::path &path)
{
#ifdef _WIN32
    throw fs::filesystem_error("no named pipes or devices here", path, {});
#else
    if (!path.empty() && ::mkfifo(path.c_str(), 0600) != 0)
        throw fs::filesystem_error("mkfifo", path, {errno, std::system_category()});
#endif
}

// Each test works in a new temporary folder, its current folder while it runs.
class FolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device random;
        fs::path made;
        do
            made = fs::temp_directory_path() / ("tm_test_" + std::to_string(random()));
        while (!fs::create_directory(made));
        fs::current_path(root_ = fs::canonical(made));
    }
    void TearDown() override
    {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }

    fs::path root_, previous_ = fs::current_path();
};

} // namespace files_test
