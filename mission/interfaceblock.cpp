#include "interfaceblock.h"

#include "linefile.h"

namespace mission
{

std::vector<std::string> interfaceBlockLines(const SheetValues &v)
{
    LineList lines;

    lines.add("[ SUBINTERFACEALIADO [");
    lines.add(".TOKEN COMANDO");
    lines.add(".CARETO CARA0001.RLE");
    lines.add(".ITEMS [");
    lines.addIf(isSet(v.ck_gun), "[ .TOKEN IT_PISTOLA ]");
    lines.add("[ .TOKEN IT_MANO ]");
    lines.addIf(isSet(v.ck_knife), "[ .TOKEN IT_CUCHILLO ]");
    lines.addIf(isSet(v.ck_aid), "[ .TOKEN IT_BOTIQUIN ]");
    if (isSet(v.ck_decoy)) {
        lines.add("[ .TOKEN IT_SEGNUELO ]");
        lines.add("[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]");
        lines.add("[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]");
    }
    lines.addIf(isSet(v.ck_sniper), "[ .TOKEN IT_MIRILLA ]");
    lines.addIf(isSet(v.ck_stones), "[ .TOKEN IT_PIEDRA ]");
    lines.addIf(isSet(v.ck_mgun), "[ .TOKEN IT_METRALLETA ]");
    lines.addIf(isSet(v.ck_lethal), "[ .TOKEN IT_JERINGUILLALETAL ]");
    lines.addIf(isSet(v.ck_rifle), "[ .TOKEN IT_ESCOPETA ]");
    lines.add("[ .TOKEN IT_ESPOSAS ]");
    lines.add("[ .TOKEN IT_TABACO .DISPONIBLE NO ]");
    lines.addIf(isSet(v.ck_cuffs), "[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]");
    lines.add("] ] ]");
    return lines.take();
}

} // namespace mission
