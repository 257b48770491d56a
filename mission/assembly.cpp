#include "assembly.h"

#include "atomicfile.h"
#include "blocksize.h"
#include "error.h"
#include "groupcommit.h"
#include "inputfile.h"
#include "linefile.h"
#include "pathtext.h"
#include "workspace.h"

#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace mission
{

using files::Error;
using files::kWriteAction;

namespace
{

bool samePlace(const fs::path &a, const fs::path &b)
{
    std::error_code ec;
    // Where both exist, the file system decides: it sees through "./", "..", links and case
    // folding alike.
    if (fs::exists(a, ec) && fs::exists(b, ec))
        return fs::equivalent(a, b, ec);
    const fs::path ca = fs::weakly_canonical(a, ec);
    if (ec)
        return false;
    const fs::path cb = fs::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

} // namespace

void checkTarget(const fs::path &folder, const fs::path &fileName)
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
        const fs::path source = workspacePath(name);
        if (samePlace(target, source))
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

void assemble(const fs::path &folder, const fs::path &fileName)
{
    const fs::path target = missionPath(folder, fileName);
    checkTarget(folder, fileName);

    files::AtomicFile out(target, files::AtomicFile::Backup::KeepFirst);
    CrLfWriter lines;
    const auto block = std::make_unique_for_overwrite<char[]>(files::kBlockSize);
    {
        // The pieces and the blocks of one import and one save, never some of another.
        const files::GroupReading group(workspacePath(kPiece1).parent_path());
        for (const auto name : kMissionSources) {
            files::InputFile in(workspacePath(name));
            for (std::size_t n; (n = in.read(block.get(), files::kBlockSize)) != 0;)
                out.write(lines.convert({block.get(), n}));
            out.write(lines.finish());
        }
    }
    out.commit();
}

} // namespace mission
