// What the benchmark executables share: the headless platform opened in the benchmark's own
// process, the peers (the C library's memset/memcpy, SDL2 and SDL2_ttf doing the same work as
// ours), one whole headless pass of the program linked in, whole-process start-ups, and the run
// that ends with a table of ratios, ours against each peer.
//
// Each program's sprite set is chosen at link time, so each program has its own executable
// (orvane_bench, orvane2_bench); both link this kit and register what they measure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ddraw/ddraw.h"

namespace bench {

inline constexpr Long kScreenWidth = 640;
inline constexpr Long kScreenHeight = 480;
inline constexpr std::size_t kScreenPixels = 640 * 480;
inline constexpr std::size_t kScreenBytes = kScreenPixels * sizeof(std::uint16_t);  // 614,400
inline constexpr Integer kSpriteSize = 60;

// The help text as the display module writes it: left edge 100, these tops and lines.
struct TextLine {
  Long y;
  std::string_view text;
};
inline constexpr Long kTextX = 100;
inline constexpr TextLine kHelpText[] = {
    {100, "Press ESC to exit"},
    {120, "Left or Right arrows to animate"},
    {140, "'O' button zooms out, 'I' zooms back in"},
    {160, "and Up or Down arrows to change backdrop."},
};
// The line measured alone: the longest.
inline constexpr TextLine kMeasuredLine = kHelpText[3];

// Where the sprites of a pass stand (left = top): orvane's one at the top left, orvane2's two on
// the diagonal.
inline constexpr Long kOrvaneSprites[] = {0};
inline constexpr Long kOrvane2Sprites[] = {100, 200};

// --- The platform, headless, in this process ---

// Opens the platform headless (no trace, no failpoints, no key script: the headless keyboard)
// and sets up the display and keyboard as the program's start does (InitDDraw, InitDInput).
// Throws std::runtime_error when set-up fails.
void OpenHeadless();
// Gives the display and keyboard back, so nothing is left for static destruction.
void CloseHeadless();
// A colour-keyed 60 x 60 frame surface from the sprite set's bitmap resources, key 0.
Surface LoadSpriteFrame(Integer index);

// --- Registration ---

// floor/memset and floor/memcpy over 614,400 bytes.
void RegisterFloors();
// sdl2/FillRect, sdl2/BlitSurface/60to60, sdl2/BlitScaled/60to61 and 60to30 (keyed, RGB565),
// sdl2_ttf/text (one cached line blitted).
void RegisterSdlDrawing();
// ours/fill (BltColorFill of the whole back buffer), ours/text (one help line),
// ours/blit_keyed/60to60, 60to61 and 60to30 (sprite frame 0 by Blt with DDBLT_KEYSRC),
// ours/flip (headless).
void RegisterOurDrawing();
// sdl2/pass/sprites:N: SDL_FillRect, 4 cached text blits, a keyed SDL_BlitScaled at each of the
// N sprite positions, a copy of the frame standing in for the flip.
void RegisterSdlPass(std::span<const Long> spriteLefts);
// ours/pass/<program>: ReadKeys, DrawSprites, FlipScreen, DrawBackdrop, DoEvents, as the main
// loop runs them. Fails when a pass allocates.
void RegisterPass(std::string_view program);
// ours/startup/orvane2 (headless, key script "hold 1 ESC") and sdl2/startup (the peer program on
// SDL's dummy video driver): each a whole process from spawn to exit, with its peak resident
// memory as the counter peak_MiB.
void RegisterStartups();
// ours/sdl_present/direct and /renderer: the SDL2 driver's Present of a 640x480 frame into a
// window of its size on SDL's offscreen driver, written directly and through a renderer's
// texture; ours/frame_scaler/<screen>: the direct path's scaling alone, in memory, for 16- and
// 32-bit screens.
void RegisterSdlPresent();

// --- The run and its summary ---

// ours / peer, met when it is at most `limit`.
struct Comparison {
  std::string what;
  std::string ours;
  std::string peer;
  double limit;  // 0: no goal, reported only
};
// A counter of one benchmark, met when at most `limit`.
struct CounterGoal {
  std::string what;
  std::string benchmark;
  std::string counter;
  double limit;
};
struct Summary {
  std::vector<Comparison> comparisons;
  std::vector<CounterGoal> counters;
};

// Runs the registered benchmarks with the usual Google Benchmark flags plus
// --summary_out=FILE (the table as tab-separated values), then prints the table: each
// benchmark's median real time over the repetitions, ours / peer, the goal and whether it is met.
// Returns 1 when a benchmark failed or a flag was bad, else 0 (goals decide nothing here).
int Run(int argc, char** argv, const Summary& summary);

// Global operator new calls in this process so far.
std::size_t Allocations();

}  // namespace bench
