// orvane2's sprites: the Sprite record and the Sprites table of 11 entries, of which entries 0
// and 1 are the two sprites in use; entries 2 to 10 stay zero.
#pragma once

#include <array>
#include <vector>

#include "ddraw/ddraw.h"

struct Sprite {
  Long X = 0;
  Long Y = 0;
  Integer Width = 0;
  Integer Height = 0;
  Single Zoom = 0;
  std::vector<Surface> Frames;  // no table until InitSprites creates it with indices 0 to 39
  Long CurFrame = 0;
};

extern std::array<Sprite, 11> Sprites;

// Gives entries 0 and 1 their start values and empty 40-entry frame tables.
void InitSprites();
