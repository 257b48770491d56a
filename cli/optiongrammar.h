#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The grammar that the editor's and the importer's command lines share: --help, --version and
// --workspace FOLDER, "--" before arguments that begin with a dash, and one rule for what wins.
namespace cli
{

// What a program's command line holds besides the shared options, and how it words a wrong one.
struct Grammar {
    std::vector<std::string_view> flags; // its own options without a value, such as "--check"
    std::size_t operands = 0;            // how many arguments that are no options it takes
    std::string_view unknown;            // how it calls an argument it does not know
    std::string_view oneTooMany;         // what it says of an operand too many; empty: `unknown`
};

struct CommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    std::string workspace;             // empty: the default workspace
    std::vector<std::string> flags;    // the grammar's flags given, in order
    std::vector<std::string> operands; // the arguments that are no options, in order
    std::string problem;               // what is wrong, for Action::Usage
};

// Reads the arguments (without the program's name) in order: the first that asks a question
// (--help or -h, --version) or is wrong decides, and nothing after it is read.
[[nodiscard]] CommandLine read(std::span<const std::string> args, const Grammar &grammar);

// What --version prints: the program's name and the version, on one line.
[[nodiscard]] std::string versionLine(std::string_view program);

} // namespace cli
