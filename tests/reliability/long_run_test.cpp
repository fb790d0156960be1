// The long run: 200,000 headless passes of orvane2 on pseudo-random keys from a fixed seed,
// traced to a file. Its peak memory matches a 2,000-pass run of the same keys (nothing grows
// with the passes), and every pass draws both sprites within the zoom range from their own 40
// frames and fills the backdrop the keys asked for. Run by `scripts/reliability long`; not a
// CTest entry, since it takes a minute or more.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLongPasses = 200'000;
constexpr int kShortPasses = 2'000;
constexpr long kMemorySlackKiB = 256;
// Each sprite is 60 pixels square, zoomed from 0.1 to 1.0.
constexpr int kSmallestSide = 5;
constexpr int kLargestSide = 61;
constexpr int kBackdropBound = 30'000;  // well inside the 16-bit backdrop

// The keys: holds of random key sets from the commands (Left, Right, O, I, Up, Down) with random
// weights that add up to kWeights. Both runs hold the same keys on the same number of lines, the
// long one each hold kScale times as long, so the scripts take the same memory and only the
// number of passes differs. Up and Down are swapped where the long run would take the backdrop
// past the bound, so neither run overflows.
constexpr int kWeights = 1'998;
constexpr int kScale = 100;

struct Hold {
  int weight;
  std::uint32_t commands;  // bits 0-3: RIGHT, LEFT, O, I
  bool up;
  bool down;
};

std::vector<Hold> Holds() {
  std::mt19937 random(20'061'211);  // fixed: every run holds the same keys
  std::vector<Hold> holds;
  int total = 0;
  int backdrop = 0;  // in the long run
  while (total < kWeights) {
    const int weight = std::min(kWeights - total, 1 + static_cast<int>(random() % 19));
    const auto chosen = static_cast<std::uint32_t>(random());
    Hold hold{weight, chosen & 15u, (chosen & 16u) != 0, (chosen & 32u) != 0};
    const int step = (hold.up ? 1 : 0) - (hold.down ? 1 : 0);
    if (std::abs(backdrop + step * weight * kScale) > kBackdropBound) std::swap(hold.up, hold.down);
    backdrop += ((hold.up ? 1 : 0) - (hold.down ? 1 : 0)) * weight * kScale;
    holds.push_back(hold);
    total += weight;
  }
  return holds;
}

// The script of `passes` polls: the holds at `scale`, an idle hold for the polls left, then
// Escape. `backdrops` gets the backdrop value after each pass.
std::string KeyScript(const std::vector<Hold>& holds, int scale, int passes,
                      std::vector<int>& backdrops) {
  constexpr const char* kCommands[] = {"RIGHT", "LEFT", "O", "I"};
  std::string script = "# pseudo-random keys, seed 20061211\n";
  int backdrop = 0;
  backdrops.clear();
  auto add = [&](int polls, const std::string& keys, int step) {
    script += "hold " + std::to_string(polls) + keys + "\n";
    for (int p = 0; p < polls; ++p) {
      backdrop += step;
      backdrops.push_back(backdrop);
    }
  };
  for (const Hold& hold : holds) {
    std::string keys;
    for (std::uint32_t k = 0; k < 4; ++k) {
      if (hold.commands & (1u << k)) keys += std::string(" ") + kCommands[k];
    }
    if (hold.up) keys += " UP";
    if (hold.down) keys += " DOWN";
    add(hold.weight * scale, keys, (hold.up ? 1 : 0) - (hold.down ? 1 : 0));
  }
  add(passes - 1 - kWeights * scale, "", 0);
  add(1, " ESC", 0);
  return script;
}

// What the trace shows, pass by pass; faults are counted and the first few described.
struct Seen {
  int passes = 0;
  int smallestSide = 1'000;
  int largestSide = 0;
  std::vector<bool> framesUsed = std::vector<bool>(40, false);
  int faults = 0;
  std::string firstFaults;
  std::string lastLine;
};

void Fault(Seen& seen, int lineNumber, const std::string& what, const std::string& line) {
  if (++seen.faults <= 5) {
    seen.firstFaults += "  line " + std::to_string(lineNumber) + ": " + what + ": " + line + "\n";
  }
}

Seen ReadTrace(const fs::path& trace, const std::vector<int>& backdrops) {
  Seen seen;
  std::FILE* file = std::fopen(trace.c_str(), "r");
  if (file == nullptr) {
    seen.faults = 1;
    seen.firstFaults = "cannot read " + trace.string();
    return seen;
  }
  char buffer[512];
  int lineNumber = 0;
  int blitsThisPass = 2;
  while (std::fgets(buffer, sizeof(buffer), file) != nullptr) {
    ++lineNumber;
    std::string line = buffer;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    seen.lastLine = line;
    if (line.find(" -> fail ") != std::string::npos) Fault(seen, lineNumber, "failed", line);
    if (line == "DirectInputDevice.GetDeviceStateKeyboard() -> ok") {
      if (blitsThisPass != 2) Fault(seen, lineNumber, "the pass before drew no two sprites", line);
      ++seen.passes;
      blitsThisPass = 0;
      continue;
    }
    if (seen.passes == 0) continue;  // set-up
    int left = 0, top = 0, right = 0, bottom = 0, surface = 0;
    long value = 0;
    if (std::sscanf(buffer, "DirectDrawSurface7#2.Blt((%d, %d, %d, %d), #%d,", &left, &top,
                    &right, &bottom, &surface) == 5) {
      const int sprite = blitsThisPass++;
      const int width = right - left;
      const int height = bottom - top;
      seen.smallestSide = std::min({seen.smallestSide, width, height});
      seen.largestSide = std::max({seen.largestSide, width, height});
      if (width < kSmallestSide || width > kLargestSide || height < kSmallestSide ||
          height > kLargestSide) {
        Fault(seen, lineNumber, "destination outside the zoom range", line);
      }
      const int position = sprite == 0 ? 100 : 200;
      if (left != position || top != position) Fault(seen, lineNumber, "sprite moved", line);
      // Sprite 0 has frame surfaces #3..#42, sprite 1 #43..#82.
      const int frame = surface - 3 - 40 * sprite;
      if (sprite > 1 || frame < 0 || frame > 39) {
        Fault(seen, lineNumber, "not one of the sprite's 40 frame surfaces", line);
      } else {
        seen.framesUsed[static_cast<std::size_t>(frame)] = true;
      }
    } else if (std::sscanf(buffer, "DirectDrawSurface7#2.BltColorFill((0, 0, 640, 480), %ld)",
                           &value) == 1) {
      const std::size_t pass = static_cast<std::size_t>(seen.passes) - 1;
      if (pass >= backdrops.size() || value != backdrops[pass]) {
        Fault(seen, lineNumber,
              "backdrop should be " +
                  (pass < backdrops.size() ? std::to_string(backdrops[pass]) : "none"),
              line);
      }
    }
  }
  std::fclose(file);
  return seen;
}

TEST(LongRun, TwoHundredThousandPassesStayInRangeAndInTheirMemory) {
  struct Measured {
    int passes;
    orvane_test::ProgramRun run;
  };
  std::vector<Measured> measured;
  const std::vector<Hold> holds = Holds();
  for (const auto& [passes, scale] : {std::pair{kShortPasses, 1}, std::pair{kLongPasses, kScale}}) {
    SCOPED_TRACE(std::to_string(passes) + " passes");
    std::vector<int> backdrops;
    const orvane_test::ProgramRun run = orvane_test::RunProgram(
        "orvane2", {.keys = KeyScript(holds, scale, passes, backdrops), .timeoutSeconds = 600,
                    .readTrace = false});
    ASSERT_EQ(backdrops.size(), static_cast<std::size_t>(passes));
    EXPECT_EQ(run.status, 0) << run.error;
    EXPECT_EQ(run.error, "");
    const Seen seen = ReadTrace(run.tracePath, backdrops);
    EXPECT_EQ(seen.passes, passes);
    EXPECT_EQ(seen.faults, 0) << seen.firstFaults;
    EXPECT_EQ(seen.lastLine, "Runtime.End(0)");
    int frames = 0;
    for (const bool used : seen.framesUsed) frames += used ? 1 : 0;
    std::cout << passes << " passes: " << run.seconds << " s, peak memory " << run.peakKiB
              << " KiB; sides " << seen.smallestSide << " to " << seen.largestSide << " px, "
              << frames << " of 40 frames shown\n";
    if (!HasFailure()) fs::remove(run.tracePath);  // a failed run keeps its trace to look at
    measured.push_back({passes, run});
  }
  ASSERT_EQ(measured.size(), 2u);
  const long growth = measured[1].run.peakKiB - measured[0].run.peakKiB;
  std::cout << "peak memory grows by " << growth << " KiB from " << kShortPasses << " to "
            << kLongPasses << " passes (" << holds.size() + 2 << " holds in each script)\n";
  EXPECT_LE(std::abs(growth), kMemorySlackKiB) << "memory grows with the passes";
}

}  // namespace
