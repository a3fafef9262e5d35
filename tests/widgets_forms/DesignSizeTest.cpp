#include "widgets/forms/DesignSize.h"

#include <gtest/gtest.h>

using namespace olv;

namespace {

class DesignSizeTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = DesignSize(); }
  void TearDown() override { SetDesignSize(saved_); }
  TDesignSize saved_;
};

TEST_F(DesignSizeTest, StartTakesTheScreenAndNeverExceedsIt) {
  struct Case {
    TDesignSize before;
    int screenWidth, screenHeight;
    int width, height;
    bool fits;
  } cases[] = {
      {{0, 0}, 1920, 1080, 1920, 1080, false},
      {{0, 0}, 800, 600, 800, 600, true},
      {{1024, 768}, 800, 600, 800, 600, true},
      {{640, 0}, 800, 600, 640, 600, true},
      {{1024, 768}, 1280, 1024, 1024, 768, false},
  };
  for (const Case& c : cases) {
    SetDesignSize(c.before);
    InitDesignSize(c.screenWidth, c.screenHeight);
    EXPECT_EQ(DesignSize().width, c.width);
    EXPECT_EQ(DesignSize().height, c.height);
    EXPECT_EQ(FitsForms(), c.fits);
  }
}

TEST(DesignFit, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(1000, 800, 1024), 781);  // 781.25
  EXPECT_EQ(MulDiv(700, 600, 768), 547);    // 546.875
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);  // the product is taken in 64 bits
}

TEST(DesignFit, A1000x700FormOnAn800x600Screen) {
  const TFormFit fit = FitForm({800, 600}, 100, 50, true, 1000, 700);
  EXPECT_EQ(fit.clientWidth, 781);
  EXPECT_EQ(fit.clientHeight, 547);
  EXPECT_EQ(fit.left, 78);   // 100 * 800 / 1024 = 78.125
  EXPECT_EQ(fit.top, 39);    // 50 * 600 / 768 = 39.06
  EXPECT_EQ(fit.scaleNumerator, 800);
  EXPECT_EQ(fit.scaleDenominator, 1024);
  const TFormFit kept = FitForm({800, 600}, 100, 50, false, 1000, 700);
  EXPECT_EQ(kept.left, 100);
  EXPECT_EQ(kept.top, 50);
}

TEST(DesignFit, ScaledControlsThatTouchStillTouch) {
  const TRect a = ScaleRect({10, 10, 99, 21}, 800, 1024);
  const TRect b = ScaleRect({109, 10, 99, 21}, 800, 1024);
  EXPECT_EQ(a.left + a.width, b.left);
  EXPECT_EQ(a, (TRect{8, 8, 77, 16}));
  EXPECT_EQ(ScaleFontSize(9, 800, 1024), 7);
}

TEST(DesignFit, MoveToKeepsOnlyTheRightAndBottomEdgesOnScreen) {
  EXPECT_EQ(KeepOnScreen({900, 700}, 200, 100, 1024, 768), (TPoint{824, 668}));
  EXPECT_EQ(KeepOnScreen({-50, -20}, 200, 100, 1024, 768), (TPoint{-50, -20}));
  EXPECT_EQ(KeepOnScreen({10, 10}, 2000, 100, 1024, 768), (TPoint{-976, 10}));
}

TEST(DesignFit, ScreenSizeInTenthsOfAMillimetre) {
  EXPECT_EQ(TenthsOfMillimetre(1024, 96), 2709);  // 270.93 mm
  EXPECT_EQ(TenthsOfMillimetre(768, 96), 2032);
  EXPECT_EQ(TenthsOfMillimetre(768, 0), 0);
}

}  // namespace
