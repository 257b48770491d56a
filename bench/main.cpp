// The project's benchmark: each goal measured as a ratio against its peer in the same run. Runs
// are repeated and interleaved at random, and the ratios come from the medians, so that a slow
// moment of a busy machine falls on both sides alike. Peak memory comes from the system's
// account of each child process.
//
//   mission_bench [Google Benchmark flags]
//
// It runs with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true unless told otherwise.

#include "benchtools.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <unistd.h>

namespace
{

// The console report, keeping each benchmark's median (or only) time and counters.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal.
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto &run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median))
                continue;
            auto &entry = medians_[run.run_name.function_name];
            if (entry.median && !median)
                continue;
            entry = {run.real_accumulated_time / static_cast<double>(run.iterations), median, {}};
            for (const auto &[name, counter] : run.counters)
                entry.counters[name] = counter.value;
        }
    }

    void printSummary() const
    {
        std::printf("\n%-28s %-28s %7s  %s\n", "ratio of the medians", "to", "", "goal");
        for (const auto &c : bench::comparisons()) {
            const auto subject = medians_.find(c.subject);
            const auto peer = medians_.find(c.peer);
            if (subject == medians_.end() || peer == medians_.end())
                continue;
            std::printf("%-28s %-28s %7.2f  %s  (%.2f ms / %.2f ms)\n", c.subject.c_str(),
                        c.peer.c_str(), subject->second.seconds / peer->second.seconds,
                        c.goal.c_str(), subject->second.seconds * 1e3, peer->second.seconds * 1e3);
        }
        std::printf("\n%-28s %10s %10s %8s\n", "peak memory", "mission", "peak", "ratio");
        for (const auto &[name, entry] : medians_) {
            const auto size = entry.counters.find("size_MiB");
            const auto peak = entry.counters.find("peak_MiB");
            if (size == entry.counters.end() || peak == entry.counters.end() ||
                name.starts_with("WordCount"))
                continue;
            std::printf("%-28s %6.1f MiB %6.1f MiB %8.2f\n", name.c_str(), size->second,
                        peak->second, peak->second / size->second);
        }
    }

private:
    struct Entry {
        double seconds = 0;
        bool median = false;
        std::map<std::string, double> counters;
    };
    std::map<std::string, Entry> medians_;
};

} // namespace

int main(int argc, char **argv)
{
    // The defaults go first, so that the same flags given on the command line win.
    std::vector<char *> args = {argv[0]};
    char repetitions[] = "--benchmark_repetitions=9";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.end(), {repetitions, interleaving, aggregates});
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    bench::registerAssemblyBenchmarks();
    bench::registerImportBenchmarks();
    bench::registerSaveBenchmarks();
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    const auto previous = std::filesystem::current_path();
    int status = 0;
    try {
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.printSummary();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "mission_bench: %s\n", e.what());
        status = 1;
    }
    benchmark::Shutdown();
    std::filesystem::current_path(previous);
    bench::removeFolders();
    return status;
}
