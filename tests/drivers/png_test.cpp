#include "platform/drivers/png.h"

#include <gtest/gtest.h>

#include <png.h>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using drivers::PngError;
using drivers::ReadPng;
using drivers::RgbImage;
using drivers::WritePng;
using drivers::WriteRgbPng;

// A scratch folder per test; kept when the test fails so its pictures can
// be looked at.
class PngTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orvane-png-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (HasFailure())
      std::cout << "pictures kept in " << dir_ << '\n';
    else
      fs::remove_all(dir_);
  }

  static std::string ReadError(const fs::path& file) {
    try {
      ReadPng(file);
    } catch (const PngError& error) {
      return error.what();
    }
    return "";
  }

  // A noisy picture, so that its compressed data is long.
  static std::vector<std::uint16_t> Noise(int width, int height) {
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    std::uint32_t seed = 1;
    for (std::uint16_t& pixel : pixels)
      pixel = static_cast<std::uint16_t>((seed = seed * 1103515245 + 12345) >> 16);
    return pixels;
  }

  static std::vector<char> Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static void Store(const fs::path& file, const std::vector<char>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_;
};

TEST_F(PngTest, RoundTripWidensEachChannelByRepeatingItsTopBits) {
  constexpr int kWidth = 4;
  constexpr int kHeight = 2;
  constexpr int kPitch = 5;  // the fifth pixel of each row must not be written
  const std::uint16_t pixels[kPitch * kHeight] = {
      0x0000, 0xFFFF, 0xF800, 0x07E0, 0x1234,  //
      0x001F, 0x0FDE, 0x8410, 0x4A69, 0x1234,
  };
  const std::vector<std::uint8_t> expected = {
      0,   0,   0,   255, 255, 255,
      255, 0,   0,   0,   255, 0,  // black, white, red, green
      0,   0,   255, 8,   251, 247,
      132, 130, 132, 74,  77,  74,  // blue, r1 g62 b30, r16 g32 b16, r9 g19 b9
  };
  const fs::path actual = dir_ / "actual.png";
  WritePng(actual, pixels, kWidth, kHeight, kPitch);
  const RgbImage picture = ReadPng(actual);
  EXPECT_EQ(picture.width, kWidth);
  EXPECT_EQ(picture.height, kHeight);
  EXPECT_EQ(picture.rgb, expected);
  if (HasFailure()) WriteRgbPng(dir_ / "expected.png", expected, kWidth, kHeight);
}

TEST_F(PngTest, ReadsGrayAndDropsAlphaOverBlack) {
  // Pictures made elsewhere may be gray or have alpha; they read as RGB.
  const struct {
    const char* name;
    png_uint_32 format;
    std::vector<std::uint8_t> pixels;  // two pixels
    std::vector<std::uint8_t> rgb;
  } cases[] = {
      {"gray", PNG_FORMAT_GRAY, {77, 200}, {77, 77, 77, 200, 200, 200}},
      {"RGBA opaque and clear",
       PNG_FORMAT_RGBA,
       {200, 100, 50, 255, 9, 8, 7, 0},
       {200, 100, 50, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir_ / (std::string(c.name) + ".png");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 1;
    image.format = c.format;
    ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, c.pixels.data(), 0, nullptr))
        << image.message;
    const RgbImage picture = ReadPng(file);
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.rgb, c.rgb);
  }
}

TEST_F(PngTest, ReadRefusesMissingAndBrokenFiles) {
  const std::vector<std::uint16_t> noise = Noise(64, 64);
  const fs::path good = dir_ / "good.png";
  WritePng(good, noise.data(), 64, 64, 64);
  const std::vector<char> bytes = Bytes(good);
  ASSERT_GT(bytes.size(), 1000u);

  Store(dir_ / "empty.png", {});
  const std::string text = "This is a line of text, not a picture.\n";
  Store(dir_ / "text.png", std::vector<char>(text.begin(), text.end()));
  Store(dir_ / "cut.png",
        std::vector<char>(bytes.begin(),
                          bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2)));
  std::vector<char> damaged = bytes;
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x5a);
  Store(dir_ / "damaged.png", damaged);

  const struct {
    const char* name;
    std::string message;  // after "<file>: "; ends in ": " where any reason will do
  } cases[] = {
      {"missing", "cannot open PNG: No such file or directory"},
      {"empty", "cannot read PNG: the file ends too soon"},
      {"text", "cannot read PNG: Not a PNG file"},
      {"cut", "cannot read PNG: the file ends too soon"},
      {"damaged", "cannot read PNG: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir_ / (std::string(c.name) + ".png");
    const std::string message = ReadError(file);
    const std::string expected = file.string() + ": " + c.message;
    if (expected.ends_with(": ")) {
      EXPECT_EQ(message.substr(0, expected.size()), expected) << message;
      EXPECT_GT(message.size(), expected.size()) << "no reason given: " << message;
    } else {
      EXPECT_EQ(message, expected);
    }
  }
  EXPECT_EQ(ReadError(dir_), dir_.string() + ": cannot read PNG: Is a directory");
  EXPECT_EQ(ReadPng(good).rgb.size(), 64u * 64u * 3u);
}

TEST_F(PngTest, WriteRefusesBadPicturesAndUnwritableFiles) {
  const std::uint16_t pixels[4] = {};
  const fs::path file = dir_ / "out.png";
  const std::string name = file.string() + ": ";
  const struct {
    const char* name;
    const std::uint16_t* pixels;
    int width, height, pitch;
    fs::path file;
    std::string message;
  } cases[] = {
      {"zero width", pixels, 0, 1, 1, file,
       name + "cannot write a 0x1 PNG (sides must be 1 to 1000000)"},
      {"negative height", pixels, 1, -2, 1, file,
       name + "cannot write a 1x-2 PNG (sides must be 1 to 1000000)"},
      {"too wide", pixels, 1000001, 1, 1000001, file,
       name + "cannot write a 1000001x1 PNG (sides must be 1 to 1000000)"},
      {"rows closer than the width", pixels, 2, 2, 1, file,
       name + "cannot write a PNG with rows 1 pixels apart, less than its width 2"},
      {"no pixels", nullptr, 2, 2, 2, file, name + "cannot write a PNG without pixels"},
      {"missing folder", pixels, 2, 2, 2, dir_ / "nosuch" / "a.png",
       (dir_ / "nosuch" / "a.png").string() + ": cannot write PNG: No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      WritePng(c.file, c.pixels, c.width, c.height, c.pitch);
      ADD_FAILURE() << "no error";
    } catch (const PngError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_FALSE(fs::exists(c.file));
  }

  const std::vector<std::uint8_t> tooShort(2 * 2 * 3 - 1);
  EXPECT_THROW(WriteRgbPng(file, tooShort, 2, 2), PngError);
  EXPECT_FALSE(fs::exists(file));
}

// Limits the size of files this process writes, for as long as it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a failed write instead of a killed process
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

TEST_F(PngTest, FailedWriteGivesTheReasonAndRemovesThePartWritten) {
  const std::vector<std::uint16_t> noise = Noise(64, 64);
  const fs::path file = dir_ / "big.png";
  try {
    const FileSizeLimit limit(1000);
    WritePng(file, noise.data(), 64, 64, 64);
    ADD_FAILURE() << "no error";
  } catch (const PngError& error) {
    EXPECT_EQ(error.what(), file.string() + ": cannot write PNG: File too large");
  }
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
