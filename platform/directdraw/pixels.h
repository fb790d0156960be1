#pragma once

#include <cstdint>

// Inner loops for 16-bit (RGB565) surfaces: fill, copy and nearest-pixel scaled blit, with or
// without a colour key.
//
// These functions trust their arguments: the surface object checks them before it calls here,
// and nothing below checks again. Preconditions for every function:
//  - a view's `pixels` points at `height` rows, each starting `pitch` pixels after the one
//    before, with 0 < width <= pitch and 0 < height;
//  - every Box is non-empty (left < right, top < bottom) and lies inside its view
//    (0 <= left, right <= width, 0 <= top, bottom <= height);
//  - a blit's source and destination pixels do not overlap in memory.
// There is no limit on a blit's width or height beyond those.
namespace directdraw::pixels {

// A surface's pixels; pitch is counted in pixels, not bytes.
struct View {
  std::uint16_t* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t pitch;
};

struct ConstView {
  const std::uint16_t* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t pitch;
};

constexpr ConstView AsConst(const View& view) noexcept {
  return {view.pixels, view.width, view.height, view.pitch};
}

// A rectangle of pixels; right and bottom are exclusive.
struct Box {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

// Sets every pixel of `box` to `value`. A box spanning whole rows of a view whose pitch equals
// its width is filled as one contiguous run.
void Fill(const View& dst, const Box& box, std::uint16_t value) noexcept;

// Copies srcBox into dstBox. When the sizes differ the source is sampled at the nearest pixel:
// destination pixel (x, y) takes source pixel
//   (srcBox.left + (x - dstBox.left) * srcWidth / dstWidth,
//    srcBox.top  + (y - dstBox.top)  * srcHeight / dstHeight)
// with integer division and no intermediate overflow.
void Blit(const View& dst, const Box& dstBox, const ConstView& src, const Box& srcBox) noexcept;

// As Blit, but source pixels equal to `key` are left out: the destination keeps its pixel there.
void BlitKeyed(const View& dst, const Box& dstBox, const ConstView& src, const Box& srcBox,
               std::uint16_t key) noexcept;

}  // namespace directdraw::pixels
