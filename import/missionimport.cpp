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

// The mission file's text. Throws an ImportError (CannotRead).
std::string readMission(const fs::path &missionFile)
{
    try {
        return files::readFile(missionFile);
    } catch (const files::Error &e) {
        throw ImportError(Status::CannotRead, e.what());
    }
}

// A fault of the mission's text, said of the mission file.
ImportError inMissionFile(const fs::path &missionFile, const ImportError &e)
{
    return ImportError(e.status(),
                       "could not import \"" + files::pathText(missionFile) + "\": " + e.what());
}

MissionSplit splitText(std::string_view text, const fs::path &missionFile)
{
    try {
        return splitMission(text);
    } catch (const ImportError &e) {
        throw inMissionFile(missionFile, e);
    }
}

// Refuses, before anything is written, a workspace that is not there and pieces that are not
// apart. Throws a files::Error.
void checkWorkspace(const mission::Workspace &workspace, const fs::path &missionFile)
{
    const fs::path folder = workspace.file(mission::kPiece1).parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        throw files::Error("could not find the workspace", folder,
                           "there is no such folder; run the importer from the folder "
                           "that holds it");
    checkPiecesApart(workspace, missionFile, mission::kStoredPieces);
}

using PieceFiles = std::vector<std::unique_ptr<files::AtomicFile>>;

// Where each piece goes, in the report, and the files that it is written to (none for a check).
PieceFiles openPieces(const mission::Workspace &workspace, ImportMode mode,
                      const files::WaitForFolder &wait, ImportReport &report)
{
    PieceFiles pieces;
    for (std::size_t k = 0; k < 3; ++k) {
        const fs::path path = workspace.file(mission::kStoredPieces[k]);
        report.pieces[k] = {path, 0, 0, files::plannedBackup(path)};
        if (mode == ImportMode::Write)
            pieces.push_back(std::make_unique<files::AtomicFile>(
                path, files::AtomicFile::Backup::KeepFirst, wait));
    }
    return pieces;
}

// Makes the pieces, counting them in the report and writing them to their files, if any.
void writePieces(std::string_view text, const MissionSplit &split, const fs::path &missionFile,
                 const PieceFiles &pieces, ImportReport &report)
{
    try {
        makePieces(text, split, [&](std::size_t k, std::string_view bytes) {
            report.pieces[k].bytes += bytes.size();
            report.pieces[k].lines += lineEnds(bytes);
            if (!pieces.empty())
                pieces[k]->write(bytes);
        });
    } catch (const ImportError &e) {
        throw inMissionFile(missionFile, e);
    }
}

void commitPieces(const PieceFiles &pieces)
{
    const std::vector<files::AtomicFile *> all = {pieces[0].get(), pieces[1].get(),
                                                  pieces[2].get()};
    if (const auto result = files::commitTogether(all); !result.done())
        throw ImportError(commitStatus(result), files::toError(result).what());
}

// The stored pieces made, checked and, with ImportMode::Write, committed. Throws a files::Error
// for what the workspace refuses, an ImportError for the rest.
void storePieces(const mission::Workspace &workspace, const fs::path &missionFile,
                 std::string_view text, const MissionSplit &split, ImportMode mode,
                 const files::WaitForFolder &wait, ImportReport &report)
{
    checkWorkspace(workspace, missionFile);
    const PieceFiles pieces = openPieces(workspace, mode, wait, report);
    // The pieces go straight to their files as they are made and checked; they replace the
    // stored ones only once the whole check has passed.
    writePieces(text, split, missionFile, pieces, report);
    if (mode == ImportMode::Write)
        commitPieces(pieces);
}

// What the workspace refused, as the importer's error.
ImportError workspaceError(const files::Error &e, ImportMode mode)
{
    // A check writes nothing, so it tells what would stop an import, not what failed.
    if (mode == ImportMode::Check)
        return ImportError(Status::CannotWrite, "an import would stop at \"" +
                                                    files::pathText(e.path()) +
                                                    "\": " + e.reason());
    return ImportError(Status::CannotWrite, e.what());
}

ImportReport importText(const mission::Workspace &workspace, const fs::path &missionFile,
                        ImportMode mode, const files::WaitForFolder &wait)
{
    const std::string text = readMission(missionFile);
    const MissionSplit split = splitText(text, missionFile);
    ImportReport report{lineCount(text), split.character, split.interface, {}};
    try {
        storePieces(workspace, missionFile, text, split, mode, wait, report);
    } catch (const files::Error &e) {
        throw workspaceError(e, mode);
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
