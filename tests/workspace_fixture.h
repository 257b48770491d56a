#pragma once

#include "folder_fixture.h"
#include "workspace.h"

namespace mission_test
{

namespace fs = std::filesystem;
using files_test::Files;
using files_test::Lines;
using files_test::readBytes;
using files_test::snapshot;
using files_test::writeBytes;

// Each test works in a new temporary folder holding an empty workspace.
class WorkspaceTest : public files_test::FolderTest
{
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        fs::create_directory(workspace());
    }
    [[nodiscard]] fs::path workspace() const { return root_ / mission::kWorkspaceFolder; }
    [[nodiscard]] mission::Workspace ws() const { return mission::Workspace(workspace()); }
    void writeSources(const Lines &contents) const // in assembly order
    {
        for (std::size_t i = 0; i < 5; ++i)
            writeBytes(workspace() / mission::kMissionSources[i], contents.at(i));
    }
};

} // namespace mission_test
