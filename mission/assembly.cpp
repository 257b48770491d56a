#include "assembly.h"

#include "atomicfile.h"
#include "blocksize.h"
#include "error.h"
#include "inputfile.h"
#include "linefile.h"
#include "pathtext.h"
#include "savetarget.h"
#include "workspace.h"

#include <algorithm>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace mission
{

using files::Error;
using files::kWriteAction;

void checkTarget(const Workspace &workspace, const fs::path &folder, const fs::path &fileName)
{
    const fs::path target = missionPath(folder, fileName);
    if (fileName.empty())
        throw Error(kWriteAction, target, "no file name was given");
    // Not the root, which the name and a separator alone would make of it.
    if (folder.empty())
        throw Error(kWriteAction, fileName, "no folder was given");
    std::error_code ec;
    const auto folderStatus = fs::status(folder, ec);
    if (!fs::exists(folderStatus))
        throw Error(kWriteAction, target,
                    std::make_error_code(std::errc::no_such_file_or_directory));
    if (!fs::is_directory(folderStatus))
        throw Error(kWriteAction, target, std::make_error_code(std::errc::not_a_directory));
    if (fs::is_directory(target, ec))
        throw Error(kWriteAction, target, std::make_error_code(std::errc::is_a_directory));
    for (const auto name : kMissionSources) {
        const fs::path source = workspace.file(name);
        if (files::sameFile(target, source))
            throw Error(kWriteAction, target,
                        "it is the workspace file \"" + files::pathText(source) +
                            "\" that the mission is made from");
    }
}

fs::path missionPath(const fs::path &folder, const fs::path &fileName)
{
    fs::path::string_type path = folder.native();
    // '/' separates on every platform, '\\' on Windows too.
    if (path.empty() || (path.back() != '/' && path.back() != fs::path::preferred_separator))
        path += fs::path::preferred_separator;
    path += fileName.native();
    return path;
}

void assemble(const Workspace &workspace, const fs::path &folder, const fs::path &fileName,
              const SavedBlocks *blocks, const files::WaitForFolder &wait)
{
    const fs::path target = missionPath(folder, fileName);
    checkTarget(workspace, folder, fileName);

    files::AtomicFile out(target, files::AtomicFile::Backup::KeepFirst, wait);
    CrLfWriter lines;
    const auto block = std::make_unique_for_overwrite<char[]>(files::kBlockSize);
    {
        // The pieces and the blocks of one import and one save, never some of another.
        const files::FolderLock group(workspace.file(kPiece1).parent_path(),
                                      files::FolderLock::Mode::Shared, wait,
                                      workspace.file(kPiece1));
        for (const auto name : kMissionSources) {
            const std::string *const saved = !blocks                       ? nullptr
                                             : name == kCharacterBlockFile ? &blocks->character
                                             : name == kInterfaceBlockFile ? &blocks->interface
                                                                           : nullptr;
            std::string found;
            files::InputFile in(workspace.file(name));
            for (std::size_t n; (n = in.read(block.get(), files::kBlockSize)) != 0;) {
                if (saved && found.size() <= saved->size())
                    found.append(block.get(), std::min(n, saved->size() + 1 - found.size()));
                out.write(lines.convert({block.get(), n}));
            }
            out.write(lines.finish());
            if (saved && found != *saved)
                throw Error(kWriteAction, target,
                            "the blocks in the workspace were changed by another save since "
                            "yours; press \"Save Mission\" again to save your Green Beret");
        }
    }
    out.commit();
}

} // namespace mission
