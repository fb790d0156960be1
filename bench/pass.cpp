// One whole headless pass of the program linked in, as its main loop runs it: the keyboard read
// (the key commands find no key down), the sprites, the flip, the next backdrop and the window
// messages. A pass must allocate nothing.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/kit.h"
#include "ddraw/sprite_set.h"
#include "dinput/dinput.h"

namespace bench {
namespace {

void Pass(benchmark::State& state) {
  try {
    const std::size_t before = Allocations();
    for (auto _ : state) {
      ReadKeys();
      DrawSprites();
      FlipScreen();
      DrawBackdrop();
      runtime::DoEvents();
      benchmark::ClobberMemory();
    }
    const std::size_t allocated = Allocations() - before;
    if (allocated != 0) {
      state.SkipWithError(("a pass must allocate nothing, but " + std::to_string(allocated) +
                           " allocations were made in " + std::to_string(state.iterations()) +
                           " passes")
                              .c_str());
    }
  } catch (const runtime::Error& e) {
    state.SkipWithError(e.what());
  }
}

}  // namespace

void RegisterPass(std::string_view program) {
  const std::string name = "ours/pass/" + std::string(program);
  benchmark::RegisterBenchmark(name.c_str(), Pass)->Unit(benchmark::kMicrosecond);
}

}  // namespace bench
