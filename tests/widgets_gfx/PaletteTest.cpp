#include "widgets/gfx/Palette.h"

#include <gtest/gtest.h>

#include <set>

#include "widgets/gfx/GraphicError.h"

namespace olv {
namespace {

TEST(PaletteTest, SystemAndHalftonePalettesShareTheSystemColoursAtBothEnds) {
  const TPalette& sys = SystemPalette20();
  ASSERT_EQ(sys.Count(), 20);
  EXPECT_EQ(sys.Color(0), kClBlack);
  EXPECT_EQ(sys.Color(19), kClWhite);
  EXPECT_EQ(sys.Color(17), kClMagenta);

  const TPalette& half = HalftonePalette();
  ASSERT_EQ(half.Count(), 256);
  std::set<TColor> distinct;
  for (int i = 0; i < 256; ++i) {
    distinct.insert(half.Color(i));
    EXPECT_EQ(half.Entry(i).Flags, kPcNoCollapse);
  }
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(half.Color(i), sys.Color(i));
    EXPECT_EQ(half.Color(246 + i), sys.Color(10 + i));
  }
  // Every level of the 6x6x6 cube is there, and the greys are new colours, not repeats.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        const TColor c = MakeColor(51 * r, 51 * g, 51 * b);
        EXPECT_EQ(half.Color(half.NearestIndex(c)), c);
      }
  EXPECT_EQ(half.Color(10 + 36 * 5 + 6 * 0 + 5), MakeColor(255, 0, 255));
  EXPECT_EQ(distinct.size(), 248u);  // black, white and six primaries of the system colours are cube colours too

  EXPECT_EQ(DefaultPalette(1).Count(), 2);
  EXPECT_EQ(DefaultPalette(4).Count(), 16);
  EXPECT_EQ(DefaultPalette(8).Count(), 256);
}

TEST(PaletteTest, NearestPrefersTheLowerIndexOnTiesAndCacheAgrees) {
  const TPalette p = TPalette::FromColors(std::vector<TColor>{MakeColor(10, 0, 0), MakeColor(30, 0, 0),
                                                              MakeColor(10, 0, 0)});
  EXPECT_EQ(p.NearestIndex(MakeColor(20, 0, 0)), 0);
  EXPECT_EQ(p.NearestIndex(MakeColor(21, 0, 0)), 1);
  EXPECT_EQ(p.NearestIndex(MakeColor(10, 0, 0)), 0);
  EXPECT_EQ(TPalette().NearestIndex(kClWhite), -1);
  TNearestColorCache cache(p);
  for (int v = 0; v < 256; ++v) EXPECT_EQ(cache(MakeColor(v, 0, 0)), p.NearestIndex(MakeColor(v, 0, 0)));
}

TEST(PaletteTest, AtMost256EntriesAndIndicesChecked) {
  TPalette p;
  for (int i = 0; i < 256; ++i) p.Add(MakeColor(i, i, i));
  EXPECT_THROW(p.Add(kClWhite), EInvalidGraphic);
  EXPECT_THROW(p.Entry(256), EInvalidGraphic);
  EXPECT_THROW(p.Entry(-1), EInvalidGraphic);
  EXPECT_THROW(TPalette(std::vector<TPaletteEntry>(257)), EInvalidGraphic);
}

}  // namespace
}  // namespace olv
