#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/directdraw/pixels.h"

// Text for 16-bit surfaces: glyphs rasterised once with FreeType, kept as horizontal spans and
// drawn in one solid colour.
namespace directdraw::glyphs {

// The interface font (DejaVu Sans Bold) as embedded into the executable at build time by
// orvane_embed_file(... ui_font_file ... NAMESPACE directdraw::glyphs) from cmake/embed_file.cmake.
// Only LoadUiFont uses these, so only programs that call it need the generated source.
extern const unsigned char ui_font_file[];
extern const std::size_t ui_font_file_size;

// Pixels per em for the interface font: 9 px capitals and 13 px from the top of the tallest
// letter to the bottom of the lowest, like an old desktop's bold system font.
inline constexpr std::int32_t kUiFontPixelSize = 13;

class Font {
 public:
  // Reads the TrueType/OpenType font in `file` and rasterises, at `pixelSize` pixels per em,
  // the printable ASCII characters 32..126 and the font's missing-glyph box. `file` is not
  // needed afterwards. Throws std::invalid_argument for a pixel size outside 1..kMaxPixelSize
  // and std::runtime_error, naming FreeType's error, for a file FreeType cannot read or a
  // glyph it cannot render.
  Font(std::span<const unsigned char> file, std::int32_t pixelSize);

  static constexpr std::int32_t kMaxPixelSize = 256;

  // Rows from the top of the line box to the baseline, and below the baseline to its bottom,
  // from the font's ascender and descender.
  std::int32_t Ascent() const noexcept { return ascent_; }
  std::int32_t Descent() const noexcept { return descent_; }
  std::int32_t LineHeight() const noexcept { return ascent_ + descent_; }

  // Sum of the characters' advances: where a following DrawText would continue.
  std::int64_t TextWidth(std::string_view text) const noexcept;

  // Draws `text` with the top left of its line box at (x, y): the baseline lies at
  // y + Ascent(). Pixels that a glyph covers by at least half are set to `colour`; all others
  // keep their value. Everything outside `dst` is clipped, for any x and y. Characters other
  // than printable ASCII (32..126) are drawn as the font's missing-glyph box. Uses only the
  // glyphs cached at construction: it renders nothing and allocates nothing.
  // Precondition: dst is a valid view (see pixels.h).
  void DrawText(const pixels::View& dst, std::int32_t x, std::int32_t y, std::string_view text,
                std::uint16_t colour) const noexcept;

  // How many glyphs FreeType has rasterised for this font (each cached glyph once).
  std::size_t RenderedGlyphs() const noexcept { return renderedGlyphs_; }

 private:
  // A run of covered pixels, relative to the pen position on the top of the line box.
  struct Span {
    std::int32_t row;
    std::int32_t column;
    std::int32_t length;
  };

  struct Glyph {
    std::size_t firstSpan = 0;
    std::size_t spanCount = 0;
    std::int32_t advance = 0;
  };

  static constexpr std::size_t kFirstPrintable = 32;
  static constexpr std::size_t kPrintableCount = 95;
  static constexpr std::size_t kMissingGlyph = kPrintableCount;

  const Glyph& GlyphFor(char c) const noexcept;

  std::vector<Span> spans_;
  std::array<Glyph, kPrintableCount + 1> glyphs_{};
  std::int32_t ascent_ = 0;
  std::int32_t descent_ = 0;
  // Extent of all spans, so lines wholly outside a view are skipped without a look at them.
  std::int32_t inkTop_ = 0;
  std::int32_t inkBottom_ = 0;
  std::int32_t inkLeft_ = 0;
  std::size_t renderedGlyphs_ = 0;
};

// The interface font at kUiFontPixelSize.
inline Font LoadUiFont() {
  return Font({ui_font_file, ui_font_file_size}, kUiFontPixelSize);
}

}  // namespace directdraw::glyphs
