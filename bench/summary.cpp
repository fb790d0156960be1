// The run: Google Benchmark's console output, then the table of ours against the peers from
// each benchmark's median real time over the repetitions.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/kit.h"

namespace bench {
namespace {

struct Result {
  std::vector<double> seconds;       // one per repetition
  std::optional<double> median;      // the median aggregate, where one was reported
  std::map<std::string, double> counterMax;
  std::size_t repetitions = 0;
};

// The console reporter that also keeps every result for the summary.
class Collector : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) {
        failed_ = true;
        continue;
      }
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      // The name as registered, without suffixes such as /manual_time.
      Result& result = results_[run.run_name.function_name];
      result.repetitions = static_cast<std::size_t>(run.repetitions);
      const double seconds =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (median) {
        result.median = seconds;
      } else {
        result.seconds.push_back(seconds);
      }
      for (const auto& [name, counter] : run.counters) {
        auto [it, added] = result.counterMax.try_emplace(name, counter.value);
        if (!added) it->second = std::max(it->second, counter.value);
      }
    }
  }

  bool failed() const { return failed_; }

  // Median real time in seconds, if the benchmark ran.
  std::optional<double> Median(const std::string& name) const {
    const auto it = results_.find(name);
    if (it == results_.end()) return std::nullopt;
    if (it->second.median) return it->second.median;
    std::vector<double> s = it->second.seconds;
    if (s.empty()) return std::nullopt;
    std::sort(s.begin(), s.end());
    const std::size_t mid = s.size() / 2;
    return s.size() % 2 == 1 ? s[mid] : (s[mid - 1] + s[mid]) / 2;
  }

  std::optional<double> Counter(const std::string& benchmark, const std::string& counter) const {
    const auto it = results_.find(benchmark);
    if (it == results_.end()) return std::nullopt;
    const auto c = it->second.counterMax.find(counter);
    if (c == it->second.counterMax.end()) return std::nullopt;
    return c->second;
  }

  std::size_t Repetitions(const std::string& name) const {
    const auto it = results_.find(name);
    return it == results_.end() ? 0 : it->second.repetitions;
  }

 private:
  std::map<std::string, Result> results_;
  bool failed_ = false;
};

std::string Time(double seconds) {
  char text[32];
  if (seconds < 1e-6) {
    std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
  } else if (seconds < 1e-3) {
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  }
  return text;
}

std::string Number(double value, const char* format) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

struct Row {
  std::string what;
  std::string ours;
  std::string peer;
  std::string ratio;
  std::string goal;
  std::string met;
  // For the tab-separated copy: the benchmarks, raw seconds (or the counter's value).
  std::string oursName;
  std::string peerName;
  std::string oursValue;
  std::string peerValue;
};

std::vector<Row> Rows(const Collector& results, const Summary& summary) {
  std::vector<Row> rows;
  for (const Comparison& c : summary.comparisons) {
    const std::optional<double> ours = results.Median(c.ours);
    const std::optional<double> peer = results.Median(c.peer);
    if (!ours || !peer) continue;
    const double ratio = *ours / *peer;
    rows.push_back({c.what, Time(*ours), Time(*peer), Number(ratio, "%.3f"),
                    c.limit > 0 ? "<= " + Number(c.limit, "%g") : "-",
                    c.limit > 0 ? (ratio <= c.limit ? "yes" : "NO") : "-", c.ours, c.peer,
                    Number(*ours, "%.9g"), Number(*peer, "%.9g")});
  }
  for (const CounterGoal& g : summary.counters) {
    const std::optional<double> value = results.Counter(g.benchmark, g.counter);
    if (!value) continue;
    rows.push_back({g.what, Number(*value, "%.2f ") + g.counter, "-", "-",
                    g.limit > 0 ? "<= " + Number(g.limit, "%g") : "-",
                    g.limit > 0 ? (*value <= g.limit ? "yes" : "NO") : "-",
                    g.benchmark + ":" + g.counter, "-", Number(*value, "%.9g"), "-"});
  }
  return rows;
}

void Print(const std::vector<Row>& rows, std::size_t repetitions) {
  std::printf("\nOurs against the peers: median real time of %zu repetition(s)\n", repetitions);
  std::printf("%-40s %14s %14s %10s %8s %4s\n", "comparison", "ours", "peer", "ours/peer", "goal",
              "met");
  for (const Row& r : rows) {
    std::printf("%-40s %14s %14s %10s %8s %4s\n", r.what.c_str(), r.ours.c_str(), r.peer.c_str(),
                r.ratio.c_str(), r.goal.c_str(), r.met.c_str());
  }
}

bool WriteTsv(const std::string& file, const std::vector<Row>& rows) {
  std::ofstream out(file);
  out << "what\tours\tpeer\tours_value\tpeer_value\tratio\tgoal\tmet\n";
  for (const Row& r : rows) {
    out << r.what << '\t' << r.oursName << '\t' << r.peerName << '\t' << r.oursValue << '\t'
        << r.peerValue << '\t' << r.ratio << '\t' << r.goal << '\t' << r.met << '\n';
  }
  return static_cast<bool>(out.flush());
}

}  // namespace

int Run(int argc, char** argv, const Summary& summary) {
  // --summary_out=FILE is ours: taken out before Google Benchmark reads the rest.
  constexpr std::string_view kSummaryFlag = "--summary_out=";
  std::string summaryFile;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i > 0 && arg.starts_with(kSummaryFlag)) {
      summaryFile = arg.substr(kSummaryFlag.size());
      if (summaryFile.empty()) {
        std::fprintf(stderr, "%s: --summary_out= needs a file name\n", argv[0]);
        return 1;
      }
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  Collector collector(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                            : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  std::fflush(stdout);

  const std::vector<Row> rows = Rows(collector, summary);
  std::size_t repetitions = 0;
  for (const Comparison& c : summary.comparisons) {
    repetitions = std::max(repetitions, collector.Repetitions(c.ours));
  }
  Print(rows, repetitions);
  if (!summaryFile.empty() && !WriteTsv(summaryFile, rows)) {
    std::fprintf(stderr, "%s: cannot write the summary to %s\n", argv[0], summaryFile.c_str());
    return 1;
  }
  if (collector.failed()) {
    std::fprintf(stderr, "%s: a benchmark failed (see its error above)\n", argv[0]);
    return 1;
  }
  return 0;
}

}  // namespace bench
