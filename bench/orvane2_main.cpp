// orvane2_bench: orvane2's whole pass beside the SDL2 pass with its two sprites and the fill
// floor. orvane2's sprite set is linked in.
#include <cstdio>
#include <exception>

#include "bench/kit.h"

int main(int argc, char** argv) {
  try {
    bench::OpenHeadless();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane2_bench: %s\n", e.what());
    return 1;
  }
  bench::RegisterFloors();
  bench::RegisterPass("orvane2");
  bench::RegisterSdlPass(bench::kOrvane2Sprites);

  const bench::Summary summary{
      .comparisons =
          {
              {"orvane2 pass / SDL2 pass (2 sprites)", "ours/pass/orvane2", "sdl2/pass/sprites:2",
               0.25},
              {"orvane2 pass / fill floor (memset)", "ours/pass/orvane2", "floor/memset", 4},
          },
      .counters = {},
  };
  const int status = bench::Run(argc, argv, summary);
  bench::CloseHeadless();
  return status;
}
