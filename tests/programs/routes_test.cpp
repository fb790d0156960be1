// The ways a run ends, driven by failpoints on the real executables and read off their traces.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/program_run.h"

namespace {

using orvane_test::ProgramRun;
using orvane_test::RunOptions;
using orvane_test::RunProgram;

constexpr const char* kGiveBack = "DirectDraw7.SetCooperativeLevel(1, 8) -> ok";
constexpr const char* kRestore = "DirectDraw7.RestoreDisplayMode() -> ok";

// What a failed set-up step leaves behind: no pass runs, every surface made is released, the
// display is given back where the display object exists, and the run ends with status 1 without
// a message.
struct SetupCase {
  const char* name;
  const char* failpoint;
  int surfacesMade;  // in orvane2
  bool displayObject;
};

void PrintTo(const SetupCase& c, std::ostream* os) { *os << c.name; }

class SetupFailure : public testing::TestWithParam<SetupCase> {};

TEST_P(SetupFailure, EndsBeforeTheFirstPassAndGivesTheDisplayBack) {
  const SetupCase& c = GetParam();
  const ProgramRun run = RunProgram("orvane2", {.failpoints = c.failpoint});
  EXPECT_EQ(run.status, 1) << run.error;
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(run.Count("DirectInputDevice.GetDeviceStateKeyboard"), 0) << "no pass runs";
  EXPECT_EQ(run.Count("DirectInputDevice.Acquire() -> ok"), 1) << "the keyboard is still set up";
  EXPECT_EQ(run.Count("Runtime.ShowForm() -> ok"), 1) << "the form is still shown";
  int released = 0;
  for (const std::string& line : run.trace) {
    released += line.find(".Release() -> 0") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(released, c.surfacesMade) << "every surface made is released";
  EXPECT_EQ(run.Count(kRestore), c.displayObject ? 1 : 0);
  EXPECT_EQ(run.Count(kGiveBack), c.displayObject ? 1 : 0);
  ASSERT_FALSE(run.trace.empty());
  EXPECT_EQ(run.trace.back(), "Runtime.End(1)");
  EXPECT_EQ(run.trace[run.trace.size() - 2], "DirectInputDevice.Unacquire() -> ok");
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, SetupFailure,
    testing::Values(
        SetupCase{"DisplayObject", "Root.DirectDrawCreate@1", 0, false},
        SetupCase{"ExclusiveLevel", "DirectDraw7.SetCooperativeLevel@1", 0, true},
        SetupCase{"DisplayMode", "DirectDraw7.SetDisplayMode@1", 0, true},
        SetupCase{"FlippingChain", "DirectDraw7.CreateSurface@1", 0, true},
        SetupCase{"BackBuffer", "DirectDrawSurface7.GetAttachedSurface@1", 2, true},
        SetupCase{"TextColour", "DirectDrawSurface7.SetForeColor@1", 2, true},
        SetupCase{"Frame17OfSprite0", "DirectDraw7.CreateSurfaceFromResource@18", 2 + 17, true},
        SetupCase{"LastFrameOfSprite1", "DirectDraw7.CreateSurfaceFromResource@80", 2 + 79, true},
        SetupCase{"FirstColourKey", "DirectDrawSurface7.SetColorKey@1", 3, true},
        SetupCase{"FirstBackdropFill", "DirectDrawSurface7.BltColorFill@1", 82, true},
        SetupCase{"FirstHelpLine", "DirectDrawSurface7.DrawText@1", 82, true},
        SetupCase{"LastHelpLine", "DirectDrawSurface7.DrawText@4", 82, true}),
    [](const auto& p) { return std::string(p.param.name); });

// An error during a pass: the rest of the pass does not run and ExitProgram releases everything.
struct PassCase {
  const char* name;
  const char* failpoint;
  const char* failingCall;  // the start of the failing operation's trace line
  int flipsShown;
};

void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class PassFailure : public testing::TestWithParam<PassCase> {};

TEST_P(PassFailure, StopsThePassAndShutsDown) {
  const PassCase& c = GetParam();
  const ProgramRun run = RunProgram("orvane2", {.failpoints = c.failpoint});
  EXPECT_EQ(run.status, 1) << run.error;
  EXPECT_EQ(run.error, "");
  std::size_t failed = 0;
  while (failed < run.trace.size() && run.trace[failed].find(" -> fail ") == std::string::npos) {
    ++failed;
  }
  ASSERT_LT(failed + 1, run.trace.size());
  EXPECT_EQ(run.trace[failed].rfind(c.failingCall, 0), 0u) << run.trace[failed];
  EXPECT_EQ(run.trace[failed + 1], "DirectDrawSurface7#1.Release() -> 0")
      << "ExitProgram follows the failure at once";
  EXPECT_EQ(run.Count("DirectDrawSurface7#1.Flip(nothing, 1) -> ok"), c.flipsShown);
  EXPECT_EQ(run.Count(kGiveBack), 1);
  EXPECT_EQ(run.trace.back(), "Runtime.End(1)");
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, PassFailure,
    testing::Values(
        PassCase{"KeyboardRead", "DirectInputDevice.GetDeviceStateKeyboard@3",
                 "DirectInputDevice.GetDeviceStateKeyboard", 2},
        PassCase{"FirstSprite", "DirectDrawSurface7.Blt@1", "DirectDrawSurface7#2.Blt", 0},
        PassCase{"SecondSprite", "DirectDrawSurface7.Blt@4", "DirectDrawSurface7#2.Blt((200", 1},
        PassCase{"Flip", "DirectDrawSurface7.Flip@3", "DirectDrawSurface7#1.Flip(nothing, 1) -> fail", 2},
        PassCase{"Backdrop", "DirectDrawSurface7.BltColorFill@2", "DirectDrawSurface7#2.BltColorFill((0, 0, 640, 480), 0) -> fail", 1},
        PassCase{"HelpText", "DirectDrawSurface7.DrawText@7", "DirectDrawSurface7#2.DrawText(100, 140", 1},
        PassCase{"WindowMessages", "Runtime.DoEvents@1", "Runtime.DoEvents", 1}),
    [](const auto& p) { return std::string(p.param.name); });

// Errors that no handler takes are reported by the run time: status 2, and ExitProgram does not
// run for a failed keyboard set-up or show.
struct ReportCase {
  const char* name;
  const char* failpoint;
  bool exitProgramRan;
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class Reported : public testing::TestWithParam<ReportCase> {};

TEST_P(Reported, EndsWithTheRunTimesReport) {
  const ReportCase& c = GetParam();
  const ProgramRun run = RunProgram("orvane2", {.failpoints = c.failpoint});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.error.find("run-time error -2147467259: injected failure"), std::string::npos)
      << run.error;
  EXPECT_GE(run.Find("Runtime.Report(-2147467259, \"injected failure\")"), 0);
  EXPECT_EQ(run.Count("DirectDrawSurface7#1.Release() -> 0") > 0, c.exitProgramRan);
  EXPECT_EQ(run.trace.back(), "Runtime.End(2)");
}

INSTANTIATE_TEST_SUITE_P(
    EachRoute, Reported,
    testing::Values(
        ReportCase{"KeyboardObject", "Root.DirectInputCreate@1", false},
        ReportCase{"KeyboardDevice", "DirectInput.CreateDevice@1", false},
        ReportCase{"KeyboardFormat", "DirectInputDevice.SetCommonDataFormat@1", false},
        ReportCase{"KeyboardLevel", "DirectInputDevice.SetCooperativeLevel@1", false},
        ReportCase{"KeyboardAcquire", "DirectInputDevice.Acquire@1", false},
        ReportCase{"ShowForm", "Runtime.ShowForm@1", false},
        // A release that fails while the loop's handler runs ExitProgram has no handler left.
        ReportCase{"ReleaseInHandler", "DirectDrawSurface7.Flip@1;DirectDraw7.RestoreDisplayMode@1",
                   true},
        ReportCase{"UnacquireInHandler", "DirectDrawSurface7.Flip@1;DirectInputDevice.Unacquire@1",
                   true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(KeyboardSetupFailure, LeavesWhatItMadeAndNeverAcquires) {
  const ProgramRun run =
      RunProgram("orvane", {.failpoints = "DirectInputDevice.SetCommonDataFormat@1"});
  EXPECT_GE(run.Find("DirectInput.CreateDevice(\"GUID_SysKeyboard\") -> ok"), 0);
  EXPECT_EQ(run.Count("DirectInputDevice.SetCooperativeLevel"), 0);
  EXPECT_EQ(run.Count("DirectInputDevice.Acquire"), 0);
  EXPECT_EQ(run.Count(kRestore), 0) << "ExitProgram does not run";
  EXPECT_EQ(run.status, 2);
}

}  // namespace
