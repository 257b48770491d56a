#include "commandline.h"

#include "optiongrammar.h"
#include "pathtext.h"
#include "script.h"
#include "workspace.h"

#include <exception>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

namespace importer
{

namespace
{

constexpr const char *kName = "tobrins-mustrel-import";

// Where the pieces go, as a user of this platform finds the workspace.
#ifdef _WIN32
constexpr std::string_view kWhere =
    R"(It works on the editor's workspace: tobrinmis\ in the current folder (the folder you start
the editor from), or the FOLDER named with --workspace. It writes the pieces there as
mis_1_1.dat, mis_1_2.dat and mis_1_3.dat.)";
#else
constexpr std::string_view kWhere =
    R"(It works on the editor's workspace: tobrinmis/ under the current folder, or the FOLDER
named with --workspace. Installed, the command tobrins-mustrel-import works from any folder
on your own workspace, the editor's, ${XDG_DATA_HOME:-~/.local/share}/tobrins-mustrel/tobrinmis.
It writes the pieces there as mis_1_1.dat, mis_1_2.dat and mis_1_3.dat.)";
#endif

constexpr std::string_view kHelpBefore =
    R"(Usage: tobrins-mustrel-import [--check] [--workspace FOLDER] MISSION_FILE

Makes the editor's three stored mission pieces from your own copy of the mission file.
)";

constexpr std::string_view kHelpAfter = R"(
It finds the Green Beret's character block (the object with .CLASS BICHOALIADO and .TOKEN
COMANDO) and his interface block ([ SUBINTERFACEALIADO [ ... ] ] with .TOKEN COMANDO), checks
that the pieces and the blocks give back the file, and writes what comes before, between and
after the blocks, every line ended with CR LF. The three are replaced together or not at all;
a piece replaced for the first time is kept as <name>.bak. MISSION_FILE is only read.

  --check             only report where the blocks are and what would be written; write nothing
  --workspace FOLDER  the workspace to write the pieces into
  --help              show this help
  --version           show the version

Exit status:
  0  done (with --check: the file can be imported)
  1  an unexpected failure
  2  wrong usage
  3  the mission file cannot be read
  4  it is not well formed (the message gives the line and column)
  5  a Green Beret block is missing, there are two of a kind, or they are out of order
  6  the pieces and the blocks would not give back the file
  7  the pieces could not be written; the stored pieces are left as they were
  8  there is not enough memory to read the mission file; nothing was written
  9  the pieces could not be written nor all put back: they are mixed; the message says where the previous ones are
 10  the pieces were replaced, but the system could not make sure they are on disk
)";

// Within the 80 columns of a console window.
constexpr std::string_view kHowToDrop =
    R"(This program makes the editor's stored mission pieces from your own copy
of the mission file, so that the missions the editor saves are the game's.

To use it, close this window, then drag your mission file and drop it on
tobrins-mustrel-import.exe. For "Guess who's coming tonight" that is
Mapa0001.mis, in the folder the game loads this mission from. Your mission
file is only read.
)";

int usage(std::ostream &err, const std::string &problem)
{
    err << kName << ": " << problem << "\nUsage: " << kName
        << " [--check] [--workspace FOLDER] MISSION_FILE   (--help for more)\n";
    return static_cast<int>(Status::Usage);
}

std::string span(const BlockPlace &b)
{
    return placeText(b.openLine, b.openColumn) + " to " + placeText(b.closeLine, b.closeColumn);
}

void print(std::ostream &out, const std::string &file, const ImportReport &r, bool check)
{
    out << file << ": " << r.lines << " lines\n"
        << "  character block: " << span(r.character) << "\n"
        << "  interface block: " << span(r.interface) << "\n";
    for (const auto &piece : r.pieces) {
        out << (check ? "would write " : "wrote ") << files::pathText(piece.path) << ": "
            << piece.lines << " lines, " << piece.bytes << " bytes";
        // A backup beside the piece goes by its name; one beside the file a link names, in full.
        const bool beside = piece.backup.parent_path() == piece.path.parent_path();
        if (!piece.backup.empty())
            out << (check ? " (would keep the old one as " : " (kept the old one as ")
                << files::pathText(beside ? piece.backup.filename() : piece.backup) << ")";
        out << "\n";
    }
    if (check)
        out << "nothing written (--check)\n";
}

} // namespace

int runCommandLine(std::span<const std::string> args, std::ostream &out, std::ostream &err,
                   const ImportFunction &import)
{
    const cli::CommandLine line =
        cli::read(args, {{"--check"}, 1, "unknown option", "only one mission file, please"});
    switch (line.action) {
    case cli::CommandLine::Action::Help:
        out << kHelpBefore << kWhere << '\n' << kHelpAfter;
        return static_cast<int>(Status::Done);
    case cli::CommandLine::Action::Version:
        out << cli::versionLine(kName) << '\n';
        return static_cast<int>(Status::Done);
    case cli::CommandLine::Action::Usage:
        return usage(err, line.problem);
    case cli::CommandLine::Action::Run:
        break;
    }
    const bool check = !line.flags.empty();
    const std::string file = line.operands.empty() ? std::string() : line.operands.front();
    const std::string &workspace = line.workspace;
    if (file.empty())
        return usage(err, "no mission file was given");

    const mission::Workspace named = workspace.empty()
                                         ? mission::Workspace()
                                         : mission::Workspace(files::pathFromText(workspace));
    try {
        bool told = false;
        const auto report =
            import(named, files::pathFromText(file), check ? ImportMode::Check : ImportMode::Write,
                   [&](const std::filesystem::path &folder) {
                       if (!std::exchange(told, true))
                           err << kName << ": waiting for another save in \""
                               << files::pathText(folder) << "\" to finish...\n"
                               << std::flush;
                       return true;
                   });
        print(out, file, report, check);
        return static_cast<int>(Status::Done);
    } catch (const ImportError &e) {
        err << kName << ": " << e.what() << "\n";
        return static_cast<int>(e.status());
    } catch (const std::exception &e) {
        err << kName << ": " << file << ": " << e.what() << "\n";
        return static_cast<int>(Status::Unexpected);
    }
}

int runInOwnWindow(std::span<const std::string> args, std::ostream &out, std::ostream &err,
                   const std::filesystem::path &programFolder, const ImportFunction &import)
{
    if (args.empty()) {
        out << kHowToDrop;
        return static_cast<int>(Status::Usage);
    }
    // Given first, so that a --workspace among the arguments still wins.
    std::vector<std::string> withWorkspace = {
        "--workspace", files::pathText(programFolder / mission::kWorkspaceFolder)};
    withWorkspace.insert(withWorkspace.end(), args.begin(), args.end());
    return runCommandLine(withWorkspace, out, err, import);
}

} // namespace importer
