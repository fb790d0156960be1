#include "platform/drivers/png.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

#include <png.h>

namespace drivers {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Frees what libpng holds for a png_image, whichever way the scope is left.
class ImageGuard {
 public:
  ImageGuard() { image_.version = PNG_IMAGE_VERSION; }
  ~ImageGuard() { png_image_free(&image_); }
  ImageGuard(const ImageGuard&) = delete;
  ImageGuard& operator=(const ImageGuard&) = delete;

  png_image& Get() { return image_; }

 private:
  png_image image_{};
};

std::string SystemReason() {
  return std::error_code(errno, std::generic_category()).message();
}

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& what) {
  throw PngError(file.string() + ": " + what);
}

void CheckSize(const std::filesystem::path& file, int width, int height) {
  if (width < 1 || width > kMaxPngSide || height < 1 || height > kMaxPngSide)
    Fail(file, "cannot write a " + std::to_string(width) + "x" + std::to_string(height) +
                   " PNG (sides must be 1 to " + std::to_string(kMaxPngSide) + ")");
}

// Why reading failed: the system's reason for a failed read, a file that
// ends too soon, or what libpng found wrong with the data.
std::string ReadFailure(std::FILE* stream, const png_image& image) {
  if (std::ferror(stream)) return SystemReason();
  if (std::feof(stream)) return "the file ends too soon";
  return image.message;
}

}  // namespace

void WritePng(const std::filesystem::path& file, const std::uint16_t* pixels, int width, int height,
              int pitchPixels) {
  CheckSize(file, width, height);
  if (pitchPixels < width)
    Fail(file, "cannot write a PNG with rows " + std::to_string(pitchPixels) +
                   " pixels apart, less than its width " + std::to_string(width));
  if (!pixels) Fail(file, "cannot write a PNG without pixels");

  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                3);
  auto out = rgb.begin();
  for (int y = 0; y < height; ++y) {
    const std::uint16_t* row = pixels + static_cast<std::ptrdiff_t>(y) * pitchPixels;
    for (int x = 0; x < width; ++x) {
      const std::array<std::uint8_t, 3> widened = WidenRgb565(row[x]);
      out = std::copy(widened.begin(), widened.end(), out);
    }
  }
  WriteRgbPng(file, rgb, width, height);
}

void WriteRgbPng(const std::filesystem::path& file, std::span<const std::uint8_t> rgb, int width,
                 int height) {
  CheckSize(file, width, height);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  if (rgb.size() != rowBytes * static_cast<std::size_t>(height))
    Fail(file, "cannot write a " + std::to_string(width) + "x" + std::to_string(height) +
                   " PNG from " + std::to_string(rgb.size()) + " bytes of RGB");

  errno = 0;
  FilePtr stream(std::fopen(file.c_str(), "wb"));
  if (!stream) Fail(file, "cannot write PNG: " + SystemReason());

  std::string failure;
  {
    ImageGuard guard;
    png_image& image = guard.Get();
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    errno = 0;
    if (!png_image_write_to_stdio(&image, stream.get(), 0, rgb.data(),
                                  static_cast<png_int_32>(rowBytes), nullptr))
      failure = std::ferror(stream.get()) ? SystemReason() : std::string(image.message);
  }
  errno = 0;
  if (std::fclose(stream.release()) != 0 && failure.empty()) failure = SystemReason();
  if (!failure.empty()) {
    // Only a regular file can be a half-written picture; a device such as
    // /dev/full stays.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(file, ignored)) std::filesystem::remove(file, ignored);
    Fail(file, "cannot write PNG: " + failure);
  }
}

RgbImage ReadPng(const std::filesystem::path& file) {
  errno = 0;
  const FilePtr stream(std::fopen(file.c_str(), "rb"));
  if (!stream) Fail(file, "cannot open PNG: " + SystemReason());

  ImageGuard guard;
  png_image& image = guard.Get();
  errno = 0;
  if (!png_image_begin_read_from_stdio(&image, stream.get()))
    Fail(file, "cannot read PNG: " + ReadFailure(stream.get(), image));
  if (image.width > static_cast<png_uint_32>(kMaxPngSide) ||
      image.height > static_cast<png_uint_32>(kMaxPngSide))
    Fail(file, "cannot read a " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                   " PNG (sides must be at most " + std::to_string(kMaxPngSide) + ")");

  RgbImage picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  image.format = PNG_FORMAT_RGB;
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
  // Zeroed, so that pixels with alpha are laid over black.
  picture.rgb.assign(rowBytes * static_cast<std::size_t>(picture.height), 0);
  errno = 0;
  if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), static_cast<png_int_32>(rowBytes),
                             nullptr))
    Fail(file, "cannot read PNG: " + ReadFailure(stream.get(), image));
  return picture;
}

}  // namespace drivers
