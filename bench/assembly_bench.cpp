// The mission assembly next to "cat <the five files> > out && sync out", done in this process
// with the same system calls (copy_file_range, then fsync), and next to the same copy made into
// a new file renamed over the old one, as a safe save must; on three workspaces: the shipped
// pieces (a typical save, 17 KB), 100 MB of CR LF pieces, and the same pieces with LF line ends,
// which the assembly rewrites.

#include "assembly.h"
#include "benchtools.h"
#include "blockfiles.h"
#include "workspace.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace bench
{

namespace
{

struct Workspace {
    const char *name;
    int pieceMegabytes; // 0: the shipped pieces
    const char *lineEnd;
};

constexpr Workspace kWorkspaces[] = {
    {"typical", 0, "\r\n"},
    {"100MB_CRLF", 100, "\r\n"},
    {"100MB_LF", 100, "\n"},
};

std::string shippedPiece(std::string_view name)
{
    std::ifstream in(fs::path(TM_SOURCE_DIR) / mission::kWorkspaceFolder / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in)
        throw std::runtime_error("cannot read the shipped " + std::string(name));
    return bytes.str();
}

// The workspace's folder, made the first time it is asked for; its total size in bytes.
std::pair<fs::path, std::int64_t> workspace(const Workspace &w)
{
    const fs::path folder = newFolder(std::string("assemble_") + w.name);
    const fs::path pieces = folder / mission::kWorkspaceFolder;
    if (!fs::exists(pieces)) {
        fs::create_directory(pieces);
        const auto &names = mission::kStoredPieces;
        for (std::uint32_t k = 0; k < 3; ++k)
            writeWhole(pieces / names[k],
                       w.pieceMegabytes == 0
                           ? shippedPiece(names[k])
                           : scriptLines(w.pieceMegabytes * 1000000 / 3, k + 1, w.lineEnd));
        mission::writeBlocks(mission::Workspace(pieces), mission::SheetValues{}, "COMANDO");
        ::sync();
    }
    std::int64_t bytes = 0;
    for (const auto name : mission::kMissionSources)
        bytes += static_cast<std::int64_t>(fs::file_size(pieces / name));
    return {folder, bytes};
}

// "cat <sources> > out && sync out" as coreutils 9 does it: the kernel copies between the
// files where it can, and read() and write() do otherwise. With `replace`, the copy goes to a
// new file that is then renamed over "out", as a save that cannot leave a half-written file must
// do.
void catAndSync(const fs::path &folder, bool replace)
{
    const fs::path target = folder / "cat.mis";
    const fs::path written = replace ? folder / ".cat.mis.new" : target;
    const int out = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        fail("cannot create " + written.string());
    static char buffer[128 * 1024];
    for (const auto name : mission::kMissionSources) {
        const fs::path source = folder / mission::kWorkspaceFolder / name;
        const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            fail("cannot open " + source.string());
        ssize_t n;
        while ((n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0)) > 0) {
        }
        if (n < 0) {
            while ((n = ::read(in, buffer, sizeof buffer)) > 0)
                if (::write(out, buffer, static_cast<std::size_t>(n)) != n)
                    fail("cannot write " + written.string());
            if (n < 0)
                fail("cannot read " + source.string());
        }
        ::close(in);
    }
    if (::fsync(out) != 0)
        fail("cannot sync " + written.string());
    ::close(out);
    if (replace && ::rename(written.c_str(), target.c_str()) != 0)
        fail("cannot rename " + written.string());
}

} // namespace

void registerAssemblyBenchmarks()
{
    for (const Workspace &w : kWorkspaces) {
        const std::string name = w.name;
        // Every run starts with the disk caught up, so that data one of them left unwritten is
        // not written back on another's time.
        benchmark::RegisterBenchmark(("Assemble/" + name).c_str(),
                                     [w](benchmark::State &state) {
                                         const auto [folder, bytes] = workspace(w);
                                         const mission::Workspace pieces(folder /
                                                                         mission::kWorkspaceFolder);
                                         ::sync();
                                         for (auto _ : state)
                                             mission::assemble(pieces, folder, "Mapa0001.mis");
                                         state.SetBytesProcessed(state.iterations() * bytes);
                                     })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        for (const bool replace : {false, true})
            benchmark::RegisterBenchmark(
                ((replace ? "CatSyncRename/" : "CatAndSync/") + name).c_str(),
                [w, replace](benchmark::State &state) {
                    const auto [folder, bytes] = workspace(w);
                    ::sync();
                    for (auto _ : state)
                        catAndSync(folder, replace);
                    state.SetBytesProcessed(state.iterations() * bytes);
                })
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
    }
    comparisons().push_back({"Assemble/typical", "CatAndSync/typical", ""});
    comparisons().push_back({"Assemble/typical", "CatSyncRename/typical", "about 1"});
    comparisons().push_back({"Assemble/100MB_CRLF", "CatAndSync/100MB_CRLF", "at most 1.25"});
    comparisons().push_back({"Assemble/100MB_LF", "CatAndSync/100MB_LF", "(line ends rewritten)"});
}

} // namespace bench
