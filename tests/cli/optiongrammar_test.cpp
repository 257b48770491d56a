// The grammar both programs read their arguments by, with each program's own wording.
#include "optiongrammar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Action = cli::CommandLine::Action;

const cli::Grammar kEditor{{}, 0, "unknown argument", {}};
const cli::Grammar kImporter{{"--check"}, 1, "unknown option", "only one mission file, please"};

// What a command line comes to: "help", "version", "usage: <problem>", or
// "run [workspace] flags... | operands...".
std::string outcome(const std::vector<std::string> &args, const cli::Grammar &grammar)
{
    const cli::CommandLine line = cli::read(args, grammar);
    switch (line.action) {
    case Action::Help:
        return "help";
    case Action::Version:
        return "version";
    case Action::Usage:
        return "usage: " + line.problem;
    case Action::Run:
        break;
    }
    std::string run = "run [" + line.workspace + "]";
    for (const std::string &flag : line.flags)
        run += ' ' + flag;
    run += " |";
    for (const std::string &operand : line.operands)
        run += ' ' + operand;
    return run;
}

} // namespace

TEST(OptionGrammar, TheFirstQuestionOrProblemInOrderDecides)
{
    struct Case {
        std::vector<std::string> args;
        const cli::Grammar &grammar;
        std::string outcome;
    };
    // clang-format off
    const Case cases[] = {
        {{"--bogus", "--help"},            kEditor,   "usage: unknown argument \"--bogus\""},
        {{"--bogus", "--help"},            kImporter, "usage: unknown option \"--bogus\""},
        {{"--help", "--bogus"},            kEditor,   "help"},
        {{"-h", "a", "b"},                 kImporter, "help"},
        {{"a", "b", "--help"},             kImporter, "usage: only one mission file, please"},
        {{"x", "--version"},               kEditor,   "usage: unknown argument \"x\""},
        {{"--version", "--workspace"},     kImporter, "version"},
        {{"--workspace", "--help"},        kEditor,   "run [--help] |"},
        {{"--workspace", "", "--help"},    kImporter, "usage: --workspace must be followed by a folder"},
        {{"--workspace=", "--help"},       kEditor,   "usage: --workspace must be followed by a folder"},
        {{"--workspace"},                  kImporter, "usage: --workspace must be followed by a folder"},
        {{"--workspace=a", "--workspace", "b"}, kEditor, "run [b] |"},
        {{"--check", "--", "--help"},      kImporter, "run [] --check | --help"},
        {{"--", "--check"},                kEditor,   "usage: unknown argument \"--check\""},
        {{"-"},                            kImporter, "run [] | -"},
        {{"-"},                            kEditor,   "usage: unknown argument \"-\""},
        {{"--check"},                      kEditor,   "usage: unknown argument \"--check\""},
        {{},                               kImporter, "run [] |"},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(outcome(c.args, c.grammar), c.outcome) << testing::PrintToString(c.args);
}
