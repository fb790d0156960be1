// The display module DDraw: takes the screen (exclusive full screen at 640 x 480 x 16 with a
// flipping chain of one back buffer), loads the sprites' frames, composes each frame (backdrop,
// help text, sprites) and gives the display back.
//
// Owns Running, Backdrop, the sprites (through the program's sprite set, sprite_set.h) and every
// display object. Called by the shell: InitDDraw at start, DrawSprites, FlipScreen and
// DrawBackdrop once per pass, ReleaseDDraw at shutdown.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/directdraw/directdraw.h"
#include "platform/runtime/runtime.h"

using runtime::Boolean;
using runtime::Integer;
using runtime::Long;
using runtime::Single;

extern Boolean Running;   // the main loop runs while true
extern Integer Backdrop;  // the raw pixel value the back buffer is filled with

extern std::unique_ptr<DirectX7> DX;  // this module's root object, made on first use
extern std::shared_ptr<DirectDraw7> DD;
extern Surface Primary;
extern Surface BackBuffer;
extern DDSURFACEDESC2 PrimaryDesc;

// Takes the display and prepares the first frame. Lets no error out: on any failure Running is
// false and what was made stays for ReleaseDDraw.
void InitDDraw();
// Releases the chain and the frames, restores the display mode and the normal level. Passes over
// what set-up never made.
void ReleaseDDraw();
// Fills the back buffer with Backdrop and writes the four lines of help text.
void DrawBackdrop();
// Shows the back buffer at the display's next refresh.
void FlipScreen();

// Creates one colour-keyed frame surface from the bitmap resource `name` into slot.
void LoadFrame(Surface& slot, std::string_view name, Integer width, Integer height, Integer key);
// The resource name of frame i: "vegan0" ... "vegan39".
std::string FrameResourceName(Integer i);
// Blits one sprite's frame at (x, y) scaled by zoom, leaving out its colour key.
void DrawSprite(Long x, Long y, Integer width, Integer height, Single zoom, const Surface& frame);
// r(): the nearest integer, an exact half to the even neighbour; raises the overflow error when
// the edge does not fit in a Long.
Long RoundEdge(double edge);

// The command steps shared by every sprite.
Single ZoomIn(Single zoom);
Single ZoomOut(Single zoom);
Long PreviousFrame(Long frame);
Long NextFrame(Long frame);
