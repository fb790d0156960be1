#include "platform/directdraw/pixels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace directdraw::pixels {
namespace {

std::uint16_t* PixelAt(const View& view, std::int32_t x, std::int32_t y) noexcept {
  return view.pixels + static_cast<std::ptrdiff_t>(y) * view.pitch + x;
}

const std::uint16_t* PixelAt(const ConstView& view, std::int32_t x, std::int32_t y) noexcept {
  return view.pixels + static_cast<std::ptrdiff_t>(y) * view.pitch + x;
}

// --- Fill ---

// Bytes in a cache line.
constexpr std::uintptr_t kLineBytes = 64;

// Writes `value` to n pixels. The fixed-length inner loop is what lets the compiler use vector
// stores at -O2; std::fill_n on 16-bit values stays a scalar loop there. The loop is built once
// per instruction set and the widest one the processor has is chosen when the program loads:
// with 32-byte stores a whole-screen fill runs as fast as memset, with the baseline's 16-byte
// stores it takes about 1.5 times as long.
[[gnu::target_clones("avx512f", "avx2", "default")]] void FillLoop(
    std::uint16_t* out, std::ptrdiff_t n, std::uint16_t value) noexcept {
  // A store that straddles two cache lines costs about two (a whole-screen fill of a buffer 16
  // bytes past a line boundary took 1.3 to 1.7 times as long): the pixels before the first line
  // boundary are set one by one, so every block after them starts on a boundary.
  const std::uintptr_t past = reinterpret_cast<std::uintptr_t>(out) % kLineBytes;
  const auto head = std::min(
      n, static_cast<std::ptrdiff_t>((kLineBytes - past) % kLineBytes / sizeof *out));
  for (std::ptrdiff_t i = 0; i < head; ++i) out[i] = value;
  out += head;
  n -= head;
  constexpr std::ptrdiff_t kBlock = 64;
  for (; n >= kBlock; n -= kBlock, out += kBlock) {
    for (std::ptrdiff_t i = 0; i < kBlock; ++i) out[i] = value;
  }
  for (std::ptrdiff_t i = 0; i < n; ++i) out[i] = value;
}

// --- Blits ---

// Walks i * numerator / denominator for i = 0, 1, 2, ... by stepping quotient and remainder:
// exactly the integer division, without forming a product that could overflow.
class Steps {
 public:
  Steps(std::int32_t numerator, std::int32_t denominator) noexcept
      : quotientStep_(numerator / denominator),
        remainderStep_(numerator % denominator),
        denominator_(denominator) {}

  std::int32_t Value() const noexcept { return quotient_; }

  void Next() noexcept {
    quotient_ += quotientStep_;
    remainder_ += remainderStep_;
    if (remainder_ >= denominator_) {
      remainder_ -= denominator_;
      ++quotient_;
    }
  }

 private:
  std::int32_t quotient_ = 0;
  std::int64_t remainder_ = 0;
  std::int32_t quotientStep_;
  std::int64_t remainderStep_;
  std::int64_t denominator_;
};

constexpr std::int32_t kBlendBlock = 16;

// Copies one block of source pixels except those equal to `key`. Going through local arrays
// tells the compiler the block's source and destination are apart, so it compares and selects
// with vector instructions.
void BlendBlock(std::uint16_t* out, const std::uint16_t* in, std::uint16_t key) noexcept {
  std::uint16_t source[kBlendBlock];
  std::uint16_t dest[kBlendBlock];
  std::memcpy(source, in, sizeof source);
  std::memcpy(dest, out, sizeof dest);
  for (std::int32_t i = 0; i < kBlendBlock; ++i) dest[i] = source[i] == key ? dest[i] : source[i];
  std::memcpy(out, dest, sizeof dest);
}

// Copies n source pixels except those equal to `key`.
void BlendRun(std::uint16_t* out, const std::uint16_t* in, std::int32_t n,
              std::uint16_t key) noexcept {
  if (n < kBlendBlock) {
    for (std::int32_t i = 0; i < n; ++i) {
      if (in[i] != key) out[i] = in[i];
    }
    return;
  }
  std::int32_t i = 0;
  for (; i + kBlendBlock <= n; i += kBlendBlock) BlendBlock(out + i, in + i, key);
  // A last block ending at n overlaps pixels already done; blending them again changes nothing.
  if (i < n) BlendBlock(out + n - kBlendBlock, in + n - kBlendBlock, key);
}

// Destination columns whose source columns are worked out at a time: the tables live on the
// stack, so a blit of any width needs no allocation.
constexpr std::int32_t kColumnChunk = 512;
// Runs of consecutive source columns at least this long on average are copied run by run
// (scales near 1); shorter ones are gathered pixel by pixel.
constexpr std::int32_t kMinRunLength = 16;

// Maps every destination pixel to its source pixel and hands contiguous stretches to
// `run(out, in, n)`, which copies n pixels from in to out.
template <typename Run>
void Sample(const View& dst, const Box& dstBox, const ConstView& src, const Box& srcBox,
            Run run) noexcept {
  const std::int32_t dstWidth = dstBox.right - dstBox.left;
  const std::int32_t dstHeight = dstBox.bottom - dstBox.top;
  const std::int32_t srcWidth = srcBox.right - srcBox.left;
  const std::int32_t srcHeight = srcBox.bottom - srcBox.top;
  auto sourceRow = [&](std::int32_t row) {
    return PixelAt(src, srcBox.left, srcBox.top + row);
  };

  if (srcWidth == dstWidth) {
    Steps rows(srcHeight, dstHeight);
    for (std::int32_t y = 0; y < dstHeight; ++y, rows.Next()) {
      run(PixelAt(dst, dstBox.left, dstBox.top + y), sourceRow(rows.Value()), dstWidth);
    }
    return;
  }

  Steps columns(srcWidth, dstWidth);
  std::int32_t sourceColumn[kColumnChunk];
  for (std::int32_t first = 0; first < dstWidth; first += kColumnChunk) {
    const std::int32_t count = std::min(kColumnChunk, dstWidth - first);
    std::int32_t runs = 1;
    for (std::int32_t i = 0; i < count; ++i, columns.Next()) {
      sourceColumn[i] = columns.Value();
      if (i > 0 && sourceColumn[i] != sourceColumn[i - 1] + 1) ++runs;
    }

    Steps rows(srcHeight, dstHeight);
    if (runs * kMinRunLength <= count) {
      // runStart[k] is the first destination column of run k; runStart[runs] == count.
      std::int32_t runStart[kColumnChunk / kMinRunLength + 1];
      std::int32_t k = 0;
      for (std::int32_t i = 0; i < count; ++i) {
        if (i == 0 || sourceColumn[i] != sourceColumn[i - 1] + 1) runStart[k++] = i;
      }
      runStart[runs] = count;
      for (std::int32_t y = 0; y < dstHeight; ++y, rows.Next()) {
        const std::uint16_t* in = sourceRow(rows.Value());
        std::uint16_t* out = PixelAt(dst, dstBox.left + first, dstBox.top + y);
        for (k = 0; k < runs; ++k) {
          run(out + runStart[k], in + sourceColumn[runStart[k]], runStart[k + 1] - runStart[k]);
        }
      }
    } else {
      // Rows repeated by a vertical stretch reuse the line gathered for the previous row.
      std::uint16_t line[kColumnChunk];
      std::int32_t gatheredRow = -1;
      for (std::int32_t y = 0; y < dstHeight; ++y, rows.Next()) {
        if (rows.Value() != gatheredRow) {
          gatheredRow = rows.Value();
          const std::uint16_t* in = sourceRow(gatheredRow);
          for (std::int32_t i = 0; i < count; ++i) line[i] = in[sourceColumn[i]];
        }
        run(PixelAt(dst, dstBox.left + first, dstBox.top + y), line, count);
      }
    }
  }
}

}  // namespace

void Fill(const View& dst, const Box& box, std::uint16_t value) noexcept {
  std::ptrdiff_t width = box.right - box.left;
  std::ptrdiff_t rows = box.bottom - box.top;
  std::uint16_t* first = PixelAt(dst, box.left, box.top);
  if (width == dst.pitch) {
    // Whole rows with no gap between them: one run.
    width *= rows;
    rows = 1;
  }
  FillLoop(first, width, value);
  for (std::ptrdiff_t y = 1; y < rows; ++y) {
    std::memcpy(first + y * dst.pitch, first, static_cast<std::size_t>(width) * sizeof *first);
  }
}

void Blit(const View& dst, const Box& dstBox, const ConstView& src, const Box& srcBox) noexcept {
  Sample(dst, dstBox, src, srcBox,
         [](std::uint16_t* out, const std::uint16_t* in, std::int32_t n) {
           std::memcpy(out, in, static_cast<std::size_t>(n) * sizeof *out);
         });
}

void BlitKeyed(const View& dst, const Box& dstBox, const ConstView& src, const Box& srcBox,
               std::uint16_t key) noexcept {
  Sample(dst, dstBox, src, srcBox,
         [key](std::uint16_t* out, const std::uint16_t* in, std::int32_t n) {
           BlendRun(out, in, n, key);
         });
}

}  // namespace directdraw::pixels
