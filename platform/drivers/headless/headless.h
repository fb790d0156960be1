// The headless driver: the display is memory, a flip waits for nothing, the window handle exists
// but no window system is touched, and its own keyboard has no key down, ever. For tests,
// benchmarks and recording. The key-script keyboard lives here too and serves either video
// driver.
// Called by: drivers::Open only.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/drivers/driver.h"
#include "platform/drivers/headless/keyscript.h"

namespace drivers::headless {

// With keepShown the memory display keeps a copy of each frame presented, for Shown() (a key
// script's snaps need it); without, nobody can look at it and a flip copies nothing.
std::unique_ptr<Video> OpenVideo(bool keepShown);
std::unique_ptr<Keyboard> OpenKeyboard();
// Reads and parses a key script (keyscript.h). Throws trace::BadEnvironment for a script that
// cannot be read or parsed.
KeyScript ReadScript(const std::filesystem::path& script);
bool HasSnaps(const KeyScript& script);
// The keyboard driven by a key script; its snaps picture video's display.
std::unique_ptr<Keyboard> OpenScript(KeyScript script, Video& video);

}  // namespace drivers::headless
