// The sprite set: the one seam between the shared modules and a program. Each program defines
// these in programs/<name>/ and the linker picks them: orvane has one sprite kept in three
// module-level variables, orvane2 the two sprites of its Sprites table. Per-sprite commands act
// on each sprite in use in table order.
#pragma once

// Gives the sprites in use their start values (frame 0, zoom 1) and empty frame tables.
void StartSprites();
// Loads all 40 frames of every sprite in use.
void LoadFrames();
// Blits every sprite's current frame into the back buffer.
void DrawSprites();
// Sets every frame reference of every sprite in use to nothing.
void ReleaseFrames();

void ZoomSpritesIn();
void ZoomSpritesOut();
void PreviousSpriteFrames();
void NextSpriteFrames();
