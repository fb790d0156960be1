// The SDL2 driver's copy of a flipped frame to the screen, beside the copy floor.
//
// ours/sdl_present/direct and /renderer: Present without waiting, on SDL's offscreen video driver
// (no display needed; its window pixels are 32-bit XRGB), with ORVANE_WINDOWED=1 so the window
// is the display's own size and the frame goes unscaled. direct is the driver's own choice there
// (no hardware renderer: it writes the window's pixels itself); renderer asks SDL for a renderer
// and goes through its streaming texture, as the driver does where a renderer draws in hardware.
//
// ours/frame_scaler/...: the part of a direct Present that scales the frame into a window's
// pixels, in memory, for screens the offscreen driver cannot stand in for: a 16-bit screen
// unscaled, and full screens of 1024 x 600 and 1920 x 1080 (32-bit, the display fitted).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "bench/kit.h"
#include "platform/drivers/sdl/sdl.h"

namespace bench {
namespace {

void SdlPresent(benchmark::State& state, const char* renderer) {
  try {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ORVANE_WINDOWED", "1", 1);
    if (renderer != nullptr) {
      setenv("SDL_RENDER_DRIVER", renderer, 1);
    } else {
      unsetenv("SDL_RENDER_DRIVER");
    }
    std::unique_ptr<drivers::Video> video = drivers::sdl::OpenVideo({});
    video->CreateWindow({"Orvane Demo", 312, 213, 0, false, false});
    video->SetExclusive(true);
    video->SetMode(kScreenWidth, kScreenHeight);
    std::vector<std::uint16_t> frame(kScreenPixels, 0x1234);
    for (auto _ : state) {
      video->Present({frame.data(), kScreenWidth, kScreenHeight, kScreenWidth}, false);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

struct Screen {
  const char* name;
  int width, height;  // where the display goes on it
  drivers::sdl::FrameScaler::Format format;
};

void Scale(benchmark::State& state, Screen screen) {
  drivers::sdl::FrameScaler scaler;
  scaler.Configure(kScreenWidth, kScreenHeight, screen.width, screen.height, screen.format);
  const int pitch = screen.width * screen.format.bytesPerPixel;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(pitch) * screen.height);
  std::vector<std::uint16_t> frame(kScreenPixels, 0x1234);
  for (auto _ : state) {
    scaler.Scale({frame.data(), kScreenWidth, kScreenHeight, kScreenWidth}, pixels.data(), pitch);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
}

}  // namespace

void RegisterSdlPresent() {
  benchmark::RegisterBenchmark("ours/sdl_present/direct", SdlPresent, nullptr)->UseRealTime();
  benchmark::RegisterBenchmark("ours/sdl_present/renderer", SdlPresent, "opengles2")->UseRealTime();
  constexpr drivers::sdl::FrameScaler::Format kRgb565{2, 0xF800, 0x07E0, 0x001F, 0};
  constexpr drivers::sdl::FrameScaler::Format kXrgb{4, 0xFF0000, 0xFF00, 0xFF, 0};
  for (const Screen screen :
       {Screen{"rgb565_640x480", 640, 480, kRgb565}, Screen{"xrgb_640x480", 640, 480, kXrgb},
        Screen{"xrgb_800x600", 800, 600, kXrgb}, Screen{"xrgb_1440x1080", 1440, 1080, kXrgb}}) {
    benchmark::RegisterBenchmark((std::string("ours/frame_scaler/") + screen.name).c_str(), Scale,
                                 screen)
        ->UseRealTime();
  }
}

}  // namespace bench
