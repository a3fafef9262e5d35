// The animation painter: frame timing against an injected clock, loops, speed, one painter per
// drawing target, and the disposal methods compared with ImageMagick's composition of the frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "GifAnimations.h"
#include "widgets/gif/GIFPainter.h"

namespace olv {
namespace {

using giftest::FrameSpec;
using giftest::Solid;

const std::vector<TColor> kColors = {MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255),
                                     MakeColor(255, 255, 0), MakeColor(40, 40, 40), kClWhite};

// Full-screen frames of the colours 0, 1, 2 ... with these delays (keep disposal).
std::unique_ptr<TGIFImage> Strip(const std::vector<int>& delays, int loops = -1) {
  std::vector<FrameSpec> frames;
  for (size_t i = 0; i < delays.size(); ++i)
    frames.push_back(Solid(0, 0, 4, 4, static_cast<uint8_t>(i % kColors.size()), 1, delays[i]));
  return giftest::MakeAnimation(4, 4, kColors, frames, loops);
}

class PainterTest : public testing::Test {
 protected:
  // Draws the picture on the test's target with the manual clock; paints are logged as (time,
  // frame).
  void Start(TGIFImage& image) {
    image.Clock = &clock;
    image.OnPaint = [this](TGIFPainter& p) { paints.emplace_back(clock.NowMs(), p.ActiveImage); };
    TCanvas canvas(target);
    image.Draw(canvas, target.Bounds());
  }
  // Paint times from the first paint.
  std::vector<int64_t> Times() const {
    std::vector<int64_t> t;
    for (const auto& p : paints) t.push_back(p.first - paints.front().first);
    return t;
  }

  ManualAnimationClock clock;
  TBitmap target{4, 4};
  std::vector<std::pair<int64_t, int>> paints;
};

TEST_F(PainterTest, DelaysAreTwelveMillisecondUnitsWithDefaultAndMinimumAndScaleWithSpeed) {
  // Delay 25 waits 300 ms, 0 plays as 10 units (120 ms), 1 is raised to 3 units (36 ms).
  for (const auto& [speed, expected] : std::vector<std::pair<int, std::vector<int64_t>>>{
           {100, {0, 300, 420, 456}}, {200, {0, 150, 210, 228}}, {50, {0, 600, 840, 912}}}) {
    SCOPED_TRACE(speed);
    paints.clear();
    auto image = Strip({25, 0, 1, 7});
    image->AnimationSpeed = speed;
    Start(*image);
    // The first frame is painted inside Draw, and the target shows it.
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(target.Pixel(0, 0), kColors[0]);
    clock.Advance(5000);
    EXPECT_EQ(Times(), expected);
    EXPECT_EQ(image->PainterCount(), 0);  // no looping extension: one pass
  }
}

TEST_F(PainterTest, LateFramesMakeUpHalfTheirDelayOnTheNextWait) {
  auto image = Strip({10, 10, 10});
  // Painting frame 1 takes 40 ms: the next wait is 20 ms shorter than its 120 ms.
  image->OnAfterPaint = [this](TGIFPainter& p) {
    if (p.ActiveImage == 1) clock.Sleep(40);
  };
  Start(*image);
  clock.Advance(1000);
  EXPECT_EQ(Times(), (std::vector<int64_t>{0, 120, 260}));
}

TEST_F(PainterTest, LoopsFollowTheLoopingExtensionAndEndlessNeedsTheTimer) {
  // Loop count 2: two passes; then the painter ends and leaves the picture's list.
  auto twice = Strip({5, 5}, 2);
  Start(*twice);
  clock.Advance(100000);
  EXPECT_EQ(paints.size(), 4u);
  EXPECT_EQ(twice->PainterCount(), 0);

  // Loop count 0 with the timer: endless.
  paints.clear();
  auto endless = Strip({5, 5}, 0);
  Start(*endless);
  clock.Advance(60 * 2 * 20);
  EXPECT_GT(paints.size(), 30u);
  EXPECT_EQ(endless->PainterCount(), 1);
  ASSERT_TRUE(endless->DrawPainter());
  endless->DrawPainter()->Stop();
  EXPECT_EQ(endless->PainterCount(), 0);

  // The same file without the timer plays once, inside Draw, sleeping through the clock.
  paints.clear();
  auto once = Strip({5, 5, 5}, 0);
  once->DrawOptions &= static_cast<uint16_t>(~goDrawInThread);
  const int64_t before = clock.NowMs();
  Start(*once);
  EXPECT_EQ(paints.size(), 3u);
  EXPECT_EQ(once->PainterCount(), 0);
  // It waits 1 unit before the first frame, then the delay of each frame but the last.
  EXPECT_EQ(clock.NowMs() - before, 12 + 60 + 60);
}

TEST_F(PainterTest, SpeedZeroFreezesTheFrameUntilStopped) {
  auto image = Strip({5, 5, 5}, 0);
  image->AnimationSpeed = 0;
  Start(*image);
  clock.Advance(1000000);
  EXPECT_EQ(paints.size(), 1u);
  EXPECT_EQ(clock.Pending(), 0);
  auto painter = image->DrawPainter();
  ASSERT_TRUE(painter);
  EXPECT_FALSE(painter->Finished());
  painter->Stop();
  EXPECT_TRUE(painter->Finished());
  EXPECT_EQ(painter->ActiveImage, -1);
  EXPECT_EQ(image->PainterCount(), 0);
}

TEST_F(PainterTest, ASecondDrawOnTheSameTargetStartsNoSecondPainter) {
  auto image = Strip({5, 5, 5}, 0);
  int changes = 0;
  image->OnChange = [&](TGIFImage&) { ++changes; };
  Start(*image);
  TCanvas canvas(target);
  image->Draw(canvas, target.Bounds());
  EXPECT_EQ(image->PainterCount(), 1);
  // Each painted frame is reported; the next Draw shows it from the cached bitmap.
  clock.Advance(60);
  EXPECT_EQ(changes, 2);
  image->Draw(canvas, target.Bounds());
  EXPECT_EQ(target.Pixel(3, 3), kColors[1]);
  EXPECT_EQ(image->PainterCount(), 1);

  // Painting straight onto the target: the same rectangle again is the same painter, another
  // rectangle replaces it.
  image->DrawOptions |= goDrawDirect;
  image->Draw(canvas, target.Bounds());
  auto direct = image->DrawPainter();
  image->Draw(canvas, target.Bounds());
  EXPECT_EQ(image->DrawPainter(), direct);
  EXPECT_EQ(image->PainterCount(), 1);
  image->Draw(canvas, MakeRect(0, 0, 2, 2));
  EXPECT_NE(image->DrawPainter(), direct);
  EXPECT_TRUE(direct->Finished());
  EXPECT_EQ(image->PainterCount(), 1);

  // A one-frame picture is drawn once, without a painter.
  auto still = Strip({5});
  still->Clock = &clock;
  still->Draw(canvas, target.Bounds());
  EXPECT_EQ(still->PainterCount(), 0);
  EXPECT_EQ(clock.Pending(), 1);  // only the other picture's painter waits
}

TEST_F(PainterTest, APictureGoingAwayEndsItsPainters) {
  auto image = Strip({5, 5}, 0);
  Start(*image);
  auto painter = image->DrawPainter();
  image.reset();
  EXPECT_TRUE(painter->Finished());
  EXPECT_EQ(painter->Image(), nullptr);
  clock.Advance(1000);  // nothing scheduled runs into the freed picture
  EXPECT_EQ(paints.size(), 1u);
}

TEST_F(PainterTest, AnErrorInATimedPainterEndsThatPainterOnly) {
  auto image = Strip({5, 5, 5}, 0);
  image->OnAfterPaint = [](TGIFPainter& p) {
    if (p.ActiveImage == 1) throw std::runtime_error("broken handler");
  };
  Start(*image);
  auto painter = image->DrawPainter();
  clock.Advance(1000);
  EXPECT_TRUE(painter->Finished());
  EXPECT_TRUE(painter->Error());
  EXPECT_EQ(image->PainterCount(), 0);
}

// ---- disposal against ImageMagick ----

class CoalesceTest : public testing::Test {
 protected:
  void SetUp() override {
    if (giftest::ConvertProgram().empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  }
};

TEST_F(CoalesceTest, OpaqueAnimationsComposeAsImageMagickCoalescesThem) {
  const int W = 12, H = 9;
  FrameSpec stripes;
  stripes.width = 6, stripes.height = 4, stripes.left = 5, stripes.top = 4;
  for (int i = 0; i < 24; ++i) stripes.pixels.push_back(static_cast<uint8_t>(i % 3));
  stripes.disposal = 3, stripes.delay = 4;
  const std::vector<std::vector<FrameSpec>> cases = {
      // Keep, then background, previous after background, previous after keep.
      {Solid(0, 0, W, H, 0, 1, 5), Solid(2, 2, 4, 3, 1, 2, 5), Solid(6, 1, 5, 5, 2, 3, 5), Solid(1, 5, 3, 3, 3, 3, 5),
       Solid(4, 0, 3, 9, 4, 1, 5), stripes, Solid(0, 0, 2, 2, 1, 0, 5)},
      // A first frame smaller than the screen and disposed to the background, then previous.
      {Solid(3, 3, 4, 4, 1, 2, 5), Solid(0, 0, 5, 5, 2, 3, 5), Solid(5, 2, 7, 7, 3, 2, 5), Solid(1, 1, 2, 2, 0, 1, 5)},
      // Frames without a graphic control extension keep what they show.
      {Solid(0, 0, 6, 9, 3, -1, 0), Solid(6, 0, 6, 9, 2, -1, 0), Solid(4, 4, 4, 4, 0, 2, 5), Solid(0, 0, 1, 1, 5, 1, 5)},
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    SCOPED_TRACE(c);
    auto image = giftest::MakeAnimation(W, H, kColors, cases[c], 0, 4);
    const std::string file = giftest::TempPath("coalesce" + std::to_string(c) + ".gif");
    giftest::WriteFile(file, giftest::SaveToBytes(*image));
    const std::string frames = giftest::TempPath("coalesce" + std::to_string(c) + "_%d.ppm");
    ASSERT_TRUE(giftest::RunConvert(file + " -coalesce -background 'rgb(40,40,40)' -alpha remove -alpha off +adjoin " +
                                    frames));
    std::remove(file.c_str());

    // Our painter, opaque drawing: disposed areas take the background colour (index 4).
    ManualAnimationClock clock;
    image->Clock = &clock;
    TBitmap dest(W, H);
    dest.Fill(kColors[4]);
    std::vector<giftest::Screen> ours;
    image->OnAfterPaint = [&](TGIFPainter& p) { ours.push_back(giftest::ScreenOf(p.Destination())); };
    auto painter = image->CreatePainter(dest, dest.Bounds(), goDrawInThread | goDrawAnimated);
    clock.Advance(2000);
    painter->Stop();
    ASSERT_GE(ours.size(), cases[c].size());
    for (size_t i = 0; i < cases[c].size(); ++i) {
      SCOPED_TRACE(i);
      char name[512];
      std::snprintf(name, sizeof name, frames.c_str(), static_cast<int>(i));
      int w = 0, h = 0;
      const giftest::Screen theirs = giftest::ReadPpm(name, w, h);
      std::remove(name);
      ASSERT_EQ(w, W);
      ASSERT_EQ(h, H);
      EXPECT_EQ(ours[i], theirs);
    }
  }
}

}  // namespace
}  // namespace olv
