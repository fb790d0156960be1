#include "platform/drivers/headless/keyscript.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

namespace drivers::headless {
namespace {

namespace fs = std::filesystem;

struct KeyName {
  std::string_view name;
  std::uint8_t code;
};

// Every key name the scripts know. Digits have no names: a word of digits is
// a scan code (the digit keys 1..0 are codes 2..11).
constexpr std::array kKeyNames{
    KeyName{"ESC", 1},       KeyName{"BACKSPACE", 14}, KeyName{"TAB", 15},
    KeyName{"Q", 16},        KeyName{"W", 17},         KeyName{"E", 18},
    KeyName{"R", 19},        KeyName{"T", 20},         KeyName{"Y", 21},
    KeyName{"U", 22},        KeyName{"I", 23},         KeyName{"O", 24},
    KeyName{"P", 25},        KeyName{"ENTER", 28},     KeyName{"RETURN", 28},
    KeyName{"LCTRL", 29},    KeyName{"A", 30},         KeyName{"S", 31},
    KeyName{"D", 32},        KeyName{"F", 33},         KeyName{"G", 34},
    KeyName{"H", 35},        KeyName{"J", 36},         KeyName{"K", 37},
    KeyName{"L", 38},        KeyName{"LSHIFT", 42},    KeyName{"Z", 44},
    KeyName{"X", 45},        KeyName{"C", 46},         KeyName{"V", 47},
    KeyName{"B", 48},        KeyName{"N", 49},         KeyName{"M", 50},
    KeyName{"RSHIFT", 54},   KeyName{"LALT", 56},      KeyName{"SPACE", 57},
    KeyName{"CAPSLOCK", 58}, KeyName{"F1", 59},        KeyName{"F2", 60},
    KeyName{"F3", 61},       KeyName{"F4", 62},        KeyName{"F5", 63},
    KeyName{"F6", 64},       KeyName{"F7", 65},        KeyName{"F8", 66},
    KeyName{"F9", 67},       KeyName{"F10", 68},       KeyName{"KP8", 72},
    KeyName{"KP4", 75},      KeyName{"KP6", 77},       KeyName{"KP2", 80},
    KeyName{"F11", 87},      KeyName{"F12", 88},       KeyName{"RCTRL", 157},
    KeyName{"RALT", 184},    KeyName{"HOME", 199},     KeyName{"UP", 200},
    KeyName{"PGUP", 201},    KeyName{"LEFT", 203},     KeyName{"RIGHT", 205},
    KeyName{"END", 207},     KeyName{"DOWN", 208},     KeyName{"PGDN", 209},
    KeyName{"INSERT", 210},  KeyName{"DELETE", 211},
};

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// Script text as it appears in a message: control bytes written as \xNN so
// the message stays on one readable line.
std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      constexpr std::string_view kHex = "0123456789abcdef";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    } else {
      out += c;
    }
  }
  return out;
}

// A word as it appears in a message: escaped, in double quotes.
std::string Quoted(std::string_view word) {
  return '"' + Escaped(word) + '"';
}

std::string QuotesOnlyForSnap(std::string_view word) {
  return "double quotes are only for snap file names, got " + Quoted(word);
}

struct Word {
  std::string_view text;
  bool quoted = false;
};

// Reports faults of one script line.
class LineContext {
 public:
  LineContext(const fs::path& script, std::size_t line) : script_(script), line_(line) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw KeyScriptError(script_.string() + ":" + std::to_string(line_) + ": " + what);
  }

  std::size_t Line() const { return line_; }

 private:
  const fs::path& script_;
  std::size_t line_;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Splits a line into words: blanks and tabs separate them, '#' starts a
// comment, and "..." makes one word that may hold blanks and '#'.
std::vector<Word> SplitWords(std::string_view line, const LineContext& context) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos)
        context.Fail("double quote not closed: " + Escaped(line.substr(i)));
      const std::size_t after = close + 1;
      if (after < line.size() && !IsBlank(line[after]) && line[after] != '#')
        context.Fail("expected a blank after the closing double quote: " +
                     Escaped(line.substr(i, line.find_first_of(" \t#", after) - i)));
      words.push_back({line.substr(i + 1, close - i - 1), true});
      i = after;
      continue;
    }
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
      if (line[i] == '"')
        context.Fail("double quote inside a word: " +
                     Escaped(line.substr(start, line.find_first_of(" \t#", i) - start)) +
                     " (quotes go around a whole file name)");
      ++i;
    }
    words.push_back({line.substr(start, i - start), false});
  }
  return words;
}

// A whole-word decimal number in 64 bits, or nothing for junk, a sign
// other than '-', or a value beyond 64 bits.
std::optional<std::int64_t> ParseInteger(std::string_view word) {
  std::int64_t value = 0;
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (ec != std::errc{} || ptr != end) return std::nullopt;
  return value;
}

// Words of digits, with an optional leading '-', are scan codes.
bool IsNumber(std::string_view word) {
  if (!word.empty() && word.front() == '-') word.remove_prefix(1);
  return !word.empty() && std::ranges::all_of(word, [](char c) { return c >= '0' && c <= '9'; });
}

std::uint8_t ParseKey(std::string_view word, const LineContext& context) {
  if (IsNumber(word)) {
    const std::optional<std::int64_t> code = ParseInteger(word);
    const bool belowOne = code ? *code < 1 : word.front() == '-';
    if (belowOne) context.Fail("scan code " + std::string(word) + " is below 1");
    if (!code || *code > 255) context.Fail("scan code " + std::string(word) + " is above 255");
    return static_cast<std::uint8_t>(*code);
  }
  const std::optional<std::uint8_t> code = KeyCodeFromName(word);
  if (!code) context.Fail("unknown key " + Quoted(word));
  return *code;
}

void RefuseQuotes(std::span<const Word> words, const LineContext& context) {
  for (const Word& word : words)
    if (word.quoted) context.Fail(QuotesOnlyForSnap(word.text));
}

HoldStep ParseHold(std::span<const Word> args, const LineContext& context) {
  RefuseQuotes(args, context);
  constexpr std::int64_t kMaxPolls = std::numeric_limits<std::int32_t>::max();
  const std::string wanted = "hold needs a count from 1 to " + std::to_string(kMaxPolls);
  if (args.empty()) context.Fail(wanted + ", got nothing");
  const std::optional<std::int64_t> polls = ParseInteger(args.front().text);
  if (!polls || *polls < 1 || *polls > kMaxPolls)
    context.Fail(wanted + ", got " + Quoted(args.front().text));

  HoldStep hold;
  hold.polls = static_cast<std::int32_t>(*polls);
  hold.line = context.Line();
  for (const Word& key : args.subspan(1)) hold.keys.set(ParseKey(key.text, context));
  return hold;
}

SnapStep ParseSnap(std::span<const Word> args, const fs::path& scriptPath,
                   const LineContext& context) {
  if (args.empty()) context.Fail("snap needs one file name, got nothing");
  if (args.size() > 1)
    context.Fail("snap needs one file name, got " + std::to_string(args.size()) +
                 " words (write a name with blanks in double quotes)");
  const std::string_view name = args.front().text;
  if (name.empty()) context.Fail("snap needs one file name, got an empty one");

  SnapStep snap;
  snap.file = scriptPath.parent_path() / fs::path(name);
  snap.line = context.Line();
  if (snap.file.filename().empty())
    context.Fail("snap file " + Quoted(name) + " names a folder, not a file");

  std::error_code error;
  if (fs::is_directory(snap.file, error))
    context.Fail("snap file " + Quoted(snap.file.string()) + " is a folder");

  const fs::path folder = snap.file.parent_path();
  if (folder.empty()) return snap;  // the current folder
  const fs::file_status status = fs::status(folder, error);
  switch (status.type()) {
    case fs::file_type::directory:
      return snap;
    case fs::file_type::not_found:
      context.Fail("snap folder " + Quoted(folder.string()) + " does not exist");
    case fs::file_type::none:
      context.Fail("snap folder " + Quoted(folder.string()) +
                   " cannot be checked: " + error.message());
    default:
      context.Fail("snap folder " + Quoted(folder.string()) + " is not a folder");
  }
}

// A key script is a short text: a file longer than this is not one, and a device such as
// /dev/zero would otherwise be read until memory runs out.
constexpr std::size_t kMaxScriptBytes = 16 * 1024 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string SystemReason() {
  return std::error_code(errno, std::generic_category()).message();
}

}  // namespace

std::optional<std::uint8_t> KeyCodeFromName(std::string_view name) {
  const auto found = std::ranges::find_if(
      kKeyNames, [name](const KeyName& key) { return EqualsIgnoringCase(key.name, name); });
  if (found == kKeyNames.end()) return std::nullopt;
  return found->code;
}

KeyScript ParseKeyScript(std::string_view text, const std::filesystem::path& scriptPath) {
  KeyScript script;
  script.source = scriptPath;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const LineContext context(scriptPath, lineNumber);
    const std::vector<Word> words = SplitWords(line, context);
    if (words.empty()) continue;
    const Word& directive = words.front();
    const std::span<const Word> args = std::span(words).subspan(1);
    if (directive.quoted)
      context.Fail(QuotesOnlyForSnap(directive.text));
    else if (EqualsIgnoringCase(directive.text, "hold"))
      script.steps.emplace_back(ParseHold(args, context));
    else if (EqualsIgnoringCase(directive.text, "snap"))
      script.steps.emplace_back(ParseSnap(args, scriptPath, context));
    else
      context.Fail("unknown word " + Quoted(directive.text) + " (a line is hold or snap)");
  }
  return script;
}

KeyScript LoadKeyScript(const std::filesystem::path& scriptPath) {
  errno = 0;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(scriptPath.c_str(), "rb"));
  if (!file)
    throw KeyScriptError(scriptPath.string() + ": cannot open key script: " + SystemReason());
  std::string text;
  std::array<char, 4096> buffer;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
    text.append(buffer.data(), got);
    if (text.size() > kMaxScriptBytes) {
      throw KeyScriptError(scriptPath.string() + ": cannot read key script: larger than 16 MiB");
    }
  }
  if (std::ferror(file.get()))
    throw KeyScriptError(scriptPath.string() + ": cannot read key script: " + SystemReason());
  return ParseKeyScript(text, scriptPath);
}

ScriptedKeys::ScriptedKeys(KeyScript script, SnapFn snap)
    : script_(std::move(script)), snap_(std::move(snap)) {
  for (std::size_t i = 0; i < script_.steps.size(); ++i) {
    if (const auto* hold = std::get_if<HoldStep>(&script_.steps[i])) {
      if (hold->polls < 1)
        throw std::invalid_argument(script_.source.string() + ":" + std::to_string(hold->line) +
                                    ": hold needs at least 1 poll");
      tailStart_ = i + 1;
    }
  }
}

void ScriptedKeys::Poll(std::span<std::uint8_t, 256> state) {
  if (left_ == 0) {
    held_.fill(0);
    while (next_ < script_.steps.size()) {
      const KeyScriptStep& step = script_.steps[next_++];
      if (const auto* hold = std::get_if<HoldStep>(&step)) {
        for (std::size_t code = 0; code < held_.size(); ++code)
          held_[code] = hold->keys.test(code) ? 0x80 : 0;
        left_ = hold->polls;
        break;
      }
      snap_(std::get<SnapStep>(step).file);
    }
  }
  if (left_ > 0) --left_;
  std::ranges::copy(held_, state.begin());
}

void ScriptedKeys::Finish() {
  left_ = 0;
  held_.fill(0);
  while (next_ < script_.steps.size()) {
    const std::size_t index = next_++;
    const auto* snap = std::get_if<SnapStep>(&script_.steps[index]);
    if (!snap) continue;
    if (index < tailStart_)
      skipped_.push_back(*snap);
    else
      snap_(snap->file);
  }
}

}  // namespace drivers::headless
