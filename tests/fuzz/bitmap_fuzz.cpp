// Fuzz target: the bitmap decoder on any bytes. ASan sees every read outside the input; a bitmap
// that decodes has the size its header gives, and a refused one leaves the bitmap untouched.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/resources/resources.h"
#include "tests/fuzz/require.h"

using orvane_fuzz::OneLine;
using orvane_fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  resources::Bitmap bitmap;
  const std::string why = resources::DecodeBitmap(std::span(data, size), bitmap);
  if (why.empty()) {
    Require(bitmap.width > 0 && bitmap.height > 0, "a decoded bitmap has a size");
    Require(bitmap.pixels.size() ==
                static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height),
            "a decoded bitmap has width * height pixels");
  } else {
    Require(OneLine(why), "the reason is one line");
    Require(bitmap.width == 0 && bitmap.pixels.empty(), "a refused bitmap is left untouched");
  }
  return 0;
}
