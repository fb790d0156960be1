#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/drivers/sdl/sdl.h"

namespace drivers::sdl {
namespace {

// The top 5 bits of x widened to 8 by repeating their top bits, (v << 3 | v >> 2), as the high
// half of a 16-bit product: in 16-bit lanes a vector instruction does it for 16 pixels.
[[gnu::always_inline]] inline std::uint16_t Widen5(std::uint16_t x) noexcept {
  return static_cast<std::uint16_t>((x & 0xF800u) * 264u >> 16);
}
// The 6 bits at the top of x widened to 8, (v << 2 | v >> 4), likewise.
[[gnu::always_inline]] inline std::uint16_t Widen6(std::uint16_t x) noexcept {
  return static_cast<std::uint16_t>((x & 0xFC00u) * 260u >> 16);
}

// A 4-byte pixel written as two 16-bit halves: the low one green and the channel of the low
// byte (blue, or red with kRedLow), the high one alpha and the other channel. Halves keep every
// step in 16-bit lanes, twice the pixels per vector instruction of 32-bit ones, and the channels'
// places are constants for the same reason.
template <bool kRedLow>
[[gnu::always_inline]] inline void WidenPixel(std::uint16_t* pixel, std::uint16_t p,
                                              std::uint16_t alpha) noexcept {
  const std::uint16_t red = Widen5(p);
  const std::uint16_t blue = Widen5(static_cast<std::uint16_t>(p << 11));
  const std::uint16_t green = Widen6(static_cast<std::uint16_t>(p << 5));
  pixel[0] = static_cast<std::uint16_t>(green << 8 | (kRedLow ? red : blue));
  pixel[1] = static_cast<std::uint16_t>(alpha | (kRedLow ? blue : red));
}

// Inlined into each processor's build of its callers, where the fixed-length inner loop is what
// lets the compiler use vector instructions at -O2.
template <bool kRedLow>
[[gnu::always_inline]] inline void WidenRow(std::uint16_t* __restrict out,
                                            const std::uint16_t* __restrict in, std::ptrdiff_t n,
                                            std::uint16_t alpha) noexcept {
  static_assert(std::endian::native == std::endian::little, "halves in little-endian order");
  constexpr std::ptrdiff_t kBlock = 32;
  for (; n >= kBlock; n -= kBlock, out += 2 * kBlock, in += kBlock) {
    for (std::ptrdiff_t i = 0; i < kBlock; ++i) WidenPixel<kRedLow>(out + 2 * i, in[i], alpha);
  }
  for (std::ptrdiff_t i = 0; i < n; ++i) WidenPixel<kRedLow>(out + 2 * i, in[i], alpha);
}

// Built for AVX2 and the baseline; the processor's best is chosen when the program loads.
[[gnu::target_clones("avx2", "default")]] void WidenBlueLow(std::uint16_t* out,
                                                            const std::uint16_t* in,
                                                            std::ptrdiff_t n,
                                                            std::uint16_t alpha) noexcept {
  WidenRow<false>(out, in, n, alpha);
}
[[gnu::target_clones("avx2", "default")]] void WidenRedLow(std::uint16_t* out,
                                                           const std::uint16_t* in,
                                                           std::ptrdiff_t n,
                                                           std::uint16_t alpha) noexcept {
  WidenRow<true>(out, in, n, alpha);
}

// One row of n pixels into 4-byte pixels of the format's layout.
void Widen(const FrameScaler::Format& format, void* out, const std::uint16_t* in,
           std::ptrdiff_t n) noexcept {
  auto* halves = static_cast<std::uint16_t*>(out);
  const auto alpha = static_cast<std::uint16_t>(format.alpha >> 16);
  if (format.red == 0xFF) {
    WidenRedLow(halves, in, n, alpha);
  } else {
    WidenBlueLow(halves, in, n, alpha);
  }
}

// The source index under the centre of each of `dest` pixels spread over `source`.
void Centres(std::vector<std::int32_t>& map, int source, int dest) {
  map.resize(static_cast<std::size_t>(dest));
  for (int i = 0; i < dest; ++i) {
    map[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
        (2 * static_cast<long long>(i) + 1) * source / (2 * static_cast<long long>(dest)));
  }
}

// How many leading entries of a nondecreasing map lie below limit.
int Below(const std::vector<std::int32_t>& map, int limit) {
  return static_cast<int>(std::lower_bound(map.begin(), map.end(), limit) - map.begin());
}

}  // namespace

bool FrameScaler::Takes(const Format& f) {
  if (f.bytesPerPixel == 2) {
    return f.red == 0xF800 && f.green == 0x07E0 && f.blue == 0x001F && f.alpha == 0;
  }
  const bool redBlue =
      (f.red == 0xFF0000 && f.blue == 0xFF) || (f.red == 0xFF && f.blue == 0xFF0000);
  return f.bytesPerPixel == 4 && redBlue && f.green == 0xFF00 &&
         (f.alpha == 0 || f.alpha == 0xFF000000u);
}

void FrameScaler::Configure(int sourceW, int sourceH, int destW, int destH, const Format& format) {
  if (sourceW <= 0 || sourceH <= 0 || destW <= 0 || destH <= 0) {
    throw std::invalid_argument("FrameScaler: " + std::to_string(sourceW) + " x " +
                                std::to_string(sourceH) + " to " + std::to_string(destW) + " x " +
                                std::to_string(destH));
  }
  if (!Takes(format)) {
    throw std::invalid_argument("FrameScaler: a window format of " +
                                std::to_string(format.bytesPerPixel) + " bytes it cannot write");
  }
  format_ = format;
  sourceW_ = sourceW;
  Centres(columns_, sourceW, destW);
  Centres(rows_, sourceH, destH);
  wide_.assign(format.bytesPerPixel == 4 ? 2 * static_cast<std::size_t>(sourceW) : 0, 0);
}

void FrameScaler::Scale(const Picture& frame, std::uint8_t* target, int targetPitchBytes) {
  const int columns = Below(columns_, std::min(frame.width, sourceW_));
  const int rows = Below(rows_, frame.height);
  const std::size_t rowBytes = static_cast<std::size_t>(columns) * format_.bytesPerPixel;
  const bool sameColumns = columns_.size() == static_cast<std::size_t>(sourceW_);
  for (int y = 0; y < rows; ++y) {
    std::uint8_t* out = target + static_cast<std::ptrdiff_t>(y) * targetPitchBytes;
    const std::size_t row = static_cast<std::size_t>(y);
    if (y > 0 && rows_[row] == rows_[row - 1]) {
      std::memcpy(out, out - targetPitchBytes, rowBytes);  // a row repeated by upscaling
      continue;
    }
    const std::uint16_t* in = frame.pixels + static_cast<std::ptrdiff_t>(rows_[row]) * frame.pitch;
    if (format_.bytesPerPixel == 2) {
      if (sameColumns) {
        std::memcpy(out, in, rowBytes);
      } else {
        auto* out16 = reinterpret_cast<std::uint16_t*>(out);
        for (int x = 0; x < columns; ++x) out16[x] = in[columns_[static_cast<std::size_t>(x)]];
      }
    } else if (sameColumns) {
      Widen(format_, out, in, columns);
    } else {
      Widen(format_, wide_.data(), in, std::min(frame.width, sourceW_));
      auto* halves = reinterpret_cast<std::uint16_t*>(out);
      for (int x = 0; x < columns; ++x) {
        const std::uint16_t* pixel = &wide_[2 * static_cast<std::size_t>(columns_[x])];
        halves[2 * x] = pixel[0];
        halves[2 * x + 1] = pixel[1];
      }
    }
  }
}

}  // namespace drivers::sdl
