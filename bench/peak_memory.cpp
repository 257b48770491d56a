// peak_memory RESULT PROGRAM [ARGUMENT...]
//
// Runs the program with its output thrown away and writes to the file RESULT how long it ran, in
// seconds, and the most memory it held, in bytes. The benchmark runs its children through this
// small process because Linux counts in a child's peak the memory of the process that started
// it, and the benchmark itself holds far more than the importer does on a small mission.

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: peak_memory RESULT PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
        std::perror("peak_memory");
        return 2;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::FILE *result = std::fopen(argv[1], "w");
    if (!result || std::fprintf(result, "%.9f %ld\n", took.count(), usage.ru_maxrss * 1024L) < 0 ||
        std::fclose(result) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
