// A run's trace cut into main-loop passes, each with what it drew: the sprites' blits (frame and
// destination), whether it flipped, and the backdrop value it filled for the next pass.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane_test {

struct Blit {
  int left, top, right, bottom;
  int surface;  // the frame surface's number
};

struct Pass {
  std::vector<Blit> blits;
  bool flipped = false;
  std::optional<long> fill;  // the value of the backdrop fill after the flip
};

// Passes begin at each keyboard poll after set-up.
std::vector<Pass> PassesOf(const std::vector<std::string>& trace);

// The frame index a surface number stands for: surfaces #3 on are the frames, 40 per sprite.
int FrameOf(int surface);

}  // namespace orvane_test
