// Snaps of the real executables against what the committed bitmaps, the backdrop value of the
// previous pass, the help text and the nearest-pixel rule predict, pixel for pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/directdraw/glyphs.h"
#include "platform/drivers/png.h"
#include "platform/resources/resources.h"
#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Expected {
  const char* snap;
  int frame;
  int zoomOuts;  // O presses from 1.0 (then zoomIns I presses), to work out the zoom
  int zoomIns;
  int backdrop;  // the raw value of the fill shown
};

struct SnapCase {
  const char* name;
  const char* program;
  const char* keys;
  std::vector<Expected> snaps;
};

void PrintTo(const SnapCase& c, std::ostream* os) { *os << c.name; }

// The zoom after the presses, by the command's own rule written out here once more.
float ZoomAfter(int outs, int ins) {
  float zoom = 1.0f;
  for (int i = 0; i < outs; ++i) {
    if (zoom < 0.1f) zoom = 0.1f;
    if (zoom > 0.1f) zoom = static_cast<float>(static_cast<double>(zoom) - 0.01);
  }
  for (int i = 0; i < ins; ++i) {
    if (zoom > 1.0f) zoom = 1.0f;
    if (zoom < 1.0f) zoom = static_cast<float>(static_cast<double>(zoom) + 0.01);
  }
  return zoom;
}

resources::Bitmap Frame(int i) {
  const fs::path file = fs::path(ORVANE_RESOURCES_DIR) / ("vegan" + std::to_string(i) + ".bmp");
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  resources::Bitmap bitmap;
  EXPECT_EQ(resources::DecodeBitmap(std::span(bytes).subspan(14), bitmap), "") << file;
  return bitmap;
}

// The picture a pass should show.
std::vector<std::uint16_t> Predict(const std::string& program, const Expected& e) {
  std::vector<std::uint16_t> screen(kWidth * kHeight, static_cast<std::uint16_t>(e.backdrop));
  static const directdraw::glyphs::Font font = directdraw::glyphs::LoadUiFont();
  const char* lines[] = {"Press ESC to exit", "Left or Right arrows to animate",
                         "'O' button zooms out, 'I' zooms back in",
                         "and Up or Down arrows to change backdrop."};
  for (int i = 0; i < 4; ++i) {
    font.DrawText({screen.data(), kWidth, kHeight, kWidth}, 100, 100 + 20 * i, lines[i], 0xFFFF);
  }
  const resources::Bitmap frame = Frame(e.frame);
  const double zoom = ZoomAfter(e.zoomOuts, e.zoomIns);
  const std::vector<int> corners = program == "orvane2" ? std::vector<int>{100, 200} : std::vector<int>{0};
  for (int corner : corners) {
    const int size = static_cast<int>(std::nearbyint(corner + 60 * zoom)) - corner;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const std::uint16_t pixel = frame.pixels[(y * 60 / size) * 60 + x * 60 / size];
        if (pixel != 0) screen[(corner + y) * kWidth + corner + x] = pixel;
      }
    }
  }
  return screen;
}

class Snaps : public testing::TestWithParam<SnapCase> {};

TEST_P(Snaps, MatchThePrediction) {
  const SnapCase& c = GetParam();
  const orvane_test::ProgramRun run = orvane_test::RunProgram(c.program, {.keys = c.keys});
  ASSERT_EQ(run.status, 0) << run.error;
  const std::string folder = run.folder;
  for (const Expected& e : c.snaps) {
    SCOPED_TRACE(e.snap);
    const drivers::RgbImage shot = drivers::ReadPng(fs::path(folder) / e.snap);
    ASSERT_EQ(shot.width, kWidth);
    ASSERT_EQ(shot.height, kHeight);
    const std::vector<std::uint16_t> predicted = Predict(c.program, e);
    std::vector<std::uint8_t> expected;
    for (std::uint16_t p : predicted) {
      const auto rgb = drivers::WidenRgb565(p);
      expected.insert(expected.end(), rgb.begin(), rgb.end());
    }
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) wrong += expected[i] != shot.rgb[i] ? 1 : 0;
    if (wrong != 0) {
      const fs::path saved = fs::path(orvane_test::TestFolder(std::string("snaps-") + c.name));
      drivers::WriteRgbPng(saved / (std::string("expected-") + e.snap), expected, kWidth, kHeight);
      fs::copy_file(fs::path(folder) / e.snap, saved / (std::string("actual-") + e.snap));
      ADD_FAILURE() << wrong << " colour values differ; both pictures saved in " << saved;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, Snaps,
    testing::Values(
        SnapCase{"FirstFrameIsComplete", "orvane2", "hold 1\nsnap a.png\nhold 1 ESC\n",
                 {{"a.png", 0, 0, 0, 0}}},
        SnapCase{"OneShipAtTheCorner", "orvane", "hold 1\nsnap a.png\nhold 1 ESC\n",
                 {{"a.png", 0, 0, 0, 0}}},
        SnapCase{"TurnedAndZoomedInTheSamePass", "orvane2", "hold 7 RIGHT O\nsnap a.png\nhold 1 ESC\n",
                 {{"a.png", 7, 7, 0, 0}}},
        SnapCase{"HalfSize", "orvane", "hold 50 O\nhold 1 LEFT\nsnap a.png\nhold 1 ESC\n",
                 {{"a.png", 39, 50, 0, 0}}},
        SnapCase{"StretchedTo61", "orvane2", "hold 92 O\nhold 91 I\nsnap a.png\nhold 1 ESC\n",
                 {{"a.png", 0, 92, 91, 0}}},
        SnapCase{"BackdropShowsOneFrameLater", "orvane2",
                 "hold 1 UP RIGHT\nsnap a.png\nhold 1\nsnap b.png\nhold 1 ESC\n",
                 {{"a.png", 1, 0, 0, 0}, {"b.png", 1, 0, 0, 1}}},
        SnapCase{"BackdropMinusOneSetsEveryBit", "orvane2",
                 "hold 1 DOWN\nhold 1\nsnap a.png\nhold 1 ESC\n", {{"a.png", 0, 0, 0, -1}}},
        SnapCase{"SnapsAfterTheLastHoldShowTheLastFrame", "orvane2",
                 "hold 3 RIGHT\nhold 1 ESC LEFT\nsnap a.png\n", {{"a.png", 2, 0, 0, 0}}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
