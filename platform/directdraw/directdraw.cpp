#include "platform/directdraw/directdraw.h"

#include <string>
#include <utility>

#include "platform/directdraw/glyphs.h"
#include "platform/directdraw/pixels.h"
#include "platform/drivers/driver.h"
#include "platform/resources/resources.h"

namespace {

using trace::Op;

// Failure codes of the surface service.
constexpr Long kInvalidParams = -2147024809;
constexpr Long kOutOfMemory = -2147024882;
constexpr Long kNoExclusiveMode = static_cast<Long>(0x887600E1u);
constexpr Long kInvalidMode = static_cast<Long>(0x887600F0u);
constexpr Long kPrimaryExists = static_cast<Long>(0x88760230u);
constexpr Long kNotFound = static_cast<Long>(0x887600FFu);
constexpr Long kNotFlippable = static_cast<Long>(0x88760246u);
constexpr Long kInvalidRect = static_cast<Long>(0x88760096u);
constexpr Long kNoColorKey = static_cast<Long>(0x887600D7u);
constexpr Long kUnsupported = static_cast<Long>(0x80004001u);
constexpr Long kBadBitmap = static_cast<Long>(0x88760100u);

int nextSurfaceId = 1;
std::weak_ptr<DirectDrawSurface7> livePrimary;

void Describe(trace::Args* a, const DDSURFACEDESC2& d) {
  a->Record({{"flags", d.flags},
             {"height", d.height},
             {"width", d.width},
             {"caps", d.ddsCaps.caps},
             {"backbuffers", d.backBufferCount}},
            true);
}

void Rectangle(trace::Args* a, const RECT& r) { a->Rect(r.Left, r.Top, r.Right, r.Bottom); }

// Whether r is a non-empty rectangle inside a width x height surface.
bool Inside(const RECT& r, Long width, Long height) {
  return 0 <= r.Left && r.Left < r.Right && r.Right <= width && 0 <= r.Top && r.Top < r.Bottom &&
         r.Bottom <= height;
}

directdraw::pixels::Box BoxOf(const RECT& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// The text font, rasterised once for the whole process at its first use.
const directdraw::glyphs::Font& TextFont() {
  static const directdraw::glyphs::Font font = directdraw::glyphs::LoadUiFont();
  return font;
}

}  // namespace

std::shared_ptr<DirectDraw7> DirectX7::DirectDrawCreate(std::string_view guid) {
  trace::Call call(Op::RootDirectDrawCreate);
  if (trace::Args* a = call.args()) a->Str(guid);
  runtime::Enter(call);
  if (!guid.empty()) runtime::Fail(call, kInvalidParams, "no display driver of that name");
  auto dd = std::make_shared<DirectDraw7>();
  call.Ok();
  return dd;
}

void DirectDraw7::SetCooperativeLevel(Long hWnd, Long flags) {
  trace::Call call(Op::DirectDrawSetCooperativeLevel);
  if (trace::Args* a = call.args()) a->Int(hWnd).Int(flags);
  runtime::Enter(call);
  if (hWnd == 0 || hWnd != runtime::hWnd()) {
    runtime::Fail(call, kInvalidParams, "not the window of the start-up form");
  }
  constexpr Long kExclusive = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE;
  if (flags != kExclusive && flags != DDSCL_NORMAL) {
    runtime::Fail(call, kInvalidParams, "unsupported cooperative level");
  }
  exclusive_ = flags == kExclusive;
  drivers::video().SetExclusive(exclusive_);
  call.Ok();
}

void DirectDraw7::SetDisplayMode(Long width, Long height, Long bitsPerPixel, Long refreshRate,
                                 Long flags) {
  trace::Call call(Op::DirectDrawSetDisplayMode);
  if (trace::Args* a = call.args()) {
    a->Int(width).Int(height).Int(bitsPerPixel).Int(refreshRate).Int(flags);
  }
  runtime::Enter(call);
  if (!exclusive_) runtime::Fail(call, kNoExclusiveMode, "the exclusive level is not held");
  if (refreshRate != 0 || flags != 0) {
    runtime::Fail(call, kInvalidParams, "only the default refresh rate and no flags");
  }
  if (!drivers::video().CanSetMode(width, height, bitsPerPixel)) {
    runtime::Fail(call, kInvalidMode, "the display cannot run at this mode");
  }
  drivers::video().SetMode(width, height);
  modeSet_ = true;
  width_ = width;
  height_ = height;
  call.Ok();
}

Surface DirectDraw7::CreateSurface(DDSURFACEDESC2& desc) {
  trace::Call call(Op::DirectDrawCreateSurface);
  if (trace::Args* a = call.args()) Describe(a, desc);
  runtime::Enter(call);
  constexpr Long kChain = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  if (desc.flags != (DDSD_CAPS | DDSD_BACKBUFFERCOUNT) || desc.ddsCaps.caps != kChain ||
      desc.backBufferCount != 1 || desc.width != 0 || desc.height != 0) {
    runtime::Fail(call, kInvalidParams, "only a primary surface with one back buffer");
  }
  if (!exclusive_) runtime::Fail(call, kNoExclusiveMode, "the exclusive level is not held");
  if (!livePrimary.expired()) runtime::Fail(call, kPrimaryExists, "the primary surface exists");
  Long width = width_;
  Long height = height_;
  if (!modeSet_) {
    const drivers::Picture desktop = drivers::video().Shown();
    width = desktop.width;
    height = desktop.height;
  }
  Surface primary;
  try {
    primary = std::make_shared<DirectDrawSurface7>(width, height, kChain);
    primary->backBuffer_ = std::make_shared<DirectDrawSurface7>(
        width, height, DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
  } catch (const std::bad_alloc&) {
    runtime::Fail(call, kOutOfMemory, "out of memory");
  }
  livePrimary = primary;
  call.Ok(primary->id_);
  return primary;
}

Surface DirectDraw7::CreateSurfaceFromResource(std::string_view file, std::string_view name,
                                               DDSURFACEDESC2& desc) {
  trace::Call call(Op::DirectDrawCreateSurfaceFromResource);
  if (trace::Args* a = call.args()) {
    a->Str(file).Str(name);
    Describe(a, desc);
  }
  runtime::Enter(call);
  if (!file.empty()) runtime::Fail(call, kNotFound, "only the running program's own resources");
  if (desc.flags != (DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH) ||
      desc.ddsCaps.caps != DDSCAPS_OFFSCREENPLAIN || desc.backBufferCount != 0) {
    runtime::Fail(call, kInvalidParams, "only an offscreen surface of a given width and height");
  }
  const resources::Resource* resource = resources::Find(resources::RT_BITMAP, name);
  if (resource == nullptr) runtime::Fail(call, kNotFound, "no bitmap resource of that name");
  resources::Bitmap bitmap;
  if (const std::string why = resources::DecodeBitmap(resource->data, bitmap); !why.empty()) {
    runtime::Fail(call, kBadBitmap, "the bitmap resource cannot be read: " + why);
  }
  if (desc.width != bitmap.width || desc.height != bitmap.height) {
    runtime::Fail(call, kInvalidParams, "the size asked for is not the bitmap's");
  }
  auto surface = std::make_shared<DirectDrawSurface7>(bitmap.width, bitmap.height,
                                                      DDSCAPS_OFFSCREENPLAIN);
  surface->pixels_ = std::move(bitmap.pixels);
  call.Ok(surface->id_);
  return surface;
}

void DirectDraw7::RestoreDisplayMode() {
  trace::Call call(Op::DirectDrawRestoreDisplayMode);
  runtime::Enter(call);
  if (modeSet_) drivers::video().RestoreMode();
  modeSet_ = false;
  call.Ok();
}

DirectDrawSurface7::DirectDrawSurface7(Long width, Long height, Long caps)
    : id_(nextSurfaceId++),
      width_(width),
      height_(height),
      caps_(caps),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

DirectDrawSurface7::~DirectDrawSurface7() {
  trace::Call call(Op::SurfaceRelease, id_);
  call.Value(0);
}

Surface DirectDrawSurface7::GetAttachedSurface(DDSCAPS2& caps) {
  trace::Call call(Op::SurfaceGetAttachedSurface, id_);
  if (trace::Args* a = call.args()) {
    a->Record({{"caps", caps.caps}, {"caps2", caps.caps2}, {"caps3", caps.caps3},
               {"caps4", caps.caps4}},
              true);
  }
  runtime::Enter(call);
  if (caps.caps != DDSCAPS_BACKBUFFER || caps.caps2 != 0 || caps.caps3 != 0 || caps.caps4 != 0 ||
      !backBuffer_) {
    runtime::Fail(call, kNotFound, "no attached surface has these capabilities");
  }
  call.Ok(backBuffer_->id_);
  return backBuffer_;
}

void DirectDrawSurface7::SetForeColor(Long color) {
  trace::Call call(Op::SurfaceSetForeColor, id_);
  if (trace::Args* a = call.args()) a->Int(color);
  runtime::Enter(call);
  if (color < 0 || color > 0xFFFFFF) runtime::Fail(call, kInvalidParams, "not a colour");
  const auto c = static_cast<unsigned>(color);
  foreColor_ = Rgb565(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  call.Ok();
}

void DirectDrawSurface7::Flip(const Surface& target, Long flags) {
  trace::Call call(Op::SurfaceFlip, id_);
  if (trace::Args* a = call.args()) a->Surface(target ? target->id_ : 0).Int(flags);
  runtime::Enter(call);
  if (!backBuffer_) runtime::Fail(call, kNotFlippable, "not the front of a flipping chain");
  if ((target && target != backBuffer_) || (flags & ~DDFLIP_WAIT) != 0) {
    runtime::Fail(call, kInvalidParams, "flip to the chain's next surface, with DDFLIP_WAIT");
  }
  pixels_.swap(backBuffer_->pixels_);
  drivers::video().Present({pixels_.data(), width_, height_, width_}, (flags & DDFLIP_WAIT) != 0);
  call.Ok();
}

void DirectDrawSurface7::SetColorKey(Long flags, DDCOLORKEY& key) {
  trace::Call call(Op::SurfaceSetColorKey, id_);
  if (trace::Args* a = call.args()) a->Int(flags).Record({{"low", key.low}, {"high", key.high}}, false);
  runtime::Enter(call);
  if (flags != DDCKEY_SRCBLT) runtime::Fail(call, kInvalidParams, "only a source blit key");
  if (key.low != key.high) runtime::Fail(call, kUnsupported, "only a single key colour");
  keyed_ = true;
  key_ = static_cast<std::uint16_t>(key.low & 0xFFFF);
  call.Ok();
}

Long DirectDrawSurface7::BltColorFill(RECT& dest, Long value) {
  trace::Call call(Op::SurfaceBltColorFill, id_);
  if (trace::Args* a = call.args()) {
    Rectangle(a, dest);
    a->Int(value);
  }
  runtime::Enter(call);
  if (!Inside(dest, width_, height_)) {
    runtime::Fail(call, kInvalidRect, "the rectangle is empty or outside the surface");
  }
  directdraw::pixels::Fill({pixels_.data(), width_, height_, width_}, BoxOf(dest),
                           static_cast<std::uint16_t>(value & 0xFFFF));
  call.Ok();
  return 0;
}

void DirectDrawSurface7::DrawText(Long x, Long y, std::string_view text, bool atCurrentPosition) {
  trace::Call call(Op::SurfaceDrawText, id_);
  if (trace::Args* a = call.args()) a->Int(x).Int(y).Str(text).Bool(atCurrentPosition);
  runtime::Enter(call);
  if (atCurrentPosition) runtime::Fail(call, kUnsupported, "text only at a given position");
  const directdraw::glyphs::Font* font = nullptr;
  try {
    font = &TextFont();
  } catch (const std::exception& e) {
    runtime::Fail(call, kUnsupported, std::string("the text font cannot be loaded: ") + e.what());
  }
  font->DrawText({pixels_.data(), width_, height_, width_}, x, y, text, foreColor_);
  call.Ok();
}

Long DirectDrawSurface7::Blt(RECT& dest, const Surface& source, RECT& srcRect, Long flags) {
  trace::Call call(Op::SurfaceBlt, id_);
  if (trace::Args* a = call.args()) {
    Rectangle(a, dest);
    a->Surface(source ? source->id_ : 0);
    Rectangle(a, srcRect);
    a->Int(flags);
  }
  runtime::Enter(call);
  if (!source || source.get() == this) {
    runtime::Fail(call, kInvalidParams, "the source must be another surface");
  }
  if ((flags & ~(DDBLT_KEYSRC | DDBLT_WAIT)) != 0) {
    runtime::Fail(call, kUnsupported, "unsupported blit flags");
  }
  const bool keyed = (flags & DDBLT_KEYSRC) != 0;
  if (keyed && !source->keyed_) runtime::Fail(call, kNoColorKey, "the source has no colour key");
  if (!Inside(dest, width_, height_)) {
    runtime::Fail(call, kInvalidRect, "the destination rectangle is empty or outside the surface");
  }
  if (!Inside(srcRect, source->width_, source->height_)) {
    runtime::Fail(call, kInvalidRect, "the source rectangle is empty or outside the surface");
  }
  const directdraw::pixels::View to{pixels_.data(), width_, height_, width_};
  const directdraw::pixels::ConstView from{source->pixels_.data(), source->width_,
                                           source->height_, source->width_};
  if (keyed) {
    directdraw::pixels::BlitKeyed(to, BoxOf(dest), from, BoxOf(srcRect), source->key_);
  } else {
    directdraw::pixels::Blit(to, BoxOf(dest), from, BoxOf(srcRect));
  }
  call.Ok();
  return 0;
}
