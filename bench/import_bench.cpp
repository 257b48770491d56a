// The importer, run as a user runs it, on missions of 1, 10 and 100 MB: "--check" next to
// "wc -w" on the same file, and the import that writes the pieces, each with its peak memory;
// a mission that is one long word; and a mission nested ten times deeper than another, to show
// time and memory grow in step.

#include "benchtools.h"
#include "characterblock.h"
#include "interfaceblock.h"
#include "linefile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <unistd.h>

namespace bench
{

namespace
{

// A mission of about `megabytes` MB: an object list with his character block in the middle, then
// a list of interface blocks that ends with his.
std::string missionText(int megabytes)
{
    const std::size_t half = static_cast<std::size_t>(megabytes) * 1000000 / 2;
    return "[ .NOMBRE BENCH\r\n.OBJETOS [\r\n" + scriptLines(half, 4, "\r\n") +
           mission::joinLines(mission::characterBlockLines(mission::SheetValues{}, "COMANDO")) +
           scriptLines(half, 5, "\r\n") + "]\r\n.INTERFAZ [\r\n" +
           mission::joinLines(mission::interfaceBlockLines(mission::SheetValues{})) + "]\r\n]\r\n";
}

// A mission of about `megabytes` MB that is mostly one word, as long as the rest of the text.
std::string longWordMission(int megabytes)
{
    return "[ .CLASS BICHOALIADO .TOKEN COMANDO ]\r\n[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] "
           "]\r\n" +
           std::string(static_cast<std::size_t>(megabytes) * 1000000, 'W') + "\r\n";
}

// His character block holding brackets nested `depth` deep.
std::string deepMission(std::size_t depth)
{
    return "[ .CLASS BICHOALIADO .TOKEN COMANDO .L " + std::string(depth, '[') +
           std::string(depth, ']') + " ]\r\n[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]\r\n";
}

// A folder with an empty workspace and the mission "m.mis", made the first time it is asked for.
fs::path missionFolder(const std::string &name, const std::function<std::string()> &text)
{
    const fs::path folder = newFolder("import_" + name);
    if (!fs::exists(folder / "m.mis")) {
        fs::create_directory(folder / "tobrinmis");
        writeWhole(folder / "m.mis", text());
        ::sync();
    }
    return folder;
}

void registerRun(const std::string &name, const std::vector<std::string> &argv,
                 const std::function<std::string()> &text)
{
    benchmark::RegisterBenchmark(
        name.c_str(),
        [=](benchmark::State &state) {
            const fs::path folder = missionFolder(name.substr(name.find('/') + 1), text);
            const auto size = static_cast<double>(fs::file_size(folder / "m.mis"));
            ::sync();
            double peak = 0;
            for (auto _ : state) {
                const ChildRun run = runChild(argv, folder);
                state.SetIterationTime(run.seconds);
                peak = std::max(peak, run.peakBytes);
            }
            state.counters["size_MiB"] = size / (1 << 20);
            state.counters["peak_MiB"] = peak / (1 << 20);
            state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace

void registerImportBenchmarks()
{
    for (const int megabytes : {1, 10, 100}) {
        const std::string size = std::to_string(megabytes) + "MB";
        const auto text = [megabytes] { return missionText(megabytes); };
        registerRun("ImportCheck/" + size, {TM_IMPORT_PROGRAM, "--check", "m.mis"}, text);
        registerRun("WordCount/" + size, {"wc", "-w", "m.mis"}, text);
        registerRun("Import/" + size, {TM_IMPORT_PROGRAM, "m.mis"}, text);
        comparisons().push_back(
            {"ImportCheck/" + size, "WordCount/" + size, megabytes == 100 ? "at most 2" : ""});
    }
    // The memory the importer holds does not depend on its tokens: one word as long as the
    // mission costs it no more than many short ones.
    const auto longWord = [] { return longWordMission(100); };
    registerRun("ImportCheckLongWord/100MB", {TM_IMPORT_PROGRAM, "--check", "m.mis"}, longWord);
    registerRun("ImportLongWord/100MB", {TM_IMPORT_PROGRAM, "m.mis"}, longWord);
    for (const std::size_t depth : {1000000, 10000000}) {
        const std::string name = "ImportCheckDeep/" + std::to_string(depth);
        registerRun(name, {TM_IMPORT_PROGRAM, "--check", "m.mis"},
                    [depth] { return deepMission(depth); });
    }
    comparisons().push_back(
        {"ImportCheckDeep/10000000", "ImportCheckDeep/1000000", "about 10: linear"});
}

} // namespace bench
