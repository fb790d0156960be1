// The peers: the C library's memset and memcpy over the display's 614,400 bytes (the floors of a
// fill and of a copy), and SDL2 / SDL2_ttf doing what our drawing operations and a whole pass do,
// on RGB565 surfaces with the same sprite pixels and colour key.
#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/kit.h"

namespace bench {
namespace {

constexpr std::uint16_t kBackdrop = 0x1234;  // not two equal bytes: a true 16-bit fill

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const noexcept { SDL_FreeSurface(surface); }
};
using SdlSurface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

[[noreturn]] void FailSdl(const std::string& what) {
  throw std::runtime_error(what + ": " + SDL_GetError());
}

SdlSurface NewRgb565(int width, int height) {
  SdlSurface surface(
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 16, SDL_PIXELFORMAT_RGB565));
  if (!surface) FailSdl("SDL_CreateRGBSurfaceWithFormat");
  return surface;
}

// Frame 0 of the sprite as a keyed SDL surface: our frame's pixels and key.
SdlSurface SpriteSurface() {
  const Surface frame = LoadSpriteFrame(0);
  SdlSurface sprite = NewRgb565(kSpriteSize, kSpriteSize);
  const std::size_t rowBytes = kSpriteSize * sizeof(std::uint16_t);
  for (int y = 0; y < kSpriteSize; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(sprite->pixels) + y * sprite->pitch,
                frame->pixels() + y * kSpriteSize, rowBytes);
  }
  if (SDL_SetColorKey(sprite.get(), SDL_TRUE, 0) != 0) FailSdl("SDL_SetColorKey");
  return sprite;
}

// SDL2_ttf with the interface font (DejaVu Sans Bold, 13 px), rendering lines once into keyed
// RGB565 surfaces that are then only blitted, the cheapest way SDL2 draws cached text.
class TextRenderer {
 public:
  TextRenderer() {
    if (TTF_Init() != 0) FailSdl("TTF_Init");
    font_ = TTF_OpenFont(ORVANE_BENCH_FONT, 13);
    if (font_ == nullptr) {
      TTF_Quit();
      FailSdl(std::string("TTF_OpenFont ") + ORVANE_BENCH_FONT);
    }
  }
  ~TextRenderer() {
    TTF_CloseFont(font_);
    TTF_Quit();
  }
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  SdlSurface Line(std::string_view text) const {
    const SdlSurface rendered(
        TTF_RenderUTF8_Solid(font_, std::string(text).c_str(), SDL_Color{255, 255, 255, 255}));
    if (!rendered) FailSdl("TTF_RenderUTF8_Solid");
    SdlSurface line(SDL_ConvertSurfaceFormat(rendered.get(), SDL_PIXELFORMAT_RGB565, 0));
    if (!line) FailSdl("SDL_ConvertSurfaceFormat");
    // The conversion carries the background's key over; without it the blit would cover the
    // line's whole box.
    if (SDL_HasColorKey(line.get()) != SDL_TRUE) {
      throw std::runtime_error("SDL_ConvertSurfaceFormat left the text line without its key");
    }
    return line;
  }

 private:
  TTF_Font* font_ = nullptr;
};

// Stops the benchmark with SDL's error when an SDL call failed.
bool Failed(int result, benchmark::State& state, const char* what) {
  if (result >= 0) return false;
  state.SkipWithError((std::string(what) + ": " + SDL_GetError()).c_str());
  return true;
}

void MemsetFloor(benchmark::State& state) {
  std::vector<std::uint16_t> screen(kScreenPixels);
  benchmark::DoNotOptimize(screen.data());
  for (auto _ : state) {
    std::memset(screen.data(), 0x5A, kScreenBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
}

void MemcpyFloor(benchmark::State& state) {
  std::vector<std::uint16_t> back(kScreenPixels, kBackdrop);
  std::vector<std::uint16_t> front(kScreenPixels);
  benchmark::DoNotOptimize(back.data());
  benchmark::DoNotOptimize(front.data());
  for (auto _ : state) {
    std::memcpy(front.data(), back.data(), kScreenBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
}

void SdlFill(benchmark::State& state) {
  try {
    const SdlSurface screen = NewRgb565(kScreenWidth, kScreenHeight);
    for (auto _ : state) {
      if (Failed(SDL_FillRect(screen.get(), nullptr, kBackdrop), state, "SDL_FillRect")) break;
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScreenBytes));
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

// A keyed blit of the sprite to (100, 100), scaled to size x size.
void SdlBlit(benchmark::State& state, int size) {
  try {
    const SdlSurface screen = NewRgb565(kScreenWidth, kScreenHeight);
    const SdlSurface sprite = SpriteSurface();
    const bool scaled = size != kSpriteSize;
    for (auto _ : state) {
      SDL_Rect dest{100, 100, size, size};  // the blit clips it in place
      const int result = scaled ? SDL_BlitScaled(sprite.get(), nullptr, screen.get(), &dest)
                                : SDL_BlitSurface(sprite.get(), nullptr, screen.get(), &dest);
      if (Failed(result, state, scaled ? "SDL_BlitScaled" : "SDL_BlitSurface")) break;
      benchmark::ClobberMemory();
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void SdlText(benchmark::State& state) {
  try {
    const SdlSurface screen = NewRgb565(kScreenWidth, kScreenHeight);
    const TextRenderer text;
    const SdlSurface line = text.Line(kMeasuredLine.text);
    for (auto _ : state) {
      SDL_Rect at{kTextX, kMeasuredLine.y, line->w, line->h};
      if (Failed(SDL_BlitSurface(line.get(), nullptr, screen.get(), &at), state,
                 "SDL_BlitSurface")) {
        break;
      }
      benchmark::ClobberMemory();
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void SdlPass(benchmark::State& state, std::span<const Long> spriteLefts) {
  try {
    const SdlSurface screen = NewRgb565(kScreenWidth, kScreenHeight);
    const SdlSurface sprite = SpriteSurface();
    const TextRenderer text;
    std::vector<SdlSurface> lines;
    for (const TextLine& line : kHelpText) lines.push_back(text.Line(line.text));
    std::vector<std::uint16_t> shown(kScreenPixels);  // what a display would show
    for (auto _ : state) {
      if (Failed(SDL_FillRect(screen.get(), nullptr, kBackdrop), state, "SDL_FillRect")) break;
      bool failed = false;
      for (std::size_t i = 0; i < lines.size() && !failed; ++i) {
        SDL_Rect at{kTextX, kHelpText[i].y, lines[i]->w, lines[i]->h};
        failed = Failed(SDL_BlitSurface(lines[i].get(), nullptr, screen.get(), &at), state,
                        "SDL_BlitSurface");
      }
      for (std::size_t i = 0; i < spriteLefts.size() && !failed; ++i) {
        SDL_Rect dest{spriteLefts[i], spriteLefts[i], kSpriteSize, kSpriteSize};
        failed = Failed(SDL_BlitScaled(sprite.get(), nullptr, screen.get(), &dest), state,
                        "SDL_BlitScaled");
      }
      if (failed) break;
      std::memcpy(shown.data(), screen->pixels, kScreenBytes);
      benchmark::ClobberMemory();
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

}  // namespace

void RegisterFloors() {
  benchmark::RegisterBenchmark("floor/memset", MemsetFloor)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("floor/memcpy", MemcpyFloor)->Unit(benchmark::kMicrosecond);
}

void RegisterSdlDrawing() {
  benchmark::RegisterBenchmark("sdl2/FillRect", SdlFill)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("sdl2_ttf/text", SdlText);
  benchmark::RegisterBenchmark("sdl2/BlitSurface/60to60", SdlBlit, 60);
  benchmark::RegisterBenchmark("sdl2/BlitScaled/60to61", SdlBlit, 61);
  benchmark::RegisterBenchmark("sdl2/BlitScaled/60to30", SdlBlit, 30);
}

void RegisterSdlPass(std::span<const Long> spriteLefts) {
  const std::string name = "sdl2/pass/sprites:" + std::to_string(spriteLefts.size());
  benchmark::RegisterBenchmark(name.c_str(), SdlPass, spriteLefts)
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace bench
