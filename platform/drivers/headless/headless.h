// The headless driver: the display is memory, a flip waits for nothing, the window handle exists
// but no window system is touched, and its own keyboard has no key down, ever. For tests,
// benchmarks and recording. The key-script keyboard lives here too and serves either video
// driver.
// Called by: drivers::Open only.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/drivers/driver.h"

namespace drivers::headless {

std::unique_ptr<Video> OpenVideo();
std::unique_ptr<Keyboard> OpenKeyboard();
// The keyboard driven by a key script (keyscript.h); its snaps picture video's display. Throws
// trace::BadEnvironment for a script that cannot be read or parsed.
std::unique_ptr<Keyboard> OpenScript(const std::filesystem::path& script, Video& video);

}  // namespace drivers::headless
