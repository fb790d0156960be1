// The SDL driver's own scaling of a frame into a window's pixels: every destination pixel takes
// the source pixel under its centre, converted to the window's format by repeating each
// channel's top bits; a frame smaller than the configured source writes only its part; nothing
// outside the destination rectangle (a row's padding) is touched.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/drivers/sdl/sdl.h"

namespace {

using drivers::sdl::FrameScaler;
using Format = FrameScaler::Format;

constexpr Format kRgb565{2, 0xF800, 0x07E0, 0x001F, 0};
constexpr Format kXrgb{4, 0xFF0000, 0xFF00, 0xFF, 0};
constexpr Format kArgb{4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr Format kXbgr{4, 0xFF, 0xFF00, 0xFF0000, 0};
constexpr std::uint8_t kUntouched = 0xA5;
constexpr int kPadding = 12;  // bytes after each destination row

std::uint32_t Expected(std::uint16_t p, const Format& f) {
  if (f.bytesPerPixel == 2) return p;
  const std::uint32_t r5 = p >> 11, g6 = (p >> 5) & 0x3F, b5 = p & 0x1F;
  const std::uint32_t r = r5 << 3 | r5 >> 2, g = g6 << 2 | g6 >> 4, b = b5 << 3 | b5 >> 2;
  const auto place = [](std::uint32_t v, std::uint32_t mask) {
    return v << std::countr_zero(mask);
  };
  return place(r, f.red) | place(g, f.green) | place(b, f.blue) | f.alpha;
}

struct ScaleCase {
  const char* name;
  int sourceW, sourceH;  // configured
  int frameW, frameH;    // presented
  int destW, destH;
  Format format;
};

// Frames of 256 x 256 hold every RGB565 value once.
const ScaleCase kScaleCases[] = {
    {"every_colour_to_XRGB8888", 256, 256, 256, 256, 256, 256, kXrgb},
    {"every_colour_to_ARGB8888", 256, 256, 256, 256, 256, 256, kArgb},
    {"every_colour_to_XBGR8888", 256, 256, 256, 256, 256, 256, kXbgr},
    {"every_colour_to_RGB565_unchanged", 256, 256, 256, 256, 256, 256, kRgb565},
    {"a_width_that_is_no_whole_number_of_vector_blocks", 61, 7, 61, 7, 61, 7, kXrgb},
    {"one_pixel_to_one", 1, 1, 1, 1, 1, 1, kArgb},
    {"the_display_fitted_to_1024_x_600", 640, 480, 640, 480, 800, 600, kXrgb},
    {"the_display_at_twice_its_size", 640, 480, 640, 480, 1280, 960, kXbgr},
    {"the_display_into_the_design_window", 640, 480, 640, 480, 312, 213, kXrgb},
    {"16_bits_fitted", 640, 480, 640, 480, 800, 600, kRgb565},
    {"16_bits_shrunk", 640, 480, 640, 480, 312, 213, kRgb565},
    {"a_frame_smaller_than_the_display", 640, 480, 300, 200, 800, 600, kXrgb},
    {"a_frame_smaller_than_the_display_16_bits_unscaled", 64, 48, 30, 20, 64, 48, kRgb565},
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
  *os << c.name;
}

class ScaleTest : public testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleTest, EachPixelTakesTheSourcePixelUnderItsCentre) {
  const ScaleCase& c = GetParam();
  const int framePitch = c.frameW + 3;
  std::vector<std::uint16_t> frame(static_cast<std::size_t>(framePitch) * c.frameH);
  for (std::size_t i = 0; i < frame.size(); ++i) {
    // Every value once for 256 x 256; a scrambled spread of values otherwise.
    frame[i] =
        static_cast<std::uint16_t>(c.frameW == 256 ? i - i / framePitch * 3 : i * 2654435761u >> 9);
  }
  const int bytes = c.format.bytesPerPixel;
  const int pitch = c.destW * bytes + kPadding;
  std::vector<std::uint8_t> target(static_cast<std::size_t>(pitch) * c.destH, kUntouched);

  FrameScaler scaler;
  scaler.Configure(c.sourceW, c.sourceH, c.destW, c.destH, c.format);
  scaler.Scale({frame.data(), c.frameW, c.frameH, framePitch}, target.data(), pitch);

  int faults = 0;
  for (int y = 0; y < c.destH && faults < 5; ++y) {
    const long long sy = (2LL * y + 1) * c.sourceH / (2LL * c.destH);
    for (int x = 0; x < pitch && faults < 5; x += bytes) {
      const std::uint8_t* at = target.data() + static_cast<std::ptrdiff_t>(y) * pitch + x;
      const long long sx = (2LL * (x / bytes) + 1) * c.sourceW / (2LL * c.destW);
      const bool drawn = x < c.destW * bytes && sx < c.frameW && sy < c.frameH;
      std::uint32_t got = 0;
      std::uint32_t want = 0;
      if (drawn) {
        std::memcpy(&got, at, static_cast<std::size_t>(bytes));
        want = Expected(frame[static_cast<std::size_t>(sy * framePitch + sx)], c.format);
      } else {
        for (int i = 0; i < bytes && x + i < pitch; ++i) got |= std::uint32_t{at[i] != kUntouched};
      }
      if (got != want) {
        ADD_FAILURE() << "pixel (" << x / bytes << ", " << y << "): " << std::hex << got
                      << (drawn ? ", want " : " touched, want untouched ") << want;
        ++faults;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScaleTest, testing::ValuesIn(kScaleCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FrameScalerFormats, TakesRgb565AndTheFourByteOrdersOfRgb) {
  const struct {
    const char* name;
    Format format;
    bool taken;
  } cases[] = {
      {"RGB565", kRgb565, true},
      {"XRGB8888", kXrgb, true},
      {"ARGB8888", kArgb, true},
      {"XBGR8888", kXbgr, true},
      {"BGR565", {2, 0x001F, 0x07E0, 0xF800, 0}, false},
      {"RGB555", {2, 0x7C00, 0x03E0, 0x001F, 0}, false},
      {"RGBA8888", {4, 0xFF000000, 0xFF0000, 0xFF00, 0xFF}, false},
      {"RGB24", {3, 0xFF0000, 0xFF00, 0xFF, 0}, false},
      {"ARGB2101010", {4, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FrameScaler::Takes(c.format), c.taken) << c.name;
    FrameScaler scaler;
    if (c.taken) {
      EXPECT_NO_THROW(scaler.Configure(4, 4, 4, 4, c.format)) << c.name;
    } else {
      EXPECT_THROW(scaler.Configure(4, 4, 4, 4, c.format), std::invalid_argument) << c.name;
    }
  }
}

TEST(FrameScalerFormats, EmptySizesAreRefused) {
  FrameScaler scaler;
  for (const auto& [sw, sh, dw, dh] :
       {std::array{0, 480, 640, 480}, std::array{640, 0, 640, 480}, std::array{640, 480, 0, 480},
        std::array{640, 480, 640, -1}}) {
    EXPECT_THROW(scaler.Configure(sw, sh, dw, dh, kXrgb), std::invalid_argument)
        << sw << " x " << sh << " to " << dw << " x " << dh;
  }
}

}  // namespace
