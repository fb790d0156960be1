// The SDL driver: the form's window is an SDL window, the display is scaled into it with its
// aspect kept (black bars), and the keyboard is the system's own, read by physical key as PC set-1
// scan codes. The display is a streaming texture where a renderer draws it in hardware; where the
// renderer would rasterise on the processor anyway (SDL's software renderer, Mesa's llvmpipe) each
// frame is instead scaled straight into the window's own pixels by FrameScaler: one pass over
// them, no texture and no second copy. SDL_RENDER_DRIVER naming a renderer other than "software"
// keeps that renderer. The desktop's own mode is never changed: exclusive full screen is a window
// that covers the desktop.
//
// Platform environment, read by OpenVideo:
//   ORVANE_WINDOWED=0|1       1: exclusive full screen is a window of the mode's size instead
//   ORVANE_SCALE=fit|integer  the display on the screen: the largest aspect-kept size (fit, the
//                             default) or the largest whole multiple that fits, centred
// Called by: drivers::Open (OpenVideo, OpenKeyboard); the scan code tables also by their test.
// Guarantees: SDL installs no signal handlers, so Ctrl+C and SIGTERM end the process at once;
// with no display OpenVideo throws before any window exists.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/drivers/driver.h"

namespace drivers::sdl {

// What the run asks of the video driver beyond the window.
struct VideoUse {
  bool scripted = false;   // a key script drives the run: nobody would click a message box away
  bool keepShown = false;  // keep each presented frame for Shown() (the script's snaps)
};

// Reads ORVANE_WINDOWED and ORVANE_SCALE and starts SDL's video. Throws trace::BadEnvironment for
// a bad value or when SDL finds no display. Without keepShown, Shown() stays black.
std::unique_ptr<Video> OpenVideo(VideoUse use);

// The system keyboard of the display that `video` (made by OpenVideo) runs on. On X11 it reads
// every key also while another window has the focus; elsewhere only while the form's window has
// it. Throws trace::BadEnvironment when the display cannot be opened for reading the keyboard.
std::unique_ptr<Keyboard> OpenKeyboard(Video& video);

// The driver is a shared module (liborvane_driver_sdl.so beside the programs), so that SDL2 and
// its libraries load only when ORVANE_VIDEO=sdl asks for them. It exports this as
// "orvane_sdl_driver".
struct Entry {
  std::unique_ptr<Video> (*openVideo)(VideoUse use);
  std::unique_ptr<Keyboard> (*openKeyboard)(Video& video);
};

// Nearest-pixel scaling of an RGB565 frame into a rectangle of a window's pixels, in the window's
// own format: RGB565, or 32 bits with green in the second byte and red and blue in the first and
// third (either way round), the top byte an opaque alpha or unused. Destination pixel (x, y)
// takes the source pixel under its centre, ((2x + 1) * sourceW / (2 * destW), likewise for y), as
// a renderer's nearest filtering does. The source column and row of every destination pixel are
// worked out once by Configure; Scale then makes one pass over the destination and allocates
// nothing. Called by the SDL video driver (and its test).
class FrameScaler {
 public:
  struct Format {
    int bytesPerPixel;                      // 2 (RGB565) or 4
    std::uint32_t red, green, blue, alpha;  // the channels' bit masks; alpha is set in every pixel
  };
  // Whether Scale can write pixels of this layout.
  static bool Takes(const Format& format);
  // Sizes must be positive and the format one that Takes accepts; throws std::invalid_argument.
  void Configure(int sourceW, int sourceH, int destW, int destH, const Format& format);
  // Writes the destination pixels whose source lies within frame (a frame smaller than the
  // configured source leaves the rest as they are). target: the destination's top left.
  void Scale(const Picture& frame, std::uint8_t* target, int targetPitchBytes);

 private:
  Format format_{};
  int sourceW_ = 0;
  std::vector<std::int32_t> columns_;  // source column of each destination column
  std::vector<std::int32_t> rows_;     // source row of each destination row
  std::vector<std::uint16_t> wide_;    // one source row in the 4-byte format, as 16-bit halves
};

// The set-1 scan code of a key (extended keys with 0x80 added), or 0 for a key that has none:
// by X keycode (evdev, the Linux key code + 8) or by SDL scancode.
std::uint8_t ScanCodeOfXKeycode(unsigned keycode);
std::uint8_t ScanCodeOfSdlScancode(int scancode);

}  // namespace drivers::sdl
