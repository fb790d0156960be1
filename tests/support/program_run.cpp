#include "tests/support/program_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace orvane_test {
namespace fs = std::filesystem;

int ProgramRun::Find(const std::string& prefix, int from) const {
  for (int i = from; i < static_cast<int>(trace.size()); ++i) {
    if (trace[static_cast<std::size_t>(i)].rfind(prefix, 0) == 0) return i;
  }
  return -1;
}

int ProgramRun::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& line : trace) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return n;
}

std::string TestFolder(const std::string& name) {
  const fs::path folder = fs::path(ORVANE_TEST_WORK_DIR) / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder.string();
}

ProgramRun RunProgram(const std::string& program, const RunOptions& options) {
  static int runs = 0;
  const fs::path folder = TestFolder("run-" + std::to_string(getpid()) + "-" + std::to_string(++runs));
  const fs::path tracePath = folder / "trace.txt";
  const fs::path errorPath = folder / "stderr.txt";
  const fs::path keysPath = folder / "keys.txt";
  if (!options.keys.empty()) std::ofstream(keysPath) << options.keys;

  const std::string executable = std::string(ORVANE_BIN_DIR) + "/" + program;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    setenv("ORVANE_VIDEO", "headless", 1);
    setenv("ORVANE_TRACE", tracePath.c_str(), 1);
    unsetenv("ORVANE_FAILPOINTS");
    unsetenv("ORVANE_KEYS");
    if (!options.failpoints.empty()) setenv("ORVANE_FAILPOINTS", options.failpoints.c_str(), 1);
    if (!options.keys.empty()) setenv("ORVANE_KEYS", keysPath.c_str(), 1);
    for (const auto& [name, value] : options.environment) setenv(name.c_str(), value.c_str(), 1);
    execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }

  ProgramRun run;
  run.folder = folder.string();
  run.tracePath = tracePath.string();
  int waitStatus = 0;
  rusage usage{};
  const auto deadline = start + std::chrono::seconds(options.timeoutSeconds);
  while (wait4(child, &waitStatus, WNOHANG, &usage) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      wait4(child, &waitStatus, 0, &usage);
      run.error = "test: killed after " + std::to_string(options.timeoutSeconds) + " s\n";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKiB = usage.ru_maxrss;
  if (WIFEXITED(waitStatus)) run.status = WEXITSTATUS(waitStatus);

  std::ifstream err(errorPath);
  std::stringstream text;
  text << err.rdbuf();
  run.error += text.str();
  if (!options.readTrace) return run;
  std::ifstream traceFile(tracePath);
  for (std::string line; std::getline(traceFile, line);) run.trace.push_back(line);
  return run;
}

}  // namespace orvane_test
