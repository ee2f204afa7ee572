// runstat: runs a command and records its wall time and peak memory.
//
//   runstat STATFILE COMMAND [ARG...]
//
// Starts COMMAND (searched in PATH), waits for it and writes one line to
// STATFILE: the wall time in seconds (steady clock, microsecond precision), the
// peak resident set size of the command in KiB (from wait4's resource usage),
// its exit status (128 + signal number when a signal ended it) and the
// processor time it used in seconds (user and system), which shows how much
// of the wall time other work on the machine took. The exit
// status of runstat is the command's; 127 when it could not be started and 125
// when the statistics could not be written. Used by the conversion benchmark,
// which needs no timing tool beyond this one.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: runstat STATFILE COMMAND [ARG...]\n");
        return 125;
    }
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "runstat: cannot start %s: %s\n", argv[2], std::strerror(errno));
        return 127;
    }
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        std::fprintf(stderr, "runstat: cannot start %s: %s\n", argv[2], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    pid_t r;
    do r = wait4(pid, &status, 0, &ru);
    while (r < 0 && errno == EINTR);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r < 0) {
        std::fprintf(stderr, "runstat: cannot wait for %s: %s\n", argv[2], std::strerror(errno));
        return 125;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

    std::FILE *f = std::fopen(argv[1], "w");
    double cpu =
        double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    bool ok = f && std::fprintf(f, "%.6f %ld %d %.6f\n", secs, ru.ru_maxrss, code, cpu) > 0;
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "runstat: cannot write %s\n", argv[1]);
        return 125;
    }
    return code;
}
