#include "characterblock.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "sheetvalues.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

using mission::SheetValues;
using Lines = std::vector<std::string>;

namespace
{

// The character block of the sheet's initial state.
const Lines kInitialCharacter = {
    "[",
    ".CLASS BICHOALIADO",
    ".TOKEN COMANDO",
    ".BANDO ALIADO",
    ".XYZ [ 144 3557 0 ]",
    ".ANGULO 135",
    ".VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]",
    ".LISTAS [ EJEC CHOC VISI SELE ]",
    ".ACCIONES [",
    "[ acMuerte [ .CARISMA 999 ] ]",
    "[ acUsaHab [ .CARISMA 300 ] ]",
    "[ auAcuchillar [ .CARISMA 200 ] ]",
    "[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]",
    "[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]",
    "[ auUsarVehiculo [ .CARISMA 200 ] ]",
    "[ auBeHome [ .CARISMA 200 ] ]",
    "[ auDisparar [",
    ".CARISMA 200",
    ".ARMAS [ PISTOLA PIEDRA ]",
    ".PIEDRAS 50",
    ".MUNESCOPETA 100",
    ".MUNMIRILLA 8",
    ".MUNMETRA 8",
    "] ]",
    "[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]",
    "[ auGoto [ .CARISMA 200 ] ]",
    "[ acPisar [ .CARISMA 1 ] ]",
    "[ AcDetenido [ .CARISMA 100 ] ]",
    "[ AuGarfio [ .CARISMA 200 ] ]",
    "[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]",
    "[ AuEsposas [ .CARISMA 200 ] ]",
    "[ AuControlAleman [ .CARISMA 200 ] ]",
    "[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]",
    "[ AuTabaco [ .CARISMA 200 ] ] ]",
    ".MASA 100",
    ".SEHUNDE 1",
    ".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]",
    ".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]",
    ".CONTENEDOR 1",
    ".OCLU 0",
    ".DETECTAEXPLOSION 0",
    ".ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]",
    ".NOAGACHA 0",
    "]",
};

const Lines kInitialInterface = {
    "[ SUBINTERFACEALIADO [",
    ".TOKEN COMANDO",
    ".CARETO CARA0001.RLE",
    ".ITEMS [",
    "[ .TOKEN IT_PISTOLA ]",
    "[ .TOKEN IT_MANO ]",
    "[ .TOKEN IT_CUCHILLO ]",
    "[ .TOKEN IT_SEGNUELO ]",
    "[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]",
    "[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]",
    "[ .TOKEN IT_PIEDRA ]",
    "[ .TOKEN IT_ESPOSAS ]",
    "[ .TOKEN IT_TABACO .DISPONIBLE NO ]",
    "[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]",
    "] ] ]",
};

// Every box unchecked.
const Lines kAllClearCharacter = {
    "[",
    ".CLASS BICHOALIADO",
    ".TOKEN COMANDO",
    ".BANDO ALEMAN",
    ".XYZ [ 144 3557 0 ]",
    ".ANGULO 135",
    ".VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]",
    ".LISTAS [ EJEC CHOC VISI SELE ]",
    ".ACCIONES [",
    "[ acMuerte [ .CARISMA 999 ] ]",
    "[ acUsaHab [ .CARISMA 300 ] ]",
    "[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]",
    "[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]",
    "[ auUsarVehiculo [ .CARISMA 200 ] ]",
    "[ auBeHome [ .CARISMA 200 ] ]",
    "[ auDisparar [",
    ".CARISMA 200",
    ".ARMAS [ ]",
    ".PIEDRAS 50",
    ".MUNESCOPETA 100",
    ".MUNMIRILLA 8",
    ".MUNMETRA 8",
    "] ]",
    "[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]",
    "[ auGoto [ .CARISMA 200 ] ]",
    "[ acPisar [ .CARISMA 1 ] ]",
    "[ AcDetenido [ .CARISMA 100 ] ]",
    "[ AuGarfio [ .CARISMA 200 ] ]",
    "[ AuEsposas [ .CARISMA 200 ] ]",
    "[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]",
    "[ AuTabaco [ .CARISMA 200 ] ] ]",
    ".MASA 100",
    ".SEHUNDE 1",
    ".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]",
    ".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]",
    ".CONTENEDOR 1",
    ".OCLU 0",
    ".DETECTAEXPLOSION 0",
    ".NOAGACHA 0",
    "]",
};

const Lines kAllClearInterface = {
    "[ SUBINTERFACEALIADO [",
    ".TOKEN COMANDO",
    ".CARETO CARA0001.RLE",
    ".ITEMS [",
    "[ .TOKEN IT_MANO ]",
    "[ .TOKEN IT_ESPOSAS ]",
    "[ .TOKEN IT_TABACO .DISPONIBLE NO ]",
    "] ] ]",
};

// Every box checked.
const Lines kAllSetCharacter = {
    "[",
    ".CLASS BICHOALIADO",
    ".TOKEN COMANDO",
    ".BANDO ALIADO",
    ".XYZ [ 144 3557 0 ]",
    ".ANGULO 135",
    ".VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]",
    ".LISTAS [ EJEC CHOC VISI SELE ]",
    ".ACCIONES [",
    "[ acUsaHab [ .CARISMA 300 ] ]",
    "[ auAcuchillar [ .CARISMA 200 ] ]",
    "[ AuBotiquin [ .CARISMA 200 ] ]",
    "[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]",
    "[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]",
    "[ auUsarVehiculo [ .CARISMA 200 ] ]",
    "[ auBeHome [ .CARISMA 200 ] ]",
    "[ auDisparar [",
    ".CARISMA 200",
    ".ARMAS [ PISTOLA ESCOPETA MIRILLA PIEDRA METRALLETA ]",
    ".PIEDRAS 50",
    ".MUNESCOPETA 100",
    ".MUNMIRILLA 8",
    ".MUNMETRA 8",
    "] ]",
    "[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]",
    "[ auGoto [ .CARISMA 200 ] ]",
    "[ acPisar [ .CARISMA 1 ] ]",
    "[ AcDetenido [ .CARISMA 100 ] ]",
    "[ AuGarfio [ .CARISMA 200 ] ]",
    "[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]",
    "[ AuEsposas [ .CARISMA 200 ] ]",
    "[ AuControlAleman [ .CARISMA 200 ] ]",
    "[ AuJeringar [ .CARISMA 200 .TIPOJERINGA LETAL .DOSIS 5 ] ]",
    "[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]",
    "[ AuTabaco [ .CARISMA 200 ] ] ]",
    ".MASA 100",
    ".SEHUNDE 1",
    ".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]",
    ".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]",
    ".CONTENEDOR 1",
    ".OCLU 0",
    ".DETECTAEXPLOSION 0",
    ".ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]",
    ".NOAGACHA 0",
    "]",
};

const Lines kAllSetInterface = {
    "[ SUBINTERFACEALIADO [",
    ".TOKEN COMANDO",
    ".CARETO CARA0001.RLE",
    ".ITEMS [",
    "[ .TOKEN IT_PISTOLA ]",
    "[ .TOKEN IT_MANO ]",
    "[ .TOKEN IT_CUCHILLO ]",
    "[ .TOKEN IT_BOTIQUIN ]",
    "[ .TOKEN IT_SEGNUELO ]",
    "[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]",
    "[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]",
    "[ .TOKEN IT_MIRILLA ]",
    "[ .TOKEN IT_PIEDRA ]",
    "[ .TOKEN IT_METRALLETA ]",
    "[ .TOKEN IT_JERINGUILLALETAL ]",
    "[ .TOKEN IT_ESCOPETA ]",
    "[ .TOKEN IT_ESPOSAS ]",
    "[ .TOKEN IT_TABACO .DISPONIBLE NO ]",
    "[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]",
    "] ] ]",
};

struct BlockCase {
    const char *name;
    SheetValues values;
    const Lines *character;
    const Lines *interface;
    std::size_t characterCount;
    std::size_t interfaceCount;
};

// clang-format off
const BlockCase kBlockCases[] = {
    {"Initial",      SheetValues{},
     &kInitialCharacter,  &kInitialInterface,  44, 15},
    {"AllUnchecked", SheetValues::all(mission::kUnchecked),
     &kAllClearCharacter, &kAllClearInterface, 40, 8},
    {"AllChecked",   SheetValues::all(mission::kChecked),
     &kAllSetCharacter,   &kAllSetInterface,   45, 20},
};
// clang-format on

void PrintTo(const BlockCase &c, std::ostream *os)
{
    *os << c.name;
}

class Blocks : public mission_test::WorkspaceTest, public ::testing::WithParamInterface<BlockCase>
{
};

TEST_P(Blocks, LinesInMemoryAndOnDisk)
{
    const BlockCase &c = GetParam();
    ASSERT_EQ(c.character->size(), c.characterCount);
    ASSERT_EQ(c.interface->size(), c.interfaceCount);
    EXPECT_EQ(mission::characterBlockLines(c.values, "COMANDO"), *c.character);
    EXPECT_EQ(mission::interfaceBlockLines(c.values), *c.interface);

    mission::writeCharacterBlock(c.values, "COMANDO");
    mission::writeInterfaceBlock(c.values);
    EXPECT_EQ(mission_test::readBytes(workspaceFile("gb.tmp")), mission::joinLines(*c.character));
    EXPECT_EQ(mission_test::readBytes(workspaceFile("gb_sub.tmp")),
              mission::joinLines(*c.interface));
}

INSTANTIATE_TEST_SUITE_P(SheetStates, Blocks, ::testing::ValuesIn(kBlockCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A save replaces the whole file: a shorter block after a longer one leaves nothing behind.
TEST_F(Blocks, SecondSaveRewritesTheFile)
{
    mission::writeCharacterBlock(SheetValues::all(mission::kChecked), "ALEGABAR");
    mission::writeInterfaceBlock(SheetValues::all(mission::kChecked));
    mission::writeCharacterBlock(SheetValues::all(mission::kUnchecked), "COMANDO");
    mission::writeInterfaceBlock(SheetValues::all(mission::kUnchecked));
    EXPECT_EQ(mission_test::readBytes(workspaceFile("gb.tmp")),
              mission::joinLines(kAllClearCharacter));
    EXPECT_EQ(mission_test::readBytes(workspaceFile("gb_sub.tmp")),
              mission::joinLines(kAllClearInterface));
    EXPECT_EQ(mission_test::folderListing(workspace()),
              (std::vector<std::string>{"gb.tmp", "gb_sub.tmp"}));
}

TEST(BlockVariants, GreyedBoxesAndEmptyToken)
{
    // Greyed boxes are not set; greyed health is not clear either, so there is no acMuerte.
    Lines greyed = kAllClearCharacter;
    std::erase(greyed, "[ acMuerte [ .CARISMA 999 ] ]");
    ASSERT_EQ(greyed.size(), 39u);
    EXPECT_EQ(mission::characterBlockLines(SheetValues::all(mission::kGreyed), "COMANDO"), greyed);
    EXPECT_EQ(mission::interfaceBlockLines(SheetValues::all(mission::kGreyed)), kAllClearInterface);

    // The appearance token goes as it is into the graphics line, even when empty.
    Lines empty = kInitialCharacter;
    std::replace(empty.begin(), empty.end(),
                 std::string(".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]"),
                 std::string(".GRAPH [ .ANIM  .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]"));
    EXPECT_EQ(mission::characterBlockLines(SheetValues{}, ""), empty);

    Lines spy = kInitialCharacter;
    spy[36] = ".GRAPH [ .ANIM ESPIA .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]";
    EXPECT_EQ(mission::characterBlockLines(SheetValues{}, "ESPIA"), spy);
}

// What one box adds when it turns from unchecked to checked, the other boxes staying put.
struct BoxCase {
    const char *name;
    mission::CheckValue SheetValues::*box;
    bool greyedActsChecked; // only health: greyed is not clear
    Lines characterAdded;
    Lines characterRemoved;
    Lines interfaceAdded;
};

// clang-format off
const BoxCase kBoxCases[] = {
    {"visibility", &SheetValues::visibility, false,
     {".BANDO ALIADO"}, {".BANDO ALEMAN"}, {}},
    {"health", &SheetValues::health, true,
     {}, {"[ acMuerte [ .CARISMA 999 ] ]"}, {}},
    {"knife", &SheetValues::ck_knife, false,
     {"[ auAcuchillar [ .CARISMA 200 ] ]"}, {}, {"[ .TOKEN IT_CUCHILLO ]"}},
    {"aid", &SheetValues::ck_aid, false,
     {"[ AuBotiquin [ .CARISMA 200 ] ]"}, {}, {"[ .TOKEN IT_BOTIQUIN ]"}},
    {"gun", &SheetValues::ck_gun, false,
     {".ARMAS [ PISTOLA ]"}, {".ARMAS [ ]"}, {"[ .TOKEN IT_PISTOLA ]"}},
    {"rifle", &SheetValues::ck_rifle, false,
     {".ARMAS [ ESCOPETA ]"}, {".ARMAS [ ]"}, {"[ .TOKEN IT_ESCOPETA ]"}},
    {"sniper", &SheetValues::ck_sniper, false,
     {".ARMAS [ MIRILLA ]"}, {".ARMAS [ ]"}, {"[ .TOKEN IT_MIRILLA ]"}},
    {"stones", &SheetValues::ck_stones, false,
     {".ARMAS [ PIEDRA ]"}, {".ARMAS [ ]"}, {"[ .TOKEN IT_PIEDRA ]"}},
    {"mgun", &SheetValues::ck_mgun, false,
     {".ARMAS [ METRALLETA ]"}, {".ARMAS [ ]"}, {"[ .TOKEN IT_METRALLETA ]"}},
    {"decoy", &SheetValues::ck_decoy, false,
     {"[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]",
      ".ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]"},
     {},
     {"[ .TOKEN IT_SEGNUELO ]",
      "[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]",
      "[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]"}},
    {"cuffs", &SheetValues::ck_cuffs, false,
     {"[ AuControlAleman [ .CARISMA 200 ] ]"}, {}, {"[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]"}},
    {"lethal", &SheetValues::ck_lethal, false,
     {"[ AuJeringar [ .CARISMA 200 .TIPOJERINGA LETAL .DOSIS 5 ] ]"}, {},
     {"[ .TOKEN IT_JERINGUILLALETAL ]"}},
};
// clang-format on

// Lines of `to` missing from `from`, and lines of `from` missing from `to`, counting repeats.
std::pair<Lines, Lines> difference(Lines from, Lines to)
{
    std::sort(from.begin(), from.end());
    std::sort(to.begin(), to.end());
    Lines added, removed;
    std::set_difference(to.begin(), to.end(), from.begin(), from.end(), std::back_inserter(added));
    std::set_difference(from.begin(), from.end(), to.begin(), to.end(),
                        std::back_inserter(removed));
    return {added, removed};
}

Lines sorted(Lines lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

void PrintTo(const BoxCase &c, std::ostream *os)
{
    *os << c.name;
}

class OneBox : public ::testing::TestWithParam<BoxCase>
{
};

TEST_P(OneBox, ChangesOnlyItsOwnLines)
{
    const BoxCase &c = GetParam();
    // The box alone among unchecked boxes; a weapon box then names only its own weapon.
    SheetValues off = SheetValues::all(mission::kUnchecked);
    SheetValues on = off;
    on.*c.box = mission::kChecked;
    auto [added, removed] = difference(mission::characterBlockLines(off, "CABO"),
                                       mission::characterBlockLines(on, "CABO"));
    EXPECT_EQ(added, sorted(c.characterAdded));
    EXPECT_EQ(removed, sorted(c.characterRemoved));
    auto [iAdded, iRemoved] =
        difference(mission::interfaceBlockLines(off), mission::interfaceBlockLines(on));
    EXPECT_EQ(iAdded, sorted(c.interfaceAdded));
    EXPECT_TRUE(iRemoved.empty());

    // The box alone unchecked among checked boxes: the same lines go, no others.
    on = SheetValues::all(mission::kChecked);
    off = on;
    off.*c.box = mission::kUnchecked;
    const auto character = difference(mission::characterBlockLines(off, "CABO"),
                                      mission::characterBlockLines(on, "CABO"));
    if (c.characterRemoved.empty() || c.characterRemoved.front() != ".ARMAS [ ]") {
        EXPECT_EQ(character.first, sorted(c.characterAdded));
        EXPECT_EQ(character.second, sorted(c.characterRemoved));
    } else {
        // The full weapons line loses just this box's word.
        const std::string &single = c.characterAdded.front(); // ".ARMAS [ WORD ]"
        const std::string word = single.substr(8, single.size() - 9);
        const std::string full = ".ARMAS [ PISTOLA ESCOPETA MIRILLA PIEDRA METRALLETA ]";
        std::string without = full;
        without.erase(without.find(word), word.size() - 1);
        EXPECT_EQ(character.first, Lines{full});
        EXPECT_EQ(character.second, Lines{without});
    }
    EXPECT_EQ(difference(mission::interfaceBlockLines(off), mission::interfaceBlockLines(on)),
              std::make_pair(sorted(c.interfaceAdded), Lines{}));

    // A greyed box acts as an unchecked one, except health, which it does not leave clear.
    for (const SheetValues base : {SheetValues::all(mission::kUnchecked),
                                   SheetValues::all(mission::kChecked), SheetValues{}}) {
        SheetValues greyed = base;
        greyed.*c.box = mission::kGreyed;
        SheetValues same = base;
        same.*c.box = c.greyedActsChecked ? mission::kChecked : mission::kUnchecked;
        EXPECT_EQ(mission::characterBlockLines(greyed, "CABO"),
                  mission::characterBlockLines(same, "CABO"));
        EXPECT_EQ(mission::interfaceBlockLines(greyed), mission::interfaceBlockLines(same));
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, OneBox, ::testing::ValuesIn(kBoxCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
