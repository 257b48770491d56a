#include "benchtools.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench
{

void fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

namespace
{

// A line of mission script such as the stored pieces hold; its brackets balance.
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
    return line;
}

fs::path g_root;

} // namespace

fs::path newFolder(std::string_view name)
{
    if (g_root.empty()) {
        std::string pattern = (fs::temp_directory_path() / "tm_mission_bench_XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            fail("cannot make a temporary folder");
        g_root = pattern;
    }
    const fs::path folder = g_root / name;
    fs::create_directories(folder);
    return folder;
}

void removeFolders()
{
    std::error_code ec;
    if (!g_root.empty())
        fs::remove_all(g_root, ec);
    g_root.clear();
}

std::string scriptLines(std::size_t size, std::uint32_t seed, std::string_view lineEnd)
{
    std::mt19937 random(seed);
    std::string text;
    text.reserve(size + 100);
    while (text.size() < size) {
        text += scriptLine(random);
        text += lineEnd;
    }
    return text;
}

void writeWhole(const fs::path &path, std::string_view bytes)
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

ChildRun runChild(const std::vector<std::string> &argv, const fs::path &folder)
{
    const fs::path result = g_root / "child_run";
    std::vector<std::string> line = {TM_PEAK_MEMORY, result.string()};
    line.insert(line.end(), argv.begin(), argv.end());
    std::vector<char *> args;
    for (const auto &a : line)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        errno = spawned;
        fail("cannot run " + line[0]);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        fail("cannot wait for " + argv[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed with status " + std::to_string(status));
    ChildRun run{};
    std::FILE *in = std::fopen(result.c_str(), "r");
    const bool read = in && std::fscanf(in, "%lf %lf", &run.seconds, &run.peakBytes) == 2;
    if (in)
        std::fclose(in);
    if (!read)
        throw std::runtime_error("no measurement in " + result.string());
    return run;
}

std::vector<Comparison> &comparisons()
{
    static std::vector<Comparison> all;
    return all;
}

} // namespace bench
