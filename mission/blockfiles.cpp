#include "blockfiles.h"

#include "atomicfile.h"
#include "characterblock.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "workspace.h"

namespace mission
{

void writeBlocks(const SheetValues &values, std::string_view anim)
{
    // Committed together, so that a mission assembled after a failed save never holds the new
    // character block beside the old interface block.
    AtomicFile character(workspacePath(kCharacterBlockFile));
    character.write(joinLines(characterBlockLines(values, anim)));
    AtomicFile interface(workspacePath(kInterfaceBlockFile));
    interface.write(joinLines(interfaceBlockLines(values)));
    AtomicFile *const both[] = {&character, &interface};
    AtomicFile::commitTogether(both);
}

} // namespace mission
