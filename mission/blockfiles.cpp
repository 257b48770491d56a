#include "blockfiles.h"

#include "characterblock.h"
#include "groupcommit.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "workspace.h"

namespace mission
{

void writeBlocks(const SheetValues &values, std::string_view anim)
{
    // Committed together, so that a mission assembled after a failed save never holds the new
    // character block beside the old interface block.
    files::AtomicFile character(workspacePath(kCharacterBlockFile));
    character.write(joinLines(characterBlockLines(values, anim)));
    files::AtomicFile interface(workspacePath(kInterfaceBlockFile));
    interface.write(joinLines(interfaceBlockLines(values)));
    files::AtomicFile *const both[] = {&character, &interface};
    if (const auto result = files::commitTogether(both); !result.committed())
        throw files::toError(result);
}

} // namespace mission
