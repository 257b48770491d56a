#include "script.h"

#include "assembly.h"
#include "characterblock.h"
#include "interfaceblock.h"
#include "linefile.h"
#include "sheetvalues.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace fs = std::filesystem;
using mission::SheetValues;

namespace
{

struct FaultCase {
    const char *name;
    std::string text;
    std::size_t line;
    std::size_t column;
    const char *message;
};

std::vector<FaultCase> faultCases()
{
    std::vector<FaultCase> cases = {
        {"CloseBelowZero",        "[ .A 1 ] ]",     1, 10, "closes no open bracket" },
        {"CloseBelowZeroLater",   "[ ]\r\n\r\n ]",  3, 2,  "closes no open bracket" },
        {"NeverClosed",           "[\r\n.A 1\r\n",  1, 1,  "never closed"           },
        {"InnermostUnclosed",     "[ ] [ [ ]\r\n",  1, 5,  "never closed"           },
        {"DotWithoutName",        "[\n  .\n]",      2, 3,  "without a property name"},
        {"NoValueBeforeClose",    "[ .A ]",         1, 3,  "has no value"           },
        {"NoValueBeforeProperty", "[\r\n.A .B 1 ]", 2, 1,  "has no value"           },
        {"NoValueAtEnd",          "[ .A",           1, 3,  "has no value"           },
        {"BracketsTouching",      "[.A]",           1, 2,  "has no value"           },
        {"ColumnsCountBytes",     "\t[ .X\xE9 ]",   1, 4,  "has no value"           },
        {"LoneCrEndsNoLine",      "[ x ]\r[ .A ]",  1, 9,  "has no value"           },
    };
    // An empty appearance token leaves the graphics line's .ANIM without a value.
    cases.push_back({"CharacterBlockWithEmptyToken",
                     mission::joinLines(mission::characterBlockLines(SheetValues{}, "")), 37, 10,
                     "\".ANIM\" has no value"});
    return cases;
}

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class ScriptFaults : public ::testing::TestWithParam<FaultCase>
{
};

TEST_P(ScriptFaults, AreFoundWhereTheyAre)
{
    const FaultCase &c = GetParam();
    const auto fault = mission::checkScript(c.text);
    ASSERT_TRUE(fault.has_value());
    EXPECT_EQ(fault->line, c.line);
    EXPECT_EQ(fault->column, c.column);
    EXPECT_NE(fault->message.find(c.message), std::string::npos) << fault->message;
}

INSTANTIATE_TEST_SUITE_P(Texts, ScriptFaults, ::testing::ValuesIn(faultCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ScriptCheck, AcceptsWellFormedTexts)
{
    const char *const texts[] = {"",
                                 " \r\n\t",
                                 "[ ]",
                                 "[.A[1 2]]",
                                 "[ .A -1 .B x.y .C [ ] .D [ [ .E 0 ] ] ]",
                                 "[\r\n.A\r\n1\r\n]\r\n[ .B CARA0001.RLE ]"};
    for (const char *text : texts) {
        const auto fault = mission::checkScript(text);
        EXPECT_FALSE(fault.has_value()) << '"' << text << "\": " << fault->message << " at "
                                        << fault->line << ':' << fault->column;
    }
}

// ---- Every state of the sheet gives well-formed blocks ----

constexpr std::array<const char *, 8> kTokens = {"COMANDO",  "FRANCOT", "MECANIC", "ESPIA",
                                                 "OFFICIAL", "CABO",    "ALEMAN2", "ALEGABAR"};
constexpr std::size_t kCombinations = 531441; // 3^12

SheetValues combination(std::size_t index)
{
    SheetValues v;
    mission::CheckValue SheetValues::*const boxes[] = {
        &SheetValues::visibility, &SheetValues::health,    &SheetValues::ck_knife,
        &SheetValues::ck_aid,     &SheetValues::ck_gun,    &SheetValues::ck_rifle,
        &SheetValues::ck_sniper,  &SheetValues::ck_stones, &SheetValues::ck_mgun,
        &SheetValues::ck_decoy,   &SheetValues::ck_cuffs,  &SheetValues::ck_lethal};
    for (auto box : boxes) {
        v.*box = static_cast<mission::CheckValue>(index % 3);
        index /= 3;
    }
    return v;
}

// The checker is run once per distinct text; many sheet states give the same block.
class DistinctChecker
{
public:
    // The fault of the lines' text, or none.
    std::optional<mission::ScriptFault> check(const std::vector<std::string> &lines)
    {
        text_.clear();
        for (const auto &line : lines) {
            text_ += line;
            text_ += "\r\n";
        }
        if (checked_.count(text_))
            return std::nullopt;
        auto fault = mission::checkScript(text_);
        if (!fault)
            checked_.insert(text_);
        return fault;
    }
    [[nodiscard]] const std::string &text() const { return text_; }

private:
    std::string text_;
    std::unordered_set<std::string> checked_;
};

struct Finding {
    std::string what; // empty when nothing was found
};

std::string describe(const char *block, std::size_t index, const char *token,
                     const mission::ScriptFault &fault, const std::string &text)
{
    const auto lines = mission::splitLines(text);
    return std::string(block) + " of combination " + std::to_string(index) + " with token " +
           (token ? token : "-") + ": " + fault.message + " at " + std::to_string(fault.line) +
           ':' + std::to_string(fault.column) + " in \"" +
           (fault.line - 1 < lines.size() ? lines[fault.line - 1] : std::string()) + '"';
}

// Optimised builds check every one of the 3^12 sheet states with each of the eight tokens
// (about 5 s of processor time, spread over the processors). Unoptimised and sanitizer builds
// make a block some 40 times slower: the 3^12 states with even one token take over 30 s of
// processor time under AddressSanitizer. There the same checks run over a sample: one state in
// 13 for the interface block and, for each token, one state in 89 (a different residue per
// token). The sample still gives every box each of its three Values alongside varied others.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr bool kEveryState = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kEveryState = false;
#else
constexpr bool kEveryState = true;
#endif
#else
constexpr bool kEveryState = true;
#endif
constexpr std::size_t kInterfaceStride = kEveryState ? 1 : 13;
constexpr std::size_t kCharacterStride = kEveryState ? 1 : 89;

void checkRange(std::size_t begin, std::size_t end, Finding &finding)
{
    DistinctChecker interfaceChecker;
    for (std::size_t i = begin; i < end; ++i) {
        if (i % kInterfaceStride != 0)
            continue;
        const auto fault = interfaceChecker.check(mission::interfaceBlockLines(combination(i)));
        if (fault) {
            finding.what = describe("interface block", i, nullptr, *fault, interfaceChecker.text());
            return;
        }
    }
    for (std::size_t t = 0; t < kTokens.size(); ++t) {
        DistinctChecker characterChecker;
        for (std::size_t i = begin; i < end; ++i) {
            if (i % kCharacterStride != t % kCharacterStride)
                continue;
            const auto fault =
                characterChecker.check(mission::characterBlockLines(combination(i), kTokens[t]));
            if (fault) {
                finding.what =
                    describe("character block", i, kTokens[t], *fault, characterChecker.text());
                return;
            }
        }
    }
}

TEST(ScriptCheck, EverySheetStateGivesWellFormedBlocks)
{
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<Finding> findings(threads);
    std::vector<std::thread> workers;
    for (std::size_t k = 0; k < threads; ++k)
        workers.emplace_back(checkRange, kCombinations * k / threads,
                             kCombinations * (k + 1) / threads, std::ref(findings[k]));
    for (auto &worker : workers)
        worker.join();
    for (const auto &finding : findings)
        EXPECT_TRUE(finding.what.empty()) << finding.what;
}

// ---- The stand-in mission of the source tree ----

using StandInMission = mission_test::WorkspaceTest;

TEST_F(StandInMission, AssemblesWellFormed)
{
    const fs::path pieces = fs::path(TM_SOURCE_DIR) / "tobrinmis";
    for (const auto name : {"mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"}) {
        if (!fs::is_regular_file(pieces / name))
            GTEST_SKIP() << "the stand-in mission piece " << (pieces / name) << " is missing";
        fs::copy_file(pieces / name, workspaceFile(name));
    }
    const std::pair<SheetValues, const char *> states[] = {
        {SheetValues{},                         "COMANDO" },
        {SheetValues::all(mission::kUnchecked), "ESPIA"   },
        {SheetValues::all(mission::kChecked),   "ALEGABAR"},
        {SheetValues::all(mission::kGreyed),    "CABO"    },
    };
    for (const auto &[values, token] : states) {
        mission::writeCharacterBlock(values, token);
        mission::writeInterfaceBlock(values);
        mission::assemble(root_, "Mapa.mis");
        const std::string text = mission_test::readBytes(root_ / "Mapa.mis");
        const auto fault = mission::checkScript(text);
        ASSERT_FALSE(fault.has_value()) << "with token " << token << ": " << fault->message
                                        << " at " << fault->line << ':' << fault->column;
    }
}

} // namespace
