// The surface service's checks at an operation's entry, and what its drawing leaves on a small
// surface.
#include <gtest/gtest.h>

#include <memory>

#include "platform/directdraw/directdraw.h"

namespace {

struct Pair {
  Surface dest = std::make_shared<DirectDrawSurface7>(8, 6, DDSCAPS_OFFSCREENPLAIN);
  Surface source = std::make_shared<DirectDrawSurface7>(4, 4, DDSCAPS_OFFSCREENPLAIN);
  Pair() {
    DDCOLORKEY key;  // key 0
    source->SetColorKey(DDCKEY_SRCBLT, key);
  }
};

struct BltCase {
  const char* name;
  RECT dest;
  RECT source;
  Long flags;
  bool ok;
};

void PrintTo(const BltCase& c, std::ostream* os) { *os << c.name; }

class BltChecks : public testing::TestWithParam<BltCase> {};

TEST_P(BltChecks, RefuseWhatNoClipperCouldHelp) {
  const BltCase& c = GetParam();
  Pair p;
  p.dest->pixels()[0] = 0x1234;
  RECT dest = c.dest;
  RECT source = c.source;
  if (c.ok) {
    EXPECT_EQ(p.dest->Blt(dest, p.source, source, c.flags), 0);
  } else {
    EXPECT_THROW(p.dest->Blt(dest, p.source, source, c.flags), runtime::Error);
    EXPECT_EQ(p.dest->pixels()[0], 0x1234) << "a failed blit changes nothing";
  }
}

constexpr Long kKeyed = DDBLT_KEYSRC | DDBLT_WAIT;

INSTANTIATE_TEST_SUITE_P(
    Rectangles, BltChecks,
    testing::Values(BltCase{"Whole", {0, 0, 8, 6}, {0, 0, 4, 4}, kKeyed, true},
                    BltCase{"Unkeyed", {1, 1, 5, 5}, {0, 0, 4, 4}, DDBLT_WAIT, true},
                    BltCase{"EmptyDest", {2, 2, 2, 5}, {0, 0, 4, 4}, kKeyed, false},
                    BltCase{"InvertedDest", {5, 1, 2, 4}, {0, 0, 4, 4}, kKeyed, false},
                    BltCase{"DestPastRight", {4, 0, 9, 4}, {0, 0, 4, 4}, kKeyed, false},
                    BltCase{"DestAboveTop", {0, -1, 4, 3}, {0, 0, 4, 4}, kKeyed, false},
                    BltCase{"InvertedSource", {0, 0, 4, 4}, {0, 4, 4, 0}, kKeyed, false},
                    BltCase{"SourcePastBottom", {0, 0, 4, 4}, {0, 1, 4, 5}, kKeyed, false},
                    BltCase{"UnknownFlag", {0, 0, 4, 4}, {0, 0, 4, 4}, kKeyed | 0x400, false},
                    BltCase{"DestColourKeyFlag", {0, 0, 4, 4}, {0, 0, 4, 4}, 0x2000, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Blt, NothingOrItselfAsSourceFails) {
  Pair p;
  RECT r{0, 0, 4, 4};
  EXPECT_THROW(p.dest->Blt(r, nullptr, r, kKeyed), runtime::Error);
  EXPECT_THROW(p.source->Blt(r, p.source, r, kKeyed), runtime::Error);
}

TEST(Blt, KeyedSourceWithoutAKeyFails) {
  Pair p;
  auto plain = std::make_shared<DirectDrawSurface7>(4, 4, DDSCAPS_OFFSCREENPLAIN);
  RECT r{0, 0, 4, 4};
  EXPECT_THROW(p.dest->Blt(r, plain, r, kKeyed), runtime::Error);
  EXPECT_EQ(p.dest->Blt(r, plain, r, DDBLT_WAIT), 0);
}

TEST(Blt, KeyedPixelsLeaveTheDestinationAlone) {
  Pair p;
  RECT whole{0, 0, 8, 6};
  p.dest->BltColorFill(whole, 0x0F0F);
  for (int i = 0; i < 16; ++i) p.source->pixels()[i] = i % 2 == 0 ? 0 : 0xF800;
  RECT dest{2, 1, 6, 5};
  RECT source{0, 0, 4, 4};
  p.dest->Blt(dest, p.source, source, kKeyed);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 1 && y < 5;
      const bool keyed = inside && ((y - 1) * 4 + (x - 2)) % 2 == 0;
      EXPECT_EQ(p.dest->pixels()[y * 8 + x], inside && !keyed ? 0xF800 : 0x0F0F) << x << "," << y;
    }
  }
}

TEST(BltColorFill, UsesTheLow16BitsAndChecksItsRectangle) {
  auto s = std::make_shared<DirectDrawSurface7>(4, 2, DDSCAPS_OFFSCREENPLAIN);
  RECT whole{0, 0, 4, 2};
  s->BltColorFill(whole, -1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s->pixels()[i], 0xFFFF);
  s->BltColorFill(whole, 0x12345);
  EXPECT_EQ(s->pixels()[0], 0x2345);
  RECT outside{0, 0, 5, 2};
  EXPECT_THROW(s->BltColorFill(outside, 0), runtime::Error);
  EXPECT_EQ(s->pixels()[0], 0x2345);
}

TEST(SetColorKey, WidensTheKeyAndRefusesRanges) {
  auto s = std::make_shared<DirectDrawSurface7>(2, 1, DDSCAPS_OFFSCREENPLAIN);
  DDCOLORKEY range{0, 5};
  EXPECT_THROW(s->SetColorKey(DDCKEY_SRCBLT, range), runtime::Error);
  DDCOLORKEY destKey{0, 0};
  EXPECT_THROW(s->SetColorKey(2, destKey), runtime::Error);
  // Key -1, widened with its sign, is the pixel value 0xFFFF.
  DDCOLORKEY white{-1, -1};
  s->SetColorKey(DDCKEY_SRCBLT, white);
  s->pixels()[0] = 0xFFFF;
  s->pixels()[1] = 0x0001;
  auto dest = std::make_shared<DirectDrawSurface7>(2, 1, DDSCAPS_OFFSCREENPLAIN);
  RECT r{0, 0, 2, 1};
  dest->Blt(r, s, r, kKeyed);
  EXPECT_EQ(dest->pixels()[0], 0);
  EXPECT_EQ(dest->pixels()[1], 1);
}

TEST(SetForeColor, RefusesWhatIsNoColour) {
  auto s = std::make_shared<DirectDrawSurface7>(2, 1, DDSCAPS_OFFSCREENPLAIN);
  EXPECT_THROW(s->SetForeColor(-1), runtime::Error);
  EXPECT_THROW(s->SetForeColor(0x1000000), runtime::Error);
  s->SetForeColor(0xFFFFFF);
}

TEST(DrawText, OnlyAtAGivenPosition) {
  auto s = std::make_shared<DirectDrawSurface7>(64, 20, DDSCAPS_OFFSCREENPLAIN);
  EXPECT_THROW(s->DrawText(0, 0, "x", true), runtime::Error);
  s->SetForeColor(0xFFFFFF);
  s->DrawText(-1000, 5000, "clipped away", false);
  s->DrawText(0, 0, "Hi", false);
  int white = 0;
  for (int i = 0; i < 64 * 20; ++i) white += s->pixels()[i] == 0xFFFF ? 1 : 0;
  EXPECT_GT(white, 10);
}

}  // namespace
