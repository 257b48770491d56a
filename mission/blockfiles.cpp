#include "blockfiles.h"

#include "characterblock.h"
#include "groupcommit.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "workspace.h"

namespace mission
{

SavedBlocks writeBlocks(const Workspace &workspace, const SheetValues &values,
                        std::string_view anim, const files::WaitForFolder &wait)
{
    SavedBlocks saved{joinLines(characterBlockLines(values, anim)),
                      joinLines(interfaceBlockLines(values))};
    // Committed together, so that a mission assembled after a failed save never holds the new
    // character block beside the old interface block.
    files::AtomicFile character(workspace.file(kCharacterBlockFile),
                                files::AtomicFile::Backup::None, wait);
    character.write(saved.character);
    files::AtomicFile interface(workspace.file(kInterfaceBlockFile),
                                files::AtomicFile::Backup::None, wait);
    interface.write(saved.interface);
    files::AtomicFile *const both[] = {&character, &interface};
    if (const auto result = files::commitTogether(both); !result.done())
        throw files::toError(result);
    return saved;
}

} // namespace mission
