// orvane_bench: our drawing operations, orvane's whole pass and orvane2's start-up, each beside
// its peers. orvane's sprite set is linked in.
#include <cstdio>
#include <exception>

#include "bench/kit.h"

int main(int argc, char** argv) {
  try {
    bench::OpenHeadless();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane_bench: %s\n", e.what());
    return 1;
  }
  bench::RegisterFloors();
  bench::RegisterOurDrawing();
  bench::RegisterSdlDrawing();
  bench::RegisterPass("orvane");
  bench::RegisterSdlPass(bench::kOrvaneSprites);
  bench::RegisterStartups();
  bench::RegisterSdlPresent();

  const bench::Summary summary{
      .comparisons =
          {
              {"fill 640x480 / fill floor (memset)", "ours/fill", "floor/memset", 1.25},
              {"fill 640x480 / SDL_FillRect", "ours/fill", "sdl2/FillRect", 0},
              {"one text line / SDL2_ttf cached blit", "ours/text", "sdl2_ttf/text", 0},
              {"keyed blit 60->60 / SDL_BlitSurface", "ours/blit_keyed/60to60",
               "sdl2/BlitSurface/60to60", 0},
              {"keyed blit 60->61 / SDL_BlitScaled", "ours/blit_keyed/60to61",
               "sdl2/BlitScaled/60to61", 0.25},
              {"keyed blit 60->30 / SDL_BlitScaled", "ours/blit_keyed/60to30",
               "sdl2/BlitScaled/60to30", 0.25},
              {"flip (headless) / copy floor (memcpy)", "ours/flip", "floor/memcpy", 0},
              {"orvane pass / SDL2 pass (1 sprite)", "ours/pass/orvane", "sdl2/pass/sprites:1",
               0.25},
              {"orvane pass / fill floor (memset)", "ours/pass/orvane", "floor/memset", 4},
              {"orvane2 start-up / SDL2 start-up", "ours/startup/orvane2", "sdl2/startup", 0.75},
              {"SDL2 Present, 640x480 window / copy floor", "ours/sdl_present/direct",
               "floor/memcpy", 2},
              {"SDL2 Present, direct / via a renderer", "ours/sdl_present/direct",
               "ours/sdl_present/renderer", 0},
              {"scale into 16-bit 640x480 / copy floor", "ours/frame_scaler/rgb565_640x480",
               "floor/memcpy", 0},
              {"scale into 32-bit 640x480 / copy floor", "ours/frame_scaler/xrgb_640x480",
               "floor/memcpy", 0},
              {"scale into 32-bit 800x600 / copy floor", "ours/frame_scaler/xrgb_800x600",
               "floor/memcpy", 0},
              {"scale into 32-bit 1440x1080 / copy floor", "ours/frame_scaler/xrgb_1440x1080",
               "floor/memcpy", 0},
          },
      .counters =
          {
              {"orvane2 headless run, peak memory", "ours/startup/orvane2", "peak_MiB", 16},
              {"SDL2 start-up peer, peak memory", "sdl2/startup", "peak_MiB", 0},
          },
  };
  const int status = bench::Run(argc, argv, summary);
  bench::CloseHeadless();
  return status;
}
