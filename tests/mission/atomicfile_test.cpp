#include "atomicfile.h"

#include "error.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using mission::AtomicFile;
using mission_test::Files;
using mission_test::snapshot;
using mission_test::writeBytes;
namespace fs = std::filesystem;

namespace
{

// Runs `save` in two processes at once, each told which of the two it is, and gives their exit
// statuses: 0 when the save succeeded, 1 when it threw.
std::array<int, 2> saveTwiceAtOnce(const std::function<void(int)> &save)
{
    // Both children wait on the pipe until the parent closes it, so they start together.
    int gate[2];
    if (::pipe(gate) != 0)
        return {-1, -1};
    std::array<pid_t, 2> children{};
    for (int k = 0; k < 2; ++k) {
        children[k] = ::fork();
        if (children[k] == 0) {
            ::close(gate[1]);
            char c;
            while (::read(gate[0], &c, 1) > 0) {
            }
            try {
                save(k);
            } catch (const mission::Error &e) {
                std::fprintf(stderr, "%s\n", e.what());
                ::_exit(1);
            }
            ::_exit(0);
        }
    }
    ::close(gate[0]);
    ::close(gate[1]);
    std::array<int, 2> statuses{};
    for (int k = 0; k < 2; ++k) {
        int status = 0;
        ::waitpid(children[k], &status, 0);
        statuses[k] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return statuses;
}

struct Together {
    const char *name;
    std::vector<std::string> targets;
};

void PrintTo(const Together &c, std::ostream *os)
{
    *os << c.name;
}

class TwoSavesAtOnce : public mission_test::WorkspaceTest,
                       public ::testing::WithParamInterface<Together>
{
};

// Two saves of the same files race, round after round. Both succeed, every file holds one of the
// two saves' content whole, its original is kept as .bak, and nothing else is left behind.
TEST_P(TwoSavesAtOnce, BothSucceedAndTheOriginalIsKept)
{
    const auto &targets = GetParam().targets;
    const fs::path folder = root_ / "f";
    const auto save = [&](int which) {
        std::vector<std::unique_ptr<AtomicFile>> files;
        std::vector<AtomicFile *> all;
        for (const auto &name : targets) {
            files.push_back(
                std::make_unique<AtomicFile>(folder / name, AtomicFile::Backup::KeepFirst));
            files.back()->write(name + " by " + std::to_string(which));
            all.push_back(files.back().get());
        }
        if (all.size() == 1)
            all.front()->commit();
        else
            AtomicFile::commitTogether(all);
    };
    for (int round = 0; round < 150; ++round) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        for (const auto &name : targets)
            writeBytes(folder / name, "original " + name);
        const auto statuses = saveTwiceAtOnce(save);
        ASSERT_EQ(statuses, (std::array<int, 2>{0, 0})) << "round " << round;
        const Files after = snapshot(folder);
        ASSERT_EQ(after.size(), 2 * targets.size()) << "round " << round;
        for (const auto &name : targets) {
            ASSERT_EQ(after.count(name + ".bak"), 1u) << name << " round " << round;
            ASSERT_EQ(after.at(name + ".bak"), "original " + name) << "round " << round;
            ASSERT_EQ(after.at(name).rfind(name + " by ", 0), 0u) << "round " << round;
        }
    }
}

const Together kTogether[] = {{"OneFile", {"m.mis"}},
                              {"ThreeTogether", {"mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"}}};

INSTANTIATE_TEST_SUITE_P(Files, TwoSavesAtOnce, ::testing::ValuesIn(kTogether),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
