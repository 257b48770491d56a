#pragma once

#include "optiongrammar.h"

#include <filesystem>
#include <string>
#include <vector>

// The editor's command line: where its workspace is, or a question it answers without a window.
namespace options
{

using CommandLine = cli::CommandLine;

// The arguments after the program's name, as text that files::pathFromText turns back into the
// very names given: on POSIX the bytes themselves; on Windows UTF-8, from Qt's arguments (which
// Qt reads as UTF-16) once the application is made. Once it is, Qt's own options are gone.
[[nodiscard]] std::vector<std::string> arguments(int argc, char **argv);

// Reads the arguments by the grammar both programs share: the editor takes --workspace FOLDER
// and nothing else.
[[nodiscard]] CommandLine read(const std::vector<std::string> &args);

// The arguments without the options that Qt takes for itself (-platform NAME, -style=NAME,
// -reverse...), so that they can be read before Qt starts.
[[nodiscard]] std::vector<std::string> withoutQtOptions(const std::vector<std::string> &args);

// The workspace named, by the file layer's rule for a path given as text, with this platform's
// separators; empty when none is named.
[[nodiscard]] std::filesystem::path workspace(const CommandLine &line);

// A workspace named on the command line must be a folder: if it is not, says so on the error
// output, naming the folder and the reason, and gives the exit status, 1; otherwise 0.
[[nodiscard]] int checkWorkspace(const CommandLine &line);

// Prints the answer to a question (help, version, wrong usage) and gives the exit status.
[[nodiscard]] int answer(const CommandLine &line);

} // namespace options
