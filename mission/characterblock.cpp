#include "characterblock.h"

#include "linefile.h"

namespace mission
{

std::vector<std::string> characterBlockLines(const SheetValues &v, std::string_view anim)
{
    LineList lines;

    lines.add("[");
    lines.add(".CLASS BICHOALIADO");
    lines.add(".TOKEN COMANDO");
    lines.add(isSet(v.visibility) ? ".BANDO ALIADO" : ".BANDO ALEMAN");
    lines.add(".XYZ [ 144 3557 0 ]");
    lines.add(".ANGULO 135");
    lines.add(".VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]");
    lines.add(".LISTAS [ EJEC CHOC VISI SELE ]");
    lines.add(".ACCIONES [");
    lines.addIf(isClear(v.health), "[ acMuerte [ .CARISMA 999 ] ]");
    lines.add("[ acUsaHab [ .CARISMA 300 ] ]");
    lines.addIf(isSet(v.ck_knife), "[ auAcuchillar [ .CARISMA 200 ] ]");
    lines.addIf(isSet(v.ck_aid), "[ AuBotiquin [ .CARISMA 200 ] ]");
    lines.add("[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]");
    lines.add("[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]");
    lines.add("[ auUsarVehiculo [ .CARISMA 200 ] ]");
    lines.add("[ auBeHome [ .CARISMA 200 ] ]");
    lines.add("[ auDisparar [");
    lines.add(".CARISMA 200");

    // Each weapon word carries its own trailing space, so the words stand one space apart and
    // one space before the closing bracket.
    std::string weapons = ".ARMAS [ ";
    if (isSet(v.ck_gun))
        weapons += "PISTOLA ";
    if (isSet(v.ck_rifle))
        weapons += "ESCOPETA ";
    if (isSet(v.ck_sniper))
        weapons += "MIRILLA ";
    if (isSet(v.ck_stones))
        weapons += "PIEDRA ";
    if (isSet(v.ck_mgun))
        weapons += "METRALLETA ";
    weapons += "]";
    lines.add(weapons);

    lines.add(".PIEDRAS 50");
    lines.add(".MUNESCOPETA 100");
    lines.add(".MUNMIRILLA 8");
    lines.add(".MUNMETRA 8");
    lines.add("] ]");
    lines.add("[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]");
    lines.add("[ auGoto [ .CARISMA 200 ] ]");
    lines.add("[ acPisar [ .CARISMA 1 ] ]");
    lines.add("[ AcDetenido [ .CARISMA 100 ] ]");
    lines.add("[ AuGarfio [ .CARISMA 200 ] ]");
    lines.addIf(
        isSet(v.ck_decoy),
        "[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]");
    lines.add("[ AuEsposas [ .CARISMA 200 ] ]");
    lines.addIf(isSet(v.ck_cuffs), "[ AuControlAleman [ .CARISMA 200 ] ]");
    lines.addIf(isSet(v.ck_lethal), "[ AuJeringar [ .CARISMA 200 .TIPOJERINGA LETAL .DOSIS 5 ] ]");
    lines.add("[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]");
    lines.add("[ AuTabaco [ .CARISMA 200 ] ] ]");
    lines.add(".MASA 100");
    lines.add(".SEHUNDE 1");
    lines.add(".GRAPH [ .ANIM " + std::string(anim) + " .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]");
    lines.add(".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]");
    lines.add(".CONTENEDOR 1");
    lines.add(".OCLU 0");
    lines.add(".DETECTAEXPLOSION 0");
    lines.addIf(isSet(v.ck_decoy),
                ".ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]");
    lines.add(".NOAGACHA 0");
    lines.add("]");
    return lines.take();
}

} // namespace mission
