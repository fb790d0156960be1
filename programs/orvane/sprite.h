// orvane's one sprite: three module-level variables of the display module. Its position (0, 0)
// and size 60 x 60 are constants.
#pragma once

#include <array>

#include "ddraw/ddraw.h"

extern Integer CurFrame;
extern Single Zoom;
extern std::array<Surface, 40> Frames;
