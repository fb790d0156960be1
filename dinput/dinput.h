// The keyboard module DInput: binds the system keyboard to the form's window once, copies its
// state into Keys once per pass, and gives it back at shutdown.
//
// Owns Keys (read by the shell's key commands; written only here), the module's root object, DI,
// Keyboard and KeyState. Called by the shell: InitDInput at start, ReadKeys by HandleKeys,
// ReleaseDInput at shutdown.
#pragma once

#include <array>
#include <memory>

#include "platform/directdraw/directdraw.h"
#include "platform/directinput/directinput.h"
#include "platform/runtime/runtime.h"

// Entry i is true when the key with scan code i was down at the last poll; 0 is never written.
extern std::array<runtime::Boolean, 212> Keys;

extern std::unique_ptr<DirectX7> DInputRoot;  // this module's own root object
extern std::shared_ptr<DirectInput> DI;
extern std::shared_ptr<DirectInputDevice> Keyboard;
extern DIKEYBOARDSTATE KeyState;

// Binds and acquires the keyboard; raises an error on failure, leaving what was already made.
void InitDInput();
// Polls the keyboard into Keys entries 1 to 211; a failed poll changes no entry.
void ReadKeys();
// Unacquires the keyboard.
void ReleaseDInput();
