#include "tests/support/passes.h"

#include <cstdio>

namespace orvane_test {

std::vector<Pass> PassesOf(const std::vector<std::string>& trace) {
  std::vector<Pass> passes;
  for (const std::string& line : trace) {
    if (line.rfind("DirectInputDevice.GetDeviceStateKeyboard() -> ok", 0) == 0) {
      passes.emplace_back();
      continue;
    }
    if (passes.empty()) continue;
    Pass& pass = passes.back();
    Blit b{};
    long value = 0;
    if (std::sscanf(line.c_str(), "DirectDrawSurface7#2.Blt((%d, %d, %d, %d), #%d,", &b.left,
                    &b.top, &b.right, &b.bottom, &b.surface) == 5 &&
        line.find("-> ok") != std::string::npos) {
      pass.blits.push_back(b);
    } else if (line == "DirectDrawSurface7#1.Flip(nothing, 1) -> ok") {
      pass.flipped = true;
    } else if (std::sscanf(line.c_str(), "DirectDrawSurface7#2.BltColorFill((0, 0, 640, 480), %ld)",
                           &value) == 1 &&
               line.find("-> ok") != std::string::npos) {
      pass.fill = value;
    }
  }
  return passes;
}

int FrameOf(int surface) { return (surface - 3) % 40; }

}  // namespace orvane_test
