// The surface service: the type library's root object, the display object `DirectDraw7` and its
// software RGB565 surfaces `DirectDrawSurface7` (the flipping chain of the display, offscreen
// surfaces made from the executable's bitmap resources), with colour fill, text and colour-keyed
// scaled blits.
//
// Called by: the display module (ddraw/) and, for the root object's DirectInputCreate, the
// keyboard module (dinput/).
// Guarantees: every operation passes the trace door (one trace line, failable by a failpoint) and
// raises a runtime::Error when it fails; nothing changes when an operation fails. Arguments are
// checked once at an operation's entry; the drawing loops behind it then trust them and allocate
// nothing. Surfaces are counted references: a surface is freed (traced as its Release) with its
// last reference. Surfaces live in system memory and are never lost.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/runtime/runtime.h"

class DirectDraw7;
class DirectDrawSurface7;
class DirectInput;  // the keyboard service's object, platform/directinput/directinput.h

using runtime::Long;

// Cooperative levels.
inline constexpr Long DDSCL_FULLSCREEN = 1;
inline constexpr Long DDSCL_ALLOWREBOOT = 2;
inline constexpr Long DDSCL_NORMAL = 8;
inline constexpr Long DDSCL_EXCLUSIVE = 16;
// Surface description fields in use.
inline constexpr Long DDSD_CAPS = 1;
inline constexpr Long DDSD_HEIGHT = 2;
inline constexpr Long DDSD_WIDTH = 4;
inline constexpr Long DDSD_BACKBUFFERCOUNT = 32;
// Surface capabilities.
inline constexpr Long DDSCAPS_BACKBUFFER = 4;
inline constexpr Long DDSCAPS_COMPLEX = 8;
inline constexpr Long DDSCAPS_FLIP = 16;
inline constexpr Long DDSCAPS_OFFSCREENPLAIN = 64;
inline constexpr Long DDSCAPS_PRIMARYSURFACE = 512;
// Colour keys, blits, flips.
inline constexpr Long DDCKEY_SRCBLT = 8;
inline constexpr Long DDBLT_KEYSRC = 0x8000;
inline constexpr Long DDBLT_WAIT = 0x1000000;
inline constexpr Long DDFLIP_WAIT = 1;

struct RECT {
  Long Left = 0;
  Long Top = 0;
  Long Right = 0;
  Long Bottom = 0;
};

struct DDSCAPS2 {
  Long caps = 0;
  Long caps2 = 0;
  Long caps3 = 0;
  Long caps4 = 0;
};

struct DDSURFACEDESC2 {
  Long flags = 0;
  Long height = 0;
  Long width = 0;
  Long backBufferCount = 0;
  DDSCAPS2 ddsCaps;
};

struct DDCOLORKEY {
  Long low = 0;
  Long high = 0;
};

using Surface = std::shared_ptr<DirectDrawSurface7>;

// The type library's root object. Each module that needs one makes its own.
class DirectX7 {
 public:
  // guid "" is the default display driver.
  std::shared_ptr<DirectDraw7> DirectDrawCreate(std::string_view guid);
  // Made by the keyboard service (defined in platform/directinput/).
  std::shared_ptr<DirectInput> DirectInputCreate();
};

class DirectDraw7 {
 public:
  // flags: DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE (19) or DDSCL_NORMAL (8), for the
  // start-up form's window.
  void SetCooperativeLevel(Long hWnd, Long flags);
  // Needs the exclusive level. Refresh rate and flags 0.
  void SetDisplayMode(Long width, Long height, Long bitsPerPixel, Long refreshRate, Long flags);
  // The primary surface with one back buffer, as one flipping chain (needs the exclusive level).
  Surface CreateSurface(DDSURFACEDESC2& desc);
  // An offscreen surface holding a bitmap resource; file "" is the running program.
  Surface CreateSurfaceFromResource(std::string_view file, std::string_view name,
                                    DDSURFACEDESC2& desc);
  void RestoreDisplayMode();

 private:
  bool exclusive_ = false;
  bool modeSet_ = false;
  Long width_ = 0;
  Long height_ = 0;
};

class DirectDrawSurface7 {
 public:
  DirectDrawSurface7(Long width, Long height, Long caps);
  ~DirectDrawSurface7();  // the last reference is gone: traced as Release() -> 0
  DirectDrawSurface7(const DirectDrawSurface7&) = delete;
  DirectDrawSurface7& operator=(const DirectDrawSurface7&) = delete;

  // The back buffer of a flipping chain's primary (caps DDSCAPS_BACKBUFFER).
  Surface GetAttachedSurface(DDSCAPS2& caps);
  // The colour of text, as 0xBBGGRR.
  void SetForeColor(Long color);
  // DDCKEY_SRCBLT: source pixels equal to the key are left out of keyed blits.
  void SetColorKey(Long flags, DDCOLORKEY& key);
  // Fills the rectangle with the value's low 16 bits (a raw RGB565 pixel). Returns 0.
  Long BltColorFill(RECT& dest, Long value);
  // Text in the fore colour, its top left at (x, y), the background left as it is.
  void DrawText(Long x, Long y, std::string_view text, bool atCurrentPosition);
  // Copies source's srcRect to dest, scaled to the nearest pixel when the sizes differ;
  // DDBLT_KEYSRC leaves out the source's colour key. There is no clipper: both rectangles must
  // lie inside their surfaces. Returns 0.
  Long Blt(RECT& dest, const Surface& source, RECT& srcRect, Long flags);
  // The back buffer becomes the front and the display shows it; DDFLIP_WAIT waits for the
  // display's next refresh. target must be nothing (the chain's next surface).
  void Flip(const Surface& target, Long flags);

  // For the platform and its tests: the surface's number and pixels.
  int id() const { return id_; }
  Long width() const { return width_; }
  Long height() const { return height_; }
  std::uint16_t* pixels() { return pixels_.data(); }
  const std::uint16_t* pixels() const { return pixels_.data(); }

 private:
  friend class DirectDraw7;
  int id_;
  Long width_;
  Long height_;
  Long caps_;
  std::vector<std::uint16_t> pixels_;
  std::uint16_t foreColor_ = 0;
  bool keyed_ = false;
  std::uint16_t key_ = 0;
  Surface backBuffer_;  // a flipping chain's primary holds its back buffer
};

// The display's 16-bit format from 8-bit red, green and blue.
constexpr std::uint16_t Rgb565(unsigned red, unsigned green, unsigned blue) {
  return static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}
