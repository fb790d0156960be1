// The command steps every sprite shares: zoom in and out, previous and next frame, and the
// rounding of a scaled sprite's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "ddraw/ddraw.h"

namespace {

Single Repeat(Single (*step)(Single), Single zoom, int passes) {
  for (int i = 0; i < passes; ++i) zoom = step(zoom);
  return zoom;
}

struct ZoomCase {
  const char* name;
  Single (*step)(Single);
  Single from;
  int passes;
  Single expected;
};

void PrintTo(const ZoomCase& c, std::ostream* os) { *os << c.name; }

class ZoomSteps : public testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomSteps, HoldingTheKeyGivesTheExactSingles) {
  const ZoomCase& c = GetParam();
  EXPECT_EQ(Repeat(c.step, c.from, c.passes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ZoomSteps,
    testing::Values(
        ZoomCase{"OutOnce", ZoomOut, 1.0f, 1, 0.99f},
        ZoomCase{"OutTwice", ZoomOut, 1.0f, 2, 0.98f},
        ZoomCase{"Out90", ZoomOut, 1.0f, 90, 0.10000066f},
        ZoomCase{"Out91PassesTheFloor", ZoomOut, 1.0f, 91, 0.09000066f},
        ZoomCase{"Out92ClampsToTheFloor", ZoomOut, 1.0f, 92, 0.1f},
        ZoomCase{"OutStaysAtTheFloor", ZoomOut, 1.0f, 200, 0.1f},
        ZoomCase{"InOnce", ZoomIn, 0.1f, 1, 0.11f},
        ZoomCase{"In90", ZoomIn, 0.1f, 90, 0.99999934f},  // 0.9999993 to seven digits
        ZoomCase{"In91PassesTheCeiling", ZoomIn, 0.1f, 91, 1.0099994f},
        ZoomCase{"In92ClampsToTheCeiling", ZoomIn, 0.1f, 92, 1.0f},
        ZoomCase{"InAtTheCeilingStays", ZoomIn, 1.0f, 1, 1.0f},
        ZoomCase{"OutAtTheFloorStays", ZoomOut, 0.1f, 1, 0.1f}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ZoomSteps, InThenOutFromTheCeilingSettlesAt099) {
  Single zoom = 1.0f;
  for (int pass = 0; pass < 3; ++pass) {
    zoom = ZoomOut(ZoomIn(zoom));
    EXPECT_EQ(zoom, 0.99f) << "pass " << pass;
  }
}

TEST(ZoomSteps, NeverLeavesItsRange) {
  Single zoom = 1.0f;
  for (int pass = 0; pass < 1000; ++pass) {
    zoom = pass % 300 < 150 ? ZoomOut(zoom) : ZoomIn(zoom);
    EXPECT_GT(zoom, 0.09f);
    EXPECT_LT(zoom, 1.01f);
  }
}

struct FrameCase {
  const char* name;
  Long from;
  Long previous;
  Long next;
  Long both;  // previous then next, as Left and Right held together
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class FrameSteps : public testing::TestWithParam<FrameCase> {};

TEST_P(FrameSteps, StepAndWrap) {
  const FrameCase& c = GetParam();
  EXPECT_EQ(PreviousFrame(c.from), c.previous);
  EXPECT_EQ(NextFrame(c.from), c.next);
  EXPECT_EQ(NextFrame(PreviousFrame(c.from)), c.both);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameSteps,
    testing::Values(FrameCase{"First", 0, 39, 1, 0}, FrameCase{"One", 1, 39, 2, 0},
                    FrameCase{"Middle", 20, 19, 21, 20}, FrameCase{"ThirtyEight", 38, 37, 0, 38},
                    FrameCase{"Last", 39, 38, 0, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(FrameSteps, EachDirectionCyclesThrough39Frames) {
  Long right = 0;
  Long left = 0;
  std::set<Long> shownRight, shownLeft;
  for (int pass = 0; pass < 39 * 3; ++pass) {
    shownRight.insert(right = NextFrame(right));
    shownLeft.insert(left = PreviousFrame(left));
  }
  EXPECT_EQ(shownRight.size(), 39u);
  EXPECT_EQ(shownRight.count(39), 0u) << "39 is never shown stepping right";
  EXPECT_EQ(shownLeft.size(), 39u);
  EXPECT_EQ(shownLeft.count(0), 0u) << "0 is never shown stepping left";
}

struct EdgeCase {
  double edge;
  Long rounded;
};

TEST(RoundEdge, NearestWithHalvesToEven) {
  const EdgeCase cases[] = {{59.4, 59}, {60.6, 61}, {60.0, 60}, {107.5, 108}, {106.5, 106},
                            {0.5, 0},   {1.5, 2},   {-0.5, 0},  {-1.5, -2},  {261.0, 261}};
  for (const EdgeCase& c : cases) EXPECT_EQ(RoundEdge(c.edge), c.rounded) << c.edge;
}

TEST(RoundEdge, SpriteEdgesFromTheSingleZoom) {
  // The product is formed in double precision from the single-precision zoom.
  EXPECT_EQ(RoundEdge(100 + 60 * static_cast<double>(0.99f)), 159);
  EXPECT_EQ(RoundEdge(100 + 60 * static_cast<double>(0.5f)), 130);
  EXPECT_EQ(RoundEdge(200 + 60 * static_cast<double>(1.0099994f)), 261);
  EXPECT_EQ(RoundEdge(0 + 60 * static_cast<double>(0.09000066f)), 5);
}

TEST(RoundEdge, AnEdgeBeyondALongRaisesOverflow) {
  for (double edge : {3e9, -3e9, static_cast<double>(NAN), static_cast<double>(INFINITY)}) {
    try {
      RoundEdge(edge);
      ADD_FAILURE() << edge << " did not raise";
    } catch (const runtime::Error& e) {
      EXPECT_EQ(e.code(), runtime::kOverflow);
    }
  }
}

}  // namespace
