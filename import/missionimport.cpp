#include "missionimport.h"

#include "backup.h"
#include "error.h"
#include "groupcommit.h"
#include "inputfile.h"
#include "pathtext.h"
#include "roundtrip.h"
#include "savetarget.h"
#include "workspace.h"

#include <algorithm>
#include <memory>
#include <new>
#include <span>
#include <vector>

namespace fs = std::filesystem;

namespace importer
{

namespace
{

std::size_t lineEnds(std::string_view text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Lines as the editor counts them: a last line without a line end counts too.
std::size_t lineCount(std::string_view text)
{
    return lineEnds(text) + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

// Refuses, before anything is written, a piece that is the mission file itself (through a link,
// or another name of it), which the import would replace with the piece, and two pieces that are
// one file, which would hold only the last piece.
void checkPiecesApart(const mission::Workspace &workspace, const fs::path &missionFile,
                      std::span<const std::string_view> names)
{
    for (std::size_t k = 0; k < names.size(); ++k) {
        const fs::path piece = workspace.file(names[k]);
        if (files::sameFile(piece, missionFile))
            throw files::Error(files::kWriteAction, piece,
                               "it is the mission file being imported, \"" +
                                   files::pathText(missionFile) + "\"");
        for (std::size_t j = 0; j < k; ++j) {
            const fs::path other = workspace.file(names[j]);
            if (files::sameFile(piece, other))
                throw files::Error(files::kWriteAction, piece,
                                   "it is the same file as \"" + files::pathText(other) + "\"");
        }
    }
}

ImportReport importText(const mission::Workspace &workspace, const fs::path &missionFile,
                        ImportMode mode, const files::WaitForFolder &wait)
{
    std::string text;
    try {
        text = files::readFile(missionFile);
    } catch (const files::Error &e) {
        throw ImportError(Status::CannotRead, e.what());
    }
    const auto inFile = [&](const ImportError &e) {
        return ImportError(e.status(), "could not import \"" + files::pathText(missionFile) +
                                           "\": " + e.what());
    };

    MissionSplit split;
    try {
        split = splitMission(text);
    } catch (const ImportError &e) {
        throw inFile(e);
    }

    ImportReport report{lineCount(text), split.character, split.interface, {}};
    const std::string_view names[] = {mission::kPiece1, mission::kPiece2, mission::kPiece3};
    try {
        const fs::path folder = workspace.file(mission::kPiece1).parent_path();
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            throw files::Error("could not find the workspace", folder,
                               "there is no such folder; run the importer from the folder "
                               "that holds it");
        checkPiecesApart(workspace, missionFile, names);
        std::vector<std::unique_ptr<files::AtomicFile>> files;
        for (std::size_t k = 0; k < 3; ++k) {
            const fs::path path = workspace.file(names[k]);
            report.pieces[k] = {path, 0, 0, files::plannedBackup(path)};
            if (mode == ImportMode::Write)
                files.push_back(std::make_unique<files::AtomicFile>(
                    path, files::AtomicFile::Backup::KeepFirst, wait));
        }
        // The pieces go straight to their files as they are made and checked; they replace
        // the stored ones only once the whole check has passed.
        try {
            makePieces(text, split, [&](std::size_t k, std::string_view bytes) {
                report.pieces[k].bytes += bytes.size();
                report.pieces[k].lines += lineEnds(bytes);
                if (!files.empty())
                    files[k]->write(bytes);
            });
        } catch (const ImportError &e) {
            throw inFile(e);
        }
        if (mode == ImportMode::Check)
            return report;
        const std::vector<files::AtomicFile *> all = {files[0].get(), files[1].get(),
                                                      files[2].get()};
        if (const auto result = files::commitTogether(all); !result.done())
            throw ImportError(commitStatus(result), files::toError(result).what());
    } catch (const files::Error &e) {
        // A check writes nothing, so it tells what would stop an import, not what failed.
        if (mode == ImportMode::Check)
            throw ImportError(Status::CannotWrite, "an import would stop at \"" +
                                                       files::pathText(e.path()) +
                                                       "\": " + e.reason());
        throw ImportError(Status::CannotWrite, e.what());
    }
    return report;
}

} // namespace

Status commitStatus(const files::GroupCommitResult &result)
{
    if (result.done())
        return Status::Done;
    if (result.committed())
        return Status::Unconfirmed;
    return result.mixed() ? Status::PiecesMixed : Status::CannotWrite;
}

ImportReport importMission(const mission::Workspace &workspace, const fs::path &missionFile,
                           ImportMode mode, const files::WaitForFolder &wait)
{
    try {
        return importText(workspace, missionFile, mode, wait);
    } catch (const std::bad_alloc &) {
        // By now the text and all made from it are freed, so the message itself fits.
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(missionFile, ec);
        throw ImportError(Status::OutOfMemory,
                          "not enough memory to read \"" + files::pathText(missionFile) + "\"" +
                              (ec ? "" : " (" + std::to_string(size) + " bytes)") +
                              "; nothing was written");
    }
}

} // namespace importer
