// Saves at once and saves killed part-way: in POSIX processes with signals where there are
// some, in threads and with files left as a killed save leaves them elsewhere.
#include "atomicfile.h"

#include "error.h"
#include "folder_fixture.h"
#include "groupcommit.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#ifdef _WIN32
#include <thread>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using files::AtomicFile;
using namespace files_test;
namespace fs = std::filesystem;

namespace
{

// Writes `content` to each file and commits them, together when there are several.
void save(const fs::path &folder, const std::vector<std::string> &names, const char *content)
{
    std::vector<std::unique_ptr<AtomicFile>> files;
    std::vector<AtomicFile *> all;
    for (const auto &name : names) {
        files.push_back(std::make_unique<AtomicFile>(folder / name, AtomicFile::Backup::KeepFirst));
        files.back()->write(content);
        all.push_back(files.back().get());
    }
    if (all.size() == 1)
        all[0]->commit();
    else if (const auto result = files::commitTogether(all); !result.committed())
        throw files::toError(result);
}

using Saves = files_test::FolderTest;

// What a save that did not finish left beside its target, and what the next save does with it:
// its new content and a copy are removed (a link is removed itself, not what it leads to), its
// previous content is kept for the user, and what cannot be removed or is a folder stops the save
// with a message that names it and says what to do. Another target's own names are not touched.
TEST_F(Saves, TheNextSaveTidiesWhatAnUnfinishedOneLeftOrSaysWhatIsInTheWay)
{
    struct Case {
        const char *name;
        std::string leftover;
        std::function<void(const fs::path &)> make;
        Files after; // besides m.mis and the other target's left-over; empty: refused
    };
    const auto file = [](const fs::path &at) { writeBytes(at, "left"); };
    const std::vector<Case> cases = {
        {"new content", ".tm-new-m.mis", file, {}},
        {"a copy", ".tm-cpy-m.mis", file, {}},
        {"previous content", ".tm-old-m.mis", file, {{"m.mis.previous", "left"}}},
        {"a link",
         ".tm-new-m.mis",
         [](const fs::path &at) { fs::create_symlink("elsewhere", at); },
         {}},
        {"a folder", ".tm-cpy-m.mis", [](const fs::path &at) { fs::create_directory(at); }, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = root_ / "f";
        fs::remove_all(folder);
        fs::create_directory(folder);
        writeBytes(folder / ".tm-new-n.mis", "another target's");
        writeBytes(folder / "m.mis", "original");
        try {
            c.make(folder / c.leftover);
        } catch (const fs::filesystem_error &e) { // links under Wine
            std::cout << "not set up here: " << e.what() << '\n';
            continue;
        }
        Files want = c.after;
        want[".tm-new-n.mis"] = "another target's";
        if (std::string(c.name) == "a folder") {
            try {
                AtomicFile next(folder / "m.mis");
                ADD_FAILURE() << "saved";
            } catch (const files::Error &e) {
                EXPECT_NE(std::string(e.what()).find(c.leftover + "\", left by a save that did "
                                                                  "not finish, is in the way"),
                          std::string::npos)
                    << e.what();
            }
            want[c.leftover] = "(folder)";
            want["m.mis"] = "original";
        } else {
            AtomicFile next(folder / "m.mis");
            next.write(want["m.mis"] = "next");
            next.commit();
        }
        EXPECT_EQ(snapshot(folder), want);
    }
}

#ifdef _WIN32
// Runs both saves at the same moment, in threads where there are no processes to fork; what
// each failure said, or nothing.
std::string together(const std::function<void(const char *)> &save)
{
    std::string failed[2];
    const auto saver = [&](int k) {
        try {
            save(k == 0 ? "A" : "B");
        } catch (const files::Error &e) {
            failed[k] = e.what();
        }
    };
    std::thread a(saver, 0), b(saver, 1);
    a.join();
    b.join();
    return failed[0] + failed[1];
}
#else
// Runs `steps` in a child process, which ends with status 0 after them, 1 if they throw.
pid_t inChild(const std::function<void()> &steps)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    try {
        steps();
    } catch (const files::Error &e) {
        std::cerr << e.what() << '\n';
        ::_exit(1);
    }
    ::_exit(0);
}

int exitStatus(pid_t child)
{
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs both saves at the same moment, in two processes that wait until the parent closes a pipe;
// the children's exit statuses, or nothing when both succeeded.
std::string together(const std::function<void(const char *)> &save)
{
    int gate[2];
    if (::pipe(gate) != 0)
        return "no pipe";
    std::vector<pid_t> savers;
    for (const char *content : {"A", "B"})
        savers.push_back(inChild([&] {
            char c;
            ::close(gate[1]);
            static_cast<void>(::read(gate[0], &c, 1));
            save(content);
        }));
    ::close(gate[0]);
    ::close(gate[1]);
    const int a = exitStatus(savers[0]), b = exitStatus(savers[1]);
    return a == 0 && b == 0 ? "" : "exit statuses " + std::to_string(a) + " " + std::to_string(b);
}
#endif

// Two saves of the same files at the same moment, round after round: one file alone, and three
// together. Both succeed, each file holds one save's content whole, its original is kept as .bak,
// and nothing else is left: neither takes the other's backup or files for its own.
TEST_F(Saves, TwoAtOnceBothSucceedAndKeepTheOriginal)
{
    const fs::path folder = root_ / "f";
    for (const std::vector<std::string> &names :
         {std::vector<std::string>{"m.mis"}, {"a", "b", "c"}})
        for (int round = 0; round < 100; ++round) {
            fs::remove_all(folder);
            fs::create_directory(folder);
            Files want;
            for (const auto &name : names)
                writeBytes(folder / name, want[name + ".bak"] = "original");
            ASSERT_EQ(together([&](const char *content) { save(folder, names, content); }), "")
                << "round " << round;
            Files after = snapshot(folder);
            for (const auto &name : names)
                want[name] = after[name] == "B" ? "B" : "A";
            ASSERT_EQ(after, want) << "round " << round;
        }
}

#ifndef _WIN32
// A save killed part-way leaves its temporary file, named after its target. The next save of
// that target removes it, and keeps the previous content that a killed save of several files
// left for the user, but leaves another target's file and other programs' files alone. The
// target's name may be as long as the system takes.
TEST_F(Saves, TheNextSaveRemovesWhatKilledSavesOfItsTargetLeft)
{
    const fs::path folder = root_ / "f";
    const std::size_t max = files_test::longestName(root_);
    for (const std::string &target : {std::string("m.mis"), std::string(max, 'm')}) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        std::string other = target; // a name of the same length
        other[0] = 'o';
        for (const std::string &name : {target, other})
            exitStatus(inChild([&] {
                AtomicFile file(folder / name);
                file.write("half");
                ::raise(SIGKILL);
            }));
        Files want = snapshot(folder);
        std::erase_if(want, [&](const auto &e) {
            return e.first.find(other.substr(0, 200)) == std::string::npos;
        });
        ASSERT_EQ(want.size(), 1u); // the other target's
        const std::string old = ".tm-old-" + target;
        for (const std::string &extra :
             {old, std::string(".m.mis.Xa12bQ"), std::string(".tm-new-0-m.mis~")})
            if (extra.size() <= max)
                writeBytes(folder / extra, want[extra] = "left");
        if (old.size() <= max)
            want[target + ".previous"] = "left";
        want.erase(old);
        AtomicFile next(folder / target);
        next.write(want[target] = "next");
        next.commit();
        EXPECT_EQ(snapshot(folder), want);
    }
}

#endif

} // namespace
