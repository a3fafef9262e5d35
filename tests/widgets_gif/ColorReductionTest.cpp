// Colour reduction and dithering, checked by properties rather than by restating the code.
#include <gtest/gtest.h>

#include <cmath>

#include "widgets/gif/ColorLookup.h"
#include "widgets/gif/ColorReduction.h"
#include "widgets/gif/Ditherer.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"

namespace olv {
namespace {

TBitmap Flat(int w, int h, TColor c) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  b.Fill(c);
  return b;
}

TEST(ColorReductionTest, CubeLookupRoundsToTheNearestLevel) {
  TNetscapeColorLookup cube;
  struct Case {
    uint8_t v;
    int level;
  } cases[] = {{0, 0}, {25, 0}, {26, 1}, {76, 1}, {77, 2}, {200, 4}, {229, 4}, {230, 5}, {255, 5}};
  for (const Case& c : cases) {
    uint8_t r = c.v, g = 0, b = 0;
    EXPECT_EQ(cube.Lookup(r, g, b), 36 * c.level) << int{c.v};
    EXPECT_EQ(r, 51 * c.level);
  }
  const TBitmap out = ReduceColors(Flat(1, 1, MakeColor(200, 100, 0)), ReduceCube216, DitherNearest, 8);
  EXPECT_EQ(out.Index(0, 0), 4 * 36 + 2 * 6 + 0);
  EXPECT_EQ(out.Pixel(0, 0), MakeColor(204, 102, 0));
}

TEST(ColorReductionTest, FixedPalettesAndTheirLookups) {
  EXPECT_EQ(ReduceColors(Flat(1, 1, MakeColor(127, 127, 127)), ReduceBlackWhite, 0, 8).Index(0, 0), 0);
  EXPECT_EQ(ReduceColors(Flat(1, 1, MakeColor(128, 128, 128)), ReduceBlackWhite, 0, 8).Index(0, 0), 1);
  EXPECT_EQ(ReduceColors(Flat(1, 1, MakeColor(10, 200, 30)), ReduceGray256, 0, 8).Index(0, 0),
            (77 * 10 + 150 * 200 + 29 * 30) / 256);
  EXPECT_EQ(ReduceColors(Flat(1, 1, MakeColor(120, 130, 140)), ReduceGray4, 0, 8).Pixel(0, 0), MakeColor(128, 128, 128));
  EXPECT_EQ(ReduceColors(Flat(1, 1, kClMagenta), ReduceSystem20, 0, 8).Pixel(0, 0), kClMagenta);
  EXPECT_EQ(ReduceColors(Flat(1, 1, kClMagenta), ReduceHalftone, 0, 8).Pixel(0, 0), kClMagenta);
  const TPalette mine = TPalette::FromColors(std::vector<TColor>{kClBlack, MakeColor(0, 0, 200)});
  EXPECT_EQ(ReduceColors(Flat(1, 1, MakeColor(0, 10, 180)), ReducePalette, 0, 8, &mine).Index(0, 0), 1);
  EXPECT_TRUE(ReduceColors(Flat(1, 1, kClBlack), ReducePalette, 0, 8, nullptr).Empty());
  EXPECT_TRUE(ReduceColors(Flat(1, 1, kClBlack), 10, 0, 8).Empty());
  EXPECT_TRUE(ReduceColors(Flat(1, 1, kClBlack), ReduceCube216, 7, 8).Empty());
  const TBitmap none = ReduceColors(Flat(2, 1, kClMagenta), ReduceNone, 0, 8);
  EXPECT_EQ(none.PixelFormat(), TPixelFormat::pf24bit);
}

TEST(ColorReductionTest, OctreeKeepsFewColoursExactlyAndRefusesBadBitCounts) {
  TBitmap two = Flat(5, 3, MakeColor(10, 20, 30));
  two.SetPixel(2, 1, MakeColor(250, 240, 230));
  const TBitmap out = ReduceColors(two, ReduceOctree, DitherNearest, 4);
  EXPECT_EQ(out.Palette().Count(), 16);
  EXPECT_EQ(out.Palette().Color(0), MakeColor(10, 20, 30));
  EXPECT_EQ(out.Palette().Color(1), MakeColor(250, 240, 230));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(out.Pixel(x, y), two.Pixel(x, y));

  const TBitmap sys = ReduceColors(two, ReduceOctreeSystem, DitherNearest, 8);
  EXPECT_EQ(sys.Palette().Count(), 256);
  EXPECT_EQ(sys.Palette().Color(255), kClWhite);
  EXPECT_EQ(sys.Palette().Color(10), MakeColor(10, 20, 30));

  for (int bits : {0, 9, -1}) EXPECT_THROW(ReduceColors(two, ReduceOctree, 0, bits), GIFException) << bits;
  TGIFImage image;
  EXPECT_THROW(image.SetReductionBits(9), GIFException);
  EXPECT_THROW(image.SetReductionBits(0), GIFException);
  image.SetReductionBits(1);
  EXPECT_EQ(image.ReductionBits(), 1);

  // Many colours: never more than 2^bits in the palette, every index inside it.
  TBitmap ramp(64, 64, TPixelFormat::pf24bit);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ramp.SetPixel(x, y, MakeColor(static_cast<uint8_t>(4 * x), static_cast<uint8_t>(4 * y), static_cast<uint8_t>(2 * (x + y))));
  const TBitmap q = ReduceColors(ramp, ReduceOctree, DitherFloydSteinberg, 5);
  EXPECT_EQ(q.Palette().Count(), 32);
}

double MeanGrey(const TBitmap& b) {
  double sum = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) sum += ColorGreen(b.Pixel(x, y));
  return sum / (b.Width() * b.Height());
}

TEST(ColorReductionTest, ErrorDiffusionKeepsTheMeanOfFlatAreas) {
  for (int grey : {40, 100, 128, 171, 230}) {
    const TBitmap flat = Flat(64, 64, MakeColor(static_cast<uint8_t>(grey), static_cast<uint8_t>(grey), static_cast<uint8_t>(grey)));
    for (int method : {ReduceBlackWhite, ReduceGray4, ReduceCube216}) {
      const TBitmap fs = ReduceColors(flat, method, DitherFloydSteinberg, 8);
      EXPECT_NEAR(MeanGrey(fs), grey, 255 * 0.01) << "grey " << grey << " method " << method;
    }
  }
  // Nearest-colour dithering is the plain lookup: a flat mid grey becomes all one colour.
  const TBitmap nearest = ReduceColors(Flat(16, 16, MakeColor(100, 100, 100)), ReduceBlackWhite, DitherNearest, 8);
  EXPECT_EQ(MeanGrey(nearest), 0);
  // Floyd-Steinberg mixes black and white about equally for a mid grey.
  const TBitmap mixed = ReduceColors(Flat(64, 64, MakeColor(128, 128, 128)), ReduceBlackWhite, DitherFloydSteinberg, 8);
  int white = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) white += mixed.Index(x, y);
  EXPECT_NEAR(white, 64 * 32, 64 * 64 / 50);
}

TEST(ColorReductionTest, EveryDithererGivesIndicesInsideThePaletteAndKeepsTheMean) {
  TBitmap ramp(97, 31, TPixelFormat::pf24bit);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 97; ++x)
      ramp.SetPixel(x, y, MakeColor(static_cast<uint8_t>(x * 255 / 96), static_cast<uint8_t>(y * 8), static_cast<uint8_t>(255 - x)));
  for (int mode = DitherNearest; mode <= DitherBurkes; ++mode)
    for (int method : {ReduceBlackWhite, ReduceGray4, ReduceCube216, ReduceOctree}) {
      const TBitmap out = ReduceColors(ramp, method, mode, 3);
      ASSERT_FALSE(out.Empty());
      for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) ASSERT_LT(out.Index(x, y), out.Palette().Count()) << mode << " " << method;
      // Only a colour palette can carry a colour ramp's mean; greys cannot follow its hues.
      if (mode != DitherNearest && method == ReduceCube216) {
        double in = 0, got = 0;
        for (int y = 0; y < 31; ++y)
          for (int x = 0; x < 97; ++x) {
            const TColor a = ramp.Pixel(x, y), b = out.Pixel(x, y);
            in += 77 * ColorRed(a) + 150 * ColorGreen(a) + 29 * ColorBlue(a);
            got += 77 * ColorRed(b) + 150 * ColorGreen(b) + 29 * ColorBlue(b);
          }
        EXPECT_NEAR(got / in, 1.0, 0.03) << "mode " << mode << " method " << method;
      }
    }
}

TEST(ColorReductionTest, DitherersWalkRowsInAlternatingDirections) {
  TMonochromeLookup mono;
  TFloydSteinbergDitherer d(5, mono);
  EXPECT_EQ(d.Column(), 0);
  for (int i = 0; i < 5; ++i) {
    uint8_t r = 0, g = 0, b = 0;
    d.Dither(r, g, b);
  }
  d.NextLine();
  EXPECT_EQ(d.Direction(), -1);
  EXPECT_EQ(d.Column(), 4);
  d.Skip();
  EXPECT_EQ(d.Column(), 3);
  EXPECT_EQ(MakeDitherer(7, 5, mono), nullptr);
}

}  // namespace
}  // namespace olv
