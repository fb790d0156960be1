// The one table of keys: each physical key's set-1 scan code, Linux (evdev) key code and SDL
// scancode. The X keycode of a key is its evdev code + 8 on every X server that uses the evdev
// keycodes (Xorg and Xvfb on Linux, XWayland).
#include <SDL_scancode.h>

#include <array>

#include "platform/drivers/sdl/sdl.h"

namespace drivers::sdl {
namespace {

struct Key {
  std::uint8_t set1;
  std::uint8_t evdev;
  SDL_Scancode sdl;
};

constexpr Key kKeys[] = {
    {1, 1, SDL_SCANCODE_ESCAPE},
    {2, 2, SDL_SCANCODE_1},
    {3, 3, SDL_SCANCODE_2},
    {4, 4, SDL_SCANCODE_3},
    {5, 5, SDL_SCANCODE_4},
    {6, 6, SDL_SCANCODE_5},
    {7, 7, SDL_SCANCODE_6},
    {8, 8, SDL_SCANCODE_7},
    {9, 9, SDL_SCANCODE_8},
    {10, 10, SDL_SCANCODE_9},
    {11, 11, SDL_SCANCODE_0},
    {12, 12, SDL_SCANCODE_MINUS},
    {13, 13, SDL_SCANCODE_EQUALS},
    {14, 14, SDL_SCANCODE_BACKSPACE},
    {15, 15, SDL_SCANCODE_TAB},
    {16, 16, SDL_SCANCODE_Q},
    {17, 17, SDL_SCANCODE_W},
    {18, 18, SDL_SCANCODE_E},
    {19, 19, SDL_SCANCODE_R},
    {20, 20, SDL_SCANCODE_T},
    {21, 21, SDL_SCANCODE_Y},
    {22, 22, SDL_SCANCODE_U},
    {23, 23, SDL_SCANCODE_I},
    {24, 24, SDL_SCANCODE_O},
    {25, 25, SDL_SCANCODE_P},
    {26, 26, SDL_SCANCODE_LEFTBRACKET},
    {27, 27, SDL_SCANCODE_RIGHTBRACKET},
    {28, 28, SDL_SCANCODE_RETURN},
    {29, 29, SDL_SCANCODE_LCTRL},
    {30, 30, SDL_SCANCODE_A},
    {31, 31, SDL_SCANCODE_S},
    {32, 32, SDL_SCANCODE_D},
    {33, 33, SDL_SCANCODE_F},
    {34, 34, SDL_SCANCODE_G},
    {35, 35, SDL_SCANCODE_H},
    {36, 36, SDL_SCANCODE_J},
    {37, 37, SDL_SCANCODE_K},
    {38, 38, SDL_SCANCODE_L},
    {39, 39, SDL_SCANCODE_SEMICOLON},
    {40, 40, SDL_SCANCODE_APOSTROPHE},
    {41, 41, SDL_SCANCODE_GRAVE},
    {42, 42, SDL_SCANCODE_LSHIFT},
    {43, 43, SDL_SCANCODE_BACKSLASH},
    {44, 44, SDL_SCANCODE_Z},
    {45, 45, SDL_SCANCODE_X},
    {46, 46, SDL_SCANCODE_C},
    {47, 47, SDL_SCANCODE_V},
    {48, 48, SDL_SCANCODE_B},
    {49, 49, SDL_SCANCODE_N},
    {50, 50, SDL_SCANCODE_M},
    {51, 51, SDL_SCANCODE_COMMA},
    {52, 52, SDL_SCANCODE_PERIOD},
    {53, 53, SDL_SCANCODE_SLASH},
    {54, 54, SDL_SCANCODE_RSHIFT},
    {55, 55, SDL_SCANCODE_KP_MULTIPLY},
    {56, 56, SDL_SCANCODE_LALT},
    {57, 57, SDL_SCANCODE_SPACE},
    {58, 58, SDL_SCANCODE_CAPSLOCK},
    {59, 59, SDL_SCANCODE_F1},
    {60, 60, SDL_SCANCODE_F2},
    {61, 61, SDL_SCANCODE_F3},
    {62, 62, SDL_SCANCODE_F4},
    {63, 63, SDL_SCANCODE_F5},
    {64, 64, SDL_SCANCODE_F6},
    {65, 65, SDL_SCANCODE_F7},
    {66, 66, SDL_SCANCODE_F8},
    {67, 67, SDL_SCANCODE_F9},
    {68, 68, SDL_SCANCODE_F10},
    {69, 69, SDL_SCANCODE_NUMLOCKCLEAR},
    {70, 70, SDL_SCANCODE_SCROLLLOCK},
    {71, 71, SDL_SCANCODE_KP_7},
    {72, 72, SDL_SCANCODE_KP_8},
    {73, 73, SDL_SCANCODE_KP_9},
    {74, 74, SDL_SCANCODE_KP_MINUS},
    {75, 75, SDL_SCANCODE_KP_4},
    {76, 76, SDL_SCANCODE_KP_5},
    {77, 77, SDL_SCANCODE_KP_6},
    {78, 78, SDL_SCANCODE_KP_PLUS},
    {79, 79, SDL_SCANCODE_KP_1},
    {80, 80, SDL_SCANCODE_KP_2},
    {81, 81, SDL_SCANCODE_KP_3},
    {82, 82, SDL_SCANCODE_KP_0},
    {83, 83, SDL_SCANCODE_KP_PERIOD},
    {86, 86, SDL_SCANCODE_NONUSBACKSLASH},  // the extra key beside left Shift
    {87, 87, SDL_SCANCODE_F11},
    {88, 88, SDL_SCANCODE_F12},
    // Extended keys: set-1 sends them after an E0 prefix; their codes have 0x80 added.
    {156, 96, SDL_SCANCODE_KP_ENTER},
    {157, 97, SDL_SCANCODE_RCTRL},
    {181, 98, SDL_SCANCODE_KP_DIVIDE},
    {183, 99, SDL_SCANCODE_PRINTSCREEN},
    {184, 100, SDL_SCANCODE_RALT},
    {197, 119, SDL_SCANCODE_PAUSE},
    {199, 102, SDL_SCANCODE_HOME},
    {200, 103, SDL_SCANCODE_UP},
    {201, 104, SDL_SCANCODE_PAGEUP},
    {203, 105, SDL_SCANCODE_LEFT},
    {205, 106, SDL_SCANCODE_RIGHT},
    {207, 107, SDL_SCANCODE_END},
    {208, 108, SDL_SCANCODE_DOWN},
    {209, 109, SDL_SCANCODE_PAGEDOWN},
    {210, 110, SDL_SCANCODE_INSERT},
    {211, 111, SDL_SCANCODE_DELETE},
    {219, 125, SDL_SCANCODE_LGUI},
    {220, 126, SDL_SCANCODE_RGUI},
    {221, 127, SDL_SCANCODE_APPLICATION},
};

constexpr unsigned kXKeycodeOffset = 8;

// No two keys share a scan code, an evdev code or an SDL scancode.
constexpr bool AllDistinct() {
  for (const Key& a : kKeys) {
    int same = 0;
    for (const Key& b : kKeys) same += (a.set1 == b.set1) + (a.evdev == b.evdev) + (a.sdl == b.sdl);
    if (same != 3) return false;
  }
  return true;
}
static_assert(AllDistinct(), "a key is in the table twice");

constexpr auto kByXKeycode = [] {
  std::array<std::uint8_t, 256> table{};
  for (const Key& key : kKeys) table[key.evdev + kXKeycodeOffset] = key.set1;
  return table;
}();

constexpr auto kBySdlScancode = [] {
  std::array<std::uint8_t, SDL_NUM_SCANCODES> table{};
  for (const Key& key : kKeys) table[key.sdl] = key.set1;
  return table;
}();

}  // namespace

std::uint8_t ScanCodeOfXKeycode(unsigned keycode) {
  return keycode < kByXKeycode.size() ? kByXKeycode[keycode] : 0;
}

std::uint8_t ScanCodeOfSdlScancode(int scancode) {
  return scancode >= 0 && static_cast<std::size_t>(scancode) < kBySdlScancode.size()
             ? kBySdlScancode[static_cast<std::size_t>(scancode)]
             : 0;
}

}  // namespace drivers::sdl
