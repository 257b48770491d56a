#pragma once

#include "missionimport.h"

#include <functional>
#include <ostream>
#include <span>
#include <string>

namespace importer
{

using ImportFunction =
    std::function<ImportReport(const mission::Workspace &, const std::filesystem::path &,
                               ImportMode, const files::WaitForFolder &)>;

// The importer's command line: reads the arguments (without the program's name), runs the import,
// prints its report to `out` or the reason it failed to `err`, and returns the exit status.
[[nodiscard]] int runCommandLine(std::span<const std::string> args, std::ostream &out,
                                 std::ostream &err, const ImportFunction &import = importMission);

// The same, started in a console window of its own, as a double-click or a file dropped on the
// program starts it on Windows: with nothing to import, it tells a player how to give it their
// mission file instead of a command line's usage. Its workspace is the one beside the program,
// in `programFolder`, unless the arguments name one: Explorer chooses the current folder there.
[[nodiscard]] int runInOwnWindow(std::span<const std::string> args, std::ostream &out,
                                 std::ostream &err, const std::filesystem::path &programFolder,
                                 const ImportFunction &import = importMission);

} // namespace importer
