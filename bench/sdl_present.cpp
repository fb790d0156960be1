// The SDL2 driver's copy of a flipped frame to the screen: Present without waiting, on SDL's
// offscreen video driver with the software renderer (no display needed), beside the copy floor.
// The driver uploads the frame once into its streaming texture and then lets the renderer draw.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <exception>
#include <vector>

#include "bench/kit.h"
#include "platform/drivers/sdl/sdl.h"

namespace bench {
namespace {

void SdlPresent(benchmark::State& state) {
  try {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    std::unique_ptr<drivers::Video> video = drivers::sdl::OpenVideo(false);
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

}  // namespace

void RegisterSdlPresent() {
  benchmark::RegisterBenchmark("ours/sdl_present", SdlPresent)->UseRealTime();
}

}  // namespace bench
