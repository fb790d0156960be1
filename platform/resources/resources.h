// The executable's own resources: a table generated at build time from resources/ (the resource
// script and the bitmaps it names) by tools/rc and linked into each program, its lookup, and the
// decoder of the bitmaps it holds.
//
// Called by: the surface service (CreateSurfaceFromResource) and the resource compiler (the
// decoder, to check each bitmap at build time).
// Guarantees: the lookup ignores case; the decoder reads nothing outside the bytes it is given
// and refuses, with a reason, anything but an uncompressed 8-bit palette bitmap.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace resources {

inline constexpr std::uint16_t RT_BITMAP = 2;

struct Resource {
  std::uint16_t type;
  std::string_view name;  // as the script gives it (the frames are in capitals)
  std::uint16_t language;
  std::span<const std::uint8_t> data;  // a bitmap: the packed bitmap, without its file header
};

// This executable's table, defined by the generated source linked into it.
extern const std::span<const Resource> kTable;

// The resource of this type and name, ignoring case; null when there is none.
const Resource* Find(std::uint16_t type, std::string_view name);

// A bitmap as the display holds it: RGB565 pixels, top row first.
struct Bitmap {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint16_t> pixels;
};

// Decodes a packed bitmap (info header, palette, pixels): 8 bits per pixel, uncompressed, rows
// bottom-up or top-down, the palette converted to RGB565. Returns "" or why it cannot.
std::string DecodeBitmap(std::span<const std::uint8_t> packed, Bitmap& bitmap);

}  // namespace resources
