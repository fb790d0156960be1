#include "platform/drivers/sdl/sdl.h"

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Before the X headers, whose macros (Bool, None) would rewrite its names.
#include "platform/trace/trace.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace drivers::sdl {
namespace {

constexpr const char* kReportTitle = "Orvane Demo";
constexpr int kRefreshWhenUnknown = 60;  // Hz

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) out += static_cast<unsigned char>(c) < 32 ? '?' : c;
  return out + "\"";
}

std::string ValueOf(const char* variable) {
  return variable != nullptr ? Quoted(variable) : "unset";
}

[[noreturn]] void Fail(std::string_view what) {
  throw std::runtime_error("sdl video: " + std::string(what) + ": " + SDL_GetError());
}

// --- Platform environment ----------------------------------------------------------------------

enum class Scale { Fit, Integer };

struct Options {
  bool windowed = false;
  Scale scale = Scale::Fit;
};

Options ReadOptions() {
  Options options;
  if (const char* value = std::getenv("ORVANE_WINDOWED")) {
    const std::string_view text = value;
    if (text == "1") {
      options.windowed = true;
    } else if (text != "0") {
      throw trace::BadEnvironment("ORVANE_WINDOWED: " + Quoted(text) + " is not 0 or 1");
    }
  }
  if (const char* value = std::getenv("ORVANE_SCALE")) {
    const std::string_view text = value;
    if (text == "integer") {
      options.scale = Scale::Integer;
    } else if (text != "fit") {
      throw trace::BadEnvironment("ORVANE_SCALE: " + Quoted(text) + " is not fit or integer");
    }
  }
  return options;
}

// --- SDL resources -----------------------------------------------------------------------------

struct SdlDelete {
  void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
  void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
  void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};
template <typename T>
using Owned = std::unique_ptr<T, SdlDelete>;

// SDL's video, started with the hints the driver relies on; quit when the driver closes.
class VideoSubsystem {
 public:
  VideoSubsystem() {
    // Ctrl+C and SIGTERM have their default action: the process ends at once, and since the
    // desktop's mode is never changed nothing is left to undo. A shell starts background jobs
    // with SIGINT ignored; the demo still ends on it.
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    // The demo keeps showing while another window has the focus.
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0", SDL_HINT_OVERRIDE);
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (std::getenv("SDL_VIDEODRIVER") == nullptr) {
      // Only a real display will do (left to itself SDL would fall back to drawing off screen),
      // and X first, where the keyboard can be read whichever window has the focus.
      if (x == nullptr && wayland == nullptr) {
        throw NoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
      }
      SDL_SetHint(SDL_HINT_VIDEODRIVER, x == nullptr         ? "wayland"
                                        : wayland == nullptr ? "x11"
                                                             : "x11,wayland");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      throw NoDisplay(std::string(SDL_GetError()) + " (DISPLAY " + ValueOf(x) +
                      ", WAYLAND_DISPLAY " + ValueOf(wayland) + ")");
    }
  }
  ~VideoSubsystem() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
  VideoSubsystem(const VideoSubsystem&) = delete;
  VideoSubsystem& operator=(const VideoSubsystem&) = delete;

 private:
  static trace::BadEnvironment NoDisplay(std::string_view why) {
    return trace::BadEnvironment("ORVANE_VIDEO: sdl: no display: " + std::string(why) +
                                 "; set DISPLAY or use ORVANE_VIDEO=headless");
  }
};

// --- X11 window manager ------------------------------------------------------------------------

int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

// The 32-bit items (at most `most`) of a property of `window` of the given type; none when the
// property is missing or of another type, and, while X errors are ignored, when the window is gone.
std::vector<unsigned long> PropertyItems(Display* display, Window window, Atom property, Atom type,
                                         long most) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> items;
  if (XGetWindowProperty(display, window, property, 0, most, False, type, &actualType, &format,
                         &count, &after, &data) == Success &&
      actualType == type && format == 32) {
    // Xlib hands 32-bit items over as longs.
    const auto* first = reinterpret_cast<const unsigned long*>(data);
    items.assign(first, first + count);
  }
  if (data != nullptr) XFree(data);
  return items;
}

// The window a property of `window` names, or None.
Window WindowProperty(Display* display, Window window, Atom property) {
  const std::vector<unsigned long> items = PropertyItems(display, window, property, XA_WINDOW, 1);
  return items.size() == 1 ? items[0] : None;
}

// Whether a running window manager makes windows full screen on request (EWMH). Without one (a
// bare X server, Xvfb) the driver covers the desktop by placing the window itself.
bool WindowManagerDoesFullScreen(Display* display) {
  const Window root = DefaultRootWindow(display);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  XSync(display, False);
  const auto previous = XSetErrorHandler(IgnoreXError);
  const Window manager = WindowProperty(display, root, check);
  const bool alive = manager != None && WindowProperty(display, manager, check) == manager;
  XSync(display, False);
  XSetErrorHandler(previous);
  if (!alive) return false;

  const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
  const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  const std::vector<unsigned long> atoms = PropertyItems(display, root, supported, XA_ATOM, 4096);
  return std::find(atoms.begin(), atoms.end(), fullScreen) != atoms.end();
}

// --- Presentation ------------------------------------------------------------------------------

// Where a display of w x h goes on an output of outW x outH: centred, aspect kept.
SDL_Rect Place(int outW, int outH, int w, int h, Scale scale) {
  int dw = 0;
  int dh = 0;
  const int multiple = std::min(outW / w, outH / h);
  if (scale == Scale::Integer && multiple >= 1) {
    dw = w * multiple;
    dh = h * multiple;
  } else if (static_cast<long long>(outW) * h <= static_cast<long long>(outH) * w) {
    dw = outW;
    dh = static_cast<int>(static_cast<long long>(outW) * h / w);
  } else {
    dh = outH;
    dw = static_cast<int>(static_cast<long long>(outH) * w / h);
  }
  return {(outW - dw) / 2, (outH - dh) / 2, dw, dh};
}

// Whether the renderer draws with the processor: SDL's software renderer, or OpenGL on a software
// rasteriser (Mesa's llvmpipe and softpipe, the classic swrast). Its OpenGL context is current
// right after it is created.
bool DrawsOnProcessor(const SDL_RendererInfo& info) {
  const std::string_view name = info.name;
  if (name == "software") return true;
  if (name.rfind("opengl", 0) != 0) return false;
  using GetString = const unsigned char* (*)(unsigned);
  constexpr unsigned kGlRenderer = 0x1F01;
  const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* text = getString != nullptr ? getString(kGlRenderer) : nullptr;
  if (text == nullptr) return false;
  const std::string_view renderer = reinterpret_cast<const char*>(text);
  for (std::string_view soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
    if (renderer.find(soft) != std::string_view::npos) return true;
  }
  return false;
}

// The window pixel layout as FrameScaler writes it, or nothing for one it cannot write.
std::optional<FrameScaler::Format> ScalerFormat(Uint32 pixelFormat) {
  int bits = 0;
  FrameScaler::Format format{static_cast<int>(SDL_BYTESPERPIXEL(pixelFormat)), 0, 0, 0, 0};
  if (SDL_PixelFormatEnumToMasks(pixelFormat, &bits, &format.red, &format.green, &format.blue,
                                 &format.alpha) != SDL_TRUE ||
      !FrameScaler::Takes(format)) {
    return std::nullopt;
  }
  return format;
}

// Holds waited presents to the display's refresh where the renderer's vsync does not: such a
// present returns at the next tick of a steady grid of refresh periods, so a loop never runs
// faster than the display, however fast it draws.
class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  // After a waited present. vsync: the renderer says its presents wait for the refresh. Returns
  // whether they do: every run of kRun presents is timed, and one quicker than 97% of its
  // refreshes (a virtual display, a renderer that only claims vsync) shows they do not. A single
  // present back in under half a period is held to the grid at once.
  bool Wait(Clock::duration period, bool vsync) {
    const Clock::time_point now = Clock::now();
    bool trusted = vsync;
    if (vsync) {
      if (runFrames_ == kRun) {
        trusted = now - runStart_ >= period * kRun * 97 / 100;
        runFrames_ = 0;
      }
      if (runFrames_++ == 0) runStart_ = now;
    }
    if (!trusted || !started_ || now - last_ < period / 2) {
      if (!gridSet_ || period != period_) {
        origin_ = now;
        period_ = period;
        gridSet_ = true;
      }
      std::this_thread::sleep_until(origin_ + ((now - origin_) / period_ + 1) * period_);
    }
    started_ = true;
    last_ = Clock::now();
    return trusted;
  }

 private:
  static constexpr int kRun = 30;
  int runFrames_ = 0;
  Clock::time_point runStart_;
  bool started_ = false;
  Clock::time_point last_;
  bool gridSet_ = false;
  Clock::time_point origin_;
  Clock::duration period_{};
};

// --- The video driver --------------------------------------------------------------------------

class SdlVideo final : public Video {
 public:
  SdlVideo(Options options, VideoUse use)
      : options_(options),
        use_(use),
        onX11_(std::string_view(SDL_GetCurrentVideoDriver()) == "x11") {}
  SdlVideo(const SdlVideo&) = delete;
  SdlVideo& operator=(const SdlVideo&) = delete;

  bool onX11() const { return onX11_; }

  std::int32_t CreateWindow(const WindowSettings& settings) override {
    if (window_) throw std::logic_error("sdl video: CreateWindow: the window exists already");
    designW_ = settings.width;
    designH_ = settings.height;
    background_ = settings.background;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!settings.border) flags |= SDL_WINDOW_BORDERLESS;
    if (!settings.inTaskbar) flags |= SDL_WINDOW_SKIP_TASKBAR;
    const std::string caption(settings.caption);
    window_.reset(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                   SDL_WINDOWPOS_UNDEFINED, designW_, designH_, flags));
    if (!window_) Fail("cannot create the window");
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_PRESENTVSYNC));
    if (!renderer_) Fail("cannot create a renderer");
    if (SDL_GetRendererInfo(renderer_.get(), &info_) != 0) Fail("cannot read the renderer");
    vsync_ = (info_.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    // A renderer that rasterises on the processor would copy each frame into a texture and then
    // scale it generically: writing the window's pixels directly is one pass instead.
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool rendererAsked =
        asked != nullptr && *asked != '\0' && std::string_view(asked) != "software";
    if (!rendererAsked && DrawsOnProcessor(info_) &&
        ScalerFormat(SDL_GetWindowPixelFormat(window_.get()))) {
      renderer_.reset();
      vsync_ = false;
      direct_ = true;
      // The window's own pixels (shared memory on X11), not SDL's texture stand-in for them.
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (shown_.empty()) ClearShown(designW_, designH_);
    return static_cast<std::int32_t>(SDL_GetWindowID(window_.get()));
  }

  void ShowWindow() override {
    SDL_ShowWindow(RequireWindow("ShowWindow"));
    Redraw();
  }

  void HandleMessages() override {
    bool redraw = false;
    SDL_Event event;
    // A request to close the window is dropped with the rest: the program ends by its own keys.
    while (SDL_PollEvent(&event) != 0) {
      if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                            event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)) {
        redraw = true;
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) surfaceStale_ = true;
      }
    }
    if (redraw && window_) Redraw();
  }

  void SetExclusive(bool exclusive) override {
    RequireWindow("SetExclusive");
    exclusive_ = exclusive;
    restored_ = false;
    Arrange();
  }

  bool CanSetMode(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel) override {
    RequireWindow("CanSetMode");
    // 0: the renderer sets no limit of its own; the window's pixels have none.
    const int maxW = !direct_ && info_.max_texture_width > 0 ? info_.max_texture_width : 16384;
    const int maxH = !direct_ && info_.max_texture_height > 0 ? info_.max_texture_height : 16384;
    return bitsPerPixel == 16 && width > 0 && height > 0 && width <= maxW && height <= maxH;
  }

  void SetMode(std::int32_t width, std::int32_t height) override {
    if (!CanSetMode(width, height, 16)) {
      throw std::invalid_argument("sdl video: SetMode: cannot show a display of " +
                                  std::to_string(width) + " x " + std::to_string(height));
    }
    modeW_ = width;
    modeH_ = height;
    ClearShown(width, height);
    if (direct_) {
      surfaceStale_ = true;
    } else {
      const Uint32 format = TextureFormat();
      texture_.reset(
          SDL_CreateTexture(renderer_.get(), format, SDL_TEXTUREACCESS_STREAMING, width, height));
      if (!texture_) Fail("SetMode: cannot create the display texture");
      // Nearest filtering, set on the texture itself so that no SDL_RENDER_SCALE_QUALITY in the
      // environment can blur the pixels.
      SDL_SetTextureScaleMode(texture_.get(), SDL_ScaleModeNearest);
      converting_ = format != SDL_PIXELFORMAT_RGB565;
      // The texture's 32-bit formats are ones the scaler writes.
      if (converting_) {
        scaler_.Configure(width, height, width, height, ScalerFormat(format).value());
      }
      Upload({shown_.data(), width, height, width});
    }
    restored_ = false;
    Arrange();
  }

  void RestoreMode() override {
    RequireWindow("RestoreMode");
    restored_ = true;
    Arrange();
  }

  void Present(const Picture& frame, bool wait) override {
    RequireWindow("Present");
    if (modeW_ == 0) throw std::logic_error("sdl video: Present before SetMode");
    if (frame.width > 0 && frame.height > 0 &&
        (frame.pixels == nullptr || frame.pitch < frame.width)) {
      throw std::invalid_argument("sdl video: Present: a picture of " +
                                  std::to_string(frame.width) + " pixels a row with a pitch of " +
                                  std::to_string(frame.pitch));
    }
    const Picture part{frame.pixels, std::min(frame.width, modeW_), std::min(frame.height, modeH_),
                       frame.pitch};
    for (std::int32_t y = 0; use_.keepShown && y < part.height; ++y) {
      std::copy_n(part.pixels + static_cast<std::ptrdiff_t>(y) * part.pitch, part.width,
                  shown_.data() + static_cast<std::ptrdiff_t>(y) * modeW_);
    }
    if (direct_) {
      DrawDirect(&part);
    } else {
      Upload(part);
      Redraw();
    }
    if (wait && !pacer_.Wait(RefreshPeriod(), vsync_) && vsync_) {
      // The renderer's vsync does not pace: the driver's grid does, alone. Should SDL refuse to
      // turn it off, the grid still holds every present to the refresh.
      SDL_RenderSetVSync(renderer_.get(), 0);
      vsync_ = false;
    }
  }

  Picture Shown() override { return {shown_.data(), shownW_, shownH_, shownW_}; }

  void ShowReport(std::string_view text) override {
    // A scripted run has nobody to click the box away.
    if (use_.scripted) return;
    // A window that covers the desktop would hide the box.
    if (window_) SDL_HideWindow(window_.get());
    const std::string message(text);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kReportTitle, message.c_str(), nullptr) !=
        0) {
      std::fprintf(stderr, "sdl video: cannot show the report: %s\n", SDL_GetError());
    }
  }

 private:
  enum class Layout { Design, ModeWindow, FullScreen };

  SDL_Window* RequireWindow(const char* operation) {
    if (!window_)
      throw std::logic_error(std::string("sdl video: ") + operation + " before CreateWindow");
    return window_.get();
  }

  void ClearShown(std::int32_t width, std::int32_t height) {
    shownW_ = width;
    shownH_ = height;
    shown_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  }

  // RGB565 where the renderer takes it; else a 32-bit format the frame is converted into.
  Uint32 TextureFormat() const {
    const Uint32* formats = info_.texture_formats;
    const Uint32* end = formats + info_.num_texture_formats;
    for (Uint32 wanted :
         {SDL_PIXELFORMAT_RGB565, SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB888}) {
      if (std::find(formats, end, wanted) != end) return wanted;
    }
    throw std::runtime_error(std::string("sdl video: the renderer ") + info_.name +
                             " takes none of RGB565, ARGB8888, RGB888");
  }

  void Upload(const Picture& part) {
    if (part.width <= 0 || part.height <= 0) return;
    const SDL_Rect area{0, 0, part.width, part.height};
    if (!converting_) {
      if (SDL_UpdateTexture(texture_.get(), &area, part.pixels,
                            part.pitch * static_cast<int>(sizeof(std::uint16_t))) != 0) {
        Fail("Present: cannot upload the frame");
      }
      return;
    }
    void* target = nullptr;
    int targetPitch = 0;
    if (SDL_LockTexture(texture_.get(), &area, &target, &targetPitch) != 0) {
      Fail("Present: cannot lock the display texture");
    }
    scaler_.Scale(part, static_cast<std::uint8_t*>(target), targetPitch);
    SDL_UnlockTexture(texture_.get());
  }

  // Draws the window: the display placed on black, or the background before there is a display.
  void Redraw() {
    if (direct_) {
      DrawDirect(nullptr);
      return;
    }
    SDL_Renderer* renderer = renderer_.get();
    if (texture_) {
      SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
      SDL_RenderClear(renderer);
      int outW = 0;
      int outH = 0;
      if (SDL_GetRendererOutputSize(renderer, &outW, &outH) != 0)
        Fail("cannot read the window size");
      const SDL_Rect place = Place(outW, outH, modeW_, modeH_, options_.scale);
      SDL_RenderCopy(renderer, texture_.get(), nullptr, &place);
    } else {
      SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(background_ >> 16),
                             static_cast<Uint8>(background_ >> 8), static_cast<Uint8>(background_),
                             255);
      SDL_RenderClear(renderer);
    }
    SDL_RenderPresent(renderer);
  }

  // Draws into the window's own pixels: the frame placed on black (without a frame, what they hold
  // already), or the background before there is a display. Pixels that are new (first use, a new
  // window size) are cleared first; the display's place then stays black until the next frame.
  void DrawDirect(const Picture* frame) {
    SDL_Window* window = window_.get();
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) Fail("cannot reach the window's pixels");
    const bool fresh = surfaceStale_ || surface != surface_ || surface->w != surfaceW_ ||
                       surface->h != surfaceH_;
    if (fresh) {
      surface_ = surface;
      surfaceW_ = surface->w;
      surfaceH_ = surface->h;
      surfaceStale_ = false;
      const std::uint32_t colour = modeW_ > 0 ? 0 : background_;
      SDL_FillRect(surface, nullptr,
                   SDL_MapRGB(surface->format, static_cast<Uint8>(colour >> 16),
                              static_cast<Uint8>(colour >> 8), static_cast<Uint8>(colour)));
      place_ = modeW_ > 0 ? Place(surface->w, surface->h, modeW_, modeH_, options_.scale)
                          : SDL_Rect{};
      const std::optional<FrameScaler::Format> format = ScalerFormat(surface->format->format);
      if (!format) {
        throw std::runtime_error("sdl video: the window's pixels changed to a format (" +
                                 std::string(SDL_GetPixelFormatName(surface->format->format)) +
                                 ") the driver cannot write");
      }
      if (place_.w > 0 && place_.h > 0) {
        scaler_.Configure(modeW_, modeH_, place_.w, place_.h, *format);
      }
    }
    const bool drawn = frame != nullptr && place_.w > 0 && place_.h > 0;
    if (drawn) {
      if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        Fail("cannot lock the window's pixels");
      }
      scaler_.Scale(*frame,
                    static_cast<std::uint8_t*>(surface->pixels) +
                        static_cast<std::ptrdiff_t>(place_.y) * surface->pitch +
                        static_cast<std::ptrdiff_t>(place_.x) * surface->format->BytesPerPixel,
                    surface->pitch);
      if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    }
    const int shown = drawn && !fresh ? SDL_UpdateWindowSurfaceRects(window, &place_, 1)
                                      : SDL_UpdateWindowSurface(window);
    if (shown != 0) Fail("cannot show the window's pixels");
  }

  Pacer::Clock::duration RefreshPeriod() const {
    SDL_DisplayMode mode{};
    const int index = SDL_GetWindowDisplayIndex(window_.get());
    int hz = kRefreshWhenUnknown;
    if (index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0) {
      hz = mode.refresh_rate;
    }
    return std::chrono::duration_cast<Pacer::Clock::duration>(std::chrono::seconds(1)) / hz;
  }

  // Puts the window where the state asks: exclusive (and not restored) covers the desktop, or
  // with ORVANE_WINDOWED is a window of the mode's size; otherwise the window as designed.
  void Arrange() {
    Layout wanted = Layout::Design;
    if (exclusive_ && !restored_) {
      if (!options_.windowed) {
        wanted = Layout::FullScreen;
      } else if (modeW_ > 0) {
        wanted = Layout::ModeWindow;
      }
    }
    if (wanted == Layout::ModeWindow && layout_ == wanted && placedW_ == modeW_ &&
        placedH_ == modeH_) {
      return;
    }
    if (wanted != Layout::ModeWindow && layout_ == wanted) return;

    SDL_Window* window = window_.get();
    if (wanted == Layout::FullScreen) {
      if (onX11_ && !WindowManagerDoesFullScreen(XDisplay())) {
        // No window manager to do it: a borderless window over the whole display is full screen.
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window), 0), &bounds) != 0) {
          Fail("cannot read the display's bounds");
        }
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
        SDL_RaiseWindow(window);
      } else if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        Fail("cannot make the window full screen");
      }
    } else {
      if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0 &&
          SDL_SetWindowFullscreen(window, 0) != 0) {
        Fail("cannot leave full screen");
      }
      placedW_ = wanted == Layout::ModeWindow ? modeW_ : designW_;
      placedH_ = wanted == Layout::ModeWindow ? modeH_ : designH_;
      SDL_SetWindowSize(window, placedW_, placedH_);
      const int display = std::max(SDL_GetWindowDisplayIndex(window), 0);
      SDL_SetWindowPosition(window, static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                            static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)));
    }
    layout_ = wanted;
    surfaceStale_ = true;
    Redraw();
  }

  Display* XDisplay() {
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (SDL_GetWindowWMInfo(window_.get(), &wm) != SDL_TRUE || wm.subsystem != SDL_SYSWM_X11) {
      Fail("cannot reach the X display of the window");
    }
    return wm.info.x11.display;
  }

  // Declared first: SDL's video starts before the rest and ends after the window is gone.
  VideoSubsystem subsystem_;
  const Options options_;
  const VideoUse use_;
  const bool onX11_;
  Owned<SDL_Window> window_;
  Owned<SDL_Renderer> renderer_;
  Owned<SDL_Texture> texture_;
  SDL_RendererInfo info_{};
  bool vsync_ = false;
  bool converting_ = false;
  // Without a renderer (direct_), frames are scaled straight into the window's pixels; with one,
  // the scaler converts frames into a 32-bit texture.
  bool direct_ = false;
  FrameScaler scaler_;
  SDL_Surface* surface_ = nullptr;  // the window's pixels the scaler was configured for
  int surfaceW_ = 0;
  int surfaceH_ = 0;
  bool surfaceStale_ = true;
  SDL_Rect place_{};
  Pacer pacer_;

  std::int32_t designW_ = 0;
  std::int32_t designH_ = 0;
  std::uint32_t background_ = 0;
  std::int32_t modeW_ = 0;
  std::int32_t modeH_ = 0;
  bool exclusive_ = false;
  bool restored_ = false;
  Layout layout_ = Layout::Design;
  std::int32_t placedW_ = 0;
  std::int32_t placedH_ = 0;

  // The last frame presented (or black), for Shown: one row copy per present.
  std::vector<std::uint16_t> shown_;
  std::int32_t shownW_ = 0;
  std::int32_t shownH_ = 0;
};

// --- The keyboards -----------------------------------------------------------------------------

// Reads the X server's key map through a connection of its own: every key, whichever window has
// the focus. The connection is XCB's, not Xlib's: Xlib ends the process when its connection
// breaks, XCB lets Poll report it.
class XKeyboard final : public Keyboard {
 public:
  XKeyboard() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_) != 0) {
      xcb_disconnect(connection_);
      throw trace::BadEnvironment("DISPLAY: cannot open " + ValueOf(std::getenv("DISPLAY")) +
                                  " to read the keyboard");
    }
  }
  ~XKeyboard() override { xcb_disconnect(connection_); }
  XKeyboard(const XKeyboard&) = delete;
  XKeyboard& operator=(const XKeyboard&) = delete;

  bool Poll(std::array<std::uint8_t, 256>& state) override {
    state.fill(0);
    const std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> reply(
        xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr), &std::free);
    if (!reply) return false;  // the connection is gone
    for (unsigned keycode = 0; keycode < 256; ++keycode) {
      if ((reply->keys[keycode / 8] >> (keycode % 8) & 1) == 0) continue;
      if (const std::uint8_t code = ScanCodeOfXKeycode(keycode); code != 0) state[code] = 0x80;
    }
    return true;
  }
  void Finish() override {}

 private:
  xcb_connection_t* connection_;
};

// Without X11: SDL's key state, which follows the form's window's focus only.
class SdlKeyboard final : public Keyboard {
 public:
  bool Poll(std::array<std::uint8_t, 256>& state) override {
    state.fill(0);
    SDL_PumpEvents();
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    for (int scancode = 0; scancode < count; ++scancode) {
      if (keys[scancode] == 0) continue;
      if (const std::uint8_t code = ScanCodeOfSdlScancode(scancode); code != 0) state[code] = 0x80;
    }
    return true;
  }
  void Finish() override {}
};

}  // namespace

std::unique_ptr<Video> OpenVideo(VideoUse use) {
  return std::make_unique<SdlVideo>(ReadOptions(), use);
}

std::unique_ptr<Keyboard> OpenKeyboard(Video& video) {
  const auto* sdlVideo = dynamic_cast<const SdlVideo*>(&video);
  if (sdlVideo == nullptr) throw std::invalid_argument("sdl keyboard: needs the sdl video driver");
  if (sdlVideo->onX11()) return std::make_unique<XKeyboard>();
  return std::make_unique<SdlKeyboard>();
}

}  // namespace drivers::sdl

// The door drivers::Open finds with dlsym.
extern "C" const drivers::sdl::Entry orvane_sdl_driver{&drivers::sdl::OpenVideo,
                                                       &drivers::sdl::OpenKeyboard};
