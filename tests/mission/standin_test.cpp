#include "standin.h"

#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

namespace fs = std::filesystem;
using mission_test::readBytes;
using mission_test::writeBytes;

namespace
{

// A workspace holding the shipped pieces, then one changed.
struct Case {
    const char *name;
    std::function<void(const fs::path &workspace)> change;
    bool standIn;
};

void edit(const fs::path &piece, const std::function<std::string(std::string)> &how)
{
    writeBytes(piece, how(readBytes(piece)));
}

const Case kCases[] = {
    {"Shipped", [](const fs::path &) {}, true},
    {"LfLineEnds",
     [](const fs::path &w) {
         for (const char *name : {"mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"})
             edit(w / name,
                  [](std::string s) { return std::regex_replace(s, std::regex("\r"), ""); });
     },
     true},
    {"LastLineWithoutItsEnd",
     [](const fs::path &w) {
         edit(w / "mis_1_3.dat", [](std::string s) { return s.substr(0, s.size() - 2); });
     },
     true},
    {"OneByteChanged",
     [](const fs::path &w) {
         edit(w / "mis_1_1.dat", [](std::string s) { return s.replace(100, 1, "#"); });
     },
     false},
    {"LineAdded",
     [](const fs::path &w) { edit(w / "mis_1_3.dat", [](std::string s) { return s + "]\r\n"; }); },
     false},
    {"LastLineCut",
     [](const fs::path &w) {
         edit(w / "mis_1_2.dat", [](std::string s) { return s.substr(0, s.size() - 3); });
     },
     false},
    {"Imported", [](const fs::path &w) { writeBytes(w / "mis_1_2.dat", "] [\r\n"); }, false},
    {"PieceMissing", [](const fs::path &w) { fs::remove(w / "mis_1_1.dat"); }, false},
    {"PieceIsAFolder",
     [](const fs::path &w) {
         fs::remove(w / "mis_1_3.dat"), fs::create_directory(w / "mis_1_3.dat");
     },
     false},
};

class StandIn : public mission_test::WorkspaceTest, public ::testing::WithParamInterface<Case>
{
};

TEST_P(StandIn, IsToldFromTheUsersOwnPieces)
{
    for (const char *name : {"mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"})
        fs::copy_file(fs::path(TM_SOURCE_DIR) / "tobrinmis" / name, workspace() / name);
    GetParam().change(workspace());
    const auto before = mission_test::snapshot(workspace());
    EXPECT_EQ(mission::holdsStandInPieces(), GetParam().standIn);
    EXPECT_EQ(mission_test::snapshot(workspace()), before);
}

INSTANTIATE_TEST_SUITE_P(Pieces, StandIn, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
