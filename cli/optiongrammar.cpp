#include "optiongrammar.h"

#include "version.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace cli
{

namespace
{

constexpr std::string_view kWorkspace = "--workspace";
constexpr std::string_view kWorkspaceIs = "--workspace=";
constexpr std::string_view kNoFolder = "--workspace must be followed by a folder";

std::string quoted(std::string_view what, const std::string &arg)
{
    return std::string(what) + " \"" + arg + "\"";
}

} // namespace

CommandLine read(std::span<const std::string> args, const Grammar &grammar)
{
    CommandLine line;
    const auto wrong = [&line](std::string problem) {
        line.action = CommandLine::Action::Usage;
        line.problem = std::move(problem);
        return line;
    };
    bool optionsDone = false;
    for (auto at = args.begin(); at != args.end(); ++at) {
        const std::string &arg = *at;
        const bool option = !optionsDone && arg.size() > 1 && arg.front() == '-';
        if (!option) {
            if (line.operands.size() < grammar.operands)
                line.operands.push_back(arg);
            else if (!grammar.oneTooMany.empty())
                return wrong(std::string(grammar.oneTooMany));
            else
                return wrong(quoted(grammar.unknown, arg));
        } else if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (arg == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == kWorkspace || arg.starts_with(kWorkspaceIs)) {
            if (arg != kWorkspace)
                line.workspace = arg.substr(kWorkspaceIs.size());
            else if (std::next(at) != args.end())
                line.workspace = *++at;
            if (line.workspace.empty())
                return wrong(std::string(kNoFolder));
        } else if (std::find(grammar.flags.begin(), grammar.flags.end(), arg) !=
                   grammar.flags.end()) {
            line.flags.push_back(arg);
        } else {
            return wrong(quoted(grammar.unknown, arg));
        }
    }
    return line;
}

std::string versionLine(std::string_view program)
{
    return std::string(program) + ' ' + tobrins::kVersion;
}

} // namespace cli
