// The optimiser: its output, read back by giflib, shows what its input shows, frame after frame
// and for as long; and the model-level results of cropping, merging and cleaning up.
#include <gtest/gtest.h>

#include "GifAnimations.h"
#include "widgets/gif/GIFException.h"

namespace olv {
namespace {

using giftest::FrameSpec;
using giftest::Solid;

const std::vector<TColor> kColors = {MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255), kClWhite,
                                     MakeColor(9, 9, 9)};

FrameSpec Pixels(int left, int top, int width, int height, std::vector<uint8_t> pixels, int disposal, int delay,
                 int transparent = -1) {
  FrameSpec f;
  f.left = left, f.top = top, f.width = width, f.height = height;
  f.pixels = std::move(pixels);
  f.disposal = disposal, f.delay = delay, f.transparent = transparent;
  return f;
}

// The picture before and after Optimize, both read by giflib.
struct Optimized {
  giftest::PeerPicture before, after;
};

Optimized OptimizeBoth(TGIFImage& image, uint8_t options = ooAll) {
  Optimized r;
  auto before = giftest::GiflibDecode(giftest::SaveToBytes(image));
  image.Optimize(options, 0, 0, 8);
  auto after = giftest::GiflibDecode(giftest::SaveToBytes(image));
  EXPECT_TRUE(before && after);
  if (before) r.before = *before;
  if (after) r.after = *after;
  return r;
}

void ExpectSameShow(const Optimized& r) {
  EXPECT_EQ(r.after.loops, r.before.loops);
  const auto a = giftest::Timeline(r.before);
  const auto b = giftest::Timeline(r.after);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a[i].screen, b[i].screen);
    EXPECT_EQ(a[i].delay, b[i].delay);
  }
}

TEST(GIFOptimizeTest, OutputShowsTheSameFramesForAsLong) {
  const int W = 10, H = 8;
  std::vector<uint8_t> busy(W * H);
  for (int i = 0; i < W * H; ++i) busy[static_cast<size_t>(i)] = static_cast<uint8_t>((i / 3) % 3);
  std::vector<uint8_t> busy2 = busy;
  busy2[17] = 3;
  busy2[18] = 3;
  busy2[61] = 0;
  FrameSpec local = Solid(2, 2, 5, 4, 1, 1, 6);
  local.local = {MakeColor(1, 2, 3), kColors[0], MakeColor(7, 7, 7)};  // index 1 is red, as the global 0
  const std::vector<std::vector<FrameSpec>> cases = {
      // Repeated frames with small changes, keep disposal.
      {Pixels(0, 0, W, H, busy, 1, 10), Pixels(0, 0, W, H, busy2, 1, 10), Pixels(0, 0, W, H, busy, 1, 10),
       Pixels(0, 0, W, H, busy, 1, 7)},
      // Background and previous disposal, frames inside frames, a frame with its own table.
      {Pixels(0, 0, W, H, busy, 1, 10), Solid(1, 1, 4, 4, 2, 2, 8), Solid(0, 0, W, H, 3, 1, 5),
       Solid(3, 2, 4, 4, 0, 3, 9), Solid(3, 2, 4, 4, 0, 1, 4), local},
      // Transparent frames; one that repeats everything below it; an opaque frame covering a
      // disposed one.
      {Solid(0, 0, W, H, 0, 1, 10), Pixels(0, 0, 3, 2, {4, 1, 4, 4, 0, 4}, 1, 10, 4),
       Pixels(2, 2, 2, 2, {0, 0, 0, 0}, 1, 12, 4), Solid(0, 0, 4, 4, 2, 2, 5), Solid(0, 0, W, H, 1, 1, 5)},
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    SCOPED_TRACE(c);
    auto image = giftest::MakeAnimation(W, H, kColors, cases[c], 0);
    ExpectSameShow(OptimizeBoth(*image));
  }
}

TEST(GIFOptimizeTest, ASecondFrameRepeatingAllButOnePixelBecomesThatPixel) {
  std::vector<uint8_t> a(36, 0), b(36, 0);
  b[2 * 6 + 4] = 2;
  auto image = giftest::MakeAnimation(6, 6, kColors, {Pixels(0, 0, 6, 6, a, 1, 10), Pixels(0, 0, 6, 6, b, 1, 10)}, 0);
  const Optimized r = OptimizeBoth(*image, ooMerge | ooCrop);
  ExpectSameShow(r);
  ASSERT_EQ(r.after.frames.size(), 2u);
  const auto& second = r.after.frames[1];
  EXPECT_EQ(second.left, 4);
  EXPECT_EQ(second.top, 2);
  EXPECT_EQ(second.width, 1);
  EXPECT_EQ(second.height, 1);
}

// Mended: a frame that becomes empty used to be cleared with its extensions, losing frame 0's
// looping extension, and its delay was lost unless the frame before was transparent.
TEST(GIFOptimizeTest, EmptiedFramesKeepTheLoopingExtensionAndTheirTime) {
  std::vector<uint8_t> clear(16, 4);
  auto image = giftest::MakeAnimation(
      4, 4, kColors,
      {Pixels(0, 0, 4, 4, clear, 1, 20, 4), Solid(0, 0, 4, 4, 1, 1, 10), Solid(0, 0, 4, 4, 1, 1, 30),
       Solid(0, 0, 4, 4, 2, 1, 10)},
      0);
  const Optimized r = OptimizeBoth(*image);
  EXPECT_EQ(r.after.loops, 0);
  ExpectSameShow(r);
  // The repeated frame is gone, its 30 added to the frame before.
  ASSERT_EQ(r.after.frames.size(), 3u);
  EXPECT_EQ(r.after.frames[1].delay, 40);
}

// Mended: merging used to borrow another frame's transparent index even where this frame shows
// that index as a colour.
TEST(GIFOptimizeTest, MergeBorrowsOnlyAnIndexTheFrameNeverShows) {
  // Frame 0 is transparent through index 3 (white); frame 1 repeats its red and shows white once.
  std::vector<uint8_t> first(16, 0), second(16, 0);
  first[5] = 3;
  second[10] = 3;
  auto image = giftest::MakeAnimation(4, 4, kColors,
                                      {Pixels(0, 0, 4, 4, first, 1, 10, 3), Pixels(0, 0, 4, 4, second, 1, 10)}, 0);
  const Optimized r = OptimizeBoth(*image, ooMerge);
  ExpectSameShow(r);
  ASSERT_EQ(r.after.frames.size(), 2u);
  EXPECT_NE(r.after.frames[1].transparent, 3);
  EXPECT_GE(r.after.frames[1].transparent, 0);

  // An index the frame never uses is borrowed, and the table stays as it was.
  second[10] = 1;
  auto unused = giftest::MakeAnimation(4, 4, kColors,
                                       {Pixels(0, 0, 4, 4, first, 1, 10, 3), Pixels(0, 0, 4, 4, second, 1, 10)}, 0);
  const Optimized u = OptimizeBoth(*unused, ooMerge);
  ExpectSameShow(u);
  EXPECT_EQ(u.after.frames[1].transparent, 3);
  EXPECT_EQ(unused->Header().ColorMap().Count(), static_cast<int>(kColors.size()));
}

TEST(GIFOptimizeTest, CleanupKeepsTheLoopOfAnAnimationAndDropsNeedlessExtensions) {
  auto anim = giftest::MakeAnimation(4, 4, kColors, {Solid(0, 0, 4, 4, 0, 1, 10), Solid(0, 0, 4, 4, 1, 1, 10)}, 0);
  auto comment = std::make_unique<TGIFCommentExtension>(anim->Images().Items(1));
  comment->Text = {"made here"};
  anim->Images().Items(1)->Extensions().Add(std::move(comment));
  anim->Optimize(ooCleanup, 0, 0, 8);
  EXPECT_TRUE(anim->Images().Items(0)->HasLoopExtension());
  EXPECT_EQ(anim->Images().Items(1)->Extensions().Count(), 1);  // the delay's extension only

  // One frame: the graphic control extension goes unless it is transparent or waits for input.
  for (const auto& [transparent, input, kept] :
       std::vector<std::tuple<int, bool, bool>>{{-1, false, false}, {0, false, true}, {-1, true, true}}) {
    FrameSpec f = Pixels(0, 0, 2, 1, {0, 1}, 2, 50, transparent);
    f.userInput = input;
    auto still = giftest::MakeAnimation(2, 1, kColors, {f}, 0);
    still->Optimize(ooCleanup, 0, 0, 8);
    EXPECT_EQ(still->Images().Items(0)->GraphicControlExtension() != nullptr, kept);
    EXPECT_FALSE(still->Images().Items(0)->HasLoopExtension());
  }

  // The given-palette method is refused without clean-up.
  EXPECT_THROW(anim->Optimize(ooReduceColors, 9, 0, 8), GIFException);
  EXPECT_NO_THROW(anim->Optimize(ooReduceColors | ooCleanup, 9, 0, 8));
}

TEST(GIFOptimizeTest, WritingOptimisesOnlyWhenAsked) {
  std::vector<uint8_t> a(36, 0), b(36, 0);
  b[7] = 1;
  auto image = giftest::MakeAnimation(6, 6, kColors, {Pixels(0, 0, 6, 6, a, 1, 10), Pixels(0, 0, 6, 6, b, 1, 10)}, 0);
  TMemoryStream plain;
  image->WriteData(plain);
  EXPECT_EQ(plain.Bytes(), giftest::SaveToBytes(*image));
  TGIFImage::OptimizeOnWrite = true;
  TMemoryStream optimized;
  image->WriteData(optimized);
  TGIFImage::OptimizeOnWrite = false;
  EXPECT_LT(optimized.Bytes().size(), plain.Bytes().size());
  EXPECT_EQ(image->Images().Items(1)->Width(), 1);
}

}  // namespace
}  // namespace olv
