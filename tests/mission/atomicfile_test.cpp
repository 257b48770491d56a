#include "atomicfile.h"

#include "error.h"
#include "workspace_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
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

// Runs `steps` in a child process and gives its id; the child ends with status 0 after them, 1
// if they throw.
pid_t inChild(const std::function<void()> &steps)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            steps();
        } catch (const mission::Error &e) {
            std::fprintf(stderr, "%s\n", e.what());
            ::_exit(1);
        }
        ::_exit(0);
    }
    return child;
}

int exitStatus(pid_t child)
{
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

using Leftovers = mission_test::WorkspaceTest;

// A save killed part-way leaves its temporary file, named after its target; the next save of that
// target into the folder removes it, and a killed save's copy of previous content too. That save
// leaves alone the temporary file of a save still writing (which then succeeds), those of other
// targets and files of other programs. The target's name may be as long as the system takes.
TEST_F(Leftovers, TheNextSaveRemovesWhatAKilledSaveOfItsTargetLeft)
{
    const fs::path folder = root_ / "f";
    const auto max = static_cast<std::size_t>(::pathconf(root_.c_str(), _PC_NAME_MAX));
    for (const std::string &target : {std::string("m.mis"), std::string(max, 'm')}) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        for (const char *other : {".m.mis.Xa12bQ", "#m.mis#", ".tm-new-12345678-m.mis~"})
            writeBytes(folder / other, "another program's");
        // The names that a step adds to the folder.
        Files seen = snapshot(folder);
        const auto added = [&] {
            std::vector<std::string> names;
            const Files now = snapshot(folder);
            for (const auto &entry : now)
                if (!seen.count(entry.first))
                    names.push_back(entry.first);
            seen = now;
            return names;
        };
        const auto killedPartWay = [&](const std::string &name) {
            exitStatus(inChild([&] {
                AtomicFile file(folder / name);
                file.write("half");
                ::raise(SIGKILL);
            }));
            return added();
        };
        const auto own = killedPartWay(target), other = killedPartWay("other.mis");
        ASSERT_EQ(own.size(), 1u);
        ASSERT_EQ(other.size(), 1u);
        EXPECT_NE(own[0].find(target.substr(0, 200)), std::string::npos) << own[0];

        int ready[2], go[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(go), 0);
        const pid_t writer = inChild([&] {
            AtomicFile file(folder / target);
            file.write("still writing");
            char c = 0;
            if (::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1)
                ::_exit(2);
            file.commit();
        });
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        const auto running = added();
        ASSERT_EQ(running.size(), 1u);

        // The copy of a target's previous content that a save of several files keeps while it
        // renames them, as a killed one left it.
        const std::string previous = ".tm-old-k3j9x0qa-" + target;
        if (previous.size() <= max)
            writeBytes(folder / previous, "previous");

        AtomicFile next(folder / target);
        next.write("next");
        next.commit();
        Files after = snapshot(folder);
        EXPECT_EQ(after.count(previous), 0u);
        EXPECT_EQ(after.count(own[0]), 0u);
        EXPECT_EQ(after.count(other[0]), 1u);
        EXPECT_EQ(after.count(running[0]), 1u);
        EXPECT_EQ(after[target], "next");

        ASSERT_EQ(::write(go[1], &c, 1), 1);
        EXPECT_EQ(exitStatus(writer), 0);
        for (const int end : {ready[0], ready[1], go[0], go[1]})
            ::close(end);
        after = snapshot(folder);
        EXPECT_EQ(after.size(), 5u);
        EXPECT_EQ(after.count(other[0]), 1u);
        EXPECT_EQ(after[target], "still writing");
    }
}

} // namespace
