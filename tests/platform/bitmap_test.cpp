// The bitmap decoder on small fixtures, broken ones included, and the resource lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/resources/resources.h"

namespace {

// A packed 8-bit bitmap: 40-byte header, palette, rows of indices padded to four bytes.
struct Fixture {
  std::int32_t width = 3;
  std::int32_t height = 2;  // negative: top row first
  std::uint16_t planes = 1;
  std::uint16_t bits = 8;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 4;
  std::uint32_t headerSize = 40;
  std::uint32_t imageSize = 0;
  std::vector<std::uint8_t> indices = {0, 1, 2, 3, 2, 1};  // stored order, row by row

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> b(std::max<std::uint32_t>(headerSize, 40), 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&b[at], &v, 2); };
    put32(0, headerSize);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    put16(12, planes);
    put16(14, bits);
    put32(16, compression);
    put32(20, imageSize);
    put32(32, coloursUsed);
    const std::uint32_t colours = coloursUsed == 0 ? 256 : coloursUsed;
    for (std::uint32_t i = 0; i < colours; ++i) {
      // blue, green, red, 0: entry i is (i * 64, 255 - i * 64, i * 8)
      b.push_back(static_cast<std::uint8_t>(i * 8));
      b.push_back(static_cast<std::uint8_t>(255 - i * 64));
      b.push_back(static_cast<std::uint8_t>(i * 64));
      b.push_back(0);
    }
    const std::int32_t rows = height < 0 ? -height : height;
    const std::int32_t stride = (width + 3) / 4 * 4;
    for (std::int32_t y = 0; y < rows; ++y) {
      for (std::int32_t x = 0; x < stride; ++x) {
        const std::size_t at = static_cast<std::size_t>(y * width + x);
        b.push_back(x < width && at < indices.size() ? indices[at] : 0);
      }
    }
    return b;
  }
};

std::uint16_t Entry(unsigned i) {
  const unsigned red = i * 64, green = 255 - i * 64, blue = i * 8;
  return static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

TEST(DecodeBitmap, BottomUpRowsComeOutTopRowFirst) {
  resources::Bitmap bitmap;
  ASSERT_EQ(resources::DecodeBitmap(Fixture{}.Bytes(), bitmap), "");
  EXPECT_EQ(bitmap.width, 3);
  EXPECT_EQ(bitmap.height, 2);
  // Stored bottom row first: the second stored row is the top one.
  const std::vector<std::uint16_t> expected = {Entry(3), Entry(2), Entry(1),
                                               Entry(0), Entry(1), Entry(2)};
  EXPECT_EQ(bitmap.pixels, expected);
}

TEST(DecodeBitmap, TopDownRowsStayInOrder) {
  Fixture f;
  f.height = -2;
  resources::Bitmap bitmap;
  ASSERT_EQ(resources::DecodeBitmap(f.Bytes(), bitmap), "");
  const std::vector<std::uint16_t> expected = {Entry(0), Entry(1), Entry(2),
                                               Entry(3), Entry(2), Entry(1)};
  EXPECT_EQ(bitmap.pixels, expected);
}

TEST(DecodeBitmap, PaletteBecomesRgb565WithBlackStayingZero) {
  Fixture f;
  f.width = 4;
  f.height = 1;
  f.coloursUsed = 0;  // all 256 entries
  f.indices = {0, 255, 0, 0};
  std::vector<std::uint8_t> bytes = f.Bytes();
  // Entry 0 black, entry 255 white.
  std::memset(&bytes[40], 0, 4);
  std::memset(&bytes[40 + 255 * 4], 0xFF, 3);
  resources::Bitmap bitmap;
  ASSERT_EQ(resources::DecodeBitmap(bytes, bitmap), "");
  EXPECT_EQ(bitmap.pixels[0], 0);
  EXPECT_EQ(bitmap.pixels[1], 0xFFFF);
}

struct BrokenCase {
  const char* name;
  std::function<void(Fixture&)> change;
  std::function<void(std::vector<std::uint8_t>&)> cut;
  const char* reason;
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

class BrokenBitmap : public testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenBitmap, IsRefusedWithItsReason) {
  const BrokenCase& c = GetParam();
  Fixture f;
  if (c.change) c.change(f);
  std::vector<std::uint8_t> bytes = f.Bytes();
  if (c.cut) c.cut(bytes);
  resources::Bitmap bitmap;
  const std::string why = resources::DecodeBitmap(bytes, bitmap);
  EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  EXPECT_TRUE(bitmap.pixels.empty());
}

auto Truncate(std::size_t size) {
  return [size](std::vector<std::uint8_t>& b) { b.resize(size); };
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenBitmap,
    testing::Values(
        BrokenCase{"Empty", nullptr, Truncate(0), "header is truncated"},
        BrokenCase{"HeaderCut", nullptr, Truncate(39), "header is truncated"},
        BrokenCase{"UnknownHeaderSize", [](Fixture& f) { f.headerSize = 12; }, nullptr,
                   "unknown header size 12"},
        BrokenCase{"ZeroWidth", [](Fixture& f) { f.width = 0; }, nullptr, "width 0"},
        BrokenCase{"NegativeWidth", [](Fixture& f) { f.width = -3; }, nullptr, "width -3"},
        BrokenCase{"ZeroHeight", [](Fixture& f) { f.height = 0; }, nullptr, "height 0"},
        BrokenCase{"HugeHeight", [](Fixture& f) { f.height = -20000; }, nullptr,
                   "out of range"},
        BrokenCase{"TwoPlanes", [](Fixture& f) { f.planes = 2; }, nullptr, "planes"},
        BrokenCase{"FourBits", [](Fixture& f) { f.bits = 4; }, nullptr, "only 8 bits per pixel"},
        BrokenCase{"TwentyFourBits", [](Fixture& f) { f.bits = 24; }, nullptr, "not 24"},
        BrokenCase{"RunLengthCompressed", [](Fixture& f) { f.compression = 1; }, nullptr,
                   "compressed"},
        BrokenCase{"TooManyColours", [](Fixture& f) { f.coloursUsed = 257; }, nullptr,
                   "more than 256"},
        BrokenCase{"ImageSizeTooSmall", [](Fixture& f) { f.imageSize = 4; }, nullptr,
                   "image size 4"},
        BrokenCase{"PaletteCut", nullptr, Truncate(40 + 7), "palette is truncated"},
        BrokenCase{"PixelsCut", nullptr, Truncate(40 + 16 + 7), "pixels are truncated"},
        BrokenCase{"IndexBeyondPalette", [](Fixture& f) { f.indices[4] = 9; }, nullptr,
                   "uses colour 9 beyond the palette's 4"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ResourceLookup, IgnoresCaseAndType) {
  // The frames' table is linked in: names are stored in capitals.
  ASSERT_NE(resources::Find(resources::RT_BITMAP, "vegan0"), nullptr);
  EXPECT_EQ(resources::Find(resources::RT_BITMAP, "vegan0"),
            resources::Find(resources::RT_BITMAP, "VeGaN0"));
  EXPECT_EQ(resources::Find(resources::RT_BITMAP, "vegan39")->name, "VEGAN39");
  EXPECT_EQ(resources::Find(resources::RT_BITMAP, "vegan40"), nullptr);
  EXPECT_EQ(resources::Find(resources::RT_BITMAP, "vegan"), nullptr);
  EXPECT_EQ(resources::Find(resources::RT_BITMAP, "vegan05"), nullptr);
  EXPECT_EQ(resources::Find(3, "vegan0"), nullptr) << "another type";
  EXPECT_EQ(resources::Find(resources::RT_BITMAP, "vegan0")->data.size(), 4664u);
}

}  // namespace
