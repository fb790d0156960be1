// The keyboard service: `DirectInput` (made by the root object's DirectInputCreate, declared in
// platform/directdraw/directdraw.h) and its `DirectInputDevice`, the system keyboard, polled as
// a 256-byte state table by PC set-1 scan code (extended keys with 0x80: Up 200, Left 203,
// Right 205, Down 208). Keys are physical positions, whatever the layout, Shift or Caps Lock.
//
// Called by: the keyboard module (dinput/).
// Guarantees: every operation passes the trace door and raises a runtime::Error when it fails;
// a failed poll leaves the caller's state table as it was.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/runtime/runtime.h"

using runtime::Long;

inline constexpr Long DIFORMAT_KEYBOARD = 1;
inline constexpr Long DISCL_EXCLUSIVE = 1;
inline constexpr Long DISCL_NONEXCLUSIVE = 2;
inline constexpr Long DISCL_FOREGROUND = 4;
inline constexpr Long DISCL_BACKGROUND = 8;

inline constexpr int DIK_ESCAPE = 1;
inline constexpr int DIK_I = 23;
inline constexpr int DIK_O = 24;
inline constexpr int DIK_UP = 200;
inline constexpr int DIK_LEFT = 203;
inline constexpr int DIK_RIGHT = 205;
inline constexpr int DIK_DOWN = 208;

struct DIKEYBOARDSTATE {
  std::array<std::uint8_t, 256> key{};
};

class DirectInputDevice {
 public:
  void SetCommonDataFormat(Long format);
  // The start-up form's window; exactly one of exclusive/non-exclusive and one of
  // foreground/background (a keyboard cannot be exclusive in the background).
  void SetCooperativeLevel(Long hWnd, Long flags);
  void Acquire();
  // All 256 bytes as the keyboard is now; nonzero is down. Needs the device acquired.
  void GetDeviceStateKeyboard(DIKEYBOARDSTATE& state);
  void Unacquire();

 private:
  bool formatSet_ = false;
  bool acquired_ = false;
};

class DirectInput {
 public:
  // "GUID_SysKeyboard" is the system keyboard, the only device.
  std::shared_ptr<DirectInputDevice> CreateDevice(std::string_view guid);
};
