#pragma once

#include <gtest/gtest.h>

#include <concepts>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

// What the tables of cases (a TEST_P over a list of cases) share: each case has a name, which
// names the test and its failure messages, and may need files set up that a platform cannot make.
namespace files_test
{

struct NamedCase {
    const char *name;
};

// The case's name, not its bytes, where GoogleTest prints it.
template <typename Case>
    requires std::derived_from<Case, NamedCase>
void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

// For INSTANTIATE_TEST_SUITE_P: the case's name as the test's.
inline constexpr auto caseName = [](const auto &info) { return std::string(info.param.name); };

// Runs a case's set-up; why it could not be made here (links, named pipes or devices under Wine),
// or nothing.
inline std::optional<std::string> setUpCase(const std::function<void()> &setup)
{
    try {
        if (setup)
            setup();
        return std::nullopt;
    } catch (const std::filesystem::filesystem_error &e) {
        return std::string("cannot set the case up here: ") + e.what();
    }
}

} // namespace files_test
