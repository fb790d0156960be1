#include "platform/directdraw/glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace directdraw::glyphs {
namespace {

struct LibraryDeleter {
  void operator()(FT_Library library) const noexcept { FT_Done_FreeType(library); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const noexcept { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

// Coverage from 128 of 255 up counts as covered: at least half the pixel.
constexpr unsigned char kCoverageThreshold = 128;

[[noreturn]] void FailFreeType(const std::string& what, FT_Error error) {
  std::string message = "font: " + what + ": FreeType error " + std::to_string(error);
  if (const char* text = FT_Error_String(error)) message += std::string(" (") + text + ")";
  throw std::runtime_error(message);
}

std::string DescribeCharacter(std::size_t code) {
  return "the glyph of character '" + std::string(1, static_cast<char>(code)) + "' (" +
         std::to_string(code) + ")";
}

// Whole pixels, rounded up, of a 26.6 fixed-point distance.
std::int32_t CeilPixels(FT_Pos distance) {
  return static_cast<std::int32_t>((distance + 63) >> 6);
}

}  // namespace

Font::Font(std::span<const unsigned char> file, std::int32_t pixelSize) {
  if (pixelSize < 1 || pixelSize > kMaxPixelSize) {
    throw std::invalid_argument("font: pixel size " + std::to_string(pixelSize) +
                                " is outside 1.." + std::to_string(kMaxPixelSize));
  }
  if (file.size() > static_cast<std::size_t>(std::numeric_limits<FT_Long>::max())) {
    throw std::invalid_argument("font: file of " + std::to_string(file.size()) +
                                " bytes is too large");
  }

  FT_Library rawLibrary = nullptr;
  if (const FT_Error error = FT_Init_FreeType(&rawLibrary)) FailFreeType("cannot start", error);
  const LibraryPtr library(rawLibrary);

  FT_Face rawFace = nullptr;
  if (const FT_Error error = FT_New_Memory_Face(library.get(), file.data(),
                                                static_cast<FT_Long>(file.size()), 0, &rawFace)) {
    FailFreeType("cannot read the font file (" + std::to_string(file.size()) + " bytes)", error);
  }
  const FacePtr face(rawFace);

  if (const FT_Error error =
          FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(pixelSize))) {
    FailFreeType("cannot set the pixel size " + std::to_string(pixelSize), error);
  }
  ascent_ = CeilPixels(face->size->metrics.ascender);
  descent_ = CeilPixels(-face->size->metrics.descender);

  for (std::size_t i = 0; i < glyphs_.size(); ++i) {
    const bool missing = i == kMissingGlyph;
    const std::size_t code = kFirstPrintable + i;
    const std::string what = missing ? std::string("the missing-glyph box") : DescribeCharacter(code);
    // Index 0 is the font's missing-glyph box, also used for printable characters the font lacks.
    const FT_UInt index = missing ? 0 : FT_Get_Char_Index(face.get(), static_cast<FT_ULong>(code));

    // Hinting for monochrome output snaps stems and edges to whole pixels, so thresholding the
    // grey coverage afterwards gives clean, even strokes.
    if (const FT_Error error = FT_Load_Glyph(face.get(), index, FT_LOAD_TARGET_MONO)) {
      FailFreeType("cannot load " + what, error);
    }
    const FT_GlyphSlot slot = face->glyph;
    if (const FT_Error error = FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL)) {
      FailFreeType("cannot render " + what, error);
    }
    ++renderedGlyphs_;

    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.rows > 0 && (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY ||
                            bitmap.pitch < static_cast<int>(bitmap.width))) {
      throw std::runtime_error("font: " + what + " was rendered in an unexpected bitmap format");
    }
    if (slot->advance.x < 0) {
      throw std::runtime_error("font: " + what + " has a negative advance");
    }

    Glyph& glyph = glyphs_[i];
    glyph.firstSpan = spans_.size();
    glyph.advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
    const auto width = static_cast<std::int32_t>(bitmap.width);
    for (std::int32_t r = 0; r < static_cast<std::int32_t>(bitmap.rows); ++r) {
      const unsigned char* coverage = bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch;
      const std::int32_t row = ascent_ - slot->bitmap_top + r;
      for (std::int32_t c = 0; c < width;) {
        if (coverage[c] < kCoverageThreshold) {
          ++c;
          continue;
        }
        const std::int32_t start = c;
        while (c < width && coverage[c] >= kCoverageThreshold) ++c;
        spans_.push_back({row, slot->bitmap_left + start, c - start});
      }
    }
    glyph.spanCount = spans_.size() - glyph.firstSpan;
  }

  if (!spans_.empty()) {
    inkTop_ = std::numeric_limits<std::int32_t>::max();
    inkBottom_ = std::numeric_limits<std::int32_t>::min();
    inkLeft_ = std::numeric_limits<std::int32_t>::max();
    for (const Span& span : spans_) {
      inkTop_ = std::min(inkTop_, span.row);
      inkBottom_ = std::max(inkBottom_, span.row + 1);
      inkLeft_ = std::min(inkLeft_, span.column);
    }
  }
}

const Font::Glyph& Font::GlyphFor(char c) const noexcept {
  const auto code = static_cast<unsigned char>(c);
  const std::size_t i = code - kFirstPrintable;
  return code >= kFirstPrintable && i < kPrintableCount ? glyphs_[i] : glyphs_[kMissingGlyph];
}

std::int64_t Font::TextWidth(std::string_view text) const noexcept {
  std::int64_t width = 0;
  for (const char c : text) width += GlyphFor(c).advance;
  return width;
}

void Font::DrawText(const pixels::View& dst, std::int32_t x, std::int32_t y, std::string_view text,
                    std::uint16_t colour) const noexcept {
  // 64-bit positions: no sum of a coordinate and an offset or advance can overflow.
  const std::int64_t top = y;
  if (top + inkBottom_ <= 0 || top + inkTop_ >= dst.height) return;
  std::int64_t pen = x;
  for (const char c : text) {
    // Advances are never negative, so once the ink starts past the right edge nothing more shows.
    if (pen + inkLeft_ >= dst.width) return;
    const Glyph& glyph = GlyphFor(c);
    for (const Span& span : std::span(spans_).subspan(glyph.firstSpan, glyph.spanCount)) {
      const std::int64_t row = top + span.row;
      if (row < 0 || row >= dst.height) continue;
      const std::int64_t left = std::max<std::int64_t>(pen + span.column, 0);
      const std::int64_t right = std::min<std::int64_t>(pen + span.column + span.length, dst.width);
      std::uint16_t* out = dst.pixels + row * dst.pitch;
      for (std::int64_t column = left; column < right; ++column) out[column] = colour;
    }
    pen += glyph.advance;
  }
}

}  // namespace directdraw::glyphs
