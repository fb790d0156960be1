#include "programs/orvane/sprite.h"

#include "ddraw/sprite_set.h"

Integer CurFrame = 0;
Single Zoom = 0;
std::array<Surface, 40> Frames;

namespace {
constexpr Integer kSize = 60;
constexpr Long kLeft = 0;
constexpr Long kTop = 0;
}  // namespace

void StartSprites() {
  CurFrame = 0;
  Zoom = 1;
}

void LoadFrames() {
  const Integer last = static_cast<Integer>(Frames.size() - 1);
  for (Integer i = 0; i <= last; ++i) {
    LoadFrame(Frames[static_cast<std::size_t>(i)], FrameResourceName(i), kSize, kSize, 0);
  }
}

void DrawSprites() {
  runtime::CheckIndex(CurFrame, 0, static_cast<Long>(Frames.size() - 1));
  DrawSprite(kLeft, kTop, kSize, kSize, Zoom, Frames[static_cast<std::size_t>(CurFrame)]);
}

void ReleaseFrames() {
  for (Surface& frame : Frames) frame = nullptr;
}

void ZoomSpritesIn() { Zoom = ZoomIn(Zoom); }
void ZoomSpritesOut() { Zoom = ZoomOut(Zoom); }
void PreviousSpriteFrames() { CurFrame = static_cast<Integer>(PreviousFrame(CurFrame)); }
void NextSpriteFrames() { CurFrame = static_cast<Integer>(NextFrame(CurFrame)); }
