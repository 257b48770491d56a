#include "missionimport.h"

#include "atomicfile.h"
#include "error.h"
#include "inputfile.h"
#include "workspace.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace importer
{

namespace
{

// Whether replacing the file would keep it as "<name>.bak" (AtomicFile::Backup::KeepFirst).
bool wouldKeepBackup(const fs::path &path)
{
    std::error_code ec;
    fs::path bak = path;
    bak += ".bak";
    return fs::is_regular_file(path, ec) && !fs::exists(fs::symlink_status(bak, ec));
}

// Lines as splitLines() counts them.
std::size_t lineCount(std::string_view text)
{
    const auto ends = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return ends + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

} // namespace

ImportReport importMission(const fs::path &missionFile, ImportMode mode)
{
    std::string text;
    try {
        text = mission::readFile(missionFile);
    } catch (const mission::Error &e) {
        throw ImportError(Status::CannotRead, e.what());
    }

    MissionSplit split;
    try {
        split = splitMission(text);
    } catch (const ImportError &e) {
        throw ImportError(e.status(),
                          "could not import \"" + missionFile.string() + "\": " + e.what());
    }

    ImportReport report{lineCount(text), split.character, split.interface, {}};
    const std::string_view names[] = {mission::kPiece1, mission::kPiece2, mission::kPiece3};
    try {
        const fs::path folder = mission::workspacePath(mission::kPiece1).parent_path();
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            throw mission::Error(
                "could not write to", folder,
                "there is no such folder here; run the importer from the folder that "
                "holds the editor's workspace");
        for (std::size_t k = 0; k < 3; ++k) {
            const fs::path path = mission::workspacePath(names[k]);
            report.pieces[k] = {path, lineCount(split.pieces[k]), split.pieces[k].size(),
                                wouldKeepBackup(path)};
        }
        if (mode == ImportMode::Check)
            return report;

        std::vector<std::unique_ptr<mission::AtomicFile>> files;
        for (std::size_t k = 0; k < 3; ++k) {
            files.push_back(std::make_unique<mission::AtomicFile>(report.pieces[k].path));
            files.back()->write(split.pieces[k]);
        }
        const std::vector<mission::AtomicFile *> all = {files[0].get(), files[1].get(),
                                                        files[2].get()};
        mission::AtomicFile::commitTogether(all, mission::AtomicFile::Backup::KeepFirst);
    } catch (const mission::Error &e) {
        throw ImportError(Status::CannotWrite, e.what());
    }
    return report;
}

} // namespace importer
