// The SDL driver on a real X server (run under xvfb_run.sh, which gives a 1024x600 screen): the
// form's window as designed, full screen with the display letterboxed, the ORVANE_WINDOWED and
// ORVANE_SCALE variables, flip pacing, what Shown reports, and the keyboard read by scan code
// while another window has the focus. Screenshots of failed picture checks are written as PPM
// files to ORVANE_TEST_OUTPUT (default: the working directory).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

// Before the X headers, whose macros (Bool, None) would rewrite its names.
#include "platform/drivers/sdl/sdl.h"
#include "platform/trace/trace.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using drivers::Picture;

constexpr const char* kCaption = "Orvane Demo";
constexpr int kScreenW = 1024;
constexpr int kScreenH = 600;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;

drivers::WindowSettings Form(std::uint32_t background = 0x000000) {
  return {kCaption, 312, 213, background, false, false};
}

// Sets (or, with nullopt, unsets) environment variables and puts them back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::initializer_list<std::pair<const char*, std::optional<std::string>>> values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
      Set(name, value);
    }
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Set(it->first, it->second);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  static void Set(const char* name, const std::optional<std::string>& value) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// The stripes the display shows in these tests: red on even columns, blue on odd ones. Scaled
// with nearest filtering every screen pixel is exactly one of the two.
struct Frame {
  explicit Frame(int width, int height, int pitch)
      : w(width), h(height), p(pitch), pixels(static_cast<std::size_t>(pitch) * height, 0) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        pixels[static_cast<std::size_t>(y) * p + x] = x % 2 ? 0x001F : 0xF800;
    }
  }
  Picture picture() const { return {pixels.data(), w, h, p}; }
  int w, h, p;
  std::vector<std::uint16_t> pixels;
};

struct Shot {
  int w = 0, h = 0;
  std::vector<std::uint32_t> rgb;
  std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * w + x]; }
};

void SavePpm(const Shot& shot, const std::string& name) {
  const char* dir = std::getenv("ORVANE_TEST_OUTPUT");
  std::string file = name;
  std::replace_if(
      file.begin(), file.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '-');
  const std::filesystem::path folder = dir != nullptr ? dir : ".";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const std::string path = (folder / ("sdl-driver-" + file + ".ppm")).string();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    ADD_FAILURE() << "cannot write " << path;
    return;
  }
  std::fprintf(out, "P6\n%d %d\n255\n", shot.w, shot.h);
  for (std::uint32_t c : shot.rgb) {
    const unsigned char bytes[3] = {static_cast<unsigned char>(c >> 16),
                                    static_cast<unsigned char>(c >> 8),
                                    static_cast<unsigned char>(c)};
    std::fwrite(bytes, 1, 3, out);
  }
  std::fclose(out);
  std::printf("screenshot saved: %s\n", path.c_str());
}

struct Geometry {
  int x, y, w, h;
  bool viewable;
};

// The test's own connection to the X server, to look at what the driver made.
class XServer {
 public:
  XServer() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("the test cannot open DISPLAY");
    // SDL sets the borderless hint only where the atom exists (a window manager made it).
    XInternAtom(display_, "_MOTIF_WM_HINTS", False);
  }
  ~XServer() { XCloseDisplay(display_); }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  Display* display() const { return display_; }

  // The window named `name` anywhere under the root, or None.
  ::Window Find(const char* name) const { return Find(DefaultRootWindow(display_), name); }

  Geometry GeometryOf(::Window window) const {
    XWindowAttributes a{};
    XGetWindowAttributes(display_, window, &a);
    int x = 0, y = 0;
    ::Window child = None;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y, a.width, a.height, a.map_state == IsViewable};
  }

  std::vector<unsigned long> Property(::Window window, const char* name, Atom type) const {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 64, False, type,
                           &actual, &format, &count, &after, &data) == Success &&
        format == 32) {
      const auto* longs = reinterpret_cast<const unsigned long*>(data);
      values.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    return values;
  }

  Atom AtomOf(const char* name) const { return XInternAtom(display_, name, False); }

  Shot Capture() const {
    const ::Window root = DefaultRootWindow(display_);
    XWindowAttributes a{};
    XGetWindowAttributes(display_, root, &a);
    XImage* image = XGetImage(display_, root, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    Shot shot;
    if (image == nullptr) return shot;
    shot.w = a.width;
    shot.h = a.height;
    shot.rgb.resize(static_cast<std::size_t>(shot.w) * shot.h);
    for (int y = 0; y < shot.h; ++y) {
      for (int x = 0; x < shot.w; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        auto channel = [p](unsigned long mask) {
          unsigned long v = p & mask;
          while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            v >>= 1;
          }
          return static_cast<std::uint32_t>(v & 0xFF);
        };
        shot.rgb[static_cast<std::size_t>(y) * shot.w + x] = channel(image->red_mask) << 16 |
                                                             channel(image->green_mask) << 8 |
                                                             channel(image->blue_mask);
      }
    }
    XDestroyImage(image);
    return shot;
  }

 private:
  ::Window Find(::Window parent, const char* name) const {
    ::Window root = None, up = None;
    ::Window* children = nullptr;
    unsigned count = 0;
    ::Window found = None;
    if (XQueryTree(display_, parent, &root, &up, &children, &count) == 0) return None;
    for (unsigned i = 0; i < count && found == None; ++i) {
      char* title = nullptr;
      if (XFetchName(display_, children[i], &title) != 0 && title != nullptr) {
        if (std::string(title) == name) found = children[i];
        XFree(title);
      }
      if (found == None) found = Find(children[i], name);
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  Display* display_;
};

// Retries `check` for up to 3 s, letting the driver handle its messages in between (the X server
// applies a window's changes after the driver's calls return).
bool Eventually(drivers::Video& video, const std::function<bool()>& check) {
  const Clock::time_point end = Clock::now() + std::chrono::seconds(3);
  while (true) {
    video.HandleMessages();
    if (check()) return true;
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string Describe(const Geometry& g) {
  return std::to_string(g.w) + "x" + std::to_string(g.h) + "+" + std::to_string(g.x) + "+" +
         std::to_string(g.y) + (g.viewable ? " viewable" : " not viewable");
}

// The first pixel that breaks the picture: inside `area` only red and blue stripes, starting
// red at its left edge and blue at its right (the display's column 639); outside it black.
std::string Letterboxed(const Shot& shot, int left, int top, int width, int height) {
  if (shot.w == 0) return "no screenshot";
  for (int y = 0; y < shot.h; ++y) {
    for (int x = 0; x < shot.w; ++x) {
      const bool inside = x >= left && x < left + width && y >= top && y < top + height;
      const std::uint32_t c = shot.at(x, y);
      const bool ok = inside ? (c == kRed || c == kBlue) : c == 0;
      if (!ok) {
        char text[96];
        std::snprintf(text, sizeof(text), "pixel (%d, %d) is %06X, %s the display", x, y, c,
                      inside ? "inside" : "outside");
        return text;
      }
    }
  }
  if (shot.at(left, top) != kRed || shot.at(left + width - 1, top + height - 1) != kBlue) {
    return "the display's first column is not red or its last not blue";
  }
  return "";
}

struct Renderer {
  const char* name;
  std::optional<std::string> driver;  // SDL_RENDER_DRIVER
};
// The driver's own choice and SDL's software renderer both draw into the window's pixels
// directly where, as on Xvfb, no renderer draws in hardware; a renderer asked for by name
// (OpenGL, which takes no RGB565, so the driver converts; SDL's software renderer should OpenGL
// be missing) shows the display through its texture.
const Renderer kRenderers[] = {
    {"own choice", std::nullopt}, {"software", "software"}, {"asked for", "opengl"}};

TEST(SdlWindow, IsCreatedHiddenAsDesignedThenShown) {
  XServer x;
  auto video = drivers::sdl::OpenVideo({});
  EXPECT_NE(video->CreateWindow(Form(0x204080)), 0);
  ::Window window = None;
  ASSERT_TRUE(Eventually(*video, [&] { return (window = x.Find(kCaption)) != None; }))
      << "no window named " << kCaption;
  Geometry g = x.GeometryOf(window);
  EXPECT_FALSE(g.viewable) << "shown before ShowWindow";
  EXPECT_EQ(g.w, 312);
  EXPECT_EQ(g.h, 213);

  const auto states = x.Property(window, "_NET_WM_STATE", XA_ATOM);
  EXPECT_NE(std::find(states.begin(), states.end(), x.AtomOf("_NET_WM_STATE_SKIP_TASKBAR")),
            states.end())
      << "the window asks for a place in the task bar";
  const auto motif = x.Property(window, "_MOTIF_WM_HINTS", x.AtomOf("_MOTIF_WM_HINTS"));
  ASSERT_GE(motif.size(), 3u) << "no _MOTIF_WM_HINTS: the window asks for a border";
  EXPECT_TRUE((motif[0] & 2) != 0 && motif[2] == 0) << "the window asks for decorations";

  video->ShowWindow();
  ASSERT_TRUE(Eventually(*video, [&] {
    g = x.GeometryOf(window);
    return g.viewable;
  })) << "not shown";
  EXPECT_EQ(g.w, 312);
  EXPECT_EQ(g.h, 213);
  // Before there is a display the window shows its background.
  Shot shot;
  EXPECT_TRUE(Eventually(*video, [&] {
    shot = x.Capture();
    return shot.at(g.x, g.y) == 0x204080 && shot.at(g.x + g.w - 1, g.y + g.h - 1) == 0x204080;
  })) << "the window does not show its background";
}

TEST(SdlWindow, ExclusiveCoversTheScreenWithTheDisplayLetterboxed) {
  const struct {
    const char* name;
    std::optional<std::string> scale;
    int left, top, width, height;  // where 640x480 goes on 1024x600
  } scales[] = {
      {"fit by default", std::nullopt, 112, 0, 800, 600},
      {"fit", "fit", 112, 0, 800, 600},
      {"integer", "integer", 192, 60, 640, 480},
  };
  XServer x;
  for (const Renderer& renderer : kRenderers) {
    for (const auto& scale : scales) {
      const std::string name = std::string(renderer.name) + ", " + scale.name;
      SCOPED_TRACE(name);
      ScopedEnv env{{"SDL_RENDER_DRIVER", renderer.driver}, {"ORVANE_SCALE", scale.scale}};
      auto video = drivers::sdl::OpenVideo({});
      video->CreateWindow(Form());
      video->SetExclusive(true);
      ASSERT_TRUE(video->CanSetMode(640, 480, 16));
      video->SetMode(640, 480);
      video->ShowWindow();
      const ::Window window = x.Find(kCaption);
      ASSERT_NE(window, None);
      Geometry g{};
      EXPECT_TRUE(Eventually(*video,
                             [&] {
                               g = x.GeometryOf(window);
                               return g.viewable && g.x == 0 && g.y == 0 && g.w == kScreenW &&
                                      g.h == kScreenH;
                             }))
          << "the window does not cover the screen: " << Describe(g);

      const Frame frame(640, 480, 640);
      Shot shot;
      std::string fault;
      const bool good = Eventually(*video, [&] {
        video->Present(frame.picture(), false);
        shot = x.Capture();
        fault = Letterboxed(shot, scale.left, scale.top, scale.width, scale.height);
        return fault.empty();
      });
      EXPECT_TRUE(good) << fault;
      if (!good) SavePpm(shot, "letterbox-" + std::string(renderer.name) + "-" + scale.name);

      // Leaving exclusive mode, and restoring the mode, both give back the window as designed.
      for (const bool restore : {false, true}) {
        SCOPED_TRACE(restore ? "RestoreMode" : "SetExclusive(false)");
        if (restore) {
          video->SetExclusive(true);
          video->RestoreMode();
        } else {
          video->SetExclusive(false);
        }
        EXPECT_TRUE(Eventually(*video,
                               [&] {
                                 g = x.GeometryOf(window);
                                 return g.viewable && g.w == 312 && g.h == 213;
                               }))
            << "not back to the design size: " << Describe(g);
      }
    }
  }
}

TEST(SdlWindow, WindowedVariableMakesExclusiveAWindowOfTheModesSize) {
  XServer x;
  ScopedEnv env{{"ORVANE_WINDOWED", "1"}};
  auto video = drivers::sdl::OpenVideo({});
  video->CreateWindow(Form());
  video->SetExclusive(true);
  video->SetMode(640, 480);
  video->ShowWindow();
  const ::Window window = x.Find(kCaption);
  ASSERT_NE(window, None);
  Geometry g{};
  ASSERT_TRUE(Eventually(*video,
                         [&] {
                           g = x.GeometryOf(window);
                           return g.viewable && g.w == 640 && g.h == 480;
                         }))
      << "not a 640x480 window: " << Describe(g);
  EXPECT_TRUE(g.x > 0 && g.y > 0) << "covers the screen's corner: " << Describe(g);

  const Frame frame(640, 480, 640);
  Shot shot;
  std::string fault;
  const bool good = Eventually(*video, [&] {
    video->Present(frame.picture(), false);
    shot = x.Capture();
    fault = Letterboxed(shot, g.x, g.y, 640, 480);
    return fault.empty();
  });
  EXPECT_TRUE(good) << fault;
  if (!good) SavePpm(shot, "windowed");

  video->RestoreMode();
  EXPECT_TRUE(Eventually(*video,
                         [&] {
                           g = x.GeometryOf(window);
                           return g.w == 312 && g.h == 213;
                         }))
      << "not back to the design size: " << Describe(g);
}

TEST(SdlWindow, CloseRequestIsIgnored) {
  XServer x;
  auto video = drivers::sdl::OpenVideo({});
  video->CreateWindow(Form());
  video->ShowWindow();
  const ::Window window = x.Find(kCaption);
  ASSERT_NE(window, None);
  ASSERT_TRUE(Eventually(*video, [&] { return x.GeometryOf(window).viewable; }));
  // What a window manager sends when somebody clicks the window's close button.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = x.AtomOf("WM_PROTOCOLS");
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(x.AtomOf("WM_DELETE_WINDOW"));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(x.display(), window, False, NoEventMask, &close);
  XSync(x.display(), False);
  for (int i = 0; i < 20; ++i) {
    video->HandleMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(x.Find(kCaption), window);
  EXPECT_TRUE(x.GeometryOf(window).viewable);
}

TEST(SdlPresent, WaitFollowsTheDisplaysRefresh) {
  // Xvfb reports no refresh rate: the driver takes 60 Hz, so 120 waited presents take 2 s,
  // whether the renderer's vsync paces them or the driver's own clock does (Mesa's software
  // OpenGL claims vsync but runs at 62.5 a second; SDL's software renderer claims it and does
  // not wait at all).
  const struct {
    const char* name;
    std::optional<std::string> driver, vsync;
  } cases[] = {
      {"first choice renderer", std::nullopt, std::nullopt},
      {"renderer without vsync", std::nullopt, "0"},
      {"software renderer", "software", std::nullopt},
      {"software renderer without vsync", "software", "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv env{{"SDL_RENDER_DRIVER", c.driver}, {"SDL_RENDER_VSYNC", c.vsync}};
    auto video = drivers::sdl::OpenVideo({});
    // The window at its design size: the time measured is the pacing's, not Xvfb's drawing.
    video->CreateWindow(Form());
    video->SetMode(640, 480);
    video->ShowWindow();
    const Frame frame(640, 480, 640);
    // The first half second lets the driver find out whether the renderer's vsync paces.
    for (int i = 0; i < 40; ++i) video->Present(frame.picture(), true);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 120; ++i) {
      video->Present(frame.picture(), true);
      video->HandleMessages();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%s: 120 waited presents in %.3f s (%.1f a second)\n", c.name, seconds,
                120 / seconds);
    EXPECT_GT(seconds, 1.9) << "faster than the display";
    EXPECT_LT(seconds, 3.0) << "far slower than the display";
  }
}

TEST(SdlPresent, ShownIsTheLastFrameOrBlack) {
  auto video = drivers::sdl::OpenVideo({.scripted = true, .keepShown = true});
  video->CreateWindow(Form(0x204080));
  Picture shown = video->Shown();
  ASSERT_EQ(shown.width, 312);
  ASSERT_EQ(shown.height, 213);
  EXPECT_EQ(shown.pixels[0], 0);

  for (const Renderer& renderer : kRenderers) {
    SCOPED_TRACE(renderer.name);
    ScopedEnv env{{"SDL_RENDER_DRIVER", renderer.driver}};
    video = drivers::sdl::OpenVideo({.scripted = true, .keepShown = true});
    video->CreateWindow(Form());
    video->SetMode(640, 480);
    shown = video->Shown();
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.height, 480);
    EXPECT_TRUE(std::all_of(shown.pixels, shown.pixels + 640 * 480, [](auto p) { return p == 0; }))
        << "not black before the first frame";

    // A frame whose rows are longer than the display: only the display's part is shown.
    Frame frame(640, 480, 700);
    frame.pixels[700 * 479 + 639] = 0x1234;
    video->Present(frame.picture(), false);
    shown = video->Shown();
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.pitch, 640);
    bool same = true;
    for (int y = 0; y < 480 && same; ++y) {
      same = std::equal(shown.pixels + y * 640, shown.pixels + y * 640 + 640,
                        frame.pixels.data() + y * 700);
    }
    EXPECT_TRUE(same) << "Shown is not the frame presented";
  }
}

TEST(SdlVideoEnvironment, BadValuesAreRefusedNamingTheVariable) {
  const struct {
    const char* variable;
    const char* value;
  } bad[] = {
      {"ORVANE_WINDOWED", "yes"},  {"ORVANE_WINDOWED", ""}, {"ORVANE_WINDOWED", "2"},
      {"ORVANE_SCALE", "stretch"}, {"ORVANE_SCALE", "FIT"}, {"ORVANE_SCALE", ""},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(std::string(c.variable) + "=\"" + c.value + "\"");
    ScopedEnv env{{c.variable, c.value}};
    try {
      drivers::sdl::OpenVideo({});
      ADD_FAILURE() << "accepted";
    } catch (const trace::BadEnvironment& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind(c.variable, 0), 0u) << message;
      EXPECT_NE(message.find(std::string("\"") + c.value + "\""), std::string::npos) << message;
    }
  }
  const struct {
    const char* variable;
    const char* value;
  } good[] = {{"ORVANE_WINDOWED", "0"},
              {"ORVANE_WINDOWED", "1"},
              {"ORVANE_SCALE", "fit"},
              {"ORVANE_SCALE", "integer"}};
  for (const auto& c : good) {
    SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
    ScopedEnv env{{c.variable, c.value}};
    EXPECT_NO_THROW(drivers::sdl::OpenVideo({}));
  }
}

TEST(SdlVideoEnvironment, NoDisplayIsABadEnvironment) {
  const struct {
    const char* name;
    std::optional<std::string> display;
  } cases[] = {{"DISPLAY unset", std::nullopt}, {"no server at DISPLAY", ":4095"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv env{{"DISPLAY", c.display},
                  {"WAYLAND_DISPLAY", std::nullopt},
                  {"SDL_VIDEODRIVER", std::nullopt}};
    try {
      drivers::sdl::OpenVideo({});
      ADD_FAILURE() << "opened without a display";
    } catch (const trace::BadEnvironment& e) {
      EXPECT_EQ(std::string(e.what()).rfind("ORVANE_VIDEO: sdl: no display: ", 0), 0u) << e.what();
    }
  }
}

bool WaitForKeys(drivers::Keyboard& keyboard,
                 const std::function<bool(const std::array<std::uint8_t, 256>&)>& want,
                 std::array<std::uint8_t, 256>& state) {
  const Clock::time_point end = Clock::now() + std::chrono::seconds(2);
  while (true) {
    if (!keyboard.Poll(state)) return false;
    if (want(state)) return true;
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string Down(const std::array<std::uint8_t, 256>& state) {
  std::string text;
  for (int code = 0; code < 256; ++code) {
    if (state[code] != 0) text += " " + std::to_string(code);
  }
  return text.empty() ? " none" : text;
}

TEST(SdlKeyboard, ReadsKeysByScanCodeWhileAnotherWindowHasTheFocus) {
  XServer x;
  auto video = drivers::sdl::OpenVideo({});
  video->CreateWindow(Form());
  video->ShowWindow();
  auto keyboard = drivers::sdl::OpenKeyboard(*video);

  // Another window takes the focus.
  Display* d = x.display();
  const ::Window other = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, 100, 100, 0, 0, 0);
  XMapRaised(d, other);
  XSync(d, False);
  ASSERT_TRUE(Eventually(*video, [&] {
    XSetInputFocus(d, other, RevertToParent, CurrentTime);
    XSync(d, False);
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    return focus == other;
  }));

  const struct {
    const char* keysym;  // as xdotool names it
    int code;
  } keys[] = {
      {"Escape", 1}, {"Up", 200}, {"KP_Up", 72},      {"Left", 203},     {"KP_Left", 75},
      {"i", 23},     {"o", 24},   {"KP_Divide", 181}, {"KP_Enter", 156}, {"Delete", 211},
  };
  std::array<std::uint8_t, 256> state{};
  for (const auto& key : keys) {
    SCOPED_TRACE(key.keysym);
    ASSERT_EQ(std::system((std::string("xdotool keydown ") + key.keysym).c_str()), 0);
    EXPECT_TRUE(WaitForKeys(
        *keyboard, [&](const auto& s) { return s[key.code] != 0; }, state))
        << "down:" << Down(state);
    int others = 0;
    for (int code = 0; code < 256; ++code) others += code != key.code && state[code] != 0;
    EXPECT_EQ(others, 0) << "down:" << Down(state);
    ASSERT_EQ(std::system((std::string("xdotool keyup ") + key.keysym).c_str()), 0);
    EXPECT_TRUE(WaitForKeys(
        *keyboard,
        [](const auto& s) {
          return std::all_of(s.begin(), s.end(), [](std::uint8_t v) { return v == 0; });
        },
        state))
        << "still down:" << Down(state);
  }
  XDestroyWindow(d, other);
}

// A second X server of the test's own, to take away from under the keyboard.
class OwnXvfb {
 public:
  OwnXvfb() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                          "320x200x24", "-nolisten",  "tcp",      nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
      close(fds[0]);
      throw std::runtime_error("cannot start Xvfb");
    }
    // Xvfb writes the number, then a newline, once it takes connections; it stops if the pipe
    // is closed before the newline.
    std::string number;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
    pollfd ready{fds[0], POLLIN, 0};
    char c = 0;
    while (Clock::now() < end && poll(&ready, 1, 100) >= 0) {
      if ((ready.revents & (POLLIN | POLLHUP)) == 0) continue;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (c == '\n' && !number.empty()) display_ = ":" + number;
    if (display_.empty()) {
      Stop();
      throw std::runtime_error("Xvfb did not start");
    }
  }
  ~OwnXvfb() { Stop(); }
  OwnXvfb(const OwnXvfb&) = delete;
  OwnXvfb& operator=(const OwnXvfb&) = delete;

  const std::string& display() const { return display_; }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

TEST(SdlKeyboard, PollFailsWhenTheXConnectionIsLost) {
  auto video = drivers::sdl::OpenVideo({});
  OwnXvfb server;
  std::unique_ptr<drivers::Keyboard> keyboard;
  {
    // The keyboard opens its connection where DISPLAY points: here the server to be stopped.
    ScopedEnv env{{"DISPLAY", server.display()}};
    keyboard = drivers::sdl::OpenKeyboard(*video);
  }
  std::array<std::uint8_t, 256> state{};
  ASSERT_TRUE(keyboard->Poll(state));
  server.Stop();
  state.fill(1);
  EXPECT_FALSE(keyboard->Poll(state)) << "read keys from a server that is gone";
  EXPECT_TRUE(std::all_of(state.begin(), state.end(), [](std::uint8_t v) { return v == 0; }));
  EXPECT_FALSE(keyboard->Poll(state)) << "a lost connection came back";
  keyboard.reset();
}

}  // namespace
