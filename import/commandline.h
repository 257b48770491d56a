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

} // namespace importer
