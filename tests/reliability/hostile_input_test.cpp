// Hostile input to the real executables: a bad platform environment or key script, and broken
// resource scripts and bitmaps given to the resource compiler. Each is refused with one line
// that names what was wrong, the right exit status and nothing else: no operation runs, no
// output file is left behind, nothing crashes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/program_run.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using orvane_test::ProgramRun;
using orvane_test::RunOptions;
using orvane_test::RunProgram;
using orvane_test::TestFolder;

// True when text is exactly one line ending in a line break.
bool OneLine(const std::string& text) {
  return !text.empty() && text.find('\n') == text.size() - 1;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// ---- The platform environment ----------------------------------------------------------------

// $DIR in a value or a script stands for a fresh folder holding a plain file "plain".
struct EnvironmentCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> environment;
  const char* keys;      // the key script's text, or "" for none
  const char* variable;  // the variable the message names
  const char* says;      // what the message says is wrong
  int scriptLine;        // the key script's line the message names, or 0
};

void PrintTo(const EnvironmentCase& c, std::ostream* os) { *os << c.name; }

class BadEnvironment : public testing::TestWithParam<EnvironmentCase> {};

TEST_P(BadEnvironment, IsRefusedBeforeAnythingRunsWithOneLineNamingIt) {
  const EnvironmentCase& c = GetParam();
  const std::string folder = TestFolder(std::string("environment-") + c.name);
  std::ofstream(fs::path(folder) / "plain") << "a file, not a folder\n";
  RunOptions options;
  options.keys = Replaced(c.keys, "$DIR", folder);
  for (const auto& [variable, value] : c.environment) {
    options.environment.emplace_back(variable, Replaced(value, "$DIR", folder));
  }
  for (const char* program : {"orvane", "orvane2"}) {
    SCOPED_TRACE(program);
    const ProgramRun run = RunProgram(program, options);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(OneLine(run.error)) << run.error;
    EXPECT_NE(run.error.find(std::string(c.variable) + ": "), std::string::npos) << run.error;
    EXPECT_NE(run.error.find(c.says), std::string::npos) << run.error;
    if (c.scriptLine > 0) {
      EXPECT_NE(run.error.find("keys.txt:" + std::to_string(c.scriptLine) + ": "),
                std::string::npos)
          << run.error;
    }
    EXPECT_TRUE(run.trace.empty()) << "no operation runs; first line: " << run.trace.front();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refused, BadEnvironment,
    testing::Values(
        EnvironmentCase{"VideoUnknown", {{"ORVANE_VIDEO", "vga"}}, "", "ORVANE_VIDEO",
                        "unknown driver \"vga\"", 0},
        EnvironmentCase{"VideoEmpty", {{"ORVANE_VIDEO", ""}}, "", "ORVANE_VIDEO",
                        "unknown driver \"\"", 0},
        EnvironmentCase{"TraceEmpty", {{"ORVANE_TRACE", ""}}, "", "ORVANE_TRACE", "empty", 0},
        EnvironmentCase{"TraceInMissingFolder", {{"ORVANE_TRACE", "$DIR/no-such-folder/t.txt"}},
                        "", "ORVANE_TRACE", "No such file or directory", 0},
        EnvironmentCase{"TraceIsAFolder", {{"ORVANE_TRACE", "$DIR"}}, "", "ORVANE_TRACE",
                        "Is a directory", 0},
        EnvironmentCase{"FailpointUnknown", {{"ORVANE_FAILPOINTS", "DirectDraw7.Explode@1"}}, "",
                        "ORVANE_FAILPOINTS", "unknown operation \"DirectDraw7.Explode\"", 0},
        EnvironmentCase{"FailpointWithoutCall", {{"ORVANE_FAILPOINTS", "DirectDrawSurface7.Flip"}},
                        "", "ORVANE_FAILPOINTS", "needs a call number", 0},
        EnvironmentCase{"FailpointCallZero", {{"ORVANE_FAILPOINTS", "DirectDrawSurface7.Flip@0"}},
                        "", "ORVANE_FAILPOINTS", "from 1 up", 0},
        EnvironmentCase{"FailpointCallJunk",
                        {{"ORVANE_FAILPOINTS", "Runtime.DoEvents@1;DirectDrawSurface7.Flip@3x"}},
                        "", "ORVANE_FAILPOINTS", "got \"3x\"", 0},
        EnvironmentCase{"FailpointCallBeyond64Bits",
                        {{"ORVANE_FAILPOINTS", "DirectDrawSurface7.Flip@99999999999999999999"}},
                        "", "ORVANE_FAILPOINTS", "from 1 up", 0},
        EnvironmentCase{"FailpointOnEnd", {{"ORVANE_FAILPOINTS", "Runtime.End@1"}}, "",
                        "ORVANE_FAILPOINTS", "cannot fail", 0},
        EnvironmentCase{"FailpointOnRelease", {{"ORVANE_FAILPOINTS", "DirectDrawSurface7.Release@1+"}},
                        "", "ORVANE_FAILPOINTS", "cannot fail", 0},
        EnvironmentCase{"KeysEmpty", {{"ORVANE_KEYS", ""}}, "", "ORVANE_KEYS", "empty", 0},
        EnvironmentCase{"KeysFileMissing", {{"ORVANE_KEYS", "$DIR/missing.txt"}}, "",
                        "ORVANE_KEYS", "missing.txt: cannot open key script", 0},
        EnvironmentCase{"KeysIsAFolder", {{"ORVANE_KEYS", "$DIR"}}, "", "ORVANE_KEYS",
                        "cannot read key script: Is a directory", 0},
        EnvironmentCase{"KeysUnknownWord", {}, "hold 2 RIGHT\nwait 3\n", "ORVANE_KEYS",
                        "unknown word \"wait\"", 2},
        EnvironmentCase{"KeysUnknownKey", {}, "# turn\nhold 2 RIGHT FOO\n", "ORVANE_KEYS",
                        "unknown key \"FOO\"", 2},
        EnvironmentCase{"KeysCountNotANumber", {}, "hold x RIGHT\n", "ORVANE_KEYS",
                        "hold needs a count from 1 to 2147483647, got \"x\"", 1},
        EnvironmentCase{"KeysCountHuge", {}, "hold 1 UP\nhold 2147483648 UP\n", "ORVANE_KEYS",
                        "got \"2147483648\"", 2},
        EnvironmentCase{"KeysCountBeyond64Bits", {}, "hold 99999999999999999999\n",
                        "ORVANE_KEYS", "got \"99999999999999999999\"", 1},
        EnvironmentCase{"KeysCountNegative", {}, "hold -3 LEFT\n", "ORVANE_KEYS", "got \"-3\"", 1},
        EnvironmentCase{"KeysCountZero", {}, "hold 0\n", "ORVANE_KEYS", "got \"0\"", 1},
        EnvironmentCase{"KeysCodeAbove255", {}, "hold 1 200\nhold 1 256\n", "ORVANE_KEYS",
                        "scan code 256 is above 255", 2},
        EnvironmentCase{"KeysCodeZero", {}, "hold 1 0\n", "ORVANE_KEYS", "scan code 0 is below 1",
                        1},
        EnvironmentCase{"KeysSnapMissingFolder", {}, "hold 1 RIGHT\nsnap no-such/shot.png\n",
                        "ORVANE_KEYS", "does not exist", 2},
        EnvironmentCase{"KeysSnapUnderAFile", {}, "snap $DIR/plain/shot.png\n", "ORVANE_KEYS",
                        "is not a folder", 1},
        EnvironmentCase{"KeysSnapIsAFolder", {}, "snap $DIR\n", "ORVANE_KEYS", "is a folder", 1},
        EnvironmentCase{"KeysQuoteNotClosed", {}, "hold 1\nsnap \"shot.png\n", "ORVANE_KEYS",
                        "double quote not closed", 2}),
    [](const auto& p) { return std::string(p.param.name); });

// Endless input: a key script that is a device without end must be refused, not read until
// memory runs out. These runs are watched: a child that grows past kMemoryCeilingKiB is killed,
// so the test fails at once, without exhausting the machine, when the script is read unbounded.
constexpr long kMemoryCeilingKiB = 512 * 1024;

struct WatchedRun {
  int status = -1;
  long peakKiB = 0;
  bool killed = false;  // it passed the memory ceiling or the time limit
  std::string error;
  std::string trace;
};

long ResidentKiB(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

WatchedRun RunWatched(const std::string& program, const std::string& keys,
                      const fs::path& folder) {
  const fs::path errorPath = folder / "stderr.txt";
  const fs::path tracePath = folder / "trace.txt";
  const std::string executable = std::string(ORVANE_BIN_DIR) + "/" + program;
  const pid_t child = fork();
  if (child == 0) {
    const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    setenv("ORVANE_VIDEO", "headless", 1);
    setenv("ORVANE_TRACE", tracePath.c_str(), 1);
    setenv("ORVANE_KEYS", keys.c_str(), 1);
    unsetenv("ORVANE_FAILPOINTS");
    execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  WatchedRun run;
  int waitStatus = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (waitpid(child, &waitStatus, WNOHANG) == 0) {
    run.peakKiB = std::max(run.peakKiB, ResidentKiB(child));
    if (run.peakKiB > kMemoryCeilingKiB || std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &waitStatus, 0);
      run.killed = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (WIFEXITED(waitStatus)) run.status = WEXITSTATUS(waitStatus);
  std::ifstream err(errorPath);
  run.error.assign(std::istreambuf_iterator<char>(err), {});
  std::ifstream trace(tracePath);
  run.trace.assign(std::istreambuf_iterator<char>(trace), {});
  return run;
}

struct EndlessCase {
  const char* name;
  const char* device;
};

void PrintTo(const EndlessCase& c, std::ostream* os) { *os << c.name; }

class EndlessKeyScript : public testing::TestWithParam<EndlessCase> {};

TEST_P(EndlessKeyScript, IsRefusedWithinBoundedMemory) {
  const EndlessCase& c = GetParam();
  const fs::path folder = TestFolder(std::string("endless-") + c.name);
  const WatchedRun run = RunWatched("orvane2", c.device, folder);
  EXPECT_FALSE(run.killed) << "read without end: " << run.peakKiB << " KiB resident";
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(OneLine(run.error)) << run.error;
  EXPECT_NE(run.error.find(std::string("ORVANE_KEYS: ") + c.device + ": cannot read key script"),
            std::string::npos)
      << run.error;
  EXPECT_EQ(run.trace, "") << "no operation runs";
}

INSTANTIATE_TEST_SUITE_P(Devices, EndlessKeyScript,
                         testing::Values(EndlessCase{"Zeros", "/dev/zero"},
                                         EndlessCase{"RandomBytes", "/dev/urandom"}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- The resource compiler --------------------------------------------------------------------

struct ToolRun {
  int status = -1;  // the exit status; -1 when the tool did not exit normally (a crash)
  std::string error;
};

ToolRun RunTool(const std::vector<std::string>& arguments, const fs::path& errorFile) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t child = 0;
  ToolRun run;
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int waitStatus = 0;
    waitpid(child, &waitStatus, 0);
    if (WIFEXITED(waitStatus)) run.status = WEXITSTATUS(waitStatus);
  }
  posix_spawn_file_actions_destroy(&actions);
  std::ifstream in(errorFile);
  run.error.assign(std::istreambuf_iterator<char>(in), {});
  return run;
}

using Bytes = std::vector<std::uint8_t>;

Bytes FrameFile() {
  std::ifstream in(fs::path(ORVANE_RESOURCES_DIR) / "vegan0.bmp", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Put32(Bytes& file, std::size_t at, std::uint32_t value) { std::memcpy(&file[at], &value, 4); }
void Put16(Bytes& file, std::size_t at, std::uint16_t value) { std::memcpy(&file[at], &value, 2); }

// Changes to the real frame's file: a field of the info header (it starts at byte 14), or a new
// length with the file header's size made to agree, so that the decoder meets the fault.
std::function<void(Bytes&)> Info32(std::size_t at, std::uint32_t value) {
  return [=](Bytes& file) { Put32(file, 14 + at, value); };
}
std::function<void(Bytes&)> Info16(std::size_t at, std::uint16_t value) {
  return [=](Bytes& file) { Put16(file, 14 + at, value); };
}
std::function<void(Bytes&)> CutTo(std::size_t size) {
  return [=](Bytes& file) {
    file.resize(size);
    Put32(file, 2, static_cast<std::uint32_t>(size));
  };
}

// Every script starts with a good line naming good.bmp (the real frame); the case's lines
// follow. broken.bmp is the real frame with the case's change.
constexpr const char* kGoodLine = "GOOD BITMAP 1033 good.bmp\n";

struct RcCase {
  const char* name;
  const char* lines;  // after the good line
  std::function<void(Bytes&)> breakBitmap;
  const char* says;
  int line;  // the line named, 0 for the whole script
};

void PrintTo(const RcCase& c, std::ostream* os) { *os << c.name; }

class BrokenResources : public testing::TestWithParam<RcCase> {};

TEST_P(BrokenResources, StopTheCompilerWithFileLineAndNoOutput) {
  const RcCase& c = GetParam();
  const fs::path folder = TestFolder(std::string("rc-") + c.name);
  const Bytes frame = FrameFile();
  ASSERT_EQ(frame.size(), 4678u) << "the fixture is the real first frame";
  Bytes broken = frame;
  if (c.breakBitmap) c.breakBitmap(broken);
  std::ofstream(folder / "good.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
  std::ofstream(folder / "broken.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(broken.data()),
             static_cast<std::streamsize>(broken.size()));
  fs::create_directory(folder / "a-folder");
  const fs::path script = folder / "frames.rc";
  std::ofstream(script) << kGoodLine << c.lines;
  const fs::path output = folder / "table.cpp";
  std::ofstream(output) << "// a table left from an earlier build\n";

  const ToolRun run = RunTool({ORVANE_RC, script.string(), output.string()}, folder / "stderr.txt");
  EXPECT_EQ(run.status, 1) << run.error;
  EXPECT_TRUE(OneLine(run.error)) << run.error;
  const std::string where =
      script.string() + (c.line > 0 ? ":" + std::to_string(c.line) + ": " : ": ");
  EXPECT_EQ(run.error.rfind(where, 0), 0u) << run.error;
  EXPECT_NE(run.error.find(c.says), std::string::npos) << run.error;
  EXPECT_FALSE(fs::exists(output)) << "no table is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenResources,
    testing::Values(
        RcCase{"FileMissing", "MISSING BITMAP 1033 missing.bmp\n", nullptr,
               "cannot read \"", 2},
        RcCase{"BitmapIsAFolder", "FRAME BITMAP 1033 a-folder\n", nullptr, "Is a directory", 2},
        RcCase{"DataIsAFolder", "NOTES 10 0 a-folder\n", nullptr, "Is a directory", 2},
        RcCase{"ThreeWords", "\n# next\nFRAME BITMAP 1033\n", nullptr,
               "expected NAME TYPE LANGUAGE FILE", 4},
        RcCase{"FiveWords", "FRAME BITMAP 1033 broken.bmp extra\n", nullptr,
               "expected NAME TYPE LANGUAGE FILE", 2},
        RcCase{"NameWithADash", "FRAME-1 BITMAP 1033 broken.bmp\n", nullptr,
               "a name has letters, digits and '_' only: \"FRAME-1\"", 2},
        RcCase{"TypeUnknownWord", "FRAME ICON 1033 broken.bmp\n", nullptr,
               "TYPE must be a number from 0 to 65535, not \"ICON\"", 2},
        RcCase{"TypeBeyond16Bits", "FRAME 65536 1033 broken.bmp\n", nullptr,
               "TYPE must be a number", 2},
        RcCase{"LanguageWord", "FRAME BITMAP english broken.bmp\n", nullptr,
               "LANGUAGE must be a number from 0 to 65535, not \"english\"", 2},
        RcCase{"LanguageNegative", "FRAME BITMAP -1 broken.bmp\n", nullptr,
               "LANGUAGE must be a number", 2},
        RcCase{"NamedTwiceInOtherCase", "good 2 1033 good.bmp\n", nullptr,
               "\"good\" is named twice", 2},
        RcCase{"NotBM", "FRAME BITMAP 1033 broken.bmp\n", [](Bytes& f) { f[0] = 'X'; },
               "broken.bmp: not a bitmap file (no \"BM\" header)", 2},
        RcCase{"ShorterThanTheFileHeader", "FRAME BITMAP 1033 broken.bmp\n",
               [](Bytes& f) { f.resize(10); }, "not a bitmap file", 2},
        RcCase{"FileSizeMismatch", "FRAME BITMAP 1033 broken.bmp\n",
               [](Bytes& f) { f.push_back(0); },
               "the file header gives 4678 bytes, the file has 4679", 2},
        RcCase{"HeaderCut", "FRAME BITMAP 1033 broken.bmp\n", CutTo(14 + 39),
               "bad bitmap: the header is truncated", 2},
        RcCase{"HeaderSizeUnknown", "FRAME BITMAP 1033 broken.bmp\n", Info32(0, 12),
               "bad bitmap: unknown header size 12", 2},
        RcCase{"LongHeaderCut", "FRAME BITMAP 1033 broken.bmp\n",
               [](Bytes& f) { CutTo(14 + 100)(f); Put32(f, 14, 108); },
               "bad bitmap: the header is truncated", 2},
        RcCase{"WidthZero", "FRAME BITMAP 1033 broken.bmp\n", Info32(4, 0),
               "bad bitmap: width 0 out of range", 2},
        RcCase{"WidthNegative", "FRAME BITMAP 1033 broken.bmp\n", Info32(4, 0xFFFFFFC4),
               "bad bitmap: width -60 out of range", 2},
        RcCase{"HeightZero", "FRAME BITMAP 1033 broken.bmp\n", Info32(8, 0),
               "bad bitmap: height 0 out of range", 2},
        RcCase{"HeightHuge", "FRAME BITMAP 1033 broken.bmp\n", Info32(8, 0x80000000),
               "bad bitmap: height -2147483648 out of range", 2},
        RcCase{"TwoPlanes", "FRAME BITMAP 1033 broken.bmp\n", Info16(12, 2),
               "bad bitmap: planes must be 1, not 2", 2},
        RcCase{"TwentyFourBits", "FRAME BITMAP 1033 broken.bmp\n", Info16(14, 24),
               "bad bitmap: only 8 bits per pixel, not 24", 2},
        RcCase{"RunLengthCompressed", "FRAME BITMAP 1033 broken.bmp\n", Info32(16, 1),
               "bad bitmap: compressed bitmaps are not supported", 2},
        RcCase{"TooManyColours", "FRAME BITMAP 1033 broken.bmp\n", Info32(32, 257),
               "bad bitmap: more than 256 palette colours", 2},
        RcCase{"ImageSizeTooSmall", "FRAME BITMAP 1033 broken.bmp\n", Info32(20, 3599),
               "bad bitmap: image size 3599 is less than the pixels' 3600", 2},
        RcCase{"PaletteCut", "FRAME BITMAP 1033 broken.bmp\n", CutTo(14 + 40 + 1023),
               "bad bitmap: the palette is truncated", 2},
        RcCase{"PixelsCut", "FRAME BITMAP 1033 broken.bmp\n", CutTo(4678 - 1),
               "bad bitmap: the pixels are truncated", 2},
        RcCase{"WiderThanItsPixels", "FRAME BITMAP 1033 broken.bmp\n",
               [](Bytes& f) { Info32(4, 61)(f); Info32(20, 0)(f); },
               "bad bitmap: the pixels are truncated", 2},
        RcCase{"IndexBeyondPalette", "FRAME BITMAP 1033 broken.bmp\n", Info32(32, 1),
               "beyond the palette's 1", 2}),
    [](const auto& p) { return std::string(p.param.name); });

// Faults of the whole script or the output, where no line is to blame.
TEST(ResourceCompiler, RefusesAMissingScriptAFolderAndAnUnwritableTable) {
  const fs::path folder = TestFolder("rc-whole-script");
  const fs::path error = folder / "stderr.txt";
  const fs::path output = folder / "table.cpp";
  struct {
    const char* name;
    fs::path script;
    fs::path output;
    std::string starts;
  } cases[] = {
      {"missing script", folder / "none.rc", output,
       (folder / "none.rc").string() + ": cannot read the script: No such file or directory"},
      {"script is a folder", folder, output,
       folder.string() + ": cannot read the script: Is a directory"},
      {"table in a missing folder", folder / "good.rc", folder / "no-such" / "table.cpp",
       (folder / "no-such" / "table.cpp").string() + ": cannot write the table"},
  };
  std::ofstream(folder / "good.rc") << "# nothing but a comment\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(output) << "// a table left from an earlier build\n";
    const ToolRun run = RunTool({ORVANE_RC, c.script.string(), c.output.string()}, error);
    EXPECT_EQ(run.status, 1) << run.error;
    EXPECT_EQ(run.error, c.starts + "\n");
    EXPECT_FALSE(fs::exists(c.output));
  }
}

TEST(ResourceCompiler, GoodScriptWritesTheTableAndWrongArgumentsGiveTheUsage) {
  const fs::path folder = TestFolder("rc-good");
  const Bytes frame = FrameFile();
  std::ofstream(folder / "good.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
  std::ofstream(folder / "frames.rc") << kGoodLine;
  const fs::path output = folder / "table.cpp";
  const ToolRun good = RunTool({ORVANE_RC, (folder / "frames.rc").string(), output.string()},
                               folder / "stderr.txt");
  EXPECT_EQ(good.status, 0) << good.error;
  EXPECT_EQ(good.error, "");
  std::ifstream table(output);
  const std::string text{std::istreambuf_iterator<char>(table), {}};
  EXPECT_NE(text.find("\"GOOD\", 1033, kData0"), std::string::npos) << "the fixture line is good";

  const ToolRun usage = RunTool({ORVANE_RC, (folder / "frames.rc").string()}, folder / "stderr.txt");
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.error, "usage: orvane_rc SCRIPT OUTPUT.cpp\n");
}

}  // namespace

namespace {

// A trace that cannot be written is not a run that succeeded.
TEST(TraceWrite, AFullDeviceIsSaidOnceAndEndsWithStatus2) {
  RunOptions options;
  options.keys = "hold 1 ESC\n";
  options.environment = {{"ORVANE_TRACE", "/dev/full"}};
  const ProgramRun run = RunProgram("orvane", options);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(OneLine(run.error)) << run.error;
  EXPECT_NE(run.error.find("ORVANE_TRACE: cannot write the trace: No space left on device"),
            std::string::npos)
      << run.error;
}

}  // namespace
