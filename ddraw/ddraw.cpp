#include "ddraw/ddraw.h"

#include <string>

#include "ddraw/sprite_set.h"

Boolean Running = runtime::False;
Integer Backdrop = 0;

std::unique_ptr<DirectX7> DX;
std::shared_ptr<DirectDraw7> DD;
Surface Primary;
Surface BackBuffer;
DDSURFACEDESC2 PrimaryDesc;

namespace {

constexpr Long kScreenWidth = 640;
constexpr Long kScreenHeight = 480;
constexpr Long kScreenBits = 16;
constexpr Long kTextColor = 0xFFFFFF;

struct HelpLine {
  Long y;
  std::string_view text;
};
constexpr Long kHelpX = 100;
constexpr HelpLine kHelpText[] = {
    {100, "Press ESC to exit"},
    {120, "Left or Right arrows to animate"},
    {140, "'O' button zooms out, 'I' zooms back in"},
    {160, "and Up or Down arrows to change backdrop."},
};

}  // namespace

void InitDDraw() {
  try {
    if (!DX) DX = std::make_unique<DirectX7>();
    DD = DX->DirectDrawCreate("");
    DD->SetCooperativeLevel(runtime::hWnd(), DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
    DD->SetDisplayMode(kScreenWidth, kScreenHeight, kScreenBits, 0, 0);
    PrimaryDesc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    PrimaryDesc.ddsCaps.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    PrimaryDesc.backBufferCount = 1;
    Primary = DD->CreateSurface(PrimaryDesc);
    DDSCAPS2 backBufferCaps;
    backBufferCaps.caps = DDSCAPS_BACKBUFFER;
    BackBuffer = Primary->GetAttachedSurface(backBufferCaps);
    BackBuffer->SetForeColor(kTextColor);
    StartSprites();
    Backdrop = 0;
    Running = runtime::True;
    LoadFrames();
    DrawBackdrop();
  } catch (const runtime::Error&) {
    Running = runtime::False;
  }
}

void ReleaseDDraw() {
  Primary = nullptr;
  BackBuffer = nullptr;
  ReleaseFrames();
  // Without a display object set-up never touched the display: there is nothing to give back.
  if (!DD) return;
  DD->RestoreDisplayMode();
  DD->SetCooperativeLevel(runtime::hWnd(), DDSCL_NORMAL);
}

void DrawBackdrop() {
  RECT whole{0, 0, kScreenWidth, kScreenHeight};
  DirectDrawSurface7& back = runtime::Object(BackBuffer);
  back.BltColorFill(whole, Backdrop);
  for (const HelpLine& line : kHelpText) back.DrawText(kHelpX, line.y, line.text, false);
}

void FlipScreen() { runtime::Object(Primary).Flip(nullptr, DDFLIP_WAIT); }

void LoadFrame(Surface& slot, std::string_view name, Integer width, Integer height, Integer key) {
  DDSURFACEDESC2 desc;
  desc.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.height = height;
  desc.width = width;
  desc.ddsCaps.caps = DDSCAPS_OFFSCREENPLAIN;
  slot = runtime::Object(DD).CreateSurfaceFromResource("", name, desc);
  DDCOLORKEY colorKey;
  colorKey.low = key;
  colorKey.high = key;
  slot->SetColorKey(DDCKEY_SRCBLT, colorKey);
}

std::string FrameResourceName(Integer i) { return "vegan" + std::to_string(i); }

void DrawSprite(Long x, Long y, Integer width, Integer height, Single zoom, const Surface& frame) {
  RECT source{0, 0, width, height};
  RECT dest{x, y, RoundEdge(x + width * static_cast<double>(zoom)),
            RoundEdge(y + height * static_cast<double>(zoom))};
  runtime::Object(BackBuffer).Blt(dest, frame, source, DDBLT_KEYSRC | DDBLT_WAIT);
}
