// Key scripts: a text file that stands in for the keyboard in tests and
// recordings.
//
//   # comment (also after a directive)
//   hold N [KEY ...]   the next N polls see exactly these keys down
//   snap FILE          write what the display shows now to FILE as PNG
//
// KEY is a scan code 1-255 or a key name (any case, see KeyCodeFromName).
// Directives may also be written in any case. FILE is relative to the
// script's folder unless absolute; a name with blanks or '#' is written in
// double quotes (snap "my shot.png"); a name cannot contain '"'.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <variant>
#include <vector>

namespace drivers::headless {

// A script that cannot be read or parsed. what() is one line naming the file,
// the line (for parse errors) and the fault, e.g.
//   keys.txt:3: unknown key "FOO"
class KeyScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Scan codes that are down: bit i set means code i is held.
using KeySet = std::bitset<256>;

// The scan code for a key name (any case), or nothing for an unknown name.
// Codes follow PC set 1; extended keys (arrows, HOME, ...) have 0x80 added.
std::optional<std::uint8_t> KeyCodeFromName(std::string_view name);

struct HoldStep {
  std::int32_t polls = 1;  // 1 to 2147483647
  KeySet keys;
  std::size_t line = 0;  // 1-based line in the script
  bool operator==(const HoldStep&) const = default;
};

struct SnapStep {
  std::filesystem::path file;  // already resolved against the script folder
  std::size_t line = 0;
  bool operator==(const SnapStep&) const = default;
};

using KeyScriptStep = std::variant<HoldStep, SnapStep>;

struct KeyScript {
  std::filesystem::path source;  // the script file, for messages
  std::vector<KeyScriptStep> steps;
};

// Parses a whole script. scriptPath names the script in messages and gives
// the folder snap files are relative to; every snap folder must exist.
// Throws KeyScriptError on the first line that does not parse.
KeyScript ParseKeyScript(std::string_view text, const std::filesystem::path& scriptPath);

// Reads and parses a script file. Throws KeyScriptError when the file cannot
// be read (the message names the file and the system's reason) or parsed.
KeyScript LoadKeyScript(const std::filesystem::path& scriptPath);

// The keyboard driven by a key script. Each Poll uses the current hold while
// it has polls left; otherwise it runs the following lines, calling the snap
// callback for each snap, up to the next hold, which this poll starts. Past
// the last line no key is down.
class ScriptedKeys {
 public:
  using SnapFn = std::function<void(const std::filesystem::path&)>;

  // Throws std::invalid_argument if a hold has fewer than 1 poll (only
  // possible for a script not made by ParseKeyScript).
  ScriptedKeys(KeyScript script, SnapFn snap);

  // Sets state to the held keys: 0x80 for down, 0 for every other code.
  // A snap callback that throws lets the exception through; that snap is
  // then done and the next Poll carries on after it.
  void Poll(std::span<std::uint8_t, 256> state);

  // Call when the program ends: writes the snaps after the script's last
  // hold that have not been written yet. Snaps before a hold that was never
  // reached are not written; SkippedSnaps lists them. Later Polls see no
  // key down. Each snap is written at most once: called again Finish does
  // nothing, unless a snap threw, when it goes on after that snap.
  void Finish();

  // Snaps Finish passed over because the program ended before their turn.
  const std::vector<SnapStep>& SkippedSnaps() const { return skipped_; }

 private:
  KeyScript script_;
  SnapFn snap_;
  std::size_t next_ = 0;                  // next step to run
  std::size_t tailStart_ = 0;             // first step after the last hold
  std::array<std::uint8_t, 256> held_{};  // the state each poll of the current hold gets
  std::int32_t left_ = 0;                 // polls left in the current hold
  std::vector<SnapStep> skipped_;
};

}  // namespace drivers::headless
