#pragma once

#include <QString>
#include <QStringList>

// The editor's command line: where its workspace is, or a question it answers without a window.
namespace options
{

struct CommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    QString workspace; // empty: tobrinmis under the current folder
    QString problem;   // what is wrong, for Action::Usage
};

// Reads the arguments (without the program's name). --help and --version win wherever they
// stand before "--"; otherwise the first wrong argument makes it Usage.
[[nodiscard]] CommandLine read(const QStringList &args);

// The arguments without the options that Qt takes for itself (-platform NAME, -style=NAME,
// -reverse...), so that they can be read before Qt starts.
[[nodiscard]] QStringList withoutQtOptions(const QStringList &args);

// A workspace named on the command line must be a folder: if it is not, says so on the error
// output, naming the folder and the reason, and gives the exit status, 1; otherwise 0.
[[nodiscard]] int checkWorkspace(const CommandLine &line);

// Prints the answer to a question (help, version, wrong usage) and gives the exit status.
[[nodiscard]] int answer(const CommandLine &line);

} // namespace options
