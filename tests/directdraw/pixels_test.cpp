#include "platform/directdraw/pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace px = directdraw::pixels;

namespace {

// A view inside a larger block of memory: every row has padding past the view's width, and a
// guard row lies above and below, so a write anywhere outside the view changes something.
class Surface {
 public:
  Surface(std::int32_t width, std::int32_t height, std::int32_t pitch)
      : width_(width), height_(height), pitch_(pitch),
        memory_(static_cast<std::size_t>(pitch) * (height + 2)) {
    // A different value at every address, so a pixel copied from the wrong place shows.
    for (std::size_t i = 0; i < memory_.size(); ++i) {
      memory_[i] = static_cast<std::uint16_t>(0x8000 | (i * 7 % 0x7FFF));
    }
  }

  px::View View() { return {memory_.data() + pitch_, width_, height_, pitch_}; }
  px::ConstView ConstView() const { return {memory_.data() + pitch_, width_, height_, pitch_}; }

  // x may run into the padding, y may be -1 or height_ (the guard rows).
  std::uint16_t& At(std::int32_t x, std::int32_t y) {
    return memory_[static_cast<std::size_t>(y + 1) * pitch_ + x];
  }
  std::uint16_t At(std::int32_t x, std::int32_t y) const {
    return memory_[static_cast<std::size_t>(y + 1) * pitch_ + x];
  }

  std::int32_t pitch() const { return pitch_; }
  std::int32_t rows() const { return height_ + 2; }
  const std::vector<std::uint16_t>& memory() const { return memory_; }

 private:
  std::int32_t width_;
  std::int32_t height_;
  std::int32_t pitch_;
  std::vector<std::uint16_t> memory_;
};

// Writes the whole block, guards included, as a binary PPM.
void SavePpm(const Surface& surface, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << surface.pitch() << ' ' << surface.rows() << "\n255\n";
  for (const std::uint16_t p : surface.memory()) {
    const char rgb[3] = {static_cast<char>((p >> 11) << 3), static_cast<char>(((p >> 5) & 0x3F) << 2),
                         static_cast<char>((p & 0x1F) << 3)};
    out.write(rgb, 3);
  }
}

// Compares every pixel, padding and guard rows included; on a difference saves both pictures.
void ExpectSamePixels(const Surface& expected, const Surface& actual, const std::string& name) {
  for (std::int32_t y = -1; y < expected.rows() - 1; ++y) {
    for (std::int32_t x = 0; x < expected.pitch(); ++x) {
      if (expected.At(x, y) != actual.At(x, y)) {
        const std::string stem = ::testing::TempDir() + "pixels_test_" + name;
        SavePpm(expected, stem + "_expected.ppm");
        SavePpm(actual, stem + "_actual.ppm");
        ADD_FAILURE() << "first difference at (" << x << ", " << y << "): expected 0x" << std::hex
                      << expected.At(x, y) << ", got 0x" << actual.At(x, y) << std::dec
                      << "; pictures saved as " << stem << "_{expected,actual}.ppm";
        return;
      }
    }
  }
}

std::int32_t Width(const px::Box& box) { return box.right - box.left; }
std::int32_t Height(const px::Box& box) { return box.bottom - box.top; }

// --- Fill ---------------------------------------------------------------------------------

struct FillCase {
  const char* name;
  std::int32_t width;
  std::int32_t height;
  std::int32_t pitch;
  px::Box box;
};

class FillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTest, CoversExactlyItsBox) {
  const FillCase& c = GetParam();
  constexpr std::uint16_t kValue = 0x07E0;
  Surface expected(c.width, c.height, c.pitch);
  Surface actual(c.width, c.height, c.pitch);
  for (std::int32_t y = c.box.top; y < c.box.bottom; ++y) {
    for (std::int32_t x = c.box.left; x < c.box.right; ++x) expected.At(x, y) = kValue;
  }
  px::Fill(actual.View(), c.box, kValue);
  ExpectSamePixels(expected, actual, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FillTest,
    ::testing::Values(FillCase{"whole_back_buffer", 640, 480, 640, {0, 0, 640, 480}},
                      FillCase{"whole_rows_of_a_contiguous_surface", 64, 8, 64, {0, 3, 64, 5}},
                      FillCase{"whole_rows_of_a_padded_surface", 37, 9, 40, {0, 2, 37, 7}},
                      FillCase{"wide_rows_of_a_padded_surface", 700, 5, 703, {5, 1, 690, 4}},
                      FillCase{"one_pixel_in_the_far_corner", 5, 5, 5, {4, 4, 5, 5}},
                      FillCase{"odd_box_at_odd_offset", 61, 13, 67, {3, 1, 40, 12}},
                      FillCase{"one_column", 10, 10, 11, {7, 0, 8, 10}},
                      FillCase{"row_shorter_than_a_vector_block", 100, 3, 100, {1, 1, 30, 2}}),
    [](const auto& p) { return std::string(p.param.name); });

// --- Blit and BlitKeyed ---------------------------------------------------------------------

constexpr std::uint16_t kKey = 0xF81F;

// Source pixels all differ from their neighbours and from the key, except for a scattering of
// key pixels.
Surface MakeSource(std::int32_t width, std::int32_t height) {
  Surface source(width, height, width + 3);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      source.At(x, y) = (x + 2 * y) % 5 == 0
                            ? kKey
                            : static_cast<std::uint16_t>((x * 31 + y * 17) % 4093 + 1);
    }
  }
  return source;
}

// Straight from the sampling rule in pixels.h, one pixel at a time.
void ReferenceBlit(Surface& dst, const px::Box& dstBox, const Surface& src, const px::Box& srcBox,
                   std::optional<std::uint16_t> key) {
  for (std::int32_t y = dstBox.top; y < dstBox.bottom; ++y) {
    for (std::int32_t x = dstBox.left; x < dstBox.right; ++x) {
      const auto sx = srcBox.left + static_cast<std::int64_t>(x - dstBox.left) * Width(srcBox) / Width(dstBox);
      const auto sy = srcBox.top + static_cast<std::int64_t>(y - dstBox.top) * Height(srcBox) / Height(dstBox);
      const std::uint16_t value = src.At(static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy));
      if (!key || value != *key) dst.At(x, y) = value;
    }
  }
}

struct BlitCase {
  const char* name;
  std::int32_t srcWidth;
  std::int32_t srcHeight;
  px::Box srcBox;
  std::int32_t dstWidth;
  std::int32_t dstHeight;
  px::Box dstBox;
};

class BlitTest : public ::testing::TestWithParam<BlitCase> {
 protected:
  void Check(std::optional<std::uint16_t> key) {
    const BlitCase& c = GetParam();
    const Surface source = MakeSource(c.srcWidth, c.srcHeight);
    Surface expected(c.dstWidth, c.dstHeight, c.dstWidth + 5);
    Surface actual(c.dstWidth, c.dstHeight, c.dstWidth + 5);
    ReferenceBlit(expected, c.dstBox, source, c.srcBox, key);
    if (key) {
      px::BlitKeyed(actual.View(), c.dstBox, source.ConstView(), c.srcBox, *key);
    } else {
      px::Blit(actual.View(), c.dstBox, source.ConstView(), c.srcBox);
    }
    ExpectSamePixels(expected, actual, std::string(c.name) + (key ? "_keyed" : "_unkeyed"));
  }
};

TEST_P(BlitTest, KeyedMatchesSamplingRule) { Check(kKey); }
TEST_P(BlitTest, UnkeyedMatchesSamplingRule) { Check(std::nullopt); }

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlitTest,
    ::testing::Values(
        BlitCase{"same_size", 60, 60, {0, 0, 60, 60}, 130, 130, {5, 7, 65, 67}},
        BlitCase{"half", 60, 60, {0, 0, 60, 60}, 130, 130, {1, 2, 31, 32}},
        BlitCase{"one_smaller", 60, 60, {0, 0, 60, 60}, 130, 130, {3, 3, 62, 62}},
        BlitCase{"one_larger", 60, 60, {0, 0, 60, 60}, 130, 130, {0, 0, 61, 61}},
        BlitCase{"wider_and_shorter", 60, 60, {0, 0, 60, 60}, 130, 130, {9, 4, 70, 34}},
        BlitCase{"narrower_and_taller", 60, 60, {0, 0, 60, 60}, 130, 130, {2, 8, 61, 69}},
        BlitCase{"same_width_taller", 60, 60, {0, 0, 60, 60}, 130, 130, {2, 8, 62, 69}},
        BlitCase{"double_to_the_far_corner", 60, 60, {0, 0, 60, 60}, 130, 130, {10, 10, 130, 130}},
        BlitCase{"part_of_the_source", 60, 60, {10, 5, 50, 45}, 130, 130, {4, 6, 45, 45}},
        BlitCase{"to_one_pixel", 60, 60, {0, 0, 60, 60}, 130, 130, {129, 0, 130, 1}},
        BlitCase{"one_row_stretched", 60, 60, {0, 30, 60, 31}, 130, 130, {0, 100, 130, 101}},
        // Just enough consecutive source columns to be copied run by run.
        BlitCase{"runs_of_sixteen", 31, 3, {0, 0, 31, 3}, 40, 3, {4, 0, 36, 3}},
        // Wider than the table of source columns worked out at a time.
        BlitCase{"slightly_stretched_across_column_chunks", 1000, 2, {0, 0, 1000, 2}, 1003, 2, {1, 0, 1002, 2}},
        BlitCase{"stretched_across_column_chunks", 60, 2, {0, 0, 60, 2}, 1500, 3, {1, 0, 1500, 3}},
        BlitCase{"shrunk_across_column_chunks", 2000, 2, {0, 0, 2000, 2}, 1100, 2, {3, 0, 1028, 2}},
        // (row * source height) passes 2^31: needs the 64-bit product.
        BlitCase{"tall_rows_past_32_bit_products", 1, 70000, {0, 0, 1, 70000}, 1, 40000, {0, 0, 1, 40000}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(BlitKeyedTest, LeavesPixelsBeneathTheKeyAlone) {
  constexpr std::uint16_t K = kKey;
  constexpr std::uint16_t B = 0x1111;  // what the destination held
  Surface source(4, 2, 4);
  Surface dest(4, 2, 4);
  const std::uint16_t sourcePixels[2][4] = {{K, 1, K, 2}, {3, K, K, 4}};
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) {
      source.At(x, y) = sourcePixels[y][x];
      dest.At(x, y) = B;
    }
  }
  px::BlitKeyed(dest.View(), {0, 0, 4, 2}, source.ConstView(), {0, 0, 4, 2}, K);
  const std::uint16_t expected[2][4] = {{B, 1, B, 2}, {3, B, B, 4}};
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(dest.At(x, y), expected[y][x]) << "at (" << x << ", " << y << ")";
    }
  }
}

}  // namespace
