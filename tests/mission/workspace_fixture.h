#pragma once

// A throw-away folder for tests that touch files: the process works inside it for the length of
// one test, with an empty workspace folder ready, and everything goes when the test ends.

#include "workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace mission_test
{

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const fs::path &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

// Whether two byte strings are the same; on a difference, where it is, shown with its
// surroundings. (Unlike EXPECT_EQ, it does not diff large texts line by line, which takes
// memory quadratic in their size.)
inline ::testing::AssertionResult sameBytes(std::string_view actual, std::string_view expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
        actual.begin());
    const auto around = [at](std::string_view bytes) {
        std::string shown;
        for (const unsigned char c : bytes.substr(at < 20 ? 0 : at - 20, 40)) {
            static const char hex[] = "0123456789ABCDEF";
            if (c == '\r')
                shown += "\\r";
            else if (c == '\n')
                shown += "\\n";
            else if (c < 0x20 || c >= 0x7F)
                shown += std::string("\\x") + hex[c >> 4] + hex[c & 15];
            else
                shown += static_cast<char>(c);
        }
        return shown;
    };
    return ::testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size() << " were expected, first "
           << "difference at byte " << at << ":\n  got      \"" << around(actual)
           << "\"\n  expected \"" << around(expected) << '"';
}

// The names in a folder, sorted; hidden ones (such as a left-over temporary file) included.
inline std::vector<std::string> folderListing(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A new, empty, uniquely named folder in the system's temporary folder.
inline fs::path makeTempFolder(std::string_view stem)
{
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder from " + pattern);
    return fs::canonical(pattern);
}

class WorkspaceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousFolder_ = fs::current_path();
        root_ = makeTempFolder("tm_mission_test_");
        fs::current_path(root_);
        fs::create_directory(workspace());
    }

    void TearDown() override
    {
        fs::current_path(previousFolder_);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    [[nodiscard]] fs::path workspace() const { return root_ / mission::kWorkspaceFolder; }
    [[nodiscard]] fs::path workspaceFile(std::string_view name) const { return workspace() / name; }

    // The five workspace files, in assembly order.
    void writeSources(const std::vector<std::string> &contents)
    {
        ASSERT_EQ(contents.size(), std::size(mission::kMissionSources));
        for (std::size_t i = 0; i < contents.size(); ++i)
            writeBytes(workspaceFile(mission::kMissionSources[i]), contents[i]);
    }

    fs::path root_;

private:
    fs::path previousFolder_;
};

} // namespace mission_test
