#include "widgets/forms/PanelBackground.h"

#include <gtest/gtest.h>

using namespace olv;

namespace {

TEST(GradientBands, BlackToWhiteOverAHundredPixels) {
  const auto bands = GradientBands(100, clBlack, clWhite);
  // 256 steps of one pixel: only the first 100 start inside the panel.
  ASSERT_EQ(bands.size(), 100u);
  for (int i = 0; i < 100; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(bands[i].offset, i);
    EXPECT_EQ(bands[i].thickness, 1);
    const auto v = static_cast<std::uint8_t>(255 * i / 100);
    EXPECT_EQ(bands[i].color, (TRgb{v, v, v}));
  }
}

TEST(GradientBands, WideBandsAndSignedChannels) {
  // Blue to black over 600 pixels: 256 steps, bands of 600 / 256 + 1 = 3 pixels; the last band
  // that starts inside is cut at the end.
  const auto bands = GradientBands(600, clBlue, clBlack);
  ASSERT_EQ(bands.size(), 200u);
  EXPECT_EQ(bands[0].color, (TRgb{0, 0, 255}));
  EXPECT_EQ(bands[1].offset, 3);
  EXPECT_EQ(bands[1].color, (TRgb{0, 0, 254}));  // 255 + (3 * -255) / 600, toward zero
  EXPECT_EQ(bands[199].offset, 597);
  EXPECT_EQ(bands[199].thickness, 3);
  EXPECT_EQ(bands[199].color.b, 255 - 597 * 255 / 600);

  const auto cut = GradientBands(10, 0x000000, 0x000003);  // 4 steps of 3 pixels
  ASSERT_EQ(cut.size(), 4u);
  EXPECT_EQ(cut[3].offset, 9);
  EXPECT_EQ(cut[3].thickness, 1);
  EXPECT_EQ(cut[3].color.r, 2);  // 9 * 3 / 10
}

TEST(GradientBands, EqualColoursMakeOneBandAndNoLengthMakesNone) {
  const auto one = GradientBands(37, 0x123456, 0x123456);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].thickness, 37);
  EXPECT_EQ(one[0].color, ColorToRgb(0x123456));
  EXPECT_TRUE(GradientBands(0, clBlack, clWhite).empty());
  EXPECT_TRUE(GradientBands(-4, clBlack, clWhite).empty());
}

TEST(PanelPictures, TileAndCentre) {
  // A 40 x 30 panel (area enlarged to 41 x 31) tiled with a 16 x 16 picture: columns 0..3, rows 0..2.
  const auto tiles = TileOrigins(16, 16, 0, 0, 41, 31);
  ASSERT_EQ(tiles.size(), 12u);
  EXPECT_EQ(tiles.front(), (TPoint{0, 0}));
  EXPECT_EQ(tiles[3], (TPoint{48, 0}));
  EXPECT_EQ(tiles.back(), (TPoint{48, 32}));
  EXPECT_TRUE(TileOrigins(0, 16, 0, 0, 41, 31).empty());
  EXPECT_EQ(CenterOrigin(101, 50, 20, 11), (TPoint{40, 19}));
  EXPECT_EQ(CenterOrigin(10, 10, 21, 21), (TPoint{-5, -5}));
}

TEST(PanelPictures, ColourValuesAreStoredBlueGreenRed) {
  EXPECT_EQ(ColorToRgb(16711680), (TRgb{0, 0, 255}));
  EXPECT_EQ(RgbToColor({1, 2, 3}), 0x030201);
}

}  // namespace
