// Start-up to exit, each a whole process run through orvane_process_probe, which times it from
// fork to exit and takes its peak resident memory. The benchmark's own process is left out of
// both: its time is the probe's figure (manual time), not the spawn of the probe.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/kit.h"

namespace bench {
namespace {

// The key script of a run that quits at once: one poll with Escape down.
class QuitScript {
 public:
  QuitScript()
      : path_(std::filesystem::temp_directory_path() /
              ("orvane_bench_keys_" + std::to_string(getpid()) + ".txt")) {
    std::ofstream out(path_);
    out << "hold 1 ESC\n";
    if (!out.flush()) throw std::runtime_error("cannot write the key script " + path_.string());
  }
  ~QuitScript() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  QuitScript(const QuitScript&) = delete;
  QuitScript& operator=(const QuitScript&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct Measured {
  int status = 0;
  double seconds = 0;
  long peakKiB = 0;
};

// This process's environment without the variables a run sets itself, plus `extra`.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable = *entry;
    if (variable.starts_with("ORVANE_") || variable.starts_with("SDL_VIDEODRIVER=")) continue;
    result.emplace_back(variable);
  }
  result.insert(result.end(), extra.begin(), extra.end());
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs `command` under the probe and reads its report.
Measured Probe(std::vector<std::string> command, std::vector<std::string> environment) {
  command.insert(command.begin(), ORVANE_BENCH_PROBE);
  std::vector<char*> argv = Pointers(command);
  std::vector<char*> envp = Pointers(environment);

  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  pid_t probe = 0;
  const int spawned = posix_spawn(&probe, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    throw std::runtime_error(std::string("cannot run ") + argv[0] + ": " + std::strerror(spawned));
  }
  std::string report;
  char buffer[256];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    report.append(buffer, static_cast<std::size_t>(n));
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(probe, &status, 0) < 0 && errno == EINTR) {
  }
  Measured m;
  long long ns = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(report.c_str(), "status=%d ns=%lld peak_kib=%ld", &m.status, &ns, &m.peakKiB) !=
          3) {
    throw std::runtime_error("the probe could not run " + command[1] + " (report \"" + report +
                             "\")");
  }
  m.seconds = static_cast<double>(ns) * 1e-9;
  return m;
}

void Startup(benchmark::State& state, const std::vector<std::string>& command,
             const std::vector<std::string>& extraEnvironment) {
  try {
    const std::vector<std::string> environment = ChildEnvironment(extraEnvironment);
    long peakKiB = 0;
    for (auto _ : state) {
      const Measured m = Probe(command, environment);
      if (m.status != 0) {
        state.SkipWithError(
            (command[0] + " ended with status " + std::to_string(m.status)).c_str());
        break;
      }
      state.SetIterationTime(m.seconds);
      peakKiB = std::max(peakKiB, m.peakKiB);
    }
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

}  // namespace

void RegisterStartups() {
  static const QuitScript quit;  // lives until the process ends, after every benchmark ran
  benchmark::RegisterBenchmark(
      "ours/startup/orvane2", Startup, std::vector<std::string>{ORVANE_BENCH_ORVANE2},
      std::vector<std::string>{"ORVANE_VIDEO=headless", "ORVANE_KEYS=" + quit.path().string()})
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(
      "sdl2/startup", Startup,
      std::vector<std::string>{ORVANE_BENCH_SDL2_STARTUP, ORVANE_BENCH_FONT},
      std::vector<std::string>{"SDL_VIDEODRIVER=dummy"})
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace bench
