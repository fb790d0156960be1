// Our drawing operations through the surface service, as the display module calls them: each
// passes the trace door (closed here) and checks its arguments, then runs its inner loop.
#include <benchmark/benchmark.h>

#include "bench/kit.h"

namespace bench {
namespace {

constexpr Long kBackdrop = 0x1234;  // not two equal bytes: a true 16-bit fill

void Fill(benchmark::State& state) {
  try {
    DirectDrawSurface7& back = runtime::Object(BackBuffer);
    RECT whole{0, 0, kScreenWidth, kScreenHeight};
    for (auto _ : state) {
      back.BltColorFill(whole, kBackdrop);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
  } catch (const runtime::Error& e) {
    state.SkipWithError(e.what());
  }
}

void Text(benchmark::State& state) {
  try {
    DirectDrawSurface7& back = runtime::Object(BackBuffer);
    for (auto _ : state) {
      back.DrawText(kTextX, kMeasuredLine.y, kMeasuredLine.text, false);
      benchmark::ClobberMemory();
    }
  } catch (const runtime::Error& e) {
    state.SkipWithError(e.what());
  }
}

// A keyed blit of sprite frame 0 to (100, 100), scaled to size x size.
void Blit(benchmark::State& state, Long size) {
  try {
    DirectDrawSurface7& back = runtime::Object(BackBuffer);
    const Surface frame = LoadSpriteFrame(0);
    RECT source{0, 0, kSpriteSize, kSpriteSize};
    RECT dest{100, 100, 100 + size, 100 + size};
    for (auto _ : state) {
      back.Blt(dest, frame, source, DDBLT_KEYSRC | DDBLT_WAIT);
      benchmark::ClobberMemory();
    }
  } catch (const runtime::Error& e) {
    state.SkipWithError(e.what());
  }
}

// The headless flip: the chain swaps its buffers and the memory display copies the new front.
void Flip(benchmark::State& state) {
  try {
    DirectDrawSurface7& primary = runtime::Object(Primary);
    for (auto _ : state) {
      primary.Flip(nullptr, DDFLIP_WAIT);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
  } catch (const runtime::Error& e) {
    state.SkipWithError(e.what());
  }
}

}  // namespace

void RegisterOurDrawing() {
  benchmark::RegisterBenchmark("ours/fill", Fill)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("ours/text", Text);
  benchmark::RegisterBenchmark("ours/blit_keyed/60to60", Blit, 60);
  benchmark::RegisterBenchmark("ours/blit_keyed/60to61", Blit, 61);
  benchmark::RegisterBenchmark("ours/blit_keyed/60to30", Blit, 30);
  benchmark::RegisterBenchmark("ours/flip", Flip)->Unit(benchmark::kMicrosecond);
}

}  // namespace bench
