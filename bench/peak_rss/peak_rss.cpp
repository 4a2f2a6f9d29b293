// Runs a program and writes its peak resident memory (kB) to a file. The kernel's figure for a
// process starts from the size of the process it was forked from, so a program started straight
// from the Python that runs the benchmarks would show Python's size whenever it is smaller;
// started from this small launcher it shows its own. Exits with the program's status.
// Usage: bench_peak_rss OUTFILE PROGRAM [ARGS...]

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_peak_rss OUTFILE PROGRAM [ARGS...]\n");
        return 2;
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::perror(argv[2]);
        return 127;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return 127;
    if (std::FILE* out = std::fopen(argv[1], "w")) {
        std::fprintf(out, "%ld\n", usage.ru_maxrss);
        std::fclose(out);
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
