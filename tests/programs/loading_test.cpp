// Frame loading as the real executables do it: names, order, colour keys, one surface each, and
// a frame that is missing from the executable.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "tests/support/program_run.h"

namespace {

using orvane_test::ProgramRun;
using orvane_test::RunProgram;

struct Load {
  std::string name;
  int surface;
};

std::vector<Load> LoadsOf(const ProgramRun& run) {
  std::vector<Load> loads;
  for (const std::string& line : run.trace) {
    char name[32];
    int surface = 0;
    if (std::sscanf(line.c_str(),
                    "DirectDraw7.CreateSurfaceFromResource(\"\", \"%31[^\"]\", {flags=7, height=60, "
                    "width=60, caps=64}) -> ok #%d",
                    name, &surface) == 2) {
      loads.push_back({name, surface});
    }
  }
  return loads;
}

struct ProgramCase {
  const char* program;
  int sprites;
};

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.program; }

class Loading : public testing::TestWithParam<ProgramCase> {};

TEST_P(Loading, EverySpriteLoadsItsOwn40FramesInOrderWithKey0) {
  const ProgramCase& c = GetParam();
  const ProgramRun run = RunProgram(c.program, {.keys = "hold 1 ESC\n"});
  ASSERT_EQ(run.status, 0) << run.error;
  const std::vector<Load> loads = LoadsOf(run);
  ASSERT_EQ(loads.size(), static_cast<std::size_t>(40 * c.sprites));
  std::set<int> surfaces;
  for (std::size_t i = 0; i < loads.size(); ++i) {
    EXPECT_EQ(loads[i].name, "vegan" + std::to_string(i % 40));
    surfaces.insert(loads[i].surface);
    // Each new surface gets its colour key before the next is made.
    const int at = run.Find("DirectDrawSurface7#" + std::to_string(loads[i].surface) + ".");
    ASSERT_GE(at, 0);
    EXPECT_EQ(run.trace[static_cast<std::size_t>(at)],
              "DirectDrawSurface7#" + std::to_string(loads[i].surface) +
                  ".SetColorKey(8, {low=0, high=0}) -> ok");
  }
  EXPECT_EQ(surfaces.size(), loads.size()) << "distinct surfaces";
  EXPECT_EQ(*surfaces.begin(), 3);
  EXPECT_EQ(run.Count("DirectDraw7.CreateSurface"), 1 + 40 * c.sprites);
  EXPECT_EQ(run.Find("DirectDraw7.CreateSurfaceFromResource(\"\", \"vegan40\""), -1);
}

INSTANTIATE_TEST_SUITE_P(Programs, Loading,
                         testing::Values(ProgramCase{"orvane", 1}, ProgramCase{"orvane2", 2}),
                         [](const auto& p) { return std::string(p.param.program); });

TEST(Loading, AFrameMissingFromTheExecutableEndsBeforeTheFirstPass) {
  const ProgramRun run = RunProgram("orvane2_without_vegan17", {.keys = "hold 1 ESC\n"});
  EXPECT_EQ(run.status, 1) << run.error;
  EXPECT_EQ(run.error, "") << "no message";
  EXPECT_EQ(LoadsOf(run).size(), 17u) << "frames 0 to 16 of sprite 0";
  EXPECT_GE(run.Find("DirectDraw7.CreateSurfaceFromResource(\"\", \"vegan17\", {flags=7, height=60, "
                     "width=60, caps=64}) -> fail"),
            0);
  EXPECT_EQ(run.Count("DirectInputDevice.GetDeviceStateKeyboard"), 0) << "no pass";
  EXPECT_EQ(run.Count("DirectDrawSurface7#2.Blt"), 0) << "nothing drawn";
  for (int surface = 1; surface <= 19; ++surface) {
    EXPECT_EQ(run.Count("DirectDrawSurface7#" + std::to_string(surface) + ".Release() -> 0"), 1)
        << "surface " << surface;
  }
  EXPECT_EQ(run.Count("DirectDraw7.SetCooperativeLevel(1, 8) -> ok"), 1) << "display given back";
  EXPECT_EQ(run.trace.back(), "Runtime.End(1)");
}

}  // namespace
