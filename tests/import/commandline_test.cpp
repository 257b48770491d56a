// The importer's command line, with the import itself stood in for, and its exit statuses.

#include "commandline.h"
#include "groupcommit.h"
#include "importerror.h"
#include "missionimport.h"
#include "version.h"
#include "workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// How a group commit of the pieces ended becomes the exit status: 7 only where every piece holds
// what it held before, 9 where some could not be put back (or, new, removed again), 10 where all
// were replaced but the folder could not be made sure on disk.
TEST(CommandLine, ACommitThatLeftThePiecesMixedEndsWithItsOwnStatus)
{
    using importer::Status;
    const std::error_code failed = std::make_error_code(std::errc::io_error);
    const auto result = [&](std::vector<files::PutBack> putBack) {
        return files::GroupCommitResult{"mis_1_2.dat", failed, std::move(putBack), {}, {}};
    };
    const struct {
        const char *name;
        files::GroupCommitResult result;
        Status status;
    } cases[] = {
        {"committed", {}, Status::Done},
        {"committed, not sure on disk", {{}, {}, {}, failed, "ws"}, Status::Unconfirmed},
        {"the first rename failed", result({}), Status::CannotWrite},
        {"put back", result({{"mis_1_1.dat", ".tm-old", {}}}), Status::CannotWrite},
        {"new, removed again", result({{"mis_1_1.dat", {}, {}}}), Status::CannotWrite},
        {"not put back", result({{"mis_1_1.dat", ".tm-old", failed}}), Status::PiecesMixed},
        {"new, left", result({{"mis_1_1.dat", {}, failed}}), Status::PiecesMixed},
        {"second of two not put back",
         result({{"mis_1_1.dat", ".tm-old", {}}, {"mis_1_3.dat", ".tm-old", failed}}),
         Status::PiecesMixed},
    };
    for (const auto &c : cases)
        EXPECT_EQ(static_cast<int>(importer::commitStatus(c.result)), static_cast<int>(c.status))
            << c.name;
    EXPECT_EQ(static_cast<int>(Status::CannotWrite), 7);
    EXPECT_EQ(static_cast<int>(Status::PiecesMixed), 9);
    EXPECT_EQ(static_cast<int>(Status::Unconfirmed), 10);
}

// The command line as --help documents it, with the import itself stood in for: which file it
// is given and how, and the ways it ends that no real mission can reach.
TEST(CommandLine, ArgumentsAndExitStatuses)
{
    using importer::ImportMode;
    using importer::Status;
    struct Case {
        std::vector<std::string> args;
        std::function<void()> fails; // what the import throws, if anything
        int status;
        std::string called;   // "" when the import must not run
        std::string out, err; // excerpts of what goes to each stream
    };
    const auto throws = [](Status status) {
        return [status] { throw importer::ImportError(status, "could not import \"m.mis\": why"); };
    };
    const std::string version = std::string("tobrins-mustrel-import ") + tobrins::kVersion + "\n";
    // clang-format off
    const Case cases[] = {
        {{"m.mis"},                    {}, 0, "write m.mis", "m.mis: 1 lines", ""},
        {{"--check", "m.mis"},         {}, 0, "check m.mis", "nothing written (--check)", ""},
        {{"--", "--check"},            {}, 0, "write --check", "--check: 1 lines", ""},
        {{"--check", "--", "-x.mis"},  {}, 0, "check -x.mis", "-x.mis: 1 lines", ""},
        {{"-"},                        {}, 0, "write -", "-: 1 lines", ""},
        {{"--workspace", "w", "m.mis"}, {}, 0, "write m.mis in w", "m.mis: 1 lines", ""},
        {{"--workspace=w", "m.mis"},   {}, 0, "write m.mis in w", "m.mis: 1 lines", ""},
        {{"m.mis", "--workspace"},     {}, 2, "", "", "--workspace must be followed by a folder"},
        {{"--workspace=", "m.mis"},    {}, 2, "", "", "--workspace must be followed by a folder"},
        {{"--workspace", "", "m.mis"}, {}, 2, "", "", "--workspace must be followed by a folder"},
        {{"--help", "m.mis"},          {}, 0, "", "Exit status:", ""},
        {{"--version", "m.mis"},       {}, 0, "", version, ""},
        {{},                           {}, 2, "", "", "no mission file was given"},
        {{""},                         {}, 2, "", "", "no mission file was given"},
        {{"a.mis", "b.mis"},           {}, 2, "", "", "only one mission file, please"},
        {{"--force", "m.mis"},         {}, 2, "", "", "unknown option \"--force\""},
        // The program itself reaches every other status in the tests above.
        {{"m.mis"}, throws(Status::RoundTrip),     6, "write m.mis", "", "tobrins-mustrel-import: could not import \"m.mis\": why\n"},
        {{"m.mis"}, [] { throw std::runtime_error("odd"); }, 1, "write m.mis", "", "tobrins-mustrel-import: m.mis: odd"},
    };
    // clang-format on
    for (const Case &c : cases) {
        std::string called;
        const auto import = [&](const mission::Workspace &workspace, const fs::path &file,
                                ImportMode mode, const files::WaitForFolder &) {
            called = (mode == ImportMode::Check ? "check " : "write ") + file.string();
            if (workspace.folder().filename() != mission::kWorkspaceFolder)
                called += " in " + workspace.folder().string();
            if (c.fails)
                c.fails();
            return importer::ImportReport{1, {}, {}, {}};
        };
        std::ostringstream out, err;
        const std::string given = testing::PrintToString(c.args);
        EXPECT_EQ(importer::runCommandLine(c.args, out, err, import), c.status) << given;
        EXPECT_EQ(called, c.called) << given;
        EXPECT_NE(out.str().find(c.out), std::string::npos) << given << out.str();
        EXPECT_NE(err.str().find(c.err), std::string::npos) << given << err.str();
        EXPECT_EQ(out.str().empty(), c.out.empty()) << given << out.str();
        EXPECT_EQ(err.str().empty(), c.err.empty()) << given << err.str();
    }

    // While another program saves in the workspace, the importer says so at once, and once.
    std::ostringstream out, err;
    const auto waits = [](const mission::Workspace &, const fs::path &, ImportMode,
                          const files::WaitForFolder &wait) {
        EXPECT_TRUE(wait("ws"));
        EXPECT_TRUE(wait("ws"));
        return importer::ImportReport{1, {}, {}, {}};
    };
    EXPECT_EQ(importer::runCommandLine(std::vector<std::string>{"m.mis"}, out, err, waits), 0);
    EXPECT_EQ(err.str(),
              "tobrins-mustrel-import: waiting for another save in \"ws\" to finish...\n");

    // In a window of its own, with nothing to import, a player reads how to give it a file; with
    // a file it imports into the workspace beside the program, whatever the current folder,
    // unless the arguments name another.
    const fs::path program = fs::path("games") / "mustrel";
    const std::string beside = (program / "tobrinmis").string();
    for (const auto &[args, called, says] :
         {std::tuple{std::vector<std::string>{}, std::string(),
                     "drop it on\ntobrins-mustrel-import.exe."},
          {{"m.mis"}, "m.mis in " + beside, "m.mis: 1 lines"},
          {{"--workspace", "w", "m.mis"}, "m.mis in w", "m.mis: 1 lines"}}) {
        std::string got;
        const auto import = [&](const mission::Workspace &workspace, const fs::path &file,
                                ImportMode, const files::WaitForFolder &) {
            got = file.string() + " in " + workspace.folder().string();
            return importer::ImportReport{1, {}, {}, {}};
        };
        std::ostringstream out, err;
        EXPECT_EQ(importer::runInOwnWindow(args, out, err, program, import), args.empty() ? 2 : 0);
        EXPECT_EQ(got, called);
        EXPECT_NE(out.str().find(says), std::string::npos) << out.str();
        EXPECT_EQ(err.str(), "");
    }

    // --help speaks of the places of the platform it runs on.
    std::ostringstream help, none;
    EXPECT_EQ(importer::runCommandLine(std::vector<std::string>{"--help"}, help, none), 0);
#ifdef _WIN32
    EXPECT_EQ(help.str().find("XDG_DATA_HOME"), std::string::npos) << help.str();
    EXPECT_NE(help.str().find("tobrinmis\\ in the current folder"), std::string::npos);
#else
    EXPECT_NE(help.str().find("${XDG_DATA_HOME:-~/.local/share}/tobrins-mustrel/tobrinmis"),
              std::string::npos)
        << help.str();
#endif
}

} // namespace
