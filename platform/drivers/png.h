// PNG files for display snaps and picture comparisons: 8-bit RGB, written
// and read through libpng's simplified API.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <vector>

namespace drivers {

// A PNG that cannot be written or read. what() names the file and the fault.
class PngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Largest width or height written or read (libpng's default read limit).
inline constexpr int kMaxPngSide = 1'000'000;

// An RGB565 pixel (red bits 15-11, green 10-5, blue 4-0) as 8-bit R, G, B,
// each widened by repeating its top bits in the new low bits, so that 0
// stays 0 and the largest value becomes 255.
constexpr std::array<std::uint8_t, 3> WidenRgb565(std::uint16_t pixel) {
  const unsigned r5 = (pixel >> 11) & 0x1f;
  const unsigned g6 = (pixel >> 5) & 0x3f;
  const unsigned b5 = pixel & 0x1f;
  return {static_cast<std::uint8_t>(r5 << 3 | r5 >> 2),
          static_cast<std::uint8_t>(g6 << 2 | g6 >> 4),
          static_cast<std::uint8_t>(b5 << 3 | b5 >> 2)};
}

// Writes an RGB565 picture as an 8-bit RGB PNG. Rows are pitchPixels apart
// (pitchPixels >= width); only the first width pixels of each row are
// written. Throws PngError for bad sizes or when the file cannot be written;
// a partly written file is removed.
void WritePng(const std::filesystem::path& file, const std::uint16_t* pixels, int width, int height,
              int pitchPixels);

// Writes tightly packed 8-bit RGB rows (width * height * 3 bytes, top row
// first) as a PNG. Throws PngError like WritePng.
void WriteRgbPng(const std::filesystem::path& file, std::span<const std::uint8_t> rgb, int width,
                 int height);

// A picture as 8-bit RGB: rgb holds width * height * 3 bytes, rows top to
// bottom with no padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Reads any PNG as 8-bit RGB (gray and palette pictures are expanded, alpha
// is laid over black). Throws PngError when the file is missing, unreadable,
// not a PNG or damaged.
RgbImage ReadPng(const std::filesystem::path& file);

}  // namespace drivers
