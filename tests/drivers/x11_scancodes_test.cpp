// The key table: an X keycode (evdev) or an SDL scancode gives the key's set-1 scan code, the same
// for both, and a key the table does not know gives 0.
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include "platform/drivers/sdl/sdl.h"

namespace {

using drivers::sdl::ScanCodeOfSdlScancode;
using drivers::sdl::ScanCodeOfXKeycode;

struct KeyCase {
  const char* name;
  unsigned xKeycode;
  SDL_Scancode sdl;
  int set1;
};

// X keycodes as Xorg and Xvfb number them with the evdev rules (xev shows them).
const KeyCase kKeyCases[] = {
    {"Escape", 9, SDL_SCANCODE_ESCAPE, 1},
    {"I", 31, SDL_SCANCODE_I, 23},
    {"O", 32, SDL_SCANCODE_O, 24},
    {"A", 38, SDL_SCANCODE_A, 30},
    {"M", 58, SDL_SCANCODE_M, 50},
    {"Digit0", 19, SDL_SCANCODE_0, 11},
    {"Space", 65, SDL_SCANCODE_SPACE, 57},
    {"Up", 111, SDL_SCANCODE_UP, 200},
    {"Down", 116, SDL_SCANCODE_DOWN, 208},
    {"Left", 113, SDL_SCANCODE_LEFT, 203},
    {"Right", 114, SDL_SCANCODE_RIGHT, 205},
    // The keypad's 8 4 6 2 are arrows too with Num Lock off, but other keys.
    {"Keypad8", 80, SDL_SCANCODE_KP_8, 72},
    {"Keypad2", 88, SDL_SCANCODE_KP_2, 80},
    {"Keypad4", 83, SDL_SCANCODE_KP_4, 75},
    {"Keypad6", 85, SDL_SCANCODE_KP_6, 77},
    {"KeypadEnter", 104, SDL_SCANCODE_KP_ENTER, 156},
    {"KeypadSlash", 106, SDL_SCANCODE_KP_DIVIDE, 181},
    {"Enter", 36, SDL_SCANCODE_RETURN, 28},
    {"LeftControl", 37, SDL_SCANCODE_LCTRL, 29},
    {"RightControl", 105, SDL_SCANCODE_RCTRL, 157},
    {"RightAlt", 108, SDL_SCANCODE_RALT, 184},
    {"F10", 76, SDL_SCANCODE_F10, 68},
    {"F11", 95, SDL_SCANCODE_F11, 87},
    {"F12", 96, SDL_SCANCODE_F12, 88},
    {"Home", 110, SDL_SCANCODE_HOME, 199},
    {"PageDown", 117, SDL_SCANCODE_PAGEDOWN, 209},
    {"Delete", 119, SDL_SCANCODE_DELETE, 211},
    {"LeftWindows", 133, SDL_SCANCODE_LGUI, 219},
    {"Menu", 135, SDL_SCANCODE_APPLICATION, 221},
};

TEST(KeyTable, KnownKeysGiveTheirScanCode) {
  for (const KeyCase& key : kKeyCases) {
    SCOPED_TRACE(key.name);
    EXPECT_EQ(ScanCodeOfXKeycode(key.xKeycode), key.set1);
    EXPECT_EQ(ScanCodeOfSdlScancode(key.sdl), key.set1);
  }
}

TEST(KeyTable, KeysWithoutAScanCodeGiveZero) {
  const struct {
    const char* name;
    unsigned xKeycode;
  } xCases[] = {
      {"below the first key", 0}, {"evdev reserved", 8},      {"Zenkaku/Hankaku", 93},
      {"last keycode", 255},      {"past the keycodes", 256}, {"far past", 100000},
  };
  for (const auto& c : xCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScanCodeOfXKeycode(c.xKeycode), 0);
  }
  const struct {
    const char* name;
    int sdl;
  } sdlCases[] = {
      {"unknown", SDL_SCANCODE_UNKNOWN},
      {"F13", SDL_SCANCODE_F13},
      {"negative", -1},
      {"past the scancodes", SDL_NUM_SCANCODES},
  };
  for (const auto& c : sdlCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScanCodeOfSdlScancode(c.sdl), 0);
  }
}

}  // namespace
