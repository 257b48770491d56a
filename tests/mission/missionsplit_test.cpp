#include "missionsplit.h"

#include "atomicfile.h"
#include "characterblock.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "sheetvalues.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

namespace
{

using mission::SheetValues;
using mission::SplitError;
using Pieces = std::array<std::string, 3>;

std::string lfOnly(std::string text)
{
    std::erase(text, '\r');
    return text;
}

std::string blockText(const std::string &text, const mission::BlockPlace &b)
{
    return text.substr(b.begin, b.end - b.begin);
}

// The shipped stand-in pieces around the editor's own blocks come apart into those pieces.
class SplitStandIn : public testing::TestWithParam<SheetValues>
{
};

TEST_P(SplitStandIn, SplitGivesBackTheStoredPieces)
{
    const std::filesystem::path folder = std::filesystem::path(TM_SOURCE_DIR) / "tobrinmis";
    const Pieces stored = {mission::readFile(folder / "mis_1_1.dat"),
                           mission::readFile(folder / "mis_1_2.dat"),
                           mission::readFile(folder / "mis_1_3.dat")};
    const std::string gb = mission::joinLines(mission::characterBlockLines(GetParam(), "COMANDO"));
    const std::string sub = mission::joinLines(mission::interfaceBlockLines(GetParam()));
    const std::string assembled = stored[0] + gb + stored[1] + sub + stored[2];

    // A copy saved by a tool that dropped the CRs splits the same way.
    for (const std::string &text : {assembled, lfOnly(assembled)}) {
        const auto split = mission::splitMission(text);
        EXPECT_EQ(split.pieces, stored);
        EXPECT_EQ(mission::storedPiece(blockText(text, split.character)), gb);
        EXPECT_EQ(mission::storedPiece(blockText(text, split.interface)), sub);
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, SplitStandIn,
                         testing::Values(SheetValues{}, SheetValues::all(mission::kChecked),
                                         SheetValues::all(mission::kUnchecked)));

// Users' files lay the blocks out in other ways; the pieces then start or end inside a line.
struct Layout {
    const char *name;
    std::string text;
    Pieces pieces; // as stored
    std::string character;
    std::string interface;
};

class SplitLayouts : public testing::TestWithParam<Layout>
{
};

TEST_P(SplitLayouts, SplitsAroundTheBlocks)
{
    const Layout &l = GetParam();
    const auto split = mission::splitMission(l.text);
    EXPECT_EQ(split.pieces, l.pieces);
    EXPECT_EQ(blockText(l.text, split.character), l.character);
    EXPECT_EQ(blockText(l.text, split.interface), l.interface);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLayouts,
    testing::Values(
        Layout{
            "InsideLines",
            "[ .A x\ry .OBJETOS [ [ .TOKEN A ] [ .CLASS BICHOALIADO .TOKEN COMANDO .XYZ [ 1 2 0 "
            "] ]  [ .TOKEN B ] ]\n.INTERFAZ [ [ SUBINTERFACEALIADO [ .TOKEN A ] ] [ "
            "SUBINTERFACEALIADO [ .TOKEN COMANDO .ITEMS [ [ .TOKEN IT_MANO ] ] ] ] ] ]\n",
            {"[ .A x\ry .OBJETOS [ [ .TOKEN A ]\r\n",
              "[ .TOKEN B ] ]\r\n.INTERFAZ [ [ SUBINTERFACEALIADO [ .TOKEN A ] ]\r\n", "] ]\r\n"},
            " [ .CLASS BICHOALIADO .TOKEN COMANDO .XYZ [ 1 2 0 ] ]  ",
            " [ SUBINTERFACEALIADO [ .TOKEN COMANDO .ITEMS [ [ .TOKEN IT_MANO ] ] ] ] "
},
        Layout{
            "TabsAndSpaces",
            "[\n\t.OBJETOS\t[\n\t\t[\t.CLASS   BICHOALIADO\n\t\t\t.TOKEN\tCOMANDO\n\t\t]\t\n\t]\n"
            "\t.INTERFAZ [\n    [  SUBINTERFACEALIADO\n      [ .TOKEN  COMANDO ]\n    ]   \n  ]\n]",
            {"[\r\n\t.OBJETOS\t[\r\n", "\t]\r\n\t.INTERFAZ [\r\n", "  ]\r\n]\r\n"},
            "\t\t[\t.CLASS   BICHOALIADO\n\t\t\t.TOKEN\tCOMANDO\n\t\t]\t\n",
            "    [  SUBINTERFACEALIADO\n      [ .TOKEN  COMANDO ]\n    ]   \n"},
        Layout{"BracketsOnTheirOwnLines",
               "[\r\n.OBJETOS\r\n[\r\n[\r\n.TOKEN\r\nCOMANDO\r\n.CLASS\r\nBICHOALIADO\r\n]\r\n]\r\n"
               ".INTERFAZ\r\n[\r\n[\r\nSUBINTERFACEALIADO\r\n[\r\n.TOKEN\r\nCOMANDO\r\n]\r\n]\r\n]"
               "\r\n]"
               "\r\n",
               {"[\r\n.OBJETOS\r\n[\r\n", "]\r\n.INTERFAZ\r\n[\r\n", "]\r\n]\r\n"},
               "[\r\n.TOKEN\r\nCOMANDO\r\n.CLASS\r\nBICHOALIADO\r\n]\r\n",
               "[\r\nSUBINTERFACEALIADO\r\n[\r\n.TOKEN\r\nCOMANDO\r\n]\r\n]\r\n"},
        Layout{"SideBySideAtTheEdges",
               "[ .CLASS BICHOALIADO .TOKEN COMANDO ] \t [ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]",
               {"", "", ""},
               "[ .CLASS BICHOALIADO .TOKEN COMANDO ] \t ",
               "[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]"},
        // Only direct properties count, and only the pair .CLASS BICHOALIADO and .TOKEN
        // COMANDO, or SUBINTERFACEALIADO with an object.
        Layout{"LookalikesStayInThePieces",
               "[ .X [ .CLASS BICHOALIADO .GRAPH [ .TOKEN COMANDO ] ] [ .CLASS BICHOALIADO .TOKEN "
               "COMANDO ] [ .CLASS MACRO .TOKEN COMANDO ] ]\n[ SUBINTERFACEALIADO [ .ITEMS [ [ "
               ".TOKEN COMANDO ] ] ] ] [ SUBINTERFACEALIADO .TOKEN COMANDO ] [ SUBINTERFACEALIADO "
               "[ .TOKEN COMANDO ] ]\n",
               {"[ .X [ .CLASS BICHOALIADO .GRAPH [ .TOKEN COMANDO ] ]\r\n",
                "[ .CLASS MACRO .TOKEN COMANDO ] ]\r\n[ SUBINTERFACEALIADO [ .ITEMS [ [ .TOKEN "
                "COMANDO ] ] ] ] [ SUBINTERFACEALIADO .TOKEN COMANDO ]\r\n",
                ""},
               " [ .CLASS BICHOALIADO .TOKEN COMANDO ] ",
               " [ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]\n"}),
    [](const auto &info) { return std::string(info.param.name); });

// Texts that cannot be split, and what the refusal says.
struct Refusal {
    const char *name;
    std::string text;
    SplitError::Kind kind;
    const char *says;
};

class SplitRefusals : public testing::TestWithParam<Refusal>
{
};

TEST_P(SplitRefusals, SayWhy)
{
    const Refusal &r = GetParam();
    try {
        (void)mission::splitMission(r.text);
        FAIL() << "split";
    } catch (const SplitError &e) {
        EXPECT_EQ(e.kind(), r.kind);
        EXPECT_NE(std::string(e.what()).find(r.says), std::string::npos) << e.what();
    }
}

constexpr const char *kGb = "[ .CLASS BICHOALIADO .TOKEN COMANDO ]";
constexpr const char *kSub = "[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]";

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitRefusals,
    testing::Values(
        Refusal{"StrayClose", std::string(kGb) + "\n ]\n" + kSub, SplitError::Kind::NotWellFormed,
                "line 2, column 2"},
        Refusal{"NoInterfaceBlock", std::string(kGb) + " [ SUBINTERFACEALIADO [ .TOKEN X ] ]",
                SplitError::Kind::Blocks, "no Green Beret interface block"},
        Refusal{"TwoCharacterBlocks", std::string(kGb) + "\n  " + kGb + "\n" + kSub,
                SplitError::Kind::Blocks,
                "2 Green Beret character blocks, at line 1, "
                "column 1 and line 2, column 3"},
        Refusal{"NestedCharacterBlocks",
                "[ .CLASS BICHOALIADO .TOKEN COMANDO .E [ " + std::string(kGb) + " ] ] " + kSub,
                SplitError::Kind::Blocks, "2 Green Beret character blocks"},
        Refusal{"TwoInterfaceBlocks", std::string(kGb) + kSub + kSub, SplitError::Kind::Blocks,
                "2 Green Beret interface blocks"},
        Refusal{"InterfaceInsideCharacter",
                "[ .CLASS BICHOALIADO .TOKEN COMANDO .I " + std::string(kSub) + " ]",
                SplitError::Kind::Blocks, "lies inside the character block"}),
    [](const auto &info) { return std::string(info.param.name); });

// The last check before writing catches a split that would not give the text back.
TEST(SplitRoundTrip, CatchesPiecesThatDoNotGiveBackTheText)
{
    const std::string text = "[ .A WORD\n" + std::string(kGb) + "\n.B x " + kSub + " ]\n";
    const auto good = mission::splitMission(text);
    EXPECT_FALSE(mission::roundTripFault(text, good));

    auto lostByte = good;
    lostByte.pieces[1].erase(1, 1);
    EXPECT_TRUE(mission::roundTripFault(text, lostByte));

    // A cut inside a word: the bytes all come back, but the editor would read two words.
    auto cutWord = good;
    cutWord.character.begin = text.find("RD");
    cutWord.pieces[0] = mission::storedPiece(text.substr(0, cutWord.character.begin));
    const auto fault = mission::roundTripFault(text, cutWord);
    ASSERT_TRUE(fault);
    EXPECT_NE(fault->find("line 1, column 6"), std::string::npos) << *fault;
}

} // namespace
