// Fuzz target: the key-script parser on any text. A script it accepts holds keys 1-255 for 1 to
// 2147483647 polls on lines in order; a script it refuses gets one line naming file and line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/drivers/headless/keyscript.h"
#include "tests/fuzz/require.h"

using drivers::headless::HoldStep;
using drivers::headless::KeyScript;
using drivers::headless::KeyScriptError;
using drivers::headless::SnapStep;
using orvane_fuzz::OneLine;
using orvane_fuzz::Require;

namespace {

// "keys.txt:N: " with N from 1 up to the number of lines.
bool NamesFileAndLine(std::string_view message, std::size_t lines) {
  constexpr std::string_view kFile = "keys.txt:";
  if (!message.starts_with(kFile)) return false;
  message.remove_prefix(kFile.size());
  std::size_t line = 0;
  std::size_t digits = 0;
  while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9') {
    line = line * 10 + static_cast<std::size_t>(message[digits] - '0');
    ++digits;
  }
  return digits > 0 && line >= 1 && line <= lines && message.substr(digits).starts_with(": ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size(); ++lines) {
    const std::size_t newline = text.find('\n', at);
    at = newline == std::string_view::npos ? text.size() : newline + 1;
  }
  // The script is taken to lie in the current folder, which exists: snaps beside it parse.
  KeyScript script;
  try {
    script = drivers::headless::ParseKeyScript(text, "keys.txt");
  } catch (const KeyScriptError& e) {
    Require(OneLine(e.what()), "the message is one line");
    Require(NamesFileAndLine(e.what(), lines), "the message names the file and the line");
    return 0;
  }
  std::size_t previous = 0;
  for (const auto& step : script.steps) {
    if (const auto* hold = std::get_if<HoldStep>(&step)) {
      Require(hold->polls >= 1, "a hold lasts at least one poll");
      Require(!hold->keys.test(0), "scan code 0 is never held");
      Require(hold->line > previous && hold->line <= lines, "holds keep their line");
      previous = hold->line;
    } else {
      const auto& snap = std::get<SnapStep>(step);
      Require(!snap.file.filename().empty(), "a snap names a file");
      Require(snap.line > previous && snap.line <= lines, "snaps keep their line");
      previous = snap.line;
    }
  }
  return 0;
}
