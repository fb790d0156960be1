#include "platform/drivers/driver.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/drivers/headless/headless.h"
#include "platform/drivers/sdl/sdl.h"
#include "platform/trace/trace.h"

namespace drivers {
namespace {

struct Open {
  std::unique_ptr<Video> video;
  std::unique_ptr<Keyboard> keyboard;
  bool scripted = false;
};

Open& open() {
  static Open o;
  return o;
}

// The SDL driver's module, loaded from beside the running program and never unloaded.
const sdl::Entry& SdlDriver() {
  std::error_code error;
  const std::filesystem::path module =
      std::filesystem::read_symlink("/proc/self/exe", error).parent_path() /
      "liborvane_driver_sdl.so";
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  const void* entry = handle != nullptr ? dlsym(handle, "orvane_sdl_driver") : nullptr;
  if (entry == nullptr) {
    throw trace::BadEnvironment(std::string("ORVANE_VIDEO: sdl: cannot load the SDL driver: ") +
                                dlerror() + "; use ORVANE_VIDEO=headless");
  }
  return *static_cast<const sdl::Entry*>(entry);
}

}  // namespace

void Open() {
  struct Open& o = open();
  const char* videoName = std::getenv("ORVANE_VIDEO");
  const std::string name = videoName != nullptr ? videoName : "sdl";
  if (name != "sdl" && name != "headless") {
    throw trace::BadEnvironment("ORVANE_VIDEO: unknown driver \"" + name +
                                "\"; use sdl or headless");
  }
  // The script is read first: one that does not parse is refused before any driver starts.
  const char* scriptPath = std::getenv("ORVANE_KEYS");
  std::optional<headless::KeyScript> script;
  if (scriptPath != nullptr) {
    if (*scriptPath == '\0') {
      throw trace::BadEnvironment("ORVANE_KEYS: empty; give a key script's path");
    }
    script = headless::ReadScript(scriptPath);
  }
  o.scripted = script.has_value();
  // Only a script's snaps look at what the display shows.
  const bool keepShown = script && headless::HasSnaps(*script);
  if (name == "sdl") {
    const sdl::Entry& driver = SdlDriver();
    o.video = driver.openVideo({.scripted = o.scripted, .keepShown = keepShown});
    o.keyboard = driver.openKeyboard(*o.video);
  } else {
    o.video = headless::OpenVideo(keepShown);
    o.keyboard = headless::OpenKeyboard();
  }
  if (script) o.keyboard = headless::OpenScript(std::move(*script), *o.video);
}

void Close() {
  struct Open& o = open();
  std::unique_ptr<Keyboard> keyboard = std::move(o.keyboard);
  if (keyboard) keyboard->Finish();
  o.video.reset();
}

bool Scripted() { return open().scripted; }
Video& video() { return *open().video; }
Keyboard& keyboard() { return *open().keyboard; }

}  // namespace drivers
