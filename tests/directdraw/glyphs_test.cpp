#include "platform/directdraw/glyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace glyphs = directdraw::glyphs;
namespace px = directdraw::pixels;

namespace {

constexpr std::uint16_t kBackground = 0x39E7;
constexpr std::uint16_t kWhite = 0xFFFF;

const glyphs::Font& UiFont() {
  static const glyphs::Font font = glyphs::LoadUiFont();
  return font;
}

// A view with a margin of guard pixels on every side, all starting as the background.
class Canvas {
 public:
  static constexpr std::int32_t kGuard = 4;

  Canvas(std::int32_t width, std::int32_t height)
      : width_(width), height_(height), pitch_(width + 2 * kGuard),
        memory_(static_cast<std::size_t>(pitch_) * (height + 2 * kGuard), kBackground) {}

  px::View View() { return {&memory_[Index(0, 0)], width_, height_, pitch_}; }

  // x and y may reach kGuard pixels outside the view.
  std::uint16_t At(std::int32_t x, std::int32_t y) const { return memory_[Index(x, y)]; }
  void Set(std::int32_t x, std::int32_t y, std::uint16_t value) { memory_[Index(x, y)] = value; }

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  const std::vector<std::uint16_t>& memory() const { return memory_; }

  // Writes the whole block, guards included, as a binary PPM.
  void Save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << pitch_ << ' ' << memory_.size() / pitch_ << "\n255\n";
    for (const std::uint16_t p : memory_) {
      const char rgb[3] = {static_cast<char>((p >> 11) << 3),
                           static_cast<char>(((p >> 5) & 0x3F) << 2),
                           static_cast<char>((p & 0x1F) << 3)};
      out.write(rgb, 3);
    }
  }

 private:
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y + kGuard) * pitch_ + (x + kGuard);
  }

  std::int32_t width_;
  std::int32_t height_;
  std::int32_t pitch_;
  std::vector<std::uint16_t> memory_;
};

void ExpectSamePicture(const Canvas& expected, const Canvas& actual, const std::string& name) {
  if (expected.memory() == actual.memory()) return;
  const std::string stem = ::testing::TempDir() + "glyphs_test_" + name;
  expected.Save(stem + "_expected.ppm");
  actual.Save(stem + "_actual.ppm");
  ADD_FAILURE() << "pictures differ; saved as " << stem << "_{expected,actual}.ppm";
}

// Bounding box of every pixel that is not background, guards included (right/bottom exclusive).
struct Ink {
  std::int32_t left = std::numeric_limits<std::int32_t>::max();
  std::int32_t top = std::numeric_limits<std::int32_t>::max();
  std::int32_t right = std::numeric_limits<std::int32_t>::min();
  std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
  std::int64_t pixels = 0;
};

Ink FindInk(const Canvas& canvas, std::int32_t fromY, std::int32_t toY) {
  Ink ink;
  for (std::int32_t y = fromY; y < toY; ++y) {
    for (std::int32_t x = -Canvas::kGuard; x < canvas.width() + Canvas::kGuard; ++x) {
      if (canvas.At(x, y) == kBackground) continue;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
      ++ink.pixels;
    }
  }
  return ink;
}

Ink FindInk(const Canvas& canvas) {
  return FindInk(canvas, -Canvas::kGuard, canvas.height() + Canvas::kGuard);
}

TEST(FontTest, PutsTheTopLeftOfTheLineBoxAtThePosition) {
  const glyphs::Font& font = UiFont();
  Canvas canvas(200, 40);
  font.DrawText(canvas.View(), 10, 5, "ESC", kWhite);
  const Ink ink = FindInk(canvas);
  ASSERT_GT(ink.pixels, 0);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.left, 12);
  EXPECT_LE(ink.right, 10 + font.TextWidth("ESC"));
  // Capitals stand on the baseline, y + Ascent(), and rise into the upper part of the line box.
  EXPECT_EQ(ink.bottom, 5 + font.Ascent());
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.top, 5 + font.Ascent() / 2);
}

TEST(FontTest, WritesOnlyTheColourAndLeavesTheRestAlone) {
  const glyphs::Font& font = UiFont();
  Canvas canvas(300, 30);
  font.DrawText(canvas.View(), 3, 4, "Press ESC to exit", kWhite);
  const Ink ink = FindInk(canvas);
  ASSERT_GT(ink.pixels, 0);
  EXPECT_GE(ink.top, 4);
  EXPECT_LE(ink.bottom, 4 + font.LineHeight());
  for (std::int32_t y = ink.top; y < ink.bottom; ++y) {
    for (std::int32_t x = ink.left; x < ink.right; ++x) {
      const std::uint16_t p = canvas.At(x, y);
      ASSERT_TRUE(p == kBackground || p == kWhite) << "blended pixel 0x" << std::hex << p;
    }
  }
}

// Glyph by glyph drawing gives the same picture as the whole string: each glyph lands one
// advance after the last and touches nothing of its neighbours' background.
TEST(FontTest, DrawsAStringAsItsGlyphsSideBySide) {
  const glyphs::Font& font = UiFont();
  const std::string text = "Left or Right, 'O' & 'I'.";
  Canvas whole(300, 30);
  Canvas pieces(300, 30);
  font.DrawText(whole.View(), 7, 6, text, kWhite);
  std::int64_t x = 7;
  for (const char c : text) {
    font.DrawText(pieces.View(), static_cast<std::int32_t>(x), 6, std::string(1, c), kWhite);
    x += font.TextWidth(std::string(1, c));
  }
  EXPECT_EQ(x, 7 + font.TextWidth(text));
  ExpectSamePicture(whole, pieces, "side_by_side");
}

TEST(FontTest, DrawingAgainGivesTheSamePixels) {
  const glyphs::Font& font = UiFont();
  const char* text = "and Up or Down arrows to change backdrop.";
  Canvas once(320, 24);
  Canvas twice(320, 24);
  font.DrawText(once.View(), 2, 3, text, kWhite);
  font.DrawText(twice.View(), 2, 3, text, kWhite);
  font.DrawText(twice.View(), 2, 3, text, kWhite);
  ExpectSamePicture(once, twice, "drawn_twice");
}

TEST(FontTest, RasterisesEachGlyphOnceAndNeverWhileDrawing) {
  const glyphs::Font font = glyphs::LoadUiFont();
  // The 95 printable ASCII characters and the missing-glyph box.
  EXPECT_EQ(font.RenderedGlyphs(), 96u);
  Canvas canvas(640, 480);
  for (int pass = 0; pass < 2; ++pass) {
    font.DrawText(canvas.View(), 100, 100, "Press ESC to exit \x7f\x80", kWhite);
  }
  EXPECT_EQ(font.RenderedGlyphs(), 96u);
}

TEST(FontTest, HelpLinesTwentyPixelsApartDoNotOverlap) {
  const glyphs::Font& font = UiFont();
  const char* lines[] = {"Press ESC to exit", "Left or Right arrows to animate",
                         "'O' button zooms out, 'I' zooms back in",
                         "and Up or Down arrows to change backdrop."};
  EXPECT_LE(font.LineHeight(), 20);
  for (int i = 0; i < 4; ++i) {
    Canvas canvas(640, 480);
    const std::int32_t y = 100 + 20 * i;
    font.DrawText(canvas.View(), 100, y, lines[i], kWhite);
    const Ink ink = FindInk(canvas);
    EXPECT_GE(ink.top, y) << lines[i];
    EXPECT_LE(ink.bottom, y + 20) << lines[i];
    EXPECT_LE(ink.right, 640) << lines[i];
  }
}

TEST(FontTest, UiFontHasSystemFontProportions) {
  Canvas canvas(40, 30);
  UiFont().DrawText(canvas.View(), 2, 2, "E", kWhite);
  const Ink capital = FindInk(canvas);
  EXPECT_GE(capital.bottom - capital.top, 9);
  EXPECT_LE(capital.bottom - capital.top, 10);
}

TEST(FontTest, DrawsOtherCharactersAsTheMissingGlyphBox) {
  const glyphs::Font& font = UiFont();
  Canvas control(40, 30);
  Canvas high(40, 30);
  font.DrawText(control.View(), 2, 2, "\x01", kWhite);
  font.DrawText(high.View(), 2, 2, "\xC3", kWhite);
  EXPECT_GT(FindInk(control).pixels, 0);
  EXPECT_GT(font.TextWidth("\x01"), 0);
  ExpectSamePicture(control, high, "missing_glyph");
}

// --- Clipping -------------------------------------------------------------------------------

constexpr const char* kClipText = "Press ESC to exit";

struct ClipCase {
  const char* name;
  std::int32_t x;
  std::int32_t y;
  const char* text = kClipText;
};

// The text reaches past the view: what shows must be the matching part of the same text drawn
// on a larger canvas, and nothing may land outside the view.
class PartlyVisibleTest : public ::testing::TestWithParam<ClipCase> {};

TEST_P(PartlyVisibleTest, ShowsTheMatchingPartAndNothingOutside) {
  const ClipCase& c = GetParam();
  constexpr std::int32_t kMarginX = 200;
  constexpr std::int32_t kMarginY = 40;
  Canvas view(120, 30);
  Canvas large(120 + 2 * kMarginX, 30 + 2 * kMarginY);
  UiFont().DrawText(view.View(), c.x, c.y, c.text, kWhite);
  UiFont().DrawText(large.View(), c.x + kMarginX, c.y + kMarginY, c.text, kWhite);

  Canvas expected(120, 30);
  std::int64_t visible = 0;
  for (std::int32_t y = 0; y < 30; ++y) {
    for (std::int32_t x = 0; x < 120; ++x) {
      const std::uint16_t p = large.At(x + kMarginX, y + kMarginY);
      expected.Set(x, y, p);
      visible += p != kBackground ? 1 : 0;
    }
  }
  ExpectSamePicture(expected, view, c.name);
  EXPECT_GT(visible, 0) << "case should show part of the text";
  EXPECT_GT(FindInk(large).pixels, visible) << "case should clip part of the text";
}

INSTANTIATE_TEST_SUITE_P(Edges, PartlyVisibleTest,
                         ::testing::Values(ClipCase{"left_of_the_view", -20, 8},
                                           ClipCase{"past_the_right_edge", 60, 8},
                                           ClipCase{"over_the_bottom", 10, 22},
                                           ClipCase{"over_the_top", 10, -7},
                                           ClipCase{"over_the_top_left_corner", -13, -6},
                                           ClipCase{"over_the_bottom_right_corner", 90, 25},
                                           // 'j' reaches a pixel left of its pen position.
                                           ClipCase{"ink_left_of_a_pen_past_the_edge", 120, 8, "j"}),
                         [](const auto& p) { return std::string(p.param.name); });

class OutsideTest : public ::testing::TestWithParam<ClipCase> {};

TEST_P(OutsideTest, WritesNothing) {
  const ClipCase& c = GetParam();
  Canvas view(120, 30);
  UiFont().DrawText(view.View(), c.x, c.y, c.text, kWhite);
  EXPECT_EQ(FindInk(view).pixels, 0);
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(Far, OutsideTest,
                         ::testing::Values(ClipCase{"below_the_bottom", 10, 30},
                                           ClipCase{"above_the_top", 10, -30},
                                           ClipCase{"right_of_the_view", 120, 8},
                                           ClipCase{"far_left", -100000, 8},
                                           ClipCase{"largest_x", kMax, 8},
                                           ClipCase{"smallest_x", kMin, 8},
                                           ClipCase{"largest_y", 10, kMax},
                                           ClipCase{"smallest_y", 10, kMin},
                                           ClipCase{"smallest_both", kMin, kMin}),
                         [](const auto& p) { return std::string(p.param.name); });

// --- Bad input ------------------------------------------------------------------------------

TEST(FontTest, RejectsWhatIsNotAFontNamingTheProblem) {
  const std::vector<unsigned char> garbage(1000, 0x5A);
  try {
    glyphs::Font font(garbage, 13);
    FAIL() << "garbage was accepted as a font";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("cannot read the font file (1000 bytes)"), std::string::npos)
        << e.what();
  }
}

TEST(FontTest, RejectsPixelSizesOutOfRange) {
  const std::span<const unsigned char> file(glyphs::ui_font_file, glyphs::ui_font_file_size);
  for (const std::int32_t size : {0, -3, glyphs::Font::kMaxPixelSize + 1}) {
    try {
      glyphs::Font font(file, size);
      ADD_FAILURE() << "pixel size " << size << " was accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find("pixel size " + std::to_string(size)), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
