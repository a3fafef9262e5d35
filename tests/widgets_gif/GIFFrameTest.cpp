// Frames: rendering with a mask, drawing onto a canvas, and frames made from bitmaps.
#include <gtest/gtest.h>

#include <functional>

#include "GifPeers.h"
#include "widgets/gif/GIFException.h"

namespace olv {
namespace {

// A 2 x 2 frame: red, green / blue, transparent (index 3).
std::unique_ptr<TGIFImage> Transparent2x2() {
  auto image = giftest::OneFrame(2, 2, 2, {0, 1, 2, 3}, false);
  TGIFColorMap& map = image->Header().ColorMap();
  map.SetColors(0, MakeColor(255, 0, 0));
  map.SetColors(1, MakeColor(0, 255, 0));
  map.SetColors(2, MakeColor(0, 0, 255));
  map.SetColors(3, kClWhite);
  TGIFSubImage* frame = image->Images().Items(0);
  auto gce = std::make_unique<TGIFGraphicControlExtension>(frame);
  gce->SetTransparentColorIndex(3);
  gce->SetTransparent(true);
  frame->Extensions().Add(std::move(gce));
  return image;
}

TEST(GIFFrameTest, RenderingGivesAnIndexedBitmapAndAMaskOfTheTransparentPixels) {
  auto image = Transparent2x2();
  TGIFSubImage* frame = image->Images().Items(0);
  const TBitmap& bmp = frame->Bitmap();
  ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(bmp.Pixel(1, 0), MakeColor(0, 255, 0));
  EXPECT_EQ(bmp.Index(1, 1), 3);
  ASSERT_TRUE(frame->HasMask());
  EXPECT_EQ(frame->Mask().Index(1, 1), 1);
  EXPECT_EQ(frame->Mask().Index(0, 1), 0);

  // Drawn twice the size onto grey: the transparent quarter stays grey.
  TBitmap target(4, 4);
  target.Fill(MakeColor(9, 9, 9));
  TCanvas canvas(target);
  frame->Draw(canvas, target.Bounds(), true, false);
  EXPECT_EQ(target.Pixel(0, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(target.Pixel(3, 1), MakeColor(0, 255, 0));
  EXPECT_EQ(target.Pixel(1, 3), MakeColor(0, 0, 255));
  EXPECT_EQ(target.Pixel(3, 3), MakeColor(9, 9, 9));
  // Opaque drawing shows the transparent colour; tiling repeats the frame at its own size.
  TBitmap tiled(5, 3);
  TCanvas tc(tiled);
  frame->Draw(tc, tiled.Bounds(), false, true);
  EXPECT_EQ(tiled.Pixel(1, 1), kClWhite);
  EXPECT_EQ(tiled.Pixel(2, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(tiled.Pixel(4, 2), MakeColor(255, 0, 0));

  // A transparent frame none of whose pixels has the transparent colour has no mask.
  frame->SetPixels(1, 1, 0);
  EXPECT_FALSE(frame->HasMask());
  EXPECT_THROW(frame->Pixels(2, 0), GIFException);
}

TEST(GIFFrameTest, DitheredRenderingStaysInsideTheCubeEvenForAWhiteTransparentColour) {
  auto image = Transparent2x2();
  image->DrawOptions = goDitherColors;  // dither on any screen
  TGIFSubImage* frame = image->Images().Items(0);
  const TBitmap& bmp = frame->Bitmap();
  EXPECT_EQ(bmp.Palette().Count(), 216);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_LT(bmp.Index(x, y), 216);
  EXPECT_EQ(bmp.Index(1, 1), 215);  // white's cube entry; never 216
  EXPECT_TRUE(frame->HasMask());
}

TEST(GIFFrameTest, FramesFromBitmapsOfEveryDepth) {
  TGIFImage image;
  // 1 bit: the palette and the bits come over as they are.
  TBitmap mono(10, 1, TPixelFormat::pf1bit);
  mono.SetIndex(9, 0, 1);
  TGIFSubImage one(&image);
  one.Assign(mono);
  EXPECT_EQ(one.ColorMap().Count(), 2);
  EXPECT_EQ(one.Pixels(9, 0), 1);
  EXPECT_EQ(one.Pixels(8, 0), 0);

  // 24 bits with 300 colours and no reduction: too many colours for one table.
  TBitmap many(300, 1, TPixelFormat::pf24bit);
  for (int x = 0; x < 300; ++x) many.SetPixel(x, 0, MakeColor(static_cast<uint8_t>(x), static_cast<uint8_t>(x / 256), 0));
  image.ColorReduction = 0;
  TGIFSubImage tooMany(&image);
  EXPECT_THROW(tooMany.Assign(many), GIFException);
  // With the default reduction (the 216-colour cube) it fits.
  image.ColorReduction = 6;
  TGIFSubImage reduced(&image);
  reduced.Assign(many);
  EXPECT_LE(reduced.ColorMap().Count(), 216);

  // A transparent bitmap: its transparent colour becomes the frame's transparent index.
  TBitmap key(3, 1, TPixelFormat::pf24bit);
  key.SetPixel(0, 0, kClMagenta);
  key.SetPixel(1, 0, MakeColor(1, 2, 3));
  key.SetPixel(2, 0, kClMagenta);
  key.SetTransparent(true);
  key.SetTransparentColor(kClMagenta);
  image.ColorReduction = 0;
  TGIFSubImage keyed(&image);
  keyed.Assign(key);
  ASSERT_TRUE(keyed.Transparent());
  EXPECT_EQ(keyed.Pixels(0, 0), keyed.TransparentIndex());
  EXPECT_NE(keyed.Pixels(1, 0), keyed.TransparentIndex());
  EXPECT_EQ(keyed.ColorMap().Colors(keyed.Pixels(1, 0)), MakeColor(1, 2, 3));

  // 256 colours all in use: no room for a transparent entry, the frame stays opaque.
  TBitmap full(256, 1, TPixelFormat::pf8bit);
  full.SetPalette(HalftonePalette());
  for (int x = 0; x < 256; ++x) full.SetIndex(x, 0, x);
  full.SetTransparent(true);
  TGIFSubImage opaque(&image);
  opaque.Assign(full);
  EXPECT_FALSE(opaque.Transparent());
  EXPECT_EQ(opaque.ColorMap().Count(), 256);

  // A copy of a frame carries its extensions and transparency.
  auto source = Transparent2x2();
  TGIFSubImage copy(source.get());
  copy.Assign(*source->Images().Items(0));
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentIndex(), 3);
  EXPECT_EQ(copy.Extensions().Count(), 1);
}

TEST(GIFFrameTest, FramesAboveTheSizeCapAreRefused) {
  TGIFImage image;
  TGIFSubImage frame(&image);
  frame.SetWidth(65535);
  EXPECT_THROW(frame.SetHeight(65535), GIFException);
  EXPECT_EQ(frame.Height(), 0);
  frame.SetHeight(4096);  // 2^28 - 4096 pixels: inside the cap
  EXPECT_EQ(frame.Data().size(), size_t{65535} * 4096);
}

// A new size promises pixels of 0 without allocating them: every way of reading them (pixels, data,
// saving, rendering, copying, cropping) must see those zeros, never what an earlier size left in
// the buffer, and the promise must not make the frame empty.
TEST(GIFFrameTest, ANewSizeReadsAsZeroPixelsEveryWay) {
  struct Case {
    const char* name;
    std::function<std::vector<uint8_t>(TGIFSubImage&)> read;
  };
  auto all = [](TGIFSubImage& f) { return std::vector<uint8_t>(f.Data().begin(), f.Data().end()); };
  const Case cases[] = {
      {"Data", all},
      {"Pixels", [](TGIFSubImage& f) {
         std::vector<uint8_t> v;
         for (int y = 0; y < f.Height(); ++y)
           for (int x = 0; x < f.Width(); ++x) v.push_back(f.Pixels(x, y));
         return v;
       }},
      {"saved and read back",
       [](TGIFSubImage& f) {
         TMemoryStream s;
         f.Image()->SaveToStream(s);
         s.SetPosition(0);
         TGIFImage back;
         back.LoadFromStream(s);
         const auto d = back.Images().Items(0)->Data();
         return std::vector<uint8_t>(d.begin(), d.end());
       }},
      {"rendered",
       [](TGIFSubImage& f) {
         const TBitmap& b = f.Bitmap();
         std::vector<uint8_t> v;
         for (int y = 0; y < b.Height(); ++y)
           for (int x = 0; x < b.Width(); ++x) v.push_back(static_cast<uint8_t>(b.Index(x, y)));
         return v;
       }},
      {"copied",
       [all](TGIFSubImage& f) {
         TGIFSubImage copy(f.Image());
         copy.Assign(f);
         return all(copy);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto image = giftest::OneFrame(3, 2, 2, {1, 2, 3, 3, 2, 1}, false);
    TGIFSubImage* frame = image->Images().Items(0);
    frame->SetWidth(2);  // the buffer keeps 1, 2, 3 ... until the zeros are due
    ASSERT_FALSE(frame->Empty());
    EXPECT_EQ(c.read(*frame), std::vector<uint8_t>(4, 0));
  }
  // Sizes set on a frame that never had pixels, then pixels that replace the promise.
  TGIFImage image;
  for (int i = 0; i < 4; ++i) image.Header().ColorMap().Add(MakeColor(static_cast<uint8_t>(i), 0, 0));
  TGIFSubImage frame(&image);
  frame.SetWidth(2);
  EXPECT_TRUE(frame.Empty());  // no height yet
  frame.SetHeight(1);
  EXPECT_FALSE(frame.Empty());
  frame.SetData(std::vector<uint8_t>{3, 1});
  EXPECT_EQ(frame.Pixels(0, 0), 3);
  EXPECT_EQ(frame.Pixels(1, 0), 1);
  frame.Clear();
  EXPECT_TRUE(frame.Empty());
  EXPECT_TRUE(frame.Data().empty());
}

}  // namespace
}  // namespace olv
