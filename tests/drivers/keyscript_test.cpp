#include "platform/drivers/headless/keyscript.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <array>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <stdexcept>
#include <string>

namespace drivers::headless {

// Readable failure output for steps.
void PrintTo(const HoldStep& hold, std::ostream* out) {
  *out << "hold " << hold.polls << " [";
  for (std::size_t code = 0; code < hold.keys.size(); ++code)
    if (hold.keys.test(code)) *out << ' ' << code;
  *out << " ] line " << hold.line;
}

void PrintTo(const SnapStep& snap, std::ostream* out) {
  *out << "snap " << snap.file << " line " << snap.line;
}

void PrintTo(const KeyScriptStep& step, std::ostream* out) {
  std::visit([out](const auto& s) { PrintTo(s, out); }, step);
}

}  // namespace drivers::headless

namespace {

namespace fs = std::filesystem;
using drivers::headless::HoldStep;
using drivers::headless::KeyScript;
using drivers::headless::KeyScriptError;
using drivers::headless::KeyScriptStep;
using drivers::headless::KeySet;
using drivers::headless::LoadKeyScript;
using drivers::headless::ParseKeyScript;
using drivers::headless::ScriptedKeys;
using drivers::headless::SnapStep;

HoldStep Hold(std::int32_t polls, std::initializer_list<int> codes, std::size_t line) {
  HoldStep hold;
  hold.polls = polls;
  for (const int code : codes) hold.keys.set(static_cast<std::size_t>(code));
  hold.line = line;
  return hold;
}

SnapStep Snap(const fs::path& file, std::size_t line) {
  return SnapStep{file, line};
}

// The message of the KeyScriptError that parsing throws, or "" if none.
std::string ParseError(std::string_view text, const fs::path& script) {
  try {
    ParseKeyScript(text, script);
  } catch (const KeyScriptError& error) {
    return error.what();
  }
  return "";
}

// A scratch folder holding the script, with an "out" folder for snaps and a
// plain file "plain".
class KeyScriptParseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orvane-keyscript-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "out");
    std::ofstream(dir_ / "plain") << "not a folder\n";
    script_ = dir_ / "keys.txt";
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  fs::path script_;
};

TEST_F(KeyScriptParseTest, GoodLines) {
  const fs::path absolute = dir_ / "out" / "abs.png";
  const struct {
    const char* name;
    std::string text;
    std::vector<KeyScriptStep> steps;
  } cases[] = {
      {"empty script", "", {}},
      {"only comments and blank lines", "# a comment\n\n   \t\n#another\n", {}},
      {"hold without keys", "hold 3\n", {Hold(3, {}, 1)}},
      {"key names in any case",
       "hold 1 esc Up LEFT right Down i O\n",
       {Hold(1, {1, 200, 203, 205, 208, 23, 24}, 1)}},
      {"more key names",
       "hold 1 F1 F10 F11 F12 KP8 KP4 KP6 KP2 HOME PGDN RCTRL RALT LSHIFT ENTER RETURN SPACE Q M",
       {Hold(1, {59, 68, 87, 88, 72, 75, 77, 80, 199, 209, 157, 184, 42, 28, 57, 16, 50}, 1)}},
      {"scan codes at both ends and with leading zeros",
       "hold 2 1 255 007",
       {Hold(2, {1, 255, 7}, 1)}},
      {"duplicate keys are harmless", "hold 1 UP up 200", {Hold(1, {200}, 1)}},
      {"largest count", "hold 2147483647 SPACE", {Hold(2147483647, {57}, 1)}},
      {"tabs, comments after directives and CRLF line ends",
       "\thold\t4\tA # walk\r\nhold 1 B#comment without a blank\r\n",
       {Hold(4, {30}, 1), Hold(1, {48}, 2)}},
      {"line numbers count blank and comment lines",
       "# head\n\nhold 1\n\n# x\nsnap out/a.png\n",
       {Hold(1, {}, 3), Snap(dir_ / "out" / "a.png", 6)}},
      {"directives in any case, last line without a line end",
       "HOLD 1 W\nSnap x.png",
       {Hold(1, {17}, 1), Snap(dir_ / "x.png", 2)}},
      {"absolute snap path stays as it is", "snap " + absolute.string(), {Snap(absolute, 1)}},
      {"quoted snap name with blanks and '#'",
       "snap \"out/my #1 shot.png\" # comment",
       {Snap(dir_ / "out" / "my #1 shot.png", 1)}},
      {"quoted snap name right before a comment",
       "snap \"b.png\"#comment",
       {Snap(dir_ / "b.png", 1)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      const KeyScript script = ParseKeyScript(c.text, script_);
      EXPECT_EQ(script.source, script_);
      EXPECT_EQ(script.steps, c.steps);
    } catch (const KeyScriptError& error) {
      ADD_FAILURE() << error.what();
    }
  }
}

TEST_F(KeyScriptParseTest, BadLinesNameFileLineAndFault) {
  const std::string counts = "hold needs a count from 1 to 2147483647, got ";
  const struct {
    const char* name;
    std::string text;
    std::string message;  // after "<script>:"
  } cases[] = {
      {"unknown word", "jump 3", "1: unknown word \"jump\" (a line is hold or snap)"},
      {"hold without count", "hold", "1: " + counts + "nothing"},
      {"hold with a comment only", "hold # 3", "1: " + counts + "nothing"},
      {"zero count", "hold 0 UP", "1: " + counts + "\"0\""},
      {"negative count", "hold -1", "1: " + counts + "\"-1\""},
      {"count just too big", "hold 2147483648", "1: " + counts + "\"2147483648\""},
      {"count beyond 64 bits", "hold 99999999999999999999999",
       "1: " + counts + "\"99999999999999999999999\""},
      {"junk after the count", "hold 5x", "1: " + counts + "\"5x\""},
      {"plus sign", "hold +5", "1: " + counts + "\"+5\""},
      {"key instead of a count", "hold ESC", "1: " + counts + "\"ESC\""},
      {"unknown key", "hold 1 FOO", "1: unknown key \"FOO\""},
      {"junk after a code is a name", "hold 1 5x", "1: unknown key \"5x\""},
      {"control byte shown escaped", std::string("hold 1 A\x01"), "1: unknown key \"A\\x01\""},
      {"code above 255", "hold 1 300", "1: scan code 300 is above 255"},
      {"code 256", "hold 1 256", "1: scan code 256 is above 255"},
      {"code beyond 64 bits", "hold 1 99999999999999999999",
       "1: scan code 99999999999999999999 is above 255"},
      {"code 0", "hold 1 0", "1: scan code 0 is below 1"},
      {"negative code", "hold 1 -3", "1: scan code -3 is below 1"},
      {"negative code beyond 64 bits", "hold 1 -99999999999999999999",
       "1: scan code -99999999999999999999 is below 1"},
      {"quoted key", "hold 1 \"UP\"", "1: double quotes are only for snap file names, got \"UP\""},
      {"quoted directive", "\"hold\" 1",
       "1: double quotes are only for snap file names, got \"hold\""},
      {"fault on a later line", "hold 1\n# c\n\r\nhold 2 UP\r\nhold 1 NOPE\r\n",
       "5: unknown key \"NOPE\""},
      {"snap without name", "snap", "1: snap needs one file name, got nothing"},
      {"snap with a comment only", "snap # a.png", "1: snap needs one file name, got nothing"},
      {"snap with two words", "snap a b.png",
       "1: snap needs one file name, got 2 words (write a name with blanks in double quotes)"},
      {"snap with empty quotes", "snap \"\"", "1: snap needs one file name, got an empty one"},
      {"quote not closed", "snap \"a b.png", "1: double quote not closed: \"a b.png"},
      {"junk after the closing quote", "snap \"a\"b c",
       "1: expected a blank after the closing double quote: \"a\"b"},
      {"quote inside a word", "snap a\"b.png",
       "1: double quote inside a word: a\"b.png (quotes go around a whole file name)"},
      {"snap folder missing", "snap nosuch/a.png",
       "1: snap folder \"" + (dir_ / "nosuch").string() + "\" does not exist"},
      {"snap folder is a file", "snap plain/a.png",
       "1: snap folder \"" + (dir_ / "plain").string() + "\" is not a folder"},
      {"snap file is a folder", "snap out",
       "1: snap file \"" + (dir_ / "out").string() + "\" is a folder"},
      {"snap name ends in a slash", "snap out/",
       "1: snap file \"out/\" names a folder, not a file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseError(c.text, script_), script_.string() + ":" + c.message);
  }
}

TEST_F(KeyScriptParseTest, LoadReadsTheFileAndResolvesSnapsBesideIt) {
  std::ofstream(script_) << "hold 2 UP\nsnap out/a.png\n";
  const KeyScript script = LoadKeyScript(script_);
  EXPECT_EQ(script.source, script_);
  EXPECT_EQ(script.steps,
            (std::vector<KeyScriptStep>{Hold(2, {200}, 1), Snap(dir_ / "out" / "a.png", 2)}));
}

TEST_F(KeyScriptParseTest, LoadRefusesFilesItCannotReadOrParse) {
  std::ofstream(script_) << "hold 1\nhold 1 FOO\n";
  const struct {
    const char* name;
    fs::path file;
    std::string message;
  } cases[] = {
      {"missing file", dir_ / "missing.txt",
       (dir_ / "missing.txt").string() + ": cannot open key script: No such file or directory"},
      {"folder", dir_ / "out",
       (dir_ / "out").string() + ": cannot read key script: Is a directory"},
      {"bad line", script_, script_.string() + ":2: unknown key \"FOO\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      LoadKeyScript(c.file);
      ADD_FAILURE() << "no error";
    } catch (const KeyScriptError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

// Drives a ScriptedKeys and records the snaps it asks for.
class ScriptedKeysTest : public ::testing::Test {
 protected:
  ScriptedKeys Make(std::string_view text) {
    return ScriptedKeys(ParseKeyScript(text, "keys.txt"),
                        [this](const fs::path& file) { snaps_.push_back(file.string()); });
  }

  // Polls once into a state full of junk and returns the codes seen down;
  // every byte must be exactly 0x80 or 0.
  std::vector<int> PollDown(ScriptedKeys& keys) {
    std::array<std::uint8_t, 256> state;
    state.fill(0x55);
    keys.Poll(state);
    std::vector<int> down;
    for (std::size_t code = 0; code < state.size(); ++code) {
      if (state[code] == 0x80)
        down.push_back(static_cast<int>(code));
      else
        EXPECT_EQ(state[code], 0) << "code " << code;
    }
    return down;
  }

  std::vector<std::string> snaps_;
};

TEST_F(ScriptedKeysTest, HoldsLastTheirPollsAndSnapsComeBeforeTheNextHold) {
  ScriptedKeys keys = Make(
      "snap start.png\n"
      "hold 2 ESC\n"
      "hold 1\n"
      "snap mid1.png\n"
      "snap mid2.png\n"
      "hold 3 UP LEFT 255\n"
      "snap end.png\n");
  using Snaps = std::vector<std::string>;
  const struct {
    std::vector<int> down;
    Snaps snaps;  // all snaps written up to and including this poll
  } polls[] = {
      {{1}, {"start.png"}},
      {{1}, {"start.png"}},
      {{}, {"start.png"}},
      {{200, 203, 255}, {"start.png", "mid1.png", "mid2.png"}},
      {{200, 203, 255}, {"start.png", "mid1.png", "mid2.png"}},
      {{200, 203, 255}, {"start.png", "mid1.png", "mid2.png"}},
      {{}, {"start.png", "mid1.png", "mid2.png", "end.png"}},
      {{}, {"start.png", "mid1.png", "mid2.png", "end.png"}},
      {{}, {"start.png", "mid1.png", "mid2.png", "end.png"}},
  };
  for (std::size_t i = 0; i < std::size(polls); ++i) {
    SCOPED_TRACE("poll " + std::to_string(i + 1));
    EXPECT_EQ(PollDown(keys), polls[i].down);
    EXPECT_EQ(snaps_, polls[i].snaps);
  }
  keys.Finish();
  EXPECT_EQ(snaps_.size(), 4u) << "Finish wrote a snap again";
  EXPECT_TRUE(keys.SkippedSnaps().empty());
}

TEST_F(ScriptedKeysTest, FinishWritesTheSnapsAfterTheLastHoldOnce) {
  ScriptedKeys keys = Make("hold 2 A\nsnap x.png\nsnap y.png\n");
  EXPECT_EQ(PollDown(keys), std::vector<int>{30});
  EXPECT_TRUE(snaps_.empty());
  keys.Finish();
  EXPECT_EQ(snaps_, (std::vector<std::string>{"x.png", "y.png"}));
  keys.Finish();
  EXPECT_EQ(snaps_.size(), 2u);
  EXPECT_EQ(PollDown(keys), std::vector<int>{}) << "a key is down after Finish";
  EXPECT_EQ(snaps_.size(), 2u);
}

TEST_F(ScriptedKeysTest, FinishSkipsSnapsOfHoldsNeverReachedAndListsThem) {
  ScriptedKeys keys = Make("hold 1 A\nsnap between.png\nhold 1 B\nsnap end.png\n");
  PollDown(keys);
  keys.Finish();
  EXPECT_EQ(snaps_, std::vector<std::string>{"end.png"});
  EXPECT_EQ(keys.SkippedSnaps(), std::vector<SnapStep>{Snap("between.png", 2)});
}

TEST_F(ScriptedKeysTest, ScriptsWithoutHolds) {
  ScriptedKeys empty = Make("");
  EXPECT_EQ(PollDown(empty), std::vector<int>{});
  empty.Finish();

  ScriptedKeys onlySnaps = Make("snap a.png\nsnap b.png\n");
  EXPECT_EQ(PollDown(onlySnaps), std::vector<int>{});
  EXPECT_EQ(snaps_, (std::vector<std::string>{"a.png", "b.png"}));
  onlySnaps.Finish();
  EXPECT_EQ(snaps_.size(), 2u);
}

TEST_F(ScriptedKeysTest, FailedSnapIsNotRepeated) {
  ScriptedKeys keys(ParseKeyScript("snap bad.png\nsnap good.png\nhold 1 A\n", "keys.txt"),
                    [this](const fs::path& file) {
                      if (file == "bad.png") throw std::runtime_error("disk full");
                      snaps_.push_back(file.string());
                    });
  std::array<std::uint8_t, 256> state{};
  EXPECT_THROW(keys.Poll(state), std::runtime_error);
  EXPECT_EQ(PollDown(keys), std::vector<int>{30});
  EXPECT_EQ(snaps_, std::vector<std::string>{"good.png"});
}

TEST_F(ScriptedKeysTest, RefusesHoldWithoutPolls) {
  KeyScript script;
  script.source = "made.txt";
  script.steps.emplace_back(Hold(0, {1}, 4));
  EXPECT_THROW(ScriptedKeys(std::move(script), [](const fs::path&) {}), std::invalid_argument);
}

}  // namespace
