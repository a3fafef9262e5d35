// Animated GIF pictures on a text browser's page: our painter's frames reach the page's document
// as they are painted, timed by an injected clock; and the Qt clock's timers run on the loop.
#include "widgets/qt/QtPageAnimations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

#include "widgets/gif/GIFExtensions.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/qt/QtAnimationClock.h"

namespace olv {
namespace {

const TColor kRed = MakeColor(255, 0, 0), kBlue = MakeColor(0, 0, 255);

// Two full frames, red then blue, 25 units each, looping for ever.
void WriteBlinker(const std::string& path) {
  TGIFImage image;
  image.Header().Width = 6;
  image.Header().Height = 4;
  image.Header().ColorMap().Add(kRed);
  image.Header().ColorMap().Add(kBlue);
  for (uint8_t index : {0, 1}) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->SetWidth(6);
    frame->SetHeight(4);
    frame->SetData(std::vector<uint8_t>(24, index));
    if (index == 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(frame.get());
      frame->Extensions().Add(std::move(loop));
    }
    auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
    gce->SetDisposal(DisposalKeep);
    gce->SetDelay(25);
    frame->Extensions().Add(std::move(gce));
    image.Images().Add(std::move(frame));
  }
  image.SaveToFile(path);
}

QRgb Shown(QTextBrowser& view, const std::string& src) {
  const QVariant v = view.document()->resource(QTextDocument::ImageResource, QUrl(QString::fromStdString(src)));
  const QImage img = v.value<QImage>();
  return img.isNull() ? 0 : img.pixel(1, 1);
}

TEST(QtPageAnimationsTest, PaintedFramesBecomeThePagesPictureAsTheClockRuns) {
  QTemporaryDir dir;
  const std::string file = dir.filePath("blink.gif").toStdString();
  WriteBlinker(file);
  QTextBrowser view;
  view.setHtml(QString::fromStdString("<p><img src=\"" + file + "\" width=\"60\" height=\"40\"></p>"));
  ManualAnimationClock clock;
  QtPageAnimations animations(&view, &clock);
  ASSERT_TRUE(animations.Play(file, file));
  EXPECT_EQ(Shown(view, file), qRgb(255, 0, 0));
  clock.Advance(299);
  EXPECT_EQ(Shown(view, file), qRgb(255, 0, 0));
  clock.Advance(1);
  EXPECT_EQ(Shown(view, file), qRgb(0, 0, 255));
  EXPECT_EQ(animations.Frame(file).pixel(0, 0), qRgb(0, 0, 255));
  clock.Advance(300);
  EXPECT_EQ(Shown(view, file), qRgb(255, 0, 0));

  // A rewritten page gets the frame now shown back; a second Play of the same picture is the same.
  view.setHtml(QString::fromStdString("<img src=\"" + file + "\">"));
  animations.Refresh();
  EXPECT_EQ(Shown(view, file), qRgb(255, 0, 0));
  const int shown = animations.FramesShown();
  EXPECT_TRUE(animations.Play(file, file));
  EXPECT_EQ(animations.FramesShown(), shown);

  // Cleared: the clock runs on and nothing changes any more.
  animations.Clear();
  EXPECT_FALSE(animations.Playing(file));
  clock.Advance(1000);
  EXPECT_EQ(animations.FramesShown(), shown);
  EXPECT_EQ(clock.Pending(), 0);

  EXPECT_FALSE(animations.Play("missing", dir.filePath("missing.gif").toStdString()));
}

TEST(QtPageAnimationsTest, TheQtClockRunsScheduledCallsOnTheLoopAndForgetsCancelledOnes) {
  QtAnimationClock clock;
  int ran = 0;
  clock.Schedule(0, [&] { ++ran; });
  const uint64_t cancelled = clock.Schedule(0, [&] { ran += 10; });
  clock.Cancel(cancelled);
  for (int i = 0; i < 5 && ran == 0; ++i) QApplication::processEvents();
  EXPECT_EQ(ran, 1);
  EXPECT_GE(clock.NowMs(), 0);
}

}  // namespace
}  // namespace olv
