// orvane_process_probe PROGRAM [ARG...]: runs PROGRAM with this environment and prints, on one
// line, its exit status, its run time from fork to exit in nanoseconds and its peak resident
// memory in KiB:
//   status=0 ns=12345678 peak_kib=11084
// The probe is small on purpose: a process's peak memory (getrusage's ru_maxrss) counts the
// memory of the process it was forked from, so a large parent (a benchmark with SDL loaded)
// would be measured instead of PROGRAM. Exit status 0 when PROGRAM ran, whatever its own
// status; 2 when it could not be started.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "orvane_process_probe: usage: orvane_process_probe PROGRAM [ARG...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::fprintf(stderr, "orvane_process_probe: fork: %s\n", std::strerror(errno));
    return 2;
  }
  if (child == 0) {
    execv(argv[1], argv + 1);
    std::fprintf(stderr, "orvane_process_probe: cannot run %s: %s\n", argv[1],
                 std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "orvane_process_probe: wait4: %s\n", std::strerror(errno));
      return 2;
    }
  }
  const auto ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return 2;
  // A signal is told apart from an exit status as 128 + its number, as a shell does.
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("status=%d ns=%lld peak_kib=%ld\n", code, static_cast<long long>(ns.count()),
              usage.ru_maxrss);
  return 0;
}
