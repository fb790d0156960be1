#include "dinput/dinput.h"

std::array<runtime::Boolean, 212> Keys{};

std::unique_ptr<DirectX7> DInputRoot;
std::shared_ptr<DirectInput> DI;
std::shared_ptr<DirectInputDevice> Keyboard;
DIKEYBOARDSTATE KeyState;

void InitDInput() {
  if (!DInputRoot) DInputRoot = std::make_unique<DirectX7>();
  DI = DInputRoot->DirectInputCreate();
  Keyboard = DI->CreateDevice("GUID_SysKeyboard");
  Keyboard->SetCommonDataFormat(DIFORMAT_KEYBOARD);
  Keyboard->SetCooperativeLevel(runtime::hWnd(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
  Keyboard->Acquire();
}

void ReadKeys() {
  runtime::Object(Keyboard).GetDeviceStateKeyboard(KeyState);
  for (runtime::Integer i = 1; i <= 211; ++i) {
    Keys[static_cast<std::size_t>(i)] = KeyState.key[static_cast<std::size_t>(i)] != 0
                                            ? runtime::True
                                            : runtime::False;
  }
}

void ReleaseDInput() { runtime::Object(Keyboard).Unacquire(); }
