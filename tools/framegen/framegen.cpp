// framegen: renders the 40 frames of the Orvane ship (vegan0.bmp .. vegan39.bmp),
// 60 x 60 pixel 8-bit bitmaps sharing one palette, and optionally a PNG contact sheet.
//
// The ship is described as shapes in ship space: u to the right, v forward (towards the
// nose), z up out of the picture, in pixels, the origin at the middle of the square.
// Frames 0..9 are sampled with the ship turned clockwise by 9 degrees per frame; every
// later frame is an earlier one turned by whole quarter turns, so frame i+10 is exactly
// frame i turned a quarter clockwise.

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kSize = 60;
constexpr int kFrames = 40;
constexpr int kFramesPerQuarter = 10;
constexpr double kDegreesPerFrame = 9.0;
constexpr int kSubsamples = 8;  // per axis: 8 x 8 samples per pixel
constexpr double kHalf = kSize / 2.0;

// ---------------------------------------------------------------- colour and vectors

struct Rgb {
    double r = 0, g = 0, b = 0;  // 0..255
};

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb mix(Rgb a, Rgb b, double t) { return a * (1 - t) + b * t; }

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 normalized(Vec3 a) {
    const double len = std::sqrt(dot(a, a));
    return {a.x / len, a.y / len, a.z / len};
}

// ---------------------------------------------------------------- palette

using Palette = std::array<Rgb8, 256>;

// Appends `count` colours running through `stops` at even spacing.
void addRamp(std::vector<Rgb8>& out, const std::vector<Rgb>& stops, int count) {
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / (count - 1) * double(stops.size() - 1);
        const auto seg = std::min<std::size_t>(std::size_t(t), stops.size() - 2);
        const Rgb c = mix(stops[seg], stops[seg + 1], t - double(seg));
        out.push_back({std::uint8_t(std::lround(c.r)), std::uint8_t(std::lround(c.g)),
                       std::uint8_t(std::lround(c.b))});
    }
}

// Entry 0 is the black background; 1..255 are ramps of the ship's materials. The darkest
// ramp ends stay bright enough that none of them turns black in RGB565.
Palette makePalette() {
    std::vector<Rgb8> entries{{0, 0, 0}};
    addRamp(entries, {{18, 20, 30}, {84, 90, 106}, {160, 166, 180}, {244, 246, 252}}, 60);  // hull
    addRamp(entries, {{12, 16, 52}, {28, 64, 160}, {70, 130, 230}, {196, 226, 255}}, 64);  // wings
    addRamp(entries, {{40, 8, 12}, {150, 20, 26}, {232, 48, 40}, {255, 190, 170}}, 48);    // red
    addRamp(entries, {{96, 24, 8}, {240, 110, 20}, {255, 200, 70}, {255, 252, 225}}, 32);  // glow
    addRamp(entries, {{10, 34, 56}, {30, 120, 180}, {120, 220, 250}, {230, 252, 255}}, 32);  // glass
    addRamp(entries, {{40, 46, 76}, {100, 116, 160}, {180, 190, 214}}, 19);  // blue-grey blends
    Palette palette{};
    std::copy(entries.begin(), entries.end(), palette.begin());
    return palette;
}

std::uint8_t nearestEntry(const Palette& palette, Rgb c) {
    int best = 1;
    double bestDistance = 1e300;
    for (int i = 1; i < int(palette.size()); ++i) {
        const double dr = c.r - palette[i].r, dg = c.g - palette[i].g, db = c.b - palette[i].b;
        const double d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return std::uint8_t(best);
}

// ---------------------------------------------------------------- the ship

// Light from the front left, above the ship; the viewer looks straight down.
const Vec3 kLight = normalized({-0.55, 0.6, 0.75});
const Vec3 kHalfway = normalized({kLight.x, kLight.y, kLight.z + 1});

struct Surface {
    Rgb base;
    Vec3 normal;
    double shine = 0;     // strength of the highlight
    double glossy = 20;   // highlight exponent
};

Rgb lit(const Surface& s) {
    const double diffuse = std::max(0.0, dot(s.normal, kLight));
    const double highlight = std::pow(std::max(0.0, dot(s.normal, kHalfway)), s.glossy);
    const Rgb c = s.base * (0.35 + 0.8 * diffuse) + Rgb{255, 255, 255} * (s.shine * highlight);
    return {std::min(c.r, 255.0), std::min(c.g, 255.0), std::min(c.b, 255.0)};
}

constexpr double kTail = -11.6;       // rear end of the hull
constexpr double kTipStart = 25.0;    // where the red nose tip begins
constexpr double kNoseEnd = 31.0;     // beyond the edge: the tip is cut off by the square

// Half-width of the hull (body and nose) along v, smooth between control points,
// with its slope for the shading.
struct Width {
    double half = 0, slope = 0;
};

Width hullWidth(double v) {
    struct Point {
        double v, half;
    };
    static constexpr std::array<Point, 8> kProfile{{{kTail, 2.7},
                                                     {-8.5, 3.7},
                                                     {-3.0, 4.3},
                                                     {3.0, 3.8},
                                                     {9.0, 2.5},
                                                     {14.0, 1.4},
                                                     {18.0, 1.15},
                                                     {kNoseEnd, 1.15}}};
    if (v < kProfile.front().v || v > kProfile.back().v) return {};
    for (std::size_t i = 0; i + 1 < kProfile.size(); ++i) {
        const Point a = kProfile[i], b = kProfile[i + 1];
        if (v <= b.v) {
            const double t = (v - a.v) / (b.v - a.v);
            const double s = t * t * (3 - 2 * t);
            const double ds = 6 * t * (1 - t) / (b.v - a.v);
            return {a.half + (b.half - a.half) * s, (b.half - a.half) * ds};
        }
    }
    return {};
}

// Rounded cross-section: the normal of a body of revolution with the given width.
Vec3 hullNormal(double u, Width w) {
    const double nu = std::clamp(u / w.half, -0.97, 0.97);
    return normalized({nu, -w.slope * 0.6, std::sqrt(1 - nu * nu)});
}

// The wings: a crescent, the disc around (0, kOuterV) minus the disc around (0, kInnerV),
// bulging forward with its horns swept back.
constexpr double kOuterV = -2.0, kOuterR = 14.0;
constexpr double kInnerV = -9.0, kInnerR = 13.5;

std::optional<Surface> wings(double u, double v) {
    const double dOuter = std::hypot(u, v - kOuterV);
    const double dInner = std::hypot(u, v - kInnerV);
    if (dOuter > kOuterR || dInner < kInnerR) return std::nullopt;
    const double toLeading = kOuterR - dOuter, toTrailing = dInner - kInnerR;
    const double across = toLeading / (toLeading + toTrailing);  // 0 leading .. 1 trailing edge
    // A raised ridge a third of the way back: the surface faces forward before it, back after.
    const double tilt = std::clamp((0.35 - across) * 2.4, -0.8, 0.9);
    const double ru = u / dOuter, rv = (v - kOuterV) / dOuter;
    Surface s{{46, 92, 205}, normalized({ru * tilt, rv * tilt, 1}), 0.35, 16};
    if (across < 0.2) s.base = {110, 160, 240};  // pale stripe along the leading edge
    // The hull shades the wing on the side away from the light.
    const Width w = hullWidth(v);
    if (u > 0 && w.half > 0 && u - w.half < 1.6) s.base = s.base * (0.45 + 0.55 * (u - w.half) / 1.6);
    return s;
}

// Red cannons on the horns of the crescent, pointing forward.
constexpr double kCannonU = 12.4, kCannonV = -5.2, kCannonHalfU = 1.2, kCannonHalfV = 2.3;

std::optional<Surface> cannons(double u, double v) {
    const double eu = (std::abs(u) - kCannonU) / kCannonHalfU, ev = (v - kCannonV) / kCannonHalfV;
    const double r2 = eu * eu + ev * ev;
    if (r2 > 1) return std::nullopt;
    const double side = u < 0 ? -eu : eu;
    return Surface{{225, 40, 36}, normalized({side, ev * 0.4, std::sqrt(1.0 - std::min(r2, 0.95))}), 0.6, 20};
}

std::optional<Surface> hull(double u, double v) {
    const Width w = hullWidth(v);
    if (w.half <= 0 || std::abs(u) > w.half) return std::nullopt;
    Surface s{{172, 178, 192}, hullNormal(u, w), 0.55, 24};
    if (v >= kTipStart) {
        s.base = {222, 38, 34};  // the red nose tip
    } else if (std::abs(v + 7.5) < 0.45 || std::abs(v - 12.0) < 0.45) {
        s.base = {96, 102, 118};  // panel seams
    } else if (v < -8.0 && std::abs(u) < 1.1) {
        s.base = {196, 40, 38};  // red spine at the rear
    }
    return s;
}

// The cockpit: a glass canopy, an ellipse on the hull.
constexpr double kCockpitV = 4.0, kCockpitHalfU = 1.9, kCockpitHalfV = 4.2;

std::optional<Surface> cockpit(double u, double v) {
    const double eu = u / kCockpitHalfU, ev = (v - kCockpitV) / kCockpitHalfV;
    const double r2 = eu * eu + ev * ev;
    if (r2 > 1) return std::nullopt;
    return Surface{{40, 130, 200}, normalized({eu, ev, std::sqrt(1.0 - std::min(r2, 0.95))}), 1.2, 30};
}

// Two engine nozzles side by side at the tail, with no gap between them.
constexpr double kNozzleU = 1.5, kNozzleHalfU = 1.5;
constexpr double kNozzleEnd = kTail - 1.2;

std::optional<Surface> nozzles(double u, double v) {
    if (v > kTail + 0.2 || v < kNozzleEnd) return std::nullopt;
    const double du = std::abs(u) - kNozzleU;
    if (std::abs(du) > kNozzleHalfU) return std::nullopt;
    return Surface{{90, 94, 108}, normalized({du / kNozzleHalfU * 0.8, 0, 1}), 0.4, 12};
}

// The exhaust flames behind the nozzles: bright, unlit.
std::optional<Rgb> flames(double u, double v) {
    const double eu = (std::abs(u) - kNozzleU) / 1.4, ev = (v - kNozzleEnd) / 3.0;
    if (ev > 0) return std::nullopt;
    const double r = std::sqrt(eu * eu + ev * ev);
    if (r > 1) return std::nullopt;
    const Rgb core{255, 246, 210}, mid{255, 160, 40}, rim{220, 70, 20};
    return r < 0.5 ? mix(core, mid, r / 0.5) : mix(mid, rim, (r - 0.5) / 0.5);
}

// The colour of the ship at a point of ship space, or nothing where it is background.
std::optional<Rgb> shipColour(double u, double v) {
    if (auto s = cockpit(u, v)) return lit(*s);
    if (auto s = hull(u, v)) return lit(*s);
    if (auto s = nozzles(u, v)) return lit(*s);
    if (auto s = cannons(u, v)) return lit(*s);
    if (auto s = wings(u, v)) return lit(*s);
    return flames(u, v);
}

// ---------------------------------------------------------------- frames

// Palette indices, top row first.
using Image = std::array<std::uint8_t, kSize * kSize>;

// Samples the ship turned clockwise by `degrees`. A pixel is ship where at least half its
// samples hit the ship; its colour is the mean of those, darkened towards the outline colour
// where the ship only partly covers it.
Image renderFrame(const Palette& palette, double degrees) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    constexpr int kSamples = kSubsamples * kSubsamples;
    const Rgb outline{22, 26, 44};
    Image image{};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Rgb sum;
            int hits = 0;
            for (int sy = 0; sy < kSubsamples; ++sy) {
                for (int sx = 0; sx < kSubsamples; ++sx) {
                    // Screen offset from the middle, y growing downwards.
                    const double dx = x + (sx + 0.5) / kSubsamples - kHalf;
                    const double dy = y + (sy + 0.5) / kSubsamples - kHalf;
                    const double u = dx * c + dy * s;
                    const double v = dx * s - dy * c;
                    if (auto colour = shipColour(u, v)) {
                        sum = sum + *colour;
                        ++hits;
                    }
                }
            }
            if (2 * hits < kSamples) continue;
            const double missing = 1.0 - double(hits) / kSamples;  // 0 .. 0.5
            const Rgb colour = mix(sum * (1.0 / hits), outline, std::min(1.0, missing * 1.4));
            image[y * kSize + x] = nearestEntry(palette, colour);
        }
    }
    return image;
}

// The image turned a quarter clockwise: the top row becomes the right column.
Image turnedQuarter(const Image& in) {
    Image out{};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) out[y * kSize + x] = in[(kSize - 1 - x) * kSize + y];
    return out;
}

std::vector<Image> renderAllFrames(const Palette& palette) {
    std::vector<Image> frames;
    for (int i = 0; i < kFramesPerQuarter; ++i) frames.push_back(renderFrame(palette, kDegreesPerFrame * i));
    for (int i = kFramesPerQuarter; i < kFrames; ++i) frames.push_back(turnedQuarter(frames[i - kFramesPerQuarter]));
    return frames;
}

// ---------------------------------------------------------------- output files

void put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// A file header, then the packed bitmap: info header, 256-entry palette, pixels bottom row first.
std::vector<std::uint8_t> encodeBmp(const Image& image, const Palette& palette) {
    constexpr std::uint32_t kFileHeader = 14, kInfoHeader = 40, kPaletteBytes = 256 * 4;
    constexpr std::uint32_t kPixelBytes = kSize * kSize;  // 60 is a multiple of 4: no row padding
    constexpr std::uint32_t kPixelOffset = kFileHeader + kInfoHeader + kPaletteBytes;
    std::vector<std::uint8_t> out{'B', 'M'};
    put32(out, kPixelOffset + kPixelBytes);
    put16(out, 0);
    put16(out, 0);
    put32(out, kPixelOffset);
    put32(out, kInfoHeader);
    put32(out, kSize);     // width
    put32(out, kSize);     // height, positive: bottom row first
    put16(out, 1);         // planes
    put16(out, 8);         // bits per pixel
    put32(out, 0);         // no compression
    put32(out, kPixelBytes);
    put32(out, 2048);      // horizontal resolution
    put32(out, 2048);      // vertical resolution
    put32(out, 0);         // colours used: all 256
    put32(out, 0);         // important colours: all
    for (const Rgb8& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = kSize - 1; y >= 0; --y)
        out.insert(out.end(), image.begin() + y * kSize, image.begin() + (y + 1) * kSize);
    return out;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

// Contact sheet: 8 columns x 5 rows of frames enlarged 4x, background entry 0 shown as a
// grey checker, frame numbers in the top left corner of each cell, thin dark grid lines.
constexpr int kSheetColumns = 8, kSheetRows = 5, kScale = 4, kGrid = 2;
constexpr int kCell = kSize * kScale;
constexpr int kSheetWidth = kSheetColumns * kCell + (kSheetColumns + 1) * kGrid;
constexpr int kSheetHeight = kSheetRows * kCell + (kSheetRows + 1) * kGrid;

// 3 x 5 digit glyphs, one row per 3 bits, top row first.
constexpr std::array<std::array<std::uint8_t, 5>, 10> kDigits{{{7, 5, 5, 5, 7},
                                                               {2, 6, 2, 2, 7},
                                                               {7, 1, 7, 4, 7},
                                                               {7, 1, 7, 1, 7},
                                                               {5, 5, 7, 1, 1},
                                                               {7, 4, 7, 1, 7},
                                                               {7, 4, 7, 5, 7},
                                                               {7, 1, 1, 1, 1},
                                                               {7, 5, 7, 5, 7},
                                                               {7, 5, 7, 1, 7}}};

class Sheet {
public:
    Sheet() : pixels_(std::size_t(kSheetWidth) * kSheetHeight * 3, 18) {}

    void set(int x, int y, Rgb8 c) {
        auto* p = &pixels_[(std::size_t(y) * kSheetWidth + x) * 3];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }

    void drawFrame(int index, const Image& image, const Palette& palette) {
        const int left = kGrid + (index % kSheetColumns) * (kCell + kGrid);
        const int top = kGrid + (index / kSheetColumns) * (kCell + kGrid);
        for (int y = 0; y < kCell; ++y) {
            for (int x = 0; x < kCell; ++x) {
                const std::uint8_t entry = image[(y / kScale) * kSize + x / kScale];
                const bool light = ((x / 8) + (y / 8)) % 2 == 0;
                const Rgb8 checker = light ? Rgb8{74, 74, 78} : Rgb8{60, 60, 64};
                set(left + x, top + y, entry == 0 ? checker : palette[entry]);
            }
        }
        drawNumber(left + 4, top + 4, index);
    }

    void save(const std::filesystem::path& path) const {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = kSheetWidth;
        png.height = kSheetHeight;
        png.format = PNG_FORMAT_RGB;
        const bool ok = png_image_write_to_file(&png, path.c_str(), 0, pixels_.data(), 0, nullptr) != 0;
        const std::string message = png.message;
        png_image_free(&png);
        if (!ok) throw std::runtime_error("cannot write " + path.string() + ": " + message);
    }

private:
    void drawNumber(int left, int top, int number) {
        const std::string text = std::to_string(number);
        constexpr int kDot = 2;
        for (std::size_t d = 0; d < text.size(); ++d) {
            const auto& glyph = kDigits[std::size_t(text[d] - '0')];
            for (int gy = 0; gy < 5; ++gy)
                for (int gx = 0; gx < 3; ++gx)
                    if (glyph[std::size_t(gy)] & (4 >> gx))
                        for (int py = 0; py < kDot; ++py)
                            for (int px = 0; px < kDot; ++px)
                                set(left + int(d) * 4 * kDot + gx * kDot + px, top + gy * kDot + py,
                                    {220, 220, 200});
        }
    }

    std::vector<std::uint8_t> pixels_;
};

int usage() {
    std::cerr << "usage: framegen OUTDIR [--sheet FILE.png]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    std::optional<std::filesystem::path> outDir, sheetPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sheet") {
            if (sheetPath || i + 1 == args.size()) return usage();
            sheetPath = std::filesystem::path(args[++i]);
        } else if (args[i].starts_with("-") || outDir) {
            std::cerr << "framegen: unexpected argument '" << args[i] << "'\n";
            return usage();
        } else {
            outDir = std::filesystem::path(args[i]);
        }
    }
    if (!outDir) return usage();

    try {
        std::error_code error;
        std::filesystem::create_directories(*outDir, error);
        if (error) throw std::runtime_error("cannot create folder " + outDir->string() + ": " + error.message());
        const Palette palette = makePalette();
        const std::vector<Image> frames = renderAllFrames(palette);
        for (int i = 0; i < kFrames; ++i)
            writeFile(*outDir / ("vegan" + std::to_string(i) + ".bmp"), encodeBmp(frames[std::size_t(i)], palette));
        if (sheetPath) {
            Sheet sheet;
            for (int i = 0; i < kFrames; ++i) sheet.drawFrame(i, frames[std::size_t(i)], palette);
            sheet.save(*sheetPath);
        }
    } catch (const std::exception& e) {
        std::cerr << "framegen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
