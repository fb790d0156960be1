// The SDL driver: the form's window is an SDL window, the display a streaming texture scaled into
// it with its aspect kept (black bars), and the keyboard the system's own, read by physical key as
// PC set-1 scan codes. The desktop's own mode is never changed: exclusive full screen is a window
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

#include "platform/drivers/driver.h"

namespace drivers::sdl {

// Reads ORVANE_WINDOWED and ORVANE_SCALE and starts SDL's video. Throws trace::BadEnvironment for
// a bad value or when SDL finds no display. When scripted (a key script drives the run) each
// presented frame is also kept for Shown(), for the script's snaps, and reports show no message
// box; otherwise presenting is one copy and Shown() stays black.
std::unique_ptr<Video> OpenVideo(bool scripted);

// The system keyboard of the display that `video` (made by OpenVideo) runs on. On X11 it reads
// every key also while another window has the focus; elsewhere only while the form's window has
// it. Throws trace::BadEnvironment when the display cannot be opened for reading the keyboard.
std::unique_ptr<Keyboard> OpenKeyboard(Video& video);

// The driver is a shared module (liborvane_driver_sdl.so beside the programs), so that SDL2 and
// its libraries load only when ORVANE_VIDEO=sdl asks for them. It exports this as
// "orvane_sdl_driver".
struct Entry {
  std::unique_ptr<Video> (*openVideo)(bool scripted);
  std::unique_ptr<Keyboard> (*openKeyboard)(Video& video);
};

// The set-1 scan code of a key (extended keys with 0x80 added), or 0 for a key that has none:
// by X keycode (evdev, the Linux key code + 8) or by SDL scancode.
std::uint8_t ScanCodeOfXKeycode(unsigned keycode);
std::uint8_t ScanCodeOfSdlScancode(int scancode);

}  // namespace drivers::sdl
