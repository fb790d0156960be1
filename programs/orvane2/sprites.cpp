#include "programs/orvane2/sprites.h"

#include "ddraw/sprite_set.h"

std::array<Sprite, 11> Sprites;

namespace {

constexpr Long kFirstSprite = 0;
constexpr Long kLastSprite = 1;
constexpr std::size_t kFrameCount = 40;

Sprite& SpriteAt(Long i) { return Sprites[static_cast<std::size_t>(i)]; }

}  // namespace

void InitSprites() {
  const Long positions[] = {100, 200};
  for (Long i = kFirstSprite; i <= kLastSprite; ++i) {
    Sprite& sprite = SpriteAt(i);
    sprite.Frames.assign(kFrameCount, nullptr);
    sprite.X = positions[i];
    sprite.Y = positions[i];
    sprite.Width = 60;
    sprite.Height = 60;
    sprite.CurFrame = 0;
    sprite.Zoom = 1;
  }
}

void StartSprites() { InitSprites(); }

void LoadFrames() {
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) {
    Sprite& sprite = SpriteAt(s);
    const Integer last = static_cast<Integer>(sprite.Frames.size()) - 1;
    for (Integer i = 0; i <= last; ++i) {
      LoadFrame(sprite.Frames[static_cast<std::size_t>(i)], FrameResourceName(i), sprite.Width,
                sprite.Height, 0);
    }
  }
}

void DrawSprites() {
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) {
    const Sprite& sprite = SpriteAt(s);
    runtime::CheckIndex(sprite.CurFrame, 0, static_cast<Long>(sprite.Frames.size()) - 1);
    DrawSprite(sprite.X, sprite.Y, sprite.Width, sprite.Height, sprite.Zoom,
               sprite.Frames[static_cast<std::size_t>(sprite.CurFrame)]);
  }
}

void ReleaseFrames() {
  // A table that InitSprites never created has no entries to release.
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) {
    for (Surface& frame : SpriteAt(s).Frames) frame = nullptr;
  }
}

void ZoomSpritesIn() {
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) SpriteAt(s).Zoom = ZoomIn(SpriteAt(s).Zoom);
}
void ZoomSpritesOut() {
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) SpriteAt(s).Zoom = ZoomOut(SpriteAt(s).Zoom);
}
void PreviousSpriteFrames() {
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) {
    SpriteAt(s).CurFrame = PreviousFrame(SpriteAt(s).CurFrame);
  }
}
void NextSpriteFrames() {
  for (Long s = kFirstSprite; s <= kLastSprite; ++s) {
    SpriteAt(s).CurFrame = NextFrame(SpriteAt(s).CurFrame);
  }
}
