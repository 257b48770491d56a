#include "blockfiles.h"
#include "characterblock.h"
#include "error.h"
#include "interfaceblock.h"
#include "probes.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using mission::SheetValues;
using mission_test::Lines;

namespace
{

// The full lists: every box checked but health, whose unchecked box adds acMuerte.
const SheetValues kFull = {1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
// clang-format off
const Lines kCharacter = {
    "[", ".CLASS BICHOALIADO", ".TOKEN COMANDO", ".BANDO ALIADO", ".XYZ [ 144 3557 0 ]",
    ".ANGULO 135", ".VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]", ".LISTAS [ EJEC CHOC VISI SELE ]",
    ".ACCIONES [", "[ acMuerte [ .CARISMA 999 ] ]", "[ acUsaHab [ .CARISMA 300 ] ]",
    "[ auAcuchillar [ .CARISMA 200 ] ]", "[ AuBotiquin [ .CARISMA 200 ] ]",
    "[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]",
    "[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]",
    "[ auUsarVehiculo [ .CARISMA 200 ] ]", "[ auBeHome [ .CARISMA 200 ] ]", "[ auDisparar [",
    ".CARISMA 200", ".ARMAS [ PISTOLA ESCOPETA MIRILLA PIEDRA METRALLETA ]", ".PIEDRAS 50",
    ".MUNESCOPETA 100", ".MUNMIRILLA 8", ".MUNMETRA 8", "] ]",
    "[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]", "[ auGoto [ .CARISMA 200 ] ]",
    "[ acPisar [ .CARISMA 1 ] ]", "[ AcDetenido [ .CARISMA 100 ] ]",
    "[ AuGarfio [ .CARISMA 200 ] ]",
    "[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]",
    "[ AuEsposas [ .CARISMA 200 ] ]", "[ AuControlAleman [ .CARISMA 200 ] ]",
    "[ AuJeringar [ .CARISMA 200 .TIPOJERINGA LETAL .DOSIS 5 ] ]",
    "[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]", "[ AuTabaco [ .CARISMA 200 ] ] ]", ".MASA 100",
    ".SEHUNDE 1", ".GRAPH [ .ANIM COMANDO .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]",
    ".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]", ".CONTENEDOR 1", ".OCLU 0", ".DETECTAEXPLOSION 0",
    ".ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]", ".NOAGACHA 0", "]",
};

const Lines kInterface = {
    "[ SUBINTERFACEALIADO [", ".TOKEN COMANDO", ".CARETO CARA0001.RLE", ".ITEMS [",
    "[ .TOKEN IT_PISTOLA ]", "[ .TOKEN IT_MANO ]", "[ .TOKEN IT_CUCHILLO ]",
    "[ .TOKEN IT_BOTIQUIN ]", "[ .TOKEN IT_SEGNUELO ]",
    "[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]", "[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]",
    "[ .TOKEN IT_MIRILLA ]", "[ .TOKEN IT_PIEDRA ]", "[ .TOKEN IT_METRALLETA ]",
    "[ .TOKEN IT_JERINGUILLALETAL ]", "[ .TOKEN IT_ESCOPETA ]", "[ .TOKEN IT_ESPOSAS ]",
    "[ .TOKEN IT_TABACO .DISPONIBLE NO ]", "[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]", "] ] ]",
};
// clang-format on

// In the one line holding `key`, `key` becomes `to`; without `to`, the line goes.
struct Edit {
    const char *key;
    const char *to = nullptr;
};

void apply(Lines &lines, const Edit &e)
{
    const auto holds = [&](const std::string &l) { return l.find(e.key) != l.npos; };
    const auto it = std::find_if(lines.begin(), lines.end(), holds);
    if (std::count_if(lines.begin(), lines.end(), holds) != 1)
        ADD_FAILURE() << "not exactly one line holds " << e.key;
    else if (e.to)
        it->replace(it->find(e.key), std::strlen(e.key), e.to);
    else
        lines.erase(it);
}

// What each box changes in the full lists when it is not at its Value there.
// clang-format off
const struct {
    mission::CheckValue SheetValues::*box;
    std::vector<Edit> character, interface;
} kBoxes[] = {
    {&SheetValues::visibility, {{"BANDO ALIADO", "BANDO ALEMAN"}},    {}},
    {&SheetValues::health,     {{"acMuerte"}},                        {}},
    {&SheetValues::ck_knife,   {{"auAcuchillar"}},                    {{"CUCHILLO"}}},
    {&SheetValues::ck_aid,     {{"AuBotiquin"}},                      {{"BOTIQUIN"}}},
    {&SheetValues::ck_gun,     {{" PISTOLA ", " "}},                  {{"PISTOLA"}}},
    {&SheetValues::ck_rifle,   {{" ESCOPETA ", " "}},                 {{"ESCOPETA"}}},
    {&SheetValues::ck_sniper,  {{" MIRILLA ", " "}},                  {{"MIRILLA"}}},
    {&SheetValues::ck_stones,  {{" PIEDRA ", " "}},                   {{"PIEDRA"}}},
    {&SheetValues::ck_mgun,    {{" METRALLETA ", " "}},               {{"METRALLETA"}}},
    {&SheetValues::ck_decoy,   {{"auManejaSegnuelo"}, {"ELEMENTOS"}},
                               {{"IT_SEGNUELO"}, {"SENUELOOFF"}, {"SENUELOON"}}},
    {&SheetValues::ck_cuffs,   {{"AuControlAleman"}},                 {{"CONTROLALEMAN"}}},
    {&SheetValues::ck_lethal,  {{"AuJeringar"}},                      {{"JERINGUILLA"}}},
};
// clang-format on

using Blocks = mission_test::WorkspaceTest;

// Some states' exact lists (of known lengths), and each box alone turned from its Value in the
// full lists, or greyed: in memory, and in the files, which each save rewrites.
TEST_F(Blocks, ExactLinesForEachSheetState)
{
    std::vector<std::tuple<SheetValues, std::size_t, std::size_t>> states = {
        {kFull, 46, 20},
        {SheetValues{}, 44, 15},
        {SheetValues::all(mission::kChecked), 45, 20},
        {SheetValues::all(mission::kUnchecked), 40, 8},
        {SheetValues::all(mission::kGreyed), 39, 8}, // no acMuerte: greyed health is not clear
    };
    for (const auto &b : kBoxes)
        for (const mission::CheckValue value : {1 - kFull.*b.box, mission::kGreyed}) {
            states.emplace_back(kFull, 0, 0);
            std::get<0>(states.back()).*b.box = value;
        }
    for (const auto &[values, characterSize, interfaceSize] : states) {
        Lines character = kCharacter, interface = kInterface;
        for (const auto &b : kBoxes) {
            if (values.*b.box == kFull.*b.box)
                continue;
            for (const Edit &e : b.character)
                apply(character, e);
            for (const Edit &e : b.interface)
                apply(interface, e);
        }
        if (characterSize > 0) { // the lengths of the named states
            ASSERT_EQ(character.size(), characterSize);
            ASSERT_EQ(interface.size(), interfaceSize);
        }
        EXPECT_EQ(mission::characterBlockLines(values, "COMANDO"), character);
        EXPECT_EQ(mission::interfaceBlockLines(values), interface);

        mission::writeBlocks(ws(), values, "COMANDO");
        mission_test::Files want;
        for (const auto &line : character)
            want["gb.tmp"] += line + "\r\n";
        for (const auto &line : interface)
            want["gb_sub.tmp"] += line + "\r\n";
        EXPECT_EQ(mission_test::snapshot(workspace()), want);
    }
    // The token goes into the graphics line as it is, even when empty.
    Lines character = kCharacter;
    apply(character, {"ANIM COMANDO", "ANIM "});
    EXPECT_EQ(mission::characterBlockLines(kFull, ""), character);
}

// The interface block cannot take its place once the character block has: the character block
// gets its previous content back, so that the pair never holds two saves.
TEST_F(Blocks, NeitherChangesWhenTheSecondCannotTakeItsPlace)
{
    mission::writeBlocks(ws(), kFull, "COMANDO");
    const mission_test::Files before = mission_test::snapshot(workspace());
    {
        const files_test::ScopedProbe failing(files_test::failingRenames(2));
        EXPECT_THROW(mission::writeBlocks(ws(), SheetValues{}, "COMANDO"), files::Error);
    }
    EXPECT_EQ(mission_test::snapshot(workspace()), before);
}

} // namespace
