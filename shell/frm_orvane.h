// The form FrmOrvane: the program's only window and its start-up object. Its load event runs the
// whole program: display and keyboard set-up, the main loop (keys, sprites, flip, next backdrop,
// window messages) and the shutdown, which ends the process.
//
// Called by: the program's entry, which hands the form's settings and load event to the run time.
#pragma once

#include "platform/runtime/runtime.h"

// The form's design-time settings.
extern const runtime::FormSettings FrmOrvane;

// The load event: never returns.
[[noreturn]] void Form_Load();
// Releases the display and the keyboard and ends the process.
[[noreturn]] void ExitProgram();
