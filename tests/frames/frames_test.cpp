// Checks the committed ship frames resources/vegan0.bmp .. vegan39.bmp, and that framegen
// makes exactly these files and handles bad command lines.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kSize = 60;
constexpr int kFrames = 40;
constexpr std::size_t kFileBytes = 4678;
constexpr std::size_t kPaletteOffset = 54;
constexpr std::size_t kPixelOffset = 1078;

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

fs::path committedPath(int frame) { return fs::path(ORVANE_RESOURCES_DIR) / ("vegan" + std::to_string(frame) + ".bmp"); }

// A scratch folder for one test under the build tree, emptied first.
fs::path freshWorkDir(const std::string& name) {
    const fs::path dir = fs::path(FRAMES_WORK_DIR) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct Rgb8 {
    int r, g, b;
};

// One frame file as read from disk.
struct Bitmap {
    fs::path path;
    std::vector<std::uint8_t> bytes;

    bool complete() const { return bytes.size() == kFileBytes; }
    std::string problem() const {
        return path.string() + " has " + std::to_string(bytes.size()) + " bytes, expected " + std::to_string(kFileBytes);
    }
    std::uint32_t field(std::size_t offset, int width) const {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes.at(offset + std::size_t(i));
        return value;
    }
    Rgb8 colour(int entry) const {
        const std::size_t at = kPaletteOffset + 4 * std::size_t(entry);
        return {bytes.at(at + 2), bytes.at(at + 1), bytes.at(at)};
    }
    // Palette index at column x, row y counted from the top; the file stores the bottom row first.
    std::uint8_t at(int x, int y) const { return bytes.at(kPixelOffset + std::size_t((kSize - 1 - y) * kSize + x)); }
};

const Bitmap& committedFrame(int frame) {
    static const std::vector<Bitmap> frames = [] {
        std::vector<Bitmap> all;
        for (int i = 0; i < kFrames; ++i) all.push_back({committedPath(i), readBytes(committedPath(i))});
        return all;
    }();
    return frames.at(std::size_t(frame));
}

// Pixels top row first.
using Pixels = std::vector<std::uint8_t>;

Pixels pixelsOf(const Bitmap& bitmap) {
    Pixels out;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) out.push_back(bitmap.at(x, y));
    return out;
}

// The picture turned a quarter clockwise: its top row becomes the right column.
Pixels turnedQuarter(const Pixels& in) {
    Pixels out(in.size());
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) out[std::size_t(y * kSize + x)] = in[std::size_t((kSize - 1 - x) * kSize + y)];
    return out;
}

// Writes `pixels` as a bitmap with the headers and palette of `like`, for looking at failures.
fs::path saveForInspection(const Bitmap& like, const Pixels& pixels, const std::string& name) {
    std::vector<std::uint8_t> bytes(like.bytes.begin(), like.bytes.begin() + std::ptrdiff_t(kPixelOffset));
    for (int y = kSize - 1; y >= 0; --y)
        bytes.insert(bytes.end(), pixels.begin() + y * kSize, pixels.begin() + (y + 1) * kSize);
    fs::create_directories(FRAMES_FAILURE_DIR);
    const fs::path path = fs::path(FRAMES_FAILURE_DIR) / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// ---------------------------------------------------------------- each frame on its own

class EachFrame : public testing::TestWithParam<int> {
protected:
    const Bitmap& frame() const { return committedFrame(GetParam()); }
};

TEST_P(EachFrame, HeadersAreExact) {
    const Bitmap& bmp = frame();
    ASSERT_TRUE(bmp.complete()) << bmp.problem();
    struct Field {
        const char* name;
        std::size_t offset;
        int width;
        std::uint32_t expected;
    };
    const Field fields[] = {
        {"signature 'BM'", 0, 2, 'B' | 'M' << 8},
        {"file size", 2, 4, kFileBytes},
        {"first reserved", 6, 2, 0},
        {"second reserved", 8, 2, 0},
        {"pixel data offset", 10, 4, kPixelOffset},
        {"info header size", 14, 4, 40},
        {"width", 18, 4, 60},
        {"height (positive: bottom row first)", 22, 4, 60},
        {"planes", 26, 2, 1},
        {"bits per pixel", 28, 2, 8},
        {"compression", 30, 4, 0},
        {"image size", 34, 4, 3600},
        {"horizontal resolution", 38, 4, 2048},
        {"vertical resolution", 42, 4, 2048},
        {"colours used", 46, 4, 0},
        {"important colours", 50, 4, 0},
    };
    for (const Field& f : fields) EXPECT_EQ(bmp.field(f.offset, f.width), f.expected) << f.name << " in " << bmp.path;
    for (int entry = 0; entry < 256; ++entry)
        EXPECT_EQ(bmp.bytes[kPaletteOffset + 4 * std::size_t(entry) + 3], 0) << "fourth byte of palette entry " << entry;
}

TEST_P(EachFrame, BackgroundIsEightySixToNinetyPercent) {
    const Bitmap& bmp = frame();
    ASSERT_TRUE(bmp.complete()) << bmp.problem();
    const Pixels pixels = pixelsOf(bmp);
    const double percent = 100.0 * double(std::count(pixels.begin(), pixels.end(), 0)) / double(pixels.size());
    EXPECT_GE(percent, 86.0);
    EXPECT_LE(percent, 90.0);
}

// Background pixels that cannot reach the border through background pixels side by side.
TEST_P(EachFrame, AtMostFourteenEnclosedBackgroundPixels) {
    const Bitmap& bmp = frame();
    ASSERT_TRUE(bmp.complete()) << bmp.problem();
    std::vector<bool> outside(kSize * kSize, false);
    std::vector<std::pair<int, int>> todo;
    const auto visit = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= kSize || y >= kSize) return;
        if (outside[std::size_t(y * kSize + x)] || bmp.at(x, y) != 0) return;
        outside[std::size_t(y * kSize + x)] = true;
        todo.emplace_back(x, y);
    };
    for (int i = 0; i < kSize; ++i) {
        visit(i, 0);
        visit(i, kSize - 1);
        visit(0, i);
        visit(kSize - 1, i);
    }
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        visit(x + 1, y);
        visit(x - 1, y);
        visit(x, y + 1);
        visit(x, y - 1);
    }
    std::ostringstream where;
    int enclosed = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (bmp.at(x, y) == 0 && !outside[std::size_t(y * kSize + x)]) {
                ++enclosed;
                where << " (" << x << "," << y << ")";
            }
    EXPECT_LE(enclosed, 14) << "enclosed at" << where.str();
}

TEST_P(EachFrame, BackgroundIsBlackAndNoUsedColourIsBlackInRgb565) {
    const Bitmap& bmp = frame();
    ASSERT_TRUE(bmp.complete()) << bmp.problem();
    const Rgb8 background = bmp.colour(0);
    EXPECT_EQ(background.r | background.g | background.b, 0) << "palette entry 0";
    const Pixels pixels = pixelsOf(bmp);
    for (const int entry : std::set<int>(pixels.begin(), pixels.end())) {
        if (entry == 0) continue;
        const Rgb8 c = bmp.colour(entry);
        const int rgb565 = (c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3);
        EXPECT_NE(rgb565, 0) << "used entry " << entry << " = (" << c.r << "," << c.g << "," << c.b << ")";
    }
}

// The ship turns clockwise by 9 degrees a frame. Its body stays within 14..45 on both axes;
// only the nose, a thin strip along the heading, leaves that box, and it reaches near the edge.
TEST_P(EachFrame, BodyStaysInTheMiddleAndTheNoseFollowsTheHeading) {
    const Bitmap& bmp = frame();
    ASSERT_TRUE(bmp.complete()) << bmp.problem();
    const double heading = 9.0 * GetParam() * std::numbers::pi / 180.0;
    const double forwardX = std::sin(heading), forwardY = -std::cos(heading);  // screen y grows down
    double noseReach = 0;
    std::ostringstream strays;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (bmp.at(x, y) == 0) continue;
            const double px = x + 0.5 - kSize / 2.0, py = y + 0.5 - kSize / 2.0;
            const double along = px * forwardX + py * forwardY;
            const double across = px * -forwardY + py * forwardX;
            if (along > 14 && std::abs(across) <= 2.0) {
                noseReach = std::max(noseReach, along);
            } else if (x < 14 || x > 45 || y < 14 || y > 45) {
                strays << " (" << x << "," << y << ")";
            }
        }
    }
    EXPECT_EQ(strays.str(), "") << "ship pixels outside the body box and off the nose";
    EXPECT_GE(noseReach, 28.0) << "the nose should reach near the edge along the heading";
}

INSTANTIATE_TEST_SUITE_P(Committed, EachFrame, testing::Range(0, kFrames),
                         [](const testing::TestParamInfo<int>& frame) { return "vegan" + std::to_string(frame.param); });

// ---------------------------------------------------------------- the frames together

class AllFrames : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(committedFrame(i).complete()) << committedFrame(i).problem();
    }
};

TEST_F(AllFrames, ShareOnePalette) {
    for (int i = 1; i < kFrames; ++i) {
        for (int entry = 0; entry < 256; ++entry) {
            const Rgb8 a = committedFrame(0).colour(entry), b = committedFrame(i).colour(entry);
            if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
            ADD_FAILURE() << "palette entry " << entry << " of frame " << i << " is (" << b.r << "," << b.g << ","
                          << b.b << "), in frame 0 (" << a.r << "," << a.g << "," << a.b << ")";
            break;
        }
    }
}

TEST_F(AllFrames, TenFramesOnIsExactlyAQuarterTurnClockwise) {
    for (int i = 0; i + 10 < kFrames; ++i) {
        const Pixels expected = turnedQuarter(pixelsOf(committedFrame(i)));
        const Pixels actual = pixelsOf(committedFrame(i + 10));
        if (expected == actual) continue;
        const std::string stem = "vegan" + std::to_string(i + 10);
        ADD_FAILURE() << "frame " << i + 10 << " is not frame " << i << " turned a quarter clockwise; see "
                      << saveForInspection(committedFrame(i), expected, stem + "-expected.bmp") << " and "
                      << saveForInspection(committedFrame(i + 10), actual, stem + "-actual.bmp");
    }
}

TEST_F(AllFrames, RedNoseTipTouchesTheEdgeItPointsAt) {
    struct Case {
        int frame;
        const char* edge;
        int x0, y0, dx, dy;  // walks along the edge
    };
    const Case cases[] = {
        {0, "top row", 0, 0, 1, 0},
        {10, "right column", kSize - 1, 0, 0, 1},
        {20, "bottom row", 0, kSize - 1, 1, 0},
        {30, "left column", 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        const Bitmap& bmp = committedFrame(c.frame);
        std::vector<int> touching;
        for (int i = 0; i < kSize; ++i) {
            const int x = c.x0 + i * c.dx, y = c.y0 + i * c.dy;
            if (bmp.at(x, y) == 0) continue;
            touching.push_back(i);
            const Rgb8 colour = bmp.colour(bmp.at(x, y));
            EXPECT_TRUE(colour.r > 2 * colour.g && colour.r > 2 * colour.b)
                << "frame " << c.frame << ", " << c.edge << " pixel " << i << " is not red: (" << colour.r << ","
                << colour.g << "," << colour.b << ")";
        }
        ASSERT_FALSE(touching.empty()) << "frame " << c.frame << " does not touch the " << c.edge;
        EXPECT_GE(touching.front(), 27) << "frame " << c.frame << ", " << c.edge;
        EXPECT_LE(touching.back(), 32) << "frame " << c.frame << ", " << c.edge;
    }
}

// ---------------------------------------------------------------- framegen itself

// What a framegen run left: its exit status and what it wrote to standard error.
struct Outcome {
    int exitCode;
    std::string errors;
};

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Spawns framegen with `args`; its standard error goes to `errorFile`.
Outcome runFramegen(std::vector<std::string> args, const fs::path& errorFile) {
    args.insert(args.begin(), FRAMEGEN_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, FRAMEGEN_PATH, actions.get(), nullptr, argv.data(), environ) != 0)
        return {-1, std::string("could not start ") + FRAMEGEN_PATH};
    int status = 0;
    waitpid(pid, &status, 0);
    const std::vector<std::uint8_t> errors = readBytes(errorFile);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(errors.begin(), errors.end())};
}

TEST(Framegen, RegeneratesTheCommittedFramesByteForByte) {
    const fs::path dir = freshWorkDir("regenerated");
    const fs::path out = dir / "frames";
    const Outcome run = runFramegen({out.string(), "--sheet", (dir / "frames.png").string()}, dir / "stderr.txt");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    for (int i = 0; i < kFrames; ++i) {
        const fs::path generated = out / ("vegan" + std::to_string(i) + ".bmp");
        if (readBytes(generated) == readBytes(committedPath(i))) continue;
        const fs::path committedCopy = dir / ("committed-vegan" + std::to_string(i) + ".bmp");
        fs::copy_file(committedPath(i), committedCopy, fs::copy_options::overwrite_existing);
        ADD_FAILURE() << generated << " differs from the committed " << committedPath(i) << " (copied to "
                      << committedCopy << ")";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), kFrames)
        << "framegen should write exactly the 40 frames into " << out;
    const std::vector<std::uint8_t> sheet = readBytes(dir / "frames.png");
    const std::vector<std::uint8_t> pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    ASSERT_GE(sheet.size(), pngSignature.size()) << "contact sheet missing";
    EXPECT_TRUE(std::equal(pngSignature.begin(), pngSignature.end(), sheet.begin())) << "contact sheet is not a PNG";
}

TEST(Framegen, RejectsBadCommandLinesAndNamesFilesItCannotWrite) {
    const fs::path dir = freshWorkDir("command-line");
    const std::string out = (dir / "out").string();
    const std::string plainFile = (dir / "plain-file").string();
    std::ofstream(plainFile) << "not a folder\n";
    const fs::path blocked = dir / "blocked";
    fs::create_directories(blocked / "vegan7.bmp");  // a folder where a frame should go
    const std::string missingSheet = (dir / "missing" / "sheet.png").string();
    const std::string usage = "usage: framegen OUTDIR [--sheet FILE.png]";

    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string inErrors;
    };
    const Case cases[] = {
        {"no arguments", {}, 2, usage},
        {"--sheet without a file", {out, "--sheet"}, 2, usage},
        {"--sheet twice", {out, "--sheet", out + "/a.png", "--sheet", out + "/b.png"}, 2, usage},
        {"unknown option", {out, "--size", "3"}, 2, "unexpected argument '--size'"},
        {"two folders", {out, out + "2"}, 2, "unexpected argument '" + out + "2'"},
        {"folder is a plain file", {plainFile}, 1, plainFile},
        {"a frame cannot be written", {blocked.string()}, 1, (blocked / "vegan7.bmp").string()},
        {"sheet in a missing folder", {out, "--sheet", missingSheet}, 1, missingSheet},
    };
    for (const Case& c : cases) {
        const Outcome run = runFramegen(c.args, dir / "stderr.txt");
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.errors;
        EXPECT_NE(run.errors.find(c.inErrors), std::string::npos)
            << c.name << ": expected \"" << c.inErrors << "\" in \"" << run.errors << "\"";
    }
}

}  // namespace
