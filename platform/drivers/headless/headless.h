// The headless driver: the display is memory, a flip waits for nothing, the window handle exists
// but no window system is touched, and its own keyboard has no key down, ever. For tests,
// benchmarks and recording (a key script's snaps read the memory display).
// Called by: drivers::Open only.
#pragma once

#include <memory>

#include "platform/drivers/driver.h"

namespace drivers::headless {

std::unique_ptr<Video> OpenVideo();
std::unique_ptr<Keyboard> OpenKeyboard();

}  // namespace drivers::headless
