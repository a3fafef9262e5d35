#include "skin/SkinDraw.h"

#include <gtest/gtest.h>

#include <vector>

#include "skin/ImgUtil.h"
#include "skin/SkinRegion.h"
#include "tools/skinkit/ProbePicture.h"

namespace skin {
namespace {

using olv::MakeColor;
using olv::TBitmap;
using olv::TCanvas;
using olv::TColor;
using olv::TPixelFormat;
using olv::TRect;
using skinkit::Probe;
using skinkit::ReadProbe;

enum Slice { TL, Top, TR, Left, Centre, Right, BL, Bottom, BR };

constexpr int kPic = 7;

// The Part's picture: 40 x 20, four frames side by side, margins 3 all round.
TBitmap FourFrames() {
  skinkit::ProbeLayout l;
  l.frameWidth = 10;
  l.frameHeight = 20;
  l.frames = 4;
  l.margins = {3, 3, 3, 3};
  return skinkit::PaintProbePicture(kPic, l);
}

Probe At(const TBitmap& b, int x, int y) {
  const auto p = ReadProbe(b.Pixel(x, y));
  EXPECT_TRUE(p) << "(" << x << ", " << y << ") holds no probe colour";
  return p.value_or(Probe{0, 0, 0});
}

struct Expect {
  int x, y, frame, slice;
};

void ExpectProbes(const TBitmap& b, std::initializer_list<Expect> expects) {
  for (const Expect& e : expects)
    EXPECT_EQ(At(b, e.x, e.y), (Probe{kPic, e.frame, e.slice})) << "at (" << e.x << ", " << e.y << ")";
}

TEST(SkinDrawTest, NineSlicesKeepCornersAndStretchEdgesAndCentre) {
  const TBitmap pic = FourFrames();
  EXPECT_EQ(SkinFrameRect(pic, 4, 2, false), (TRect{10, 0, 20, 20}));
  const TBitmap image = MakeSkinImage({0, 0, 100, 9}, pic, {3, 3, 3, 3}, false, false, 4, 2);
  ASSERT_EQ(image.Width(), 100);
  ASSERT_EQ(image.Height(), 9);
  ExpectProbes(image, {{0, 0, 2, TL},   {2, 2, 2, TL},     {3, 0, 2, Top},     {96, 2, 2, Top},
                       {97, 0, 2, TR},  {99, 2, 2, TR},    {0, 3, 2, Left},    {2, 5, 2, Left},
                       {3, 3, 2, Centre}, {96, 5, 2, Centre}, {97, 4, 2, Right}, {0, 6, 2, BL},
                       {50, 8, 2, Bottom}, {97, 6, 2, BR},  {99, 8, 2, BR}});
}

TEST(SkinDrawTest, MarginsThatDoNotFitAreDroppedAndTheFrameStretchedWhole) {
  const TBitmap image = MakeSkinImage({0, 0, 5, 5}, FourFrames(), {3, 3, 3, 3}, false, false, 4, 2);
  // Kept margins would make (1, 1) a corner pixel; stretched whole it samples the left edge.
  ExpectProbes(image, {{0, 0, 2, TL}, {1, 1, 2, Left}, {2, 2, 2, Centre}, {4, 4, 2, Right}});
  // Only the direction that does not fit loses its margins.
  const TBitmap wide = MakeSkinImage({0, 0, 40, 5}, FourFrames(), {3, 3, 3, 3}, false, false, 4, 1);
  ExpectProbes(wide, {{1, 1, 1, Left}, {38, 1, 1, Right}, {20, 2, 1, Centre}});
}

TEST(SkinDrawTest, DamagedCountsNumbersAndMarginsStayInsideThePicture) {
  const TBitmap pic = FourFrames();
  // Frame count 0 or less counts as 1: the whole strip is one frame.
  EXPECT_EQ(SkinFrameRect(pic, 0, 1, false), pic.Bounds());
  EXPECT_EQ(SkinFrameRect(pic, -3, 1, false), pic.Bounds());
  // Frame numbers are taken as the nearest frame.
  EXPECT_EQ(SkinFrameRect(pic, 4, 9, false), (TRect{30, 0, 40, 20}));
  EXPECT_EQ(SkinFrameRect(pic, 4, 0, false), (TRect{0, 0, 10, 20}));
  EXPECT_EQ(SkinFrameRect(pic, 4, 2, true), (TRect{0, 5, 40, 10}));
  // Margins wider than the frame or negative are clipped to it: left 10 (the frame's width), right
  // 0, top 0, bottom 20 (its height). The whole frame is then the bottom-left corner, 1:1.
  const TBitmap image = MakeSkinImage({0, 0, 60, 60}, pic, {50, -4, 50, 1000}, false, false, 4, 3);
  ExpectProbes(image, {{0, 40, 3, TL}, {9, 59, 3, BR}});
  EXPECT_EQ(image.Pixel(30, 30), olv::kClBlack);
  // An inverted destination draws nothing.
  TBitmap target(10, 10);
  target.Fill(olv::kClWhite);
  TCanvas canvas(target);
  DrawSkinImage(canvas, {8, 8, 2, 2}, pic, false, false, false, 4, 1, {3, 3, 3, 3});
  DrawSkinBar(canvas, {8, 0, 2, 5}, pic, false, false, 4, 1, {3, 3, 3, 3});
  DrawSkinFrame(canvas, {0, 8, 5, 2}, pic, false, 4, 1);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(target.Pixel(x, y), olv::kClWhite);
}

// A frame 3 + 6 + 3 wide whose centre columns differ: tiling shows where each copy starts.
TBitmap PatternedFrame() {
  TBitmap pic(12, 5);
  pic.Fill(MakeColor(1, 1, 1));
  for (int x = 3; x < 9; ++x)
    for (int y = 0; y < 5; ++y) pic.SetPixel(x, y, MakeColor(10, static_cast<uint8_t>(x - 3), 0));
  for (int y = 0; y < 5; ++y)
    for (int x = 9; x < 12; ++x) pic.SetPixel(x, y, MakeColor(20, 0, 0));
  return pic;
}

TColor Column(int i) { return MakeColor(10, static_cast<uint8_t>(i), 0); }

TEST(SkinDrawTest, TiledCentreRepeatsAndTheRightSliceCoversTheOverhang) {
  // A 16-pixel gap takes three tiles (x 3, 9, 15); the third runs past it under the right slice.
  const TBitmap image = MakeSkinImage({0, 0, 22, 5}, PatternedFrame(), {3, 1, 3, 1}, false, true, 1, 1);
  EXPECT_EQ(image.Pixel(3, 2), Column(0));
  EXPECT_EQ(image.Pixel(8, 2), Column(5));
  EXPECT_EQ(image.Pixel(9, 2), Column(0));
  EXPECT_EQ(image.Pixel(15, 2), Column(0));
  EXPECT_EQ(image.Pixel(18, 2), Column(3));
  EXPECT_EQ(image.Pixel(19, 2), MakeColor(20, 0, 0));
  // Stretched instead, the centre's columns spread over the gap.
  const TBitmap stretched = MakeSkinImage({0, 0, 22, 5}, PatternedFrame(), {3, 1, 3, 1}, false, false, 1, 1);
  EXPECT_EQ(stretched.Pixel(9, 2), Column(2));
  EXPECT_EQ(stretched.Pixel(18, 2), Column(5));

  // TileImage itself does not cut the last copies at the destination.
  TBitmap target(20, 4);
  TCanvas canvas(target);
  TileImage(canvas, {0, 0, 10, 2}, PatternedFrame(), {3, 0, 7, 5});
  EXPECT_EQ(target.Pixel(9, 0), Column(1));
  EXPECT_EQ(target.Pixel(11, 3), Column(3));
  EXPECT_EQ(target.Pixel(12, 0), olv::kClBlack);
  TileImage(canvas, {0, 0, 10, 2}, PatternedFrame(), {3, 0, 3, 5});  // no area: nothing
}

TEST(SkinDrawTest, BarsRepeatTheirMiddle) {
  TBitmap target(20, 6);
  TCanvas canvas(target);
  DrawSkinBar(canvas, {0, 0, 20, 6}, PatternedFrame(), false, false, 1, 1, {3, 0, 3, 0});
  // Copies at 3, 9, 15; the right part 17..19 is drawn last.
  EXPECT_EQ(target.Pixel(0, 5), MakeColor(1, 1, 1));
  EXPECT_EQ(target.Pixel(9, 5), Column(0));
  EXPECT_EQ(target.Pixel(14, 0), Column(5));
  EXPECT_EQ(target.Pixel(16, 0), Column(1));
  EXPECT_EQ(target.Pixel(17, 0), MakeColor(20, 0, 0));
  // A middle of no width draws no middle.
  TBitmap narrow(20, 6);
  narrow.Fill(olv::kClWhite);
  TCanvas c2(narrow);
  DrawSkinBar(c2, {0, 0, 20, 6}, PatternedFrame(), false, false, 1, 1, {6, 0, 6, 0});
  EXPECT_EQ(narrow.Pixel(10, 2), olv::kClBlack);  // the bar's own background, not a middle copy
}

TEST(SkinDrawTest, TransparentDrawingKeepsTheTargetUnderMagenta) {
  skinkit::ProbeLayout l;
  l.frameWidth = 8;
  l.frameHeight = 8;
  l.frames = 2;
  l.margins = {2, 2, 2, 2};
  l.magentaCorner = true;
  const TBitmap pic = skinkit::PaintProbePicture(kPic, l);
  TBitmap target(20, 20);
  target.Fill(olv::kClWhite);
  TCanvas canvas(target);
  DrawSkinImage(canvas, {4, 4, 12, 12}, pic, false, false, true, 2, 2, l.margins);
  EXPECT_EQ(target.Pixel(4, 4), olv::kClWhite);
  EXPECT_EQ(ReadProbe(target.Pixel(5, 4)), (Probe{kPic, 2, TL}));
  EXPECT_EQ(target.Pixel(3, 3), olv::kClWhite);
  // Opaque, magenta is drawn like any colour.
  DrawSkinImage(canvas, {4, 4, 12, 12}, pic, false, false, false, 2, 2, l.margins);
  EXPECT_EQ(target.Pixel(4, 4), olv::kClMagenta);

  // A frame stretched whole, transparent.
  target.Fill(olv::kClWhite);
  DrawSkinFrame(canvas, {0, 0, 16, 16}, pic, true, 2, 1);
  EXPECT_EQ(target.Pixel(1, 1), olv::kClWhite);
  EXPECT_EQ(ReadProbe(target.Pixel(15, 15)), (Probe{kPic, 1, BR}));
}

TEST(SkinDrawTest, BorderLeavesTheCentreAlone) {
  TBitmap target(30, 30);
  target.Fill(olv::kClWhite);
  TCanvas canvas(target);
  DrawSkinBorder(canvas, {5, 5, 25, 25}, FourFrames(), false, 4, 4, {3, 3, 3, 3});
  EXPECT_EQ(ReadProbe(target.Pixel(5, 5)), (Probe{kPic, 4, TL}));
  EXPECT_EQ(ReadProbe(target.Pixel(15, 6)), (Probe{kPic, 4, Top}));
  EXPECT_EQ(ReadProbe(target.Pixel(24, 24)), (Probe{kPic, 4, BR}));
  EXPECT_EQ(target.Pixel(15, 15), olv::kClWhite);
  EXPECT_EQ(target.Pixel(4, 4), olv::kClWhite);
}

TEST(SkinDrawTest, RegionsHoldTheOpaquePixelsRowByRow) {
  TBitmap pic(6, 3);
  pic.Fill(MakeColor(9, 9, 9));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) pic.SetPixel(x, y, olv::kClMagenta);
  pic.SetPixel(4, 1, MakeColor(255, 1, 255));  // within the tolerance: transparent
  pic.SetPixel(5, 2, MakeColor(255, 2, 255));  // beyond it: opaque
  const TSkinRegion region = BitmapToRegion(pic, 10, 20, 1, 1, 1, olv::kClMagenta);
  const std::vector<TRect> expected = {{13, 20, 16, 21}, {13, 21, 14, 22}, {15, 21, 16, 22}, {13, 22, 16, 23}};
  EXPECT_EQ(region.Rects(), expected);
  EXPECT_TRUE(region.Contains(15, 22));
  EXPECT_FALSE(region.Contains(14, 21));
  // A picture without opaque pixels has an empty outline.
  TBitmap clear(4, 4);
  clear.Fill(olv::kClMagenta);
  EXPECT_TRUE(BitmapToRegion(clear, 0, 0, 1, 1, 1, olv::kClMagenta).Empty());
}

TColor C(int i) { return MakeColor(static_cast<uint8_t>(i), 0, 0); }

std::vector<TColor> Pixels(const TBitmap& b) {
  std::vector<TColor> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out.push_back(b.Pixel(x, y));
  return out;
}

TEST(SkinDrawTest, PicturesMirrorFlipTransposeAndRotateInOneFormat) {
  // a b c / d e f in three formats: the result is the same 32-bit picture whatever came in.
  for (TPixelFormat format : {TPixelFormat::pf32bit, TPixelFormat::pf24bit, TPixelFormat::pf8bit}) {
    SCOPED_TRACE(olv::BitsOf(format));
    TBitmap base(3, 2, TPixelFormat::pf32bit);
    for (int i = 0; i < 6; ++i) base.SetPixel(i % 3, i / 3, C(51 * i));
    const TColor a = C(0), b = C(51), c = C(102), d = C(153), e = C(204), f = C(255);
    base.SetPixelFormat(format);

    TBitmap m = base, fl = base, t = base, r = base;
    MirrorBitmap(m);
    FlipBitmap(fl);
    TransposeBitmap(t);
    RotateBitmap(r);
    for (const TBitmap* out : {&m, &fl, &t, &r}) EXPECT_EQ(out->PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(Pixels(m), (std::vector<TColor>{c, b, a, f, e, d}));
    EXPECT_EQ(Pixels(fl), (std::vector<TColor>{d, e, f, a, b, c}));
    ASSERT_EQ(t.Width(), 2);
    EXPECT_EQ(Pixels(t), (std::vector<TColor>{a, d, b, e, c, f}));
    ASSERT_EQ(r.Height(), 3);
    EXPECT_EQ(Pixels(r), (std::vector<TColor>{d, a, e, b, f, c}));
  }
  TBitmap empty;
  MirrorBitmap(empty);
  FlipBitmap(empty);
  TransposeBitmap(empty);
  RotateBitmap(empty);
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace skin
