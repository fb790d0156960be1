#include "platform/drivers/driver.h"

#include <cstdlib>
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

}  // namespace

void Open() {
  struct Open& o = open();
  const char* videoName = std::getenv("ORVANE_VIDEO");
  const std::string name = videoName != nullptr ? videoName : "sdl";
  const char* script = std::getenv("ORVANE_KEYS");
  o.scripted = script != nullptr;
  if (name == "sdl") {
    o.video = sdl::OpenVideo(o.scripted);
    o.keyboard = sdl::OpenKeyboard(*o.video);
  } else if (name == "headless") {
    o.video = headless::OpenVideo(o.scripted);
    o.keyboard = headless::OpenKeyboard();
  } else {
    throw trace::BadEnvironment("ORVANE_VIDEO: unknown driver \"" + name +
                                "\"; use sdl or headless");
  }
  if (o.scripted) {
    if (*script == '\0') throw trace::BadEnvironment("ORVANE_KEYS: empty; give a key script's path");
    o.keyboard = headless::OpenScript(script, *o.video);
  }
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
