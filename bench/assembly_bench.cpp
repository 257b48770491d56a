// How long the mission assembly takes next to a plain copy of the same five files.
//
// A workspace is set up once in a temporary folder: three stored pieces of about 20 MB of mission
// script lines (20 to 60 bytes, CR LF ended) and the two blocks from their writers. Then:
//   BM_Assemble         mission::assemble into that folder (line ends rewritten, the new file
//                       synced to disk, then renamed over the previous one);
//   BM_PlainCopy        the five files copied one after the other into one file of the same
//                       folder, 64 KiB read()/write() blocks, no line processing, no sync;
//   BM_PlainCopySynced  the same copy, synced to disk before it is closed.
// At the end the ratios of BM_Assemble to both copies are printed.

#include "assembly.h"
#include "characterblock.h"
#include "interfaceblock.h"
#include "sheetvalues.h"
#include "workspace.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

constexpr std::size_t kPieceBytes = 20 * 1000 * 1000;
constexpr std::size_t kCopyBlock = 64 * 1024;

fs::path g_folder; // the benchmark's folder, also the current one
std::int64_t g_missionBytes = 0;

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// A line of mission script such as the stored pieces hold, 20 to 60 bytes.
std::string scriptLine(std::mt19937 &random)
{
    static const char *const kWords[] = {"PIEDRA", "PISTOLA", "TABACO",   "ALEMAN2", "CABO",
                                         "ESPIA",  "MIRILLA", "SEGNUELO", "CAJA",    "PUERTA"};
    const auto word = [&] { return std::string(kWords[random() % std::size(kWords)]); };
    const auto number = [&] { return std::to_string(random() % 5000); };
    std::string line;
    switch (random() % 10) {
    case 0:
        line = "[ .TOKEN IT_" + word() + " .DISPONIBLE NO ]";
        break;
    case 1:
        line = "[ auGoto [ .CARISMA " + number() + " ] ]";
        break;
    case 2:
        line = ".XYZ [ " + number() + " " + number() + " 0 ]";
        break;
    case 3:
        line = ".ANGULO " + number();
        break;
    case 4:
        line = "[ .CLASS MACRO .MACRO " + word() + " .TOKEN " + word() + number() + " ]";
        break;
    case 5:
        line = ".VOLCOLISION [ CILINDRO [ .R " + number() + " .H " + number() + " ] ]";
        break;
    case 6:
        line = ".LISTAS [ EJEC CHOC VISI SELE ]";
        break;
    case 7:
        line = ".GRAPH [ .ANIM " + word() + " .RENDERVOL [ CUBO ] ]";
        break;
    case 8:
        line = "[ .CLASS BICHOALEMAN .TOKEN " + word() + number() + " ]";
        break;
    default:
        line = ".ITEMS [ [ .TOKEN IT_" + word() + " ] ]";
        break;
    }
    if (line.size() < 20)
        line.resize(20, ' ');
    if (line.size() > 60)
        line.resize(60);
    return line;
}

std::string scriptPiece(std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::string piece;
    piece.reserve(kPieceBytes + 100);
    while (piece.size() < kPieceBytes) {
        piece += scriptLine(random);
        piece += "\r\n";
    }
    return piece;
}

void writeWhole(const fs::path &path, const std::string &bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot create " + path.string());
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0)
            fail("cannot write " + path.string());
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void setUpWorkspace()
{
    std::string pattern = (fs::temp_directory_path() / "tm_mission_bench_XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        fail("cannot make a temporary folder");
    g_folder = pattern;
    fs::current_path(g_folder);
    fs::create_directory(mission::kWorkspaceFolder);
    writeWhole(mission::workspacePath(mission::kPiece1), scriptPiece(1));
    writeWhole(mission::workspacePath(mission::kPiece2), scriptPiece(2));
    writeWhole(mission::workspacePath(mission::kPiece3), scriptPiece(3));
    mission::writeCharacterBlock(mission::SheetValues{}, "COMANDO");
    mission::writeInterfaceBlock(mission::SheetValues{});
    for (const auto name : mission::kMissionSources)
        g_missionBytes += static_cast<std::int64_t>(fs::file_size(mission::workspacePath(name)));
    ::sync();
}

void plainCopy(const fs::path &target, bool synced)
{
    static std::vector<char> buffer(kCopyBlock);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        fail("cannot create " + target.string());
    for (const auto name : mission::kMissionSources) {
        const int in = ::open(mission::workspacePath(name).c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            fail("cannot open " + std::string(name));
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n < 0)
                fail("cannot read " + std::string(name));
            if (n == 0)
                break;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w =
                    ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
                if (w < 0)
                    fail("cannot write " + target.string());
                done += w;
            }
        }
        ::close(in);
    }
    if (synced && ::fsync(out) != 0)
        fail("cannot sync " + target.string());
    ::close(out);
}

// Every benchmark starts with the disk caught up, so that data one of them left unwritten is
// not written back on another's time.
void BM_Assemble(benchmark::State &state)
{
    ::sync();
    for (auto _ : state)
        mission::assemble(g_folder, "Mapa.mis");
    state.SetBytesProcessed(state.iterations() * g_missionBytes);
}

void BM_PlainCopy(benchmark::State &state)
{
    ::sync();
    for (auto _ : state)
        plainCopy(g_folder / "plain.mis", false);
    state.SetBytesProcessed(state.iterations() * g_missionBytes);
}

void BM_PlainCopySynced(benchmark::State &state)
{
    ::sync();
    for (auto _ : state)
        plainCopy(g_folder / "synced.mis", true);
    state.SetBytesProcessed(state.iterations() * g_missionBytes);
}

BENCHMARK(BM_Assemble)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopy)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopySynced)->UseRealTime()->Unit(benchmark::kMillisecond);

// The console report, keeping each benchmark's real time per iteration (the mean over
// repetitions, when there are some) for the ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal.
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto &run : runs) {
            if (run.error_occurred)
                continue;
            const double seconds =
                run.real_accumulated_time /
                static_cast<double>(std::max<benchmark::IterationCount>(run.iterations, 1));
            auto &entry = times_[run.run_name.function_name];
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "mean") {
                    entry.seconds = seconds;
                    entry.fromMean = true;
                }
            } else if (!entry.fromMean) {
                entry.sum += seconds;
                entry.seconds = entry.sum / ++entry.count;
            }
        }
    }

    void printRatios() const
    {
        const auto time = [this](const char *name) {
            const auto it = times_.find(name);
            return it == times_.end() ? 0.0 : it->second.seconds;
        };
        const double assemble = time("BM_Assemble");
        const double plain = time("BM_PlainCopy");
        const double synced = time("BM_PlainCopySynced");
        std::printf("\nmission size: %.1f MB\n", static_cast<double>(g_missionBytes) / 1e6);
        if (assemble > 0 && plain > 0)
            std::printf("Assemble / PlainCopy:       %.2f (%.1f ms / %.1f ms)\n", assemble / plain,
                        assemble * 1e3, plain * 1e3);
        if (assemble > 0 && synced > 0)
            std::printf("Assemble / PlainCopySynced: %.2f (%.1f ms / %.1f ms)\n", assemble / synced,
                        assemble * 1e3, synced * 1e3);
    }

private:
    struct Entry {
        double seconds = 0;
        double sum = 0;
        int count = 0;
        bool fromMean = false;
    };
    std::map<std::string, Entry> times_;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const fs::path previous = fs::current_path();
    int status = 0;
    try {
        setUpWorkspace();
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.printRatios();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "mission_bench: %s\n", e.what());
        status = 1;
    }
    benchmark::Shutdown();
    fs::current_path(previous);
    if (!g_folder.empty()) {
        std::error_code ec;
        fs::remove_all(g_folder, ec);
    }
    return status;
}
