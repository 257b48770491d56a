// A typical save (the shipped mission's 17 KB, replacing the file and keeping its first original)
// next to a durable peer that writes a temporary file, syncs it, renames it over the file and
// syncs the folder; in a folder with 0, 1,000, 10,000 and 100,000 other files beside it, since a
// save's cost must not grow with them.

#include "atomicfile.h"
#include "benchtools.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace bench
{

namespace
{

constexpr int kBeside[] = {0, 1000, 10000, 100000};
constexpr std::size_t kTypicalBytes = 17 * 1024;

// A folder with `count` empty files in it beside the saved one, made once.
fs::path crowdedFolder(int count)
{
    const fs::path folder = newFolder("save_beside_" + std::to_string(count));
    if (!fs::exists(folder / "m.mis")) {
        for (int k = 0; k < count; ++k)
            writeWhole(folder / ("other" + std::to_string(k) + ".dat"), "");
        writeWhole(folder / "m.mis", "previous");
    }
    return folder;
}

void durablePeer(const fs::path &folder, std::string_view bytes)
{
    const fs::path target = folder / "peer.mis", temp = folder / ".peer.mis.new";
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0 || ::write(out, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(out) != 0 || ::close(out) != 0 || ::rename(temp.c_str(), target.c_str()) != 0)
        fail("cannot save " + target.string());
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0 || ::close(dir) != 0)
        fail("cannot sync " + folder.string());
}

} // namespace

void registerSaveBenchmarks()
{
    const std::string bytes = scriptLines(kTypicalBytes, 7, "\r\n");
    for (const int count : kBeside) {
        const std::string beside = std::to_string(count);
        benchmark::RegisterBenchmark(
            ("Save/beside_" + beside).c_str(),
            [count, bytes](benchmark::State &state) {
                const fs::path folder = crowdedFolder(count);
                ::sync();
                for (auto _ : state) {
                    files::AtomicFile file(folder / "m.mis", files::AtomicFile::Backup::KeepFirst);
                    file.write(bytes);
                    file.commit();
                }
            })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("DurablePeer/beside_" + beside).c_str(),
                                     [count, bytes](benchmark::State &state) {
                                         const fs::path folder = crowdedFolder(count);
                                         ::sync();
                                         for (auto _ : state)
                                             durablePeer(folder, bytes);
                                     })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        comparisons().push_back(
            {"Save/beside_" + beside, "DurablePeer/beside_" + beside, "at most 1.1"});
    }
    comparisons().push_back({"Save/beside_100000", "Save/beside_0", "at most 1.3"});
}

} // namespace bench
