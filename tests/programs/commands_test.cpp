// The key commands as the real executables carry them out under key scripts, read pass by pass
// off the trace: the frame each sprite shows, its drawn size, and the backdrop value filled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/passes.h"
#include "tests/support/program_run.h"

namespace {

using orvane_test::FrameOf;
using orvane_test::Pass;
using orvane_test::PassesOf;
using orvane_test::ProgramRun;
using orvane_test::RunProgram;

struct CommandCase {
  const char* name;
  const char* program;
  std::string keys;
  std::vector<int> frames;  // sprite 0's frame in each pass (empty: not checked)
  std::vector<int> sizes;   // sprite 0's drawn width in each pass (empty: not checked)
  std::vector<long> fills;  // the backdrop filled at the end of each pass (empty: not checked)
  int status = 0;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class Commands : public testing::TestWithParam<CommandCase> {};

TEST_P(Commands, ActPassByPass) {
  const CommandCase& c = GetParam();
  const ProgramRun run = RunProgram(c.program, {.keys = c.keys});
  ASSERT_EQ(run.status, c.status) << run.error;
  const std::vector<Pass> passes = PassesOf(run.trace);
  const std::size_t sprites = std::string(c.program) == "orvane2" ? 2 : 1;
  for (std::size_t i = 0; i < passes.size(); ++i) {
    ASSERT_EQ(passes[i].blits.size(), sprites) << "pass " << i + 1;
    // Both sprites of orvane2 always show the same frame at the same size.
    const orvane_test::Blit& first = passes[i].blits[0];
    const orvane_test::Blit& last = passes[i].blits.back();
    EXPECT_EQ(FrameOf(first.surface), FrameOf(last.surface)) << "pass " << i + 1;
    EXPECT_EQ(first.right - first.left, last.right - last.left) << "pass " << i + 1;
    EXPECT_EQ(first.right - first.left, first.bottom - first.top) << "pass " << i + 1;
  }
  auto check = [&](const auto& expected, auto read, const char* what) {
    if (expected.empty()) return;
    ASSERT_EQ(passes.size(), expected.size()) << what;
    for (std::size_t i = 0; i < passes.size(); ++i) {
      EXPECT_EQ(read(passes[i]), expected[i]) << what << " in pass " << i + 1;
    }
  };
  check(c.frames, [](const Pass& p) { return FrameOf(p.blits[0].surface); }, "frame");
  check(c.sizes, [](const Pass& p) { return p.blits[0].right - p.blits[0].left; }, "size");
  check(c.fills, [](const Pass& p) { return p.fill.value_or(-99999); }, "fill");
}

std::vector<int> Range(int first, int last) {
  std::vector<int> v;
  for (int i = first; i <= last; ++i) v.push_back(i);
  return v;
}

std::vector<int> Down(int first, int last) {
  std::vector<int> v;
  for (int i = first; i >= last; --i) v.push_back(i);
  return v;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Commands,
    testing::Values(
        CommandCase{"NoKeyEscapeAtTheFirstPass", "orvane2", "hold 1 ESC\n", {0}, {60}, {0}},
        CommandCase{"RightSkips39", "orvane2", "hold 40 RIGHT\nhold 1 ESC\n",
                    Join(Join(Range(1, 38), {0, 1}), {1}), {}, {}},
        CommandCase{"LeftSkips0", "orvane2", "hold 40 LEFT\nhold 1 ESC\n",
                    Join(Down(39, 1), {39, 39}), {}, {}},
        CommandCase{"LeftFrom1EndsAt39", "orvane2", "hold 1 RIGHT\nhold 1 LEFT\nhold 1 ESC\n",
                    {1, 39, 39}, {}, {}},
        CommandCase{"LeftAndRightAt1Give0", "orvane2", "hold 1 RIGHT\nhold 1 LEFT RIGHT\nhold 1 ESC\n",
                    {1, 0, 0}, {}, {}},
        CommandCase{"LeftAndRightAt39Give0", "orvane2", "hold 1 LEFT\nhold 1 LEFT RIGHT\nhold 1 ESC\n",
                    {39, 0, 0}, {}, {}},
        CommandCase{"LeftAndRightElsewhereStay", "orvane2",
                    "hold 5 RIGHT\nhold 2 LEFT RIGHT\nhold 1 ESC\n", {1, 2, 3, 4, 5, 5, 5, 5}, {},
                    {}},
        CommandCase{"InAndOutTogether", "orvane2", "hold 3 I O\nhold 1 ESC\n", {}, {59, 59, 59, 59},
                    {}},
        CommandCase{"OneShipZoomsFromItsCorner", "orvane", "hold 1 O\nhold 1 RIGHT\nhold 1 ESC\n",
                    {0, 1, 1}, {59, 59, 59}, {}},
        CommandCase{"UpStepsTheBackdrop", "orvane2", "hold 3 UP\nhold 2 DOWN\nhold 1 ESC\n", {}, {},
                    {1, 2, 3, 2, 1, 1}},
        CommandCase{"UpAndDownTogetherCancel", "orvane2", "hold 2 UP DOWN\nhold 1 ESC\n", {}, {},
                    {0, 0, 0}},
        CommandCase{"EscapeWithOtherKeysStillActs", "orvane2", "hold 1 ESC RIGHT UP O\n", {1}, {59},
                    {1}},
        CommandCase{"KeysAbove211AndTheKeypadDoNothing", "orvane2",
                    "hold 2 212 255 KP6 KP4 KP8 KP2\nhold 1 ESC\n", {0, 0, 0}, {60, 60, 60},
                    {0, 0, 0}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Commands, HoldingRightShowsEveryFrameButTheLast) {
  const ProgramRun run = RunProgram("orvane2", {.keys = "hold 80 RIGHT\nhold 1 ESC\n"});
  ASSERT_EQ(run.status, 0) << run.error;
  std::vector<int> shown;
  for (const Pass& p : PassesOf(run.trace)) shown.push_back(FrameOf(p.blits[0].surface));
  ASSERT_EQ(shown.size(), 81u);
  for (std::size_t i = 0; i < 80; ++i) EXPECT_EQ(shown[i], static_cast<int>((i + 1) % 39)) << i;
}

TEST(Commands, HoldingLeftShowsEveryFrameButTheFirst) {
  const ProgramRun run = RunProgram("orvane2", {.keys = "hold 80 LEFT\nhold 1 ESC\n"});
  ASSERT_EQ(run.status, 0) << run.error;
  std::vector<int> shown;
  for (const Pass& p : PassesOf(run.trace)) shown.push_back(FrameOf(p.blits[0].surface));
  ASSERT_EQ(shown.size(), 81u);
  for (std::size_t i = 0; i < 80; ++i) EXPECT_EQ(shown[i], 39 - static_cast<int>(i % 39)) << i;
}

TEST(Commands, ZoomOutPassesTheFloorForOnePass) {
  const ProgramRun run = RunProgram("orvane2", {.keys = "hold 93 O\nhold 2 I\nhold 1 ESC\n"});
  ASSERT_EQ(run.status, 0) << run.error;
  const std::vector<Pass> passes = PassesOf(run.trace);
  ASSERT_EQ(passes.size(), 96u);
  auto size = [&](std::size_t pass) { return passes[pass - 1].blits[0].right - 100; };
  EXPECT_EQ(size(1), 59);   // 0.99
  EXPECT_EQ(size(90), 6);   // 0.10000066
  EXPECT_EQ(size(91), 5);   // 0.09000066, below the floor for one pass
  EXPECT_EQ(size(92), 6);   // clamped to 0.1
  EXPECT_EQ(size(93), 6);
  EXPECT_EQ(size(94), 7);   // 0.11
}

// The backdrop's limits take 32768 passes to reach; a sanitizer build runs them about 15 times
// slower than a normal one, hence the longer allowance.
constexpr int kLongRunSeconds = 100;

TEST(Commands, UpOverflowsInThe32768thPass) {
  const ProgramRun run =
      RunProgram("orvane2", {.keys = "hold 40000 UP RIGHT\n", .timeoutSeconds = kLongRunSeconds});
  EXPECT_EQ(run.status, 1) << run.error;
  EXPECT_EQ(run.error, "");
  const int raised = run.Find("Runtime.Raise(6, \"Overflow\")");
  ASSERT_GE(raised, 0);
  EXPECT_EQ(run.trace[static_cast<std::size_t>(raised) + 1], "DirectDrawSurface7#1.Release() -> 0")
      << "no later step of that pass runs";
  const std::vector<Pass> passes = PassesOf(run.trace);
  ASSERT_EQ(passes.size(), 32768u);
  EXPECT_EQ(passes[32766].fill, 32767);
  EXPECT_TRUE(passes.back().blits.empty()) << "the overflowing pass draws nothing";
}

TEST(Commands, UpAndDownAtTheLowestValueRaiseNothing) {
  const ProgramRun run =
      RunProgram("orvane", {.keys = "hold 32768 DOWN\nhold 2 UP DOWN\nhold 1 ESC\n",
                            .timeoutSeconds = kLongRunSeconds});
  EXPECT_EQ(run.status, 0) << run.error;
  const std::vector<Pass> passes = PassesOf(run.trace);
  ASSERT_EQ(passes.size(), 32771u);
  EXPECT_EQ(passes[32767].fill, -32768);
  EXPECT_EQ(passes[32768].fill, -32768);
  EXPECT_EQ(passes[32769].fill, -32768);
}

TEST(Commands, UpAndDownAtTheHighestValueEndBeforeDownActs) {
  const ProgramRun run =
      RunProgram("orvane", {.keys = "hold 32767 UP\nhold 1 UP DOWN\nhold 1 ESC\n",
                            .timeoutSeconds = kLongRunSeconds});
  EXPECT_EQ(run.status, 1) << run.error;
  EXPECT_GE(run.Find("Runtime.Raise(6, \"Overflow\")"), 0);
  EXPECT_EQ(PassesOf(run.trace).size(), 32768u);
}

// A failed release after a normal end runs ExitProgram once more; a second failure is reported.
TEST(Commands, AReleaseFailingAfterEscapeIsTriedOnceMore) {
  const ProgramRun once =
      RunProgram("orvane2", {.failpoints = "DirectDraw7.RestoreDisplayMode@1", .keys = "hold 1 ESC\n"});
  EXPECT_EQ(once.status, 1) << once.error;
  EXPECT_EQ(once.error, "");
  EXPECT_EQ(once.Count("DirectDraw7.RestoreDisplayMode()"), 2);
  EXPECT_EQ(once.Count("DirectDraw7.SetCooperativeLevel(1, 8) -> ok"), 1);
  EXPECT_EQ(once.Count("DirectDrawSurface7#1.Release() -> 0"), 1) << "released once, nothing twice";

  const ProgramRun twice =
      RunProgram("orvane2", {.failpoints = "DirectDraw7.RestoreDisplayMode@1+", .keys = "hold 1 ESC\n"});
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.error.find("run-time error"), std::string::npos);
  EXPECT_EQ(twice.Count("DirectDraw7.RestoreDisplayMode()"), 2);
}

}  // namespace
