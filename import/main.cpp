// tobrins-mustrel-import: makes the workspace's stored mission pieces from the user's own
// mission file. The work is done by mission::importMission; this reads the arguments, prints
// the report and turns failures into exit codes.

#include "missionimport.h"

#include <exception>
#include <iostream>
#include <string>
#include <string_view>

namespace
{

constexpr const char *kName = "tobrins-mustrel-import";

enum Exit {
    kDone = 0,
    kOther = 1,
    kUsage = 2,
    kCannotRead = 3,
    kNotWellFormed = 4,
    kBlocks = 5,
    kRoundTrip = 6,
    kCannotWrite = 7,
};

constexpr std::string_view kHelp = R"(Usage: tobrins-mustrel-import [--check] MISSION_FILE

Makes the editor's three stored mission pieces from your own copy of the mission file. Run it
in the folder that holds the editor's workspace, tobrinmis/. It finds the Green Beret's
character block (the object with .CLASS BICHOALIADO and .TOKEN COMANDO) and his interface
block ([ SUBINTERFACEALIADO [ ... ] ] with .TOKEN COMANDO), checks that the pieces and the
blocks give back the file, and writes what comes before, between and after the blocks to
tobrinmis/mis_1_1.dat, mis_1_2.dat and mis_1_3.dat, every line ended with CR LF. The three
are replaced together or not at all; a piece replaced for the first time is kept as
<name>.bak. MISSION_FILE is only read.

  --check   only report where the blocks are and what would be written; write nothing
  --help    show this help

Exit status:
  0  done (with --check: the file can be imported)
  1  an unexpected failure
  2  wrong usage
  3  the mission file cannot be read
  4  it is not well formed (the message gives the line and column)
  5  a Green Beret block is missing, there are two of a kind, or they are out of order
  6  the pieces and the blocks would not give back the file
  7  the pieces could not be written; the stored pieces are left as they were
)";

int usage(const std::string &problem)
{
    std::cerr << kName << ": " << problem << "\nUsage: " << kName
              << " [--check] MISSION_FILE   (--help for more)\n";
    return kUsage;
}

int exitCode(mission::ImportError::Kind kind)
{
    using Kind = mission::ImportError::Kind;
    switch (kind) {
    case Kind::Read:
        return kCannotRead;
    case Kind::NotWellFormed:
        return kNotWellFormed;
    case Kind::Blocks:
        return kBlocks;
    case Kind::RoundTrip:
        return kRoundTrip;
    case Kind::Write:
        return kCannotWrite;
    }
    return kOther;
}

std::string span(const mission::BlockPlace &b)
{
    return "line " + std::to_string(b.openLine) + ", column " + std::to_string(b.openColumn) +
           " to line " + std::to_string(b.closeLine) + ", column " + std::to_string(b.closeColumn);
}

void print(const std::string &file, const mission::ImportReport &r, bool check)
{
    std::cout << file << ": " << r.lines << " lines\n"
              << "  character block: " << span(r.character) << "\n"
              << "  interface block: " << span(r.interface) << "\n";
    for (const auto &piece : r.pieces) {
        std::cout << (check ? "would write " : "wrote ") << piece.path.string() << ": "
                  << piece.lines << " lines, " << piece.bytes << " bytes";
        if (piece.backup)
            std::cout << (check ? " (would keep the old one as " : " (kept the old one as ")
                      << piece.path.filename().string() << ".bak)";
        std::cout << "\n";
    }
    if (check)
        std::cout << "nothing written (--check)\n";
}

} // namespace

int main(int argc, char **argv)
{
    bool check = false;
    bool optionsDone = false;
    std::string file;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsDone && (arg == "--help" || arg == "-h")) {
            std::cout << kHelp;
            return kDone;
        }
        if (!optionsDone && arg == "--check") {
            check = true;
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg.front() == '-') {
            return usage("unknown option \"" + std::string(arg) + "\"");
        } else if (haveFile) {
            return usage("only one mission file, please");
        } else {
            file = arg;
            haveFile = true;
        }
    }
    if (!haveFile || file.empty())
        return usage("no mission file was given");

    try {
        const auto report = mission::importMission(file, check ? mission::ImportMode::Check
                                                               : mission::ImportMode::Write);
        print(file, report, check);
        return kDone;
    } catch (const mission::ImportError &e) {
        std::cerr << kName << ": " << e.what() << "\n";
        return exitCode(e.kind());
    } catch (const std::exception &e) {
        std::cerr << kName << ": " << file << ": " << e.what() << "\n";
        return kOther;
    }
}
