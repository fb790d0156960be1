#include <cstring>

#include "platform/resources/resources.h"

namespace resources {
namespace {

constexpr std::int64_t kMaxSide = 16384;  // larger bitmaps are refused rather than allocated

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::int32_t I32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}
std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

std::string DecodeBitmap(std::span<const std::uint8_t> packed, Bitmap& bitmap) {
  if (packed.size() < 40) return "the header is truncated";
  const std::uint32_t headerSize = U32(packed, 0);
  if (headerSize != 40 && headerSize != 108 && headerSize != 124) {
    return "unknown header size " + std::to_string(headerSize);
  }
  if (packed.size() < headerSize) return "the header is truncated";
  const std::int64_t width = I32(packed, 4);
  const std::int64_t signedHeight = I32(packed, 8);
  const std::uint16_t planes = U16(packed, 12);
  const std::uint16_t bits = U16(packed, 14);
  const std::uint32_t compression = U32(packed, 16);
  const std::uint32_t imageSize = U32(packed, 20);
  const std::uint32_t coloursUsed = U32(packed, 32);

  if (width <= 0 || width > kMaxSide) return "width " + std::to_string(width) + " out of range";
  const bool topDown = signedHeight < 0;
  const std::int64_t height = topDown ? -signedHeight : signedHeight;
  if (height == 0 || height > kMaxSide) {
    return "height " + std::to_string(signedHeight) + " out of range";
  }
  if (planes != 1) return "planes must be 1, not " + std::to_string(planes);
  if (bits != 8) return "only 8 bits per pixel, not " + std::to_string(bits);
  if (compression != 0) return "compressed bitmaps are not supported";
  if (coloursUsed > 256) return "more than 256 palette colours";
  const std::int64_t colours = coloursUsed == 0 ? 256 : coloursUsed;

  const std::int64_t rowBytes = (width + 3) / 4 * 4;
  const std::int64_t pixelBytes = rowBytes * height;
  if (imageSize != 0 && imageSize < pixelBytes) {
    return "image size " + std::to_string(imageSize) + " is less than the pixels' " +
           std::to_string(pixelBytes);
  }
  const std::int64_t paletteAt = headerSize;
  const std::int64_t pixelsAt = paletteAt + colours * 4;
  if (static_cast<std::int64_t>(packed.size()) < pixelsAt) return "the palette is truncated";
  if (static_cast<std::int64_t>(packed.size()) < pixelsAt + pixelBytes) {
    return "the pixels are truncated";
  }

  std::uint16_t palette[256];
  for (std::int64_t i = 0; i < colours; ++i) {
    const std::size_t at = static_cast<std::size_t>(paletteAt + i * 4);
    const unsigned blue = packed[at];
    const unsigned green = packed[at + 1];
    const unsigned red = packed[at + 2];
    palette[i] = static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
  }

  std::vector<std::uint16_t> pixels(static_cast<std::size_t>(width * height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t storedRow = topDown ? y : height - 1 - y;
    const std::uint8_t* row = packed.data() + pixelsAt + storedRow * rowBytes;
    for (std::int64_t x = 0; x < width; ++x) {
      const std::uint8_t index = row[x];
      if (index >= colours) {
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") uses colour " +
               std::to_string(index) + " beyond the palette's " + std::to_string(colours);
      }
      pixels[static_cast<std::size_t>(y * width + x)] = palette[index];
    }
  }
  bitmap.width = static_cast<std::int32_t>(width);
  bitmap.height = static_cast<std::int32_t>(height);
  bitmap.pixels = std::move(pixels);
  return "";
}

}  // namespace resources
