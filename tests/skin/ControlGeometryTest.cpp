#include "skin/ControlGeometry.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(ControlGeometryTest, ButtonFrameRules) {
  struct Case {
    bool enabled, focused, hot, pressed, down;
    int push, speed, combo, half;
  } cases[] = {
      {true, false, false, false, false, 1, 1, 1, 1},
      {true, true, false, false, false, 4, 4, 4, 1},
      {true, false, true, false, false, 4, 4, 4, 4},
      {true, true, false, true, false, 2, 2, 2, 2},   // pressed wins over focused
      {true, false, true, true, false, 2, 2, 4, 2},   // the combo box: hot comes last and wins
      {false, true, false, false, false, 3, 3, 4, 3},  // disabled wins, except over the combo's focus
      {false, false, false, true, true, 3, 3, 2, 3},
      {true, false, false, false, true, 1, 2, 1, 1},   // a speed button held down
  };
  for (const Case& c : cases) {
    const TControlState s{c.enabled, c.focused, c.hot, c.pressed, c.down};
    SCOPED_TRACE(testing::Message() << c.enabled << c.focused << c.hot << c.pressed << c.down);
    EXPECT_EQ(ButtonFrame(s, TFrameRule::PushButton), c.push);
    EXPECT_EQ(ButtonFrame(s, TFrameRule::SpeedButton), c.speed);
    EXPECT_EQ(ButtonFrame(s, TFrameRule::ComboBox), c.combo);
    EXPECT_EQ(ButtonFrame(s, TFrameRule::UpDownHalf), c.half);
  }
}

TEST(ControlGeometryTest, CheckFramesAndProgressFill) {
  EXPECT_EQ(CheckBoxFrame(false, false, true), 1);
  EXPECT_EQ(CheckBoxFrame(true, false, true), 2);
  EXPECT_EQ(CheckBoxFrame(false, false, false), 3);
  EXPECT_EQ(CheckBoxFrame(true, false, false), 4);
  EXPECT_EQ(CheckBoxFrame(false, true, true), 4);

  EXPECT_EQ(ProgressFill(100, 0, 100), 0);  // nothing filled at position 0
  EXPECT_EQ(ProgressFill(100, 1, 100), 1);
  EXPECT_EQ(ProgressFill(100, 50, 100), 50);
  EXPECT_EQ(ProgressFill(100, 150, 100), 100);
  EXPECT_EQ(ProgressFill(100, 5, 0), 0);  // an empty range divides by nothing
  EXPECT_EQ(ProgressFill(2000000, 2000000, 2000000), 2000000);  // no overflow
}

TEST(ControlGeometryTest, ScrollGeometryAndHitTest) {
  struct Case {
    int length;
    TScrollInfo info;
    int arrow, track, thumbStart, thumb;
  } cases[] = {
      // 200 long, arrows 16: a track of 168. Range 0..99, page 10: thumb 16, at the start.
      {200, {0, 99, 10, 0}, 16, 168, 16, 16},
      // At the last position (90 = range - page) the thumb ends at the track's end.
      {200, {0, 99, 10, 90}, 16, 168, 168, 16},
      {200, {0, 99, 10, 45}, 16, 168, 92, 16},
      // A small page gives the least thumb.
      {200, {0, 9999, 1, 0}, 16, 168, 16, 8},
      // No page: the system's thumb size.
      {200, {0, 99, 0, 99}, 16, 168, 170, 12},
      // The page covers the range: range - page is 0, the thumb fills the track and stays put.
      {200, {0, 9, 10, 5}, 16, 168, 16, 168},
      {200, {5, 5, 1, 5}, 16, 168, 16, 168},
      // An empty range (max below min).
      {200, {10, 0, 0, 3}, 16, 168, 16, 168},
      // Shorter than two arrows: each takes half, no track, no thumb.
      {20, {0, 99, 10, 50}, 10, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << ": " << c.info.min << ".." << c.info.max << " page "
                                    << c.info.page << " pos " << c.info.pos);
    const TScrollGeometry g = ScrollGeometry(c.length, 16, 8, 12, c.info);
    EXPECT_EQ(g.arrow, c.arrow);
    EXPECT_EQ(g.track, c.track);
    EXPECT_EQ(g.thumbStart, c.thumbStart);
    EXPECT_EQ(g.thumb, c.thumb);
  }

  const TScrollGeometry g = ScrollGeometry(200, 16, 8, 12, {0, 99, 10, 45});  // thumb 92..108
  EXPECT_EQ(ScrollHitTest(g, 200, -1), TScrollPart::None);
  EXPECT_EQ(ScrollHitTest(g, 200, 0), TScrollPart::LineUp);
  EXPECT_EQ(ScrollHitTest(g, 200, 15), TScrollPart::LineUp);
  EXPECT_EQ(ScrollHitTest(g, 200, 16), TScrollPart::PageUp);
  EXPECT_EQ(ScrollHitTest(g, 200, 91), TScrollPart::PageUp);
  EXPECT_EQ(ScrollHitTest(g, 200, 92), TScrollPart::Thumb);
  EXPECT_EQ(ScrollHitTest(g, 200, 107), TScrollPart::Thumb);
  EXPECT_EQ(ScrollHitTest(g, 200, 108), TScrollPart::PageDown);
  EXPECT_EQ(ScrollHitTest(g, 200, 183), TScrollPart::PageDown);
  EXPECT_EQ(ScrollHitTest(g, 200, 184), TScrollPart::LineDown);
  EXPECT_EQ(ScrollHitTest(g, 200, 200), TScrollPart::None);
  const TScrollGeometry tiny = ScrollGeometry(20, 16, 8, 12, {0, 99, 10, 50});
  EXPECT_EQ(ScrollHitTest(tiny, 20, 9), TScrollPart::LineUp);
  EXPECT_EQ(ScrollHitTest(tiny, 20, 10), TScrollPart::LineDown);

  // A Qt bar's last value is the last position; its page step makes the inclusive maximum.
  const TScrollInfo q = ScrollInfoFromRange(0, 90, 10, 90);
  EXPECT_EQ(q.max, 99);
  EXPECT_EQ(ScrollGeometry(200, 16, 8, 12, q).thumbStart, 168);
  EXPECT_EQ(ScrollInfoFromRange(0, 0, 0, 0).max, 0);
}

}  // namespace
}  // namespace skin
