// Splitting a mission into the stored pieces, and the check that the pieces give back the text.

#include "blocksize.h"
#include "importerror.h"
#include "linefile.h"
#include "missionsplit.h"
#include "roundtrip.h"

#include "lines.h"

#include "importhelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>

using import_test::filler;
using import_test::kGb;
using import_test::kSub;

namespace
{

// Tabs, form feeds and vertical tabs separate words just as blanks do.
TEST(Split, EveryKindOfBlankSeparatesWords)
{
    const std::string text = "[ .OBJETOS [ " + kGb + " ] .I [ " + kSub + " ] ]\r\n";
    const std::array<std::string, 3> pieces = {"[ .OBJETOS [\r\n", "] .I [\r\n", "] ]\r\n"};
    for (const char blank : {'\t', '\f', '\v'}) {
        const auto blanked = [blank](std::string s) {
            std::replace(s.begin(), s.end(), ' ', blank);
            return s;
        };
        std::array<std::string, 3> want = pieces;
        for (auto &piece : want)
            piece = blanked(piece);
        const std::string b = blanked(text);
        EXPECT_EQ(import_test::storedPieces(b, importer::splitMission(b)), want) << int(blank);
    }
}

// The last check before writing catches pieces that would not give the text back: a byte lost
// or changed, a line end missing where a piece was cut inside a line, blank lines lost at the
// end, or a cut inside a word (the bytes all come back, but as two words).
TEST(Split, RoundTripFaultCatchesPiecesThatDoNotGiveBackTheText)
{
    using Pieces = std::array<std::string, 3>;
    const std::string text = "[ .A WORD\n" + kGb + "\n.B x " + kSub + " ]\n\n\n";
    auto split = importer::splitMission(text);
    EXPECT_FALSE(importer::roundTripFault(text, split, import_test::storedPieces(text, split)));
    const std::pair<void (*)(Pieces &), const char *> faults[] = {
        {[](Pieces &p) { p[1].erase(1, 1); }, "differ from the text from line 3"},
        {[](Pieces &p) { p[2].back() = ' '; }, "differ from the text from line 5"},
        {[](Pieces &p) { p[1].resize(p[1].size() - 2); }, "stored piece 2 lacks its last line end"},
        {[](Pieces &p) { p[2].resize(p[2].size() - 4); }, "differ from the text from line 4"},
    };
    for (const auto &[fault, says] : faults) {
        auto pieces = import_test::storedPieces(text, split);
        fault(pieces);
        EXPECT_NE(importer::roundTripFault(text, split, pieces).value_or("").find(says),
                  std::string::npos)
            << says;
    }
    auto pieces = import_test::storedPieces(text, split);
    split.character.begin = text.find("RD");
    pieces[0] = mission::joinLines(mission_test::splitLines(text.substr(0, split.character.begin)));
    EXPECT_NE(importer::roundTripFault(text, split, pieces).value_or("").find("line 1, column 6"),
              std::string::npos);
}

// The pieces are made, and checked against the text, a read block at a time: whatever falls on
// a block's edge comes out as the whole text would give it.
TEST(Split, PiecesAcrossReadBlocks)
{
    const std::size_t b = files::kBlockSize;
    struct Case {
        const char *name;
        std::string pre, mid, post, gb = kGb;
    };
    const Case cases[] = {
        {"CrLfCutByABlock", filler(b - 1, "\n") + "\r\nx\n", "m\n", ""},
        {"LoneCrEndingABlock", "", "m\n", filler(b - 1, "\r\n") + "\ry\n"},
        {"WordAcrossBlocks", "p\n", filler(b - 5, "\n") + " LONGWORDXYZ\n", "q"},
        {"CutInsideALineOneByteAfterABlock", filler(b, "\n") + "x", "", "\n"},
        {"BlockLongerThanABlock", "\n", "\n", "\n",
         "[ .CLASS BICHOALIADO .TOKEN COMANDO .L [\n" + filler(2 * b + 3, "\n") + "\n] ]"},
    };
    for (const Case &c : cases) {
        const std::string text = c.pre + " " + c.gb + "\n" + c.mid + kSub + "\n" + c.post;
        const std::array<std::string, 3> want = {
            mission::joinLines(mission_test::splitLines(c.pre)),
            mission::joinLines(mission_test::splitLines(c.mid)),
            mission::joinLines(mission_test::splitLines(c.post))};
        try {
            EXPECT_TRUE(import_test::storedPieces(text, importer::splitMission(text)) == want)
                << c.name;
        } catch (const importer::ImportError &e) {
            ADD_FAILURE() << c.name << ": " << e.what();
        }
    }
}

} // namespace
