// Runs one program and reports what it cost, for the benchmark drivers.
//
//     tarvox_resource_run REPORT_FILE PROGRAM [ARGUMENTS...]
//
// The program inherits standard input, output and error. When it has ended,
// one line is written to REPORT_FILE:
//
//     wall SECONDS user SECONDS system SECONDS maxrss KILOBYTES status CODE
//
// (CODE is the exit status, or 128 + the signal number). Exits 0 once the
// report is written, whatever the program's status; 1 when the program could
// not be started or the report not written.
//
// Why not measure from the driver itself: Linux carries a process's peak
// resident size across exec, so a child forked from a Python driver would
// report the driver's size as its own peak. Forked from this small program,
// the child's peak starts from a few hundred kilobytes.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double Now() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: tarvox_resource_run REPORT_FILE PROGRAM [ARGUMENTS...]\n", stderr);
        return 1;
    }
    const double start = Now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("tarvox_resource_run: fork");
        return 1;
    }
    if (child == 0) {
        ::execvp(argv[2], argv + 2);
        std::fprintf(stderr, "tarvox_resource_run: cannot run %s: %s\n", argv[2],
                     std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("tarvox_resource_run: wait4");
            return 1;
        }
    }
    const double wall = Now() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::FILE* report = std::fopen(argv[1], "w");
    if (report == nullptr) {
        std::perror("tarvox_resource_run: report file");
        return 1;
    }
    std::fprintf(report, "wall %.6f user %.6f system %.6f maxrss %ld status %d\n", wall,
                 Seconds(usage.ru_utime), Seconds(usage.ru_stime), usage.ru_maxrss, code);
    return std::fclose(report) == 0 ? 0 : 1;
}
