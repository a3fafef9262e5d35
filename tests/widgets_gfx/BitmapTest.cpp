#include "widgets/gfx/Bitmap.h"

#include <gtest/gtest.h>

#include "widgets/gfx/GraphicError.h"

namespace olv {
namespace {

constexpr TPixelFormat kAllFormats[] = {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                        TPixelFormat::pf24bit, TPixelFormat::pf32bit};

TEST(BitmapTest, EveryFormatStoresItsPixelsWithoutDisturbingNeighbours) {
  for (TPixelFormat f : kAllFormats) {
    SCOPED_TRACE(BitsOf(f));
    TBitmap b(13, 3, f);  // an odd width ends rows inside a byte for 1 and 4 bits
    EXPECT_EQ(b.Stride() % 4, 0);
    EXPECT_EQ(b.RowBytes(), (13 * BitsOf(f) + 7) / 8);
    EXPECT_EQ(b.ScanLine(2).size(), static_cast<size_t>(b.RowBytes()));
    // Colours every format can hold exactly: black and white are in every default palette.
    for (int x = 0; x < 13; ++x) b.SetPixel(x, 1, x % 3 == 0 ? kClWhite : kClBlack);
    for (int x = 0; x < 13; ++x) {
      EXPECT_EQ(b.Pixel(x, 1), x % 3 == 0 ? kClWhite : kClBlack) << x;
      EXPECT_EQ(b.Pixel(x, 0), kClBlack);
      EXPECT_EQ(b.Pixel(x, 2), kClBlack);
    }
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphic);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphic);
    EXPECT_THROW(b.Pixel(13, 0), EInvalidGraphic);
    EXPECT_THROW(b.SetPixel(0, -1, kClWhite), EInvalidGraphic);
  }
}

TEST(BitmapTest, IndexAccessIsForIndexedFormatsAndKeepsIndicesInRange) {
  TBitmap b(5, 1, TPixelFormat::pf4bit);
  b.SetIndex(3, 0, 15);
  b.SetIndex(4, 0, 7);
  EXPECT_EQ(b.Index(3, 0), 15);
  EXPECT_EQ(b.Index(4, 0), 7);
  EXPECT_EQ(b.ScanLine(0)[1], 0x0F);
  EXPECT_EQ(b.ScanLine(0)[2], 0x70);
  EXPECT_THROW(b.SetIndex(0, 0, 16), EInvalidGraphic);
  EXPECT_THROW(TBitmap(1, 1, TPixelFormat::pf24bit).Index(0, 0), EInvalidGraphic);
  // An index past a short palette reads black.
  TBitmap short8(1, 1, TPixelFormat::pf8bit);
  short8.SetPalette(TPalette::FromColors(std::vector<TColor>{kClWhite}));
  short8.SetIndex(0, 0, 200);
  EXPECT_EQ(short8.Pixel(0, 0), kClBlack);
}

TEST(BitmapTest, SizesAreCheckedIn64BitsBeforeAnythingIsAllocated) {
  EXPECT_THROW(TBitmap(65536, 65536), EInvalidGraphic);  // 2^32 pixels: would wrap in 32 bits
  EXPECT_THROW(TBitmap(-1, 4), EInvalidGraphic);
  EXPECT_THROW(TBitmap(TBitmap::kMaxSide + 1, 1), EInvalidGraphic);
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_THROW(b.SetSize(1 << 15, 1 << 14), EInvalidGraphic);  // 2^29 pixels
  EXPECT_TRUE(b.Empty());
}

TEST(BitmapTest, ResizeKeepsTheSharedAreaAndConversionKeepsColours) {
  TBitmap b(9, 2, TPixelFormat::pf1bit);
  b.SetIndex(8, 1, 1);
  b.SetIndex(0, 0, 1);
  b.SetSize(10, 3);
  EXPECT_EQ(b.Index(8, 1), 1);
  EXPECT_EQ(b.Index(0, 0), 1);
  EXPECT_EQ(b.Index(9, 1), 0);
  b.SetSize(3, 1);
  EXPECT_EQ(b.Index(0, 0), 1);

  TBitmap c(3, 1, TPixelFormat::pf8bit);
  c.SetPalette(TPalette::FromColors(std::vector<TColor>{MakeColor(1, 2, 3), MakeColor(200, 100, 50)}));
  c.SetIndex(1, 0, 1);
  c.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(c.Pixel(0, 0), MakeColor(1, 2, 3));
  EXPECT_EQ(c.Pixel(1, 0), MakeColor(200, 100, 50));
  c.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(c.Pixel(1, 0), MakeColor(200, 100, 50));
  // Back to 8 bits: the palette kept is the default one, every pixel its nearest entry.
  c.SetPixel(2, 0, kClMagenta);
  c.SetPixelFormat(TPixelFormat::pf8bit);
  EXPECT_EQ(c.Palette(), HalftonePalette());
  EXPECT_EQ(c.Pixel(2, 0), kClMagenta);
  EXPECT_EQ(c.Pixel(1, 0), HalftonePalette().Color(HalftonePalette().NearestIndex(MakeColor(200, 100, 50))));
  // Between indexed depths the indices stay when the palette fits.
  TBitmap d(2, 1, TPixelFormat::pf1bit);
  d.SetIndex(1, 0, 1);
  d.SetPixelFormat(TPixelFormat::pf8bit);
  EXPECT_EQ(d.Index(1, 0), 1);
  EXPECT_EQ(d.Palette().Count(), 2);
}

TEST(BitmapTest, MaskMarksTheKeyColourAndTheDefaultKeyIsTheBottomLeftPixel) {
  TBitmap b(3, 2, TPixelFormat::pf24bit);
  b.Fill(kClMagenta);
  b.SetPixel(1, 0, kClWhite);
  b.SetPixel(2, 1, MakeColor(255, 1, 255));
  const TBitmap mask = b.MakeMask(kClMagenta);
  EXPECT_EQ(mask.PixelFormat(), TPixelFormat::pf1bit);
  const int expected[2][3] = {{1, 0, 1}, {1, 1, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(mask.Index(x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(b.TransparentColor(), kClMagenta);
  b.SetTransparentColor(kClWhite);
  EXPECT_EQ(b.TransparentColor(), kClWhite);
}

}  // namespace
}  // namespace olv
