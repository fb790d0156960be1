// Runs a real executable of the build on the headless driver and gathers what it leaves: exit
// status, standard error and the trace, one string per line.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvane_test {

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the process did not exit normally
  std::string error;  // standard error
  std::vector<std::string> trace;
  std::string folder;  // where the run's files are: its key script and the snaps it asked for
  std::string tracePath;
  long peakKiB = 0;     // the process's peak resident memory (ru_maxrss)
  double seconds = 0;   // from start to exit

  // Index of the first trace line starting with prefix at or after from, or -1.
  int Find(const std::string& prefix, int from = 0) const;
  int Count(const std::string& prefix) const;
};

struct RunOptions {
  std::string failpoints;  // ORVANE_FAILPOINTS, unset when empty
  std::string keys;        // the text of a key script (ORVANE_KEYS), none when empty
  std::vector<std::pair<std::string, std::string>> environment;  // more variables
  int timeoutSeconds = 30;
  bool readTrace = true;  // false: leave a long trace in its file (tracePath)
};

// program: "orvane", "orvane2" or another executable in the build's bin folder.
ProgramRun RunProgram(const std::string& program, const RunOptions& options);

// A fresh empty folder for one test's files.
std::string TestFolder(const std::string& name);

}  // namespace orvane_test
