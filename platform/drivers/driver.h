// The drivers under the platform services: one video driver (the form's window, the display and
// its presentation) and one keyboard driver (the immediate state of every key, by scan code).
//
// `Open` chooses both, once, at start: the video driver by ORVANE_VIDEO ("sdl", the default, or
// "headless"), the keyboard by ORVANE_KEYS (a key script, with either video driver) or else the
// video driver's own keyboard. Called by: the run time (Open, Close, the window), the display
// service (modes and presentation) and the keyboard service (Poll).
// Guarantees: a bad environment value or key script is refused by Open with trace::BadEnvironment
// before any window exists; after Open every call below is valid until Close.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace drivers {

// The form's window as designed: created hidden, shown later.
struct WindowSettings {
  std::string_view caption;
  std::int32_t width;   // client area, pixels
  std::int32_t height;
  std::uint32_t background;  // 0xRRGGBB
  bool border;
  bool inTaskbar;
};

// A picture of 16-bit RGB565 pixels; pitch in pixels.
struct Picture {
  const std::uint16_t* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t pitch;
};

class Video {
 public:
  virtual ~Video() = default;

  // Creates the form's window, hidden, and returns its handle (never 0).
  virtual std::int32_t CreateWindow(const WindowSettings& settings) = 0;
  virtual void ShowWindow() = 0;
  // Handles every pending window message and returns.
  virtual void HandleMessages() = 0;

  // Exclusive full screen on the form's window, or back to the window as designed.
  virtual void SetExclusive(bool exclusive) = 0;
  // Whether the display can run at this mode.
  virtual bool CanSetMode(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel) = 0;
  virtual void SetMode(std::int32_t width, std::int32_t height) = 0;
  virtual void RestoreMode() = 0;

  // Shows a frame of the current mode's size. With wait, returns at the display's next refresh.
  virtual void Present(const Picture& frame, bool wait) = 0;
  // What the display shows now: the last frame presented, or black at the display's size.
  virtual Picture Shown() = 0;

  // Shows the report of an error that no handler took, where somebody can read it.
  virtual void ShowReport(std::string_view text) = 0;
};

class Keyboard {
 public:
  virtual ~Keyboard() = default;
  // Fills all 256 bytes: nonzero for a key that is down now. False: the keyboard cannot be read.
  virtual bool Poll(std::array<std::uint8_t, 256>& state) = 0;
  // The process is ending: finish what is left (a key script's last snaps).
  virtual void Finish() = 0;
};

// Reads ORVANE_VIDEO and ORVANE_KEYS and opens the drivers. Throws trace::BadEnvironment.
void Open();
// Finishes the keyboard and closes both drivers; safe to call more than once.
void Close();
bool Scripted();  // the keyboard is a key script: nobody is at the screen

Video& video();
Keyboard& keyboard();

}  // namespace drivers
