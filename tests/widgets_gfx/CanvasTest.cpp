#include "widgets/gfx/Canvas.h"

#include <gtest/gtest.h>

#include <string>

#include "widgets/gfx/GraphicError.h"

namespace olv {
namespace {

// Pictures written as rows of letters, one colour per letter; '.' is black.
TColor Letter(char c) {
  switch (c) {
    case 'r': return MakeColor(255, 0, 0);
    case 'g': return MakeColor(0, 255, 0);
    case 'b': return MakeColor(0, 0, 255);
    case 'w': return kClWhite;
    case 'm': return kClMagenta;
    default: return kClBlack;
  }
}

TBitmap Picture(std::initializer_list<std::string> rows, TPixelFormat f = TPixelFormat::pf32bit) {
  TBitmap b(static_cast<int>(rows.begin()->size()), static_cast<int>(rows.size()), f);
  int y = 0;
  for (const std::string& row : rows) {
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, Letter(row[static_cast<size_t>(x)]));
    ++y;
  }
  return b;
}

std::string Rows(const TBitmap& b) {
  std::string out;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      char c = '?';
      for (char l : std::string("rgbwm.")) c = Letter(l) == b.Pixel(x, y) ? l : c;
      out += c;
    }
    out += '/';
  }
  return out;
}

TEST(CanvasTest, FillAndCopiesAreClippedToTheTarget) {
  TBitmap t(4, 3);
  TCanvas canvas(t);
  canvas.FillRect({-5, 1, 2, 99}, kClWhite);
  EXPECT_EQ(Rows(t), "..../ww../ww../");
  canvas.FillRect({3, 0, 1, 3}, kClMagenta);  // inverted: nothing
  canvas.Draw(2, -1, Picture({"rg", "bw"}));
  EXPECT_EQ(Rows(t), "..bw/ww../ww../");
  canvas.Draw(-1, 2, Picture({"rgb"}));
  EXPECT_EQ(Rows(t), "..bw/ww../gb../");
}

TEST(CanvasTest, StretchPicksNearestSourcePixelsBothWays) {
  const TBitmap src = Picture({"rg", "bw"});
  TBitmap up(4, 4);
  TCanvas(up).StretchDraw(up.Bounds(), src);
  EXPECT_EQ(Rows(up), "rrgg/rrgg/bbww/bbww/");
  TBitmap down(2, 1);
  TCanvas(down).StretchDraw(down.Bounds(), Picture({"rrgg", "bbww"}));
  EXPECT_EQ(Rows(down), "rg/");
  // A source rectangle partly outside the source leaves the target as it was there.
  TBitmap part(3, 1);
  part.Fill(kClWhite);
  TCanvas(part).CopyRect(part.Bounds(), Picture({"rg"}), {1, 0, 4, 1});
  EXPECT_EQ(Rows(part), "gww/");
}

TEST(CanvasTest, MaskedAndKeyedCopiesLeaveTheTargetWhereTheSourceIsTransparent) {
  const TBitmap src = Picture({"rm", "mg"});
  TBitmap keyed(2, 2);
  keyed.Fill(kClWhite);
  TCanvas(keyed).CopyRectTransparent(keyed.Bounds(), src, src.Bounds(), kClMagenta);
  EXPECT_EQ(Rows(keyed), "rw/wg/");

  TBitmap masked(4, 4);
  masked.Fill(kClWhite);
  TCanvas(masked).CopyRectMasked(masked.Bounds(), src, src.Bounds(), src.MakeMask(kClMagenta));
  EXPECT_EQ(Rows(masked), "rrww/rrww/wwgg/wwgg/");
  EXPECT_THROW(TCanvas(masked).CopyRectMasked(masked.Bounds(), src, src.Bounds(), src), EInvalidGraphic);
}

TEST(CanvasTest, CopyWithinOneBitmapReadsThePixelsAsTheyWere) {
  TBitmap t = Picture({"rgbw"});
  TCanvas(t).CopyRect({1, 0, 4, 1}, t, {0, 0, 3, 1});
  EXPECT_EQ(Rows(t), "rrgb/");
}

TEST(CanvasTest, IndexedSourcesAndTargetsGoThroughTheirPalettes) {
  TBitmap src(2, 1, TPixelFormat::pf8bit);
  src.SetPalette(TPalette::FromColors(std::vector<TColor>{kClMagenta, MakeColor(0, 0, 255)}));
  src.SetIndex(1, 0, 1);
  TBitmap t(2, 1, TPixelFormat::pf4bit);
  TCanvas(t).Draw(0, 0, src);
  EXPECT_EQ(Rows(t), "mb/");
  EXPECT_EQ(t.Palette().Color(t.Index(0, 0)), kClMagenta);
}

}  // namespace
}  // namespace olv
