#pragma once

// What the benchmarks share: the folder they work in, mission script to fill files with, child
// processes timed and weighed, and the comparisons printed at the end.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bench
{

namespace fs = std::filesystem;

// A folder under the benchmark's temporary folder, made the first time it is asked for.
fs::path newFolder(std::string_view name);
// Removes the temporary folder with all in it.
void removeFolders();

// Lines of mission script, 20 to 60 bytes each, each ended by `lineEnd`, until `size` bytes.
std::string scriptLines(std::size_t size, std::uint32_t seed, std::string_view lineEnd);

void writeWhole(const fs::path &path, std::string_view bytes);

// Throws, with what failed and the system's reason (errno).
[[noreturn]] void fail(const std::string &what);

// A program run to its end: how long it took and the most memory it held.
struct ChildRun {
    double seconds;
    double peakBytes;
};
// Runs the program with the arguments in `folder`, its output thrown away, and measures it from
// a small process of its own (peak_memory); a failure throws.
ChildRun runChild(const std::vector<std::string> &argv, const fs::path &folder);

// A benchmark's time next to its peer's, from the medians of their runs.
struct Comparison {
    std::string subject;
    std::string peer;
    std::string goal; // what the ratio should be, in words
};
std::vector<Comparison> &comparisons();

void registerAssemblyBenchmarks();
void registerImportBenchmarks();
void registerSaveBenchmarks();

} // namespace bench
