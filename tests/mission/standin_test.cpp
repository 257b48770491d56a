#include "standin.h"

#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;

namespace
{

// The shipped pieces in the workspace, the first one as `change` makes it, and whether they are
// still the stand-ins.
struct Case {
    const char *name;
    std::function<std::string(std::string)> change;
    bool standIn;
};

const Case kCases[] = {
    {"Shipped", [](std::string s) { return s; }, true},
    {"LfLineEnds", [](std::string s) { return std::erase(s, '\r'), s; }, true},
    {"OneByteChanged", [](std::string s) { return s.replace(100, 1, "#"); }, false},
    {"LineAdded", [](std::string s) { return s + "]\r\n"; }, false},
    {"LastLineCut", [](std::string s) { return s.substr(0, s.size() - 3); }, false},
};

class StandIn : public mission_test::WorkspaceTest, public ::testing::WithParamInterface<Case>
{
};

TEST_P(StandIn, IsToldFromTheUsersOwnPieces)
{
    for (const char *name : {"mis_1_3.dat", "mis_1_2.dat", "mis_1_1.dat"})
        fs::copy_file(fs::path(TM_SOURCE_DIR) / "tobrinmis" / name, workspace() / name);
    const fs::path first = workspace() / "mis_1_1.dat";
    mission_test::writeBytes(first, GetParam().change(mission_test::readBytes(first)));
    const auto before = mission_test::snapshot(workspace());
    EXPECT_EQ(mission::holdsStandInPieces(ws()), GetParam().standIn);
    EXPECT_EQ(mission_test::snapshot(workspace()), before);
    fs::remove(first);
    EXPECT_FALSE(mission::holdsStandInPieces(ws())); // a piece missing
}

INSTANTIATE_TEST_SUITE_P(Pieces, StandIn, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
