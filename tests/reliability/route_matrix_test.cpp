// The route matrix: every failable operation that a normal run of orvane2 makes is failed at its
// first, second and last call of that run, one run each. The table comes from the normal run's
// trace, so an operation the program starts to use joins by itself; what each row must do
// follows from where its call falls in the run:
//
//   set-up            InitDDraw's handler takes it: no pass runs, ExitProgram ends with status 1
//   keyboard set-up,  no handler: the run time reports it (status 2) and ExitProgram never runs
//   show
//   pass              the main loop's handler takes it: the call is the last of its pass and
//                     ExitProgram's first release follows at once; status 1
//   release           after the Escape end the handler runs ExitProgram once more, where the
//                     step succeeds: status 1. Failed again inside the handler (after a failure
//                     in the first pass) it has no handler left: status 2
//
// Every row also checks that the run up to the failing call is the normal run, and that the
// display is given back whenever ExitProgram completes after the display object was made.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/trace/trace.h"
#include "tests/support/program_run.h"

namespace {

using orvane_test::ProgramRun;
using orvane_test::RunProgram;

constexpr const char* kKeys =
    "hold 3 RIGHT\nhold 2 LEFT\nhold 2 O\nhold 2 I\nhold 2 UP\nhold 2 DOWN\nhold 1 ESC\n";
constexpr const char* kInjected = " -> fail -2147467259 \"injected failure\"";
constexpr const char* kGiveBack = "DirectDraw7.SetCooperativeLevel(1, 8) -> ok";
constexpr const char* kFirstRelease = "DirectDrawSurface7#1.Release() -> 0";
constexpr const char* kPoll = "DirectInputDevice.GetDeviceStateKeyboard(";
constexpr const char* kReport = "Runtime.Report(-2147467259, \"injected failure\")";

// "DirectDrawSurface7#2.Blt((100, ...) -> ok" -> "DirectDrawSurface7.Blt".
std::string OperationOf(const std::string& line) {
  std::string name = line.substr(0, line.find('('));
  const std::size_t hash = name.find('#');
  if (hash != std::string::npos) name.erase(hash, name.find('.', hash) - hash);
  return name;
}

// Whether each traced operation can be made to fail, by name.
std::map<std::string, bool> Failable() {
  std::map<std::string, bool> failable;
  for (int i = 0; i < static_cast<int>(trace::Op::Count); ++i) {
    const trace::OpName& name = trace::NameOf(static_cast<trace::Op>(i));
    failable[std::string(name.interface) + "." + std::string(name.operation)] = name.failable;
  }
  return failable;
}

enum class Phase { SetUp, KeyboardSetUp, Show, Pass, Release, ReleaseInHandler };

const char* NameOf(Phase phase) {
  switch (phase) {
    case Phase::SetUp: return "set-up";
    case Phase::KeyboardSetUp: return "keyboard set-up";
    case Phase::Show: return "show";
    case Phase::Pass: return "pass";
    case Phase::Release: return "release";
    case Phase::ReleaseInHandler: return "release in the handler";
  }
  return "";
}

// Where the parts of a run begin, as line numbers of the normal run's trace.
struct Landmarks {
  int keyboard = -1;       // InitDInput's first call
  int show = -1;           // the form is shown
  int firstPoll = -1;      // the first pass
  int firstRelease = -1;   // ExitProgram
  int displayObject = -1;  // the display object is made
  int giveBack = -1;
};

Phase PhaseOf(int line, const Landmarks& at) {
  if (line < at.keyboard) return Phase::SetUp;
  if (line < at.show) return Phase::KeyboardSetUp;
  if (line < at.firstPoll) return Phase::Show;
  if (line < at.firstRelease) return Phase::Pass;
  return Phase::Release;
}

struct Row {
  std::string operation;
  int call;          // the failing call, counted from 1
  int normalLine;    // that call's line in the normal run
  Phase phase;
  std::string failpoints;
};

// The index of the call-th line (from 1) of the operation, or -1.
int LineOfCall(const std::vector<std::string>& trace, const std::string& operation, int call) {
  for (int i = 0; i < static_cast<int>(trace.size()); ++i) {
    if (OperationOf(trace[static_cast<std::size_t>(i)]) == operation && --call == 0) return i;
  }
  return -1;
}

int CountBefore(const std::vector<std::string>& trace, int end, const std::string& prefix) {
  int n = 0;
  for (int i = 0; i < end; ++i) n += trace[static_cast<std::size_t>(i)].rfind(prefix, 0) == 0;
  return n;
}

void CheckRow(const Row& row, const ProgramRun& normal, const Landmarks& at) {
  const ProgramRun run = RunProgram("orvane2", {.failpoints = row.failpoints, .keys = kKeys});
  const std::vector<std::string>& trace = run.trace;
  const int failed = LineOfCall(trace, row.operation, row.call);
  ASSERT_GE(failed, 0) << "the call is made";
  const std::string& failedLine = trace[static_cast<std::size_t>(failed)];
  ASSERT_TRUE(failedLine.ends_with(kInjected)) << failedLine;
  ASSERT_LT(failed + 1, static_cast<int>(trace.size()));
  const std::string& next = trace[static_cast<std::size_t>(failed) + 1];
  int fails = 0;
  for (const std::string& line : trace) fails += line.find(" -> fail ") != std::string::npos;

  const bool inHandler = row.phase == Phase::ReleaseInHandler;
  if (!inHandler) {
    EXPECT_EQ(fails, 1);
    for (int i = 0; i < failed; ++i) {
      ASSERT_EQ(trace[static_cast<std::size_t>(i)], normal.trace[static_cast<std::size_t>(i)])
          << "the run before the failing call is the normal one, line " << i + 1;
    }
  } else {
    EXPECT_EQ(fails, 2) << "the first pass's failure and the release's";
  }

  const bool reported = row.phase == Phase::KeyboardSetUp || row.phase == Phase::Show || inHandler;
  EXPECT_EQ(run.status, reported ? 2 : 1) << run.error;
  if (reported) {
    EXPECT_EQ(run.error, "orvane2: run-time error -2147467259: injected failure\n");
    EXPECT_EQ(next, kReport) << "the run time reports the failure at once";
    EXPECT_EQ(trace.back(), "Runtime.End(2)");
  } else {
    EXPECT_EQ(run.error, "") << "a handler took the failure";
    EXPECT_EQ(run.Count("Runtime.Report"), 0);
  }

  const int passes = run.Count(kPoll);
  switch (row.phase) {
    case Phase::SetUp:
      EXPECT_EQ(passes, 0) << "no pass runs after a failed set-up";
      break;
    case Phase::KeyboardSetUp:
    case Phase::Show:
      EXPECT_EQ(passes, 0);
      EXPECT_EQ(run.Count(kFirstRelease), 0) << "ExitProgram does not run";
      break;
    case Phase::Pass:
      EXPECT_EQ(next, kFirstRelease) << "the failing call is the last of its pass";
      EXPECT_EQ(passes, CountBefore(normal.trace, row.normalLine + 1, kPoll))
          << "no pass runs after the failing one";
      break;
    case Phase::Release: {
      EXPECT_EQ(passes, normal.Count(kPoll)) << "every pass ran";
      const int retried = LineOfCall(trace, row.operation, row.call + 1);
      ASSERT_GT(retried, failed) << "the handler runs ExitProgram again";
      EXPECT_TRUE(trace[static_cast<std::size_t>(retried)].ends_with(" -> ok"))
          << "the step succeeds the second time: " << trace[static_cast<std::size_t>(retried)];
      break;
    }
    case Phase::ReleaseInHandler:
      EXPECT_EQ(passes, 1) << "the first pass failed";
      EXPECT_EQ(run.Count(kGiveBack), row.normalLine > at.giveBack ? 1 : 0)
          << "the display is given back only when that step came before the failure";
      break;
  }

  // ExitProgram completes when a handler took the failure: the keyboard is let go last, and the
  // display is given back after the failing call wherever the display object was made.
  if (!reported) {
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace.back(), "Runtime.End(1)");
    EXPECT_EQ(trace[trace.size() - 2], "DirectInputDevice.Unacquire() -> ok");
    const bool displayMade = row.normalLine > at.displayObject;
    EXPECT_EQ(run.Find(kGiveBack, failed + 1) >= 0, displayMade)
        << "the display is given back after the failure";
  }
}

TEST(RouteMatrix, EveryFailableCallFailsAlongItsRoute) {
  const ProgramRun normal = RunProgram("orvane2", {.keys = kKeys});
  ASSERT_EQ(normal.status, 0) << normal.error;
  ASSERT_EQ(normal.trace.back(), "Runtime.End(0)");

  Landmarks at;
  at.keyboard = normal.Find("Root.DirectInputCreate(");
  at.show = normal.Find("Runtime.ShowForm(");
  at.firstPoll = normal.Find(kPoll);
  at.firstRelease = normal.Find(kFirstRelease, at.firstPoll);
  at.displayObject = normal.Find("Root.DirectDrawCreate(");
  at.giveBack = normal.Find(kGiveBack);
  ASSERT_TRUE(at.displayObject == 0 && at.displayObject < at.keyboard && at.keyboard < at.show &&
              at.show < at.firstPoll && at.firstPoll < at.firstRelease &&
              at.firstRelease < at.giveBack)
      << "the normal run is set-up, keyboard set-up, show, passes, release";

  // Every distinct failable operation in order of its first call, with its calls' lines.
  const std::map<std::string, bool> failable = Failable();
  std::vector<std::string> order;
  std::map<std::string, std::vector<int>> lines;
  for (int i = 0; i < static_cast<int>(normal.trace.size()); ++i) {
    const std::string operation = OperationOf(normal.trace[static_cast<std::size_t>(i)]);
    const auto known = failable.find(operation);
    ASSERT_NE(known, failable.end()) << "an operation the trace door names: " << operation;
    if (!known->second) continue;
    if (lines[operation].empty()) order.push_back(operation);
    lines[operation].push_back(i);
  }

  // The first pass's first failable call, to fail the release steps inside the handler.
  const std::string firstPassFailure = OperationOf(normal.trace[static_cast<std::size_t>(at.firstPoll)]) +
                                       "@" + std::to_string(CountBefore(normal.trace, at.firstPoll + 1, kPoll));
  std::vector<Row> rows;
  for (const std::string& operation : order) {
    const std::vector<int>& calls = lines[operation];
    const int count = static_cast<int>(calls.size());
    for (const int call : std::set<int>{1, std::min(2, count), count}) {
      const int line = calls[static_cast<std::size_t>(call) - 1];
      const Phase phase = PhaseOf(line, at);
      rows.push_back({operation, call, line, phase, operation + "@" + std::to_string(call)});
      if (phase == Phase::Release) {
        // Inside the handler no pass has called it, so its number counts the set-up's calls.
        int setUpCalls = 0;
        for (const int l : calls) setUpCalls += l < at.firstPoll;
        int releaseIndex = 0;
        for (const int l : calls) releaseIndex += l >= at.firstRelease && l <= line;
        const int inHandler = setUpCalls + releaseIndex;
        rows.push_back({operation, inHandler, line, Phase::ReleaseInHandler,
                        firstPassFailure + ";" + operation + "@" + std::to_string(inHandler)});
      }
    }
  }

  std::map<Phase, int> perPhase;
  for (const Row& row : rows) {
    SCOPED_TRACE("ORVANE_FAILPOINTS=" + row.failpoints + " (" + NameOf(row.phase) + ")");
    CheckRow(row, normal, at);
    ++perPhase[row.phase];
  }
  std::cout << "route matrix: " << rows.size() << " rows tried over " << order.size()
            << " failable operations:";
  for (const auto& [phase, n] : perPhase) std::cout << " " << NameOf(phase) << " " << n << ";";
  std::cout << "\n";
  RecordProperty("rows", static_cast<int>(rows.size()));
  EXPECT_EQ(perPhase.size(), 6u) << "every route is taken";
}

}  // namespace
