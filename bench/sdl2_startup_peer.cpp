// The start-up peer: what an SDL2 program of this kind does before its first frame, then exits.
// On SDL's video driver from SDL_VIDEODRIVER (the benchmark sets dummy) it starts the video
// subsystem, creates 80 colour-keyed 60 x 60 RGB565 surfaces (two sprites' 40 frames) and opens
// the interface font at 13 px with SDL2_ttf.
//   sdl2_startup_peer FONT_FILE
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const noexcept { SDL_FreeSurface(surface); }
};

int Fail(const char* what) {
  std::fprintf(stderr, "sdl2_startup_peer: %s: %s\n", what, SDL_GetError());
  return 1;
}

int Run(const char* fontFile) {
  std::vector<std::unique_ptr<SDL_Surface, SurfaceDeleter>> frames;
  for (int i = 0; i < 80; ++i) {
    frames.emplace_back(SDL_CreateRGBSurfaceWithFormat(0, 60, 60, 16, SDL_PIXELFORMAT_RGB565));
    if (!frames.back()) return Fail("SDL_CreateRGBSurfaceWithFormat");
    if (SDL_SetColorKey(frames.back().get(), SDL_TRUE, 0) != 0) return Fail("SDL_SetColorKey");
  }
  if (TTF_Init() != 0) return Fail("TTF_Init");
  TTF_Font* font = TTF_OpenFont(fontFile, 13);
  if (font == nullptr) {
    std::fprintf(stderr, "sdl2_startup_peer: TTF_OpenFont %s: %s\n", fontFile, SDL_GetError());
    TTF_Quit();
    return 1;
  }
  TTF_CloseFont(font);
  TTF_Quit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "sdl2_startup_peer: usage: sdl2_startup_peer FONT_FILE\n");
    return 2;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return Fail("SDL_Init");
  const int status = Run(argv[1]);
  SDL_Quit();
  return status;
}
