#include "skin/CaptionLayout.h"

#include <gtest/gtest.h>

#include <memory>

namespace skin {
namespace {

using olv::TRect;
using S = TWindowState;

std::unique_ptr<TDataSkinSysButton> Button(int action, int align, int x, int y, int vis, int vis1, int w = 64,
                                           int h = 16, int frames = 4) {
  auto b = std::make_unique<TDataSkinSysButton>("B");
  b->Action = action;
  b->Align = align;
  b->Xcoord = x;
  b->Ycoord = y;
  b->Visibility = vis;
  b->Visibility1 = vis1;
  if (w > 0) b->Bitmap = olv::TBitmap(w, h);
  b->SetFrameCount(frames);
  return b;
}

TCaptionWindow Window(S state = S::Normal, bool active = true) {
  TCaptionWindow w;
  w.width = 400;
  w.height = 300;
  w.metrics = {4, 24, 4, 4, 20};
  w.state = state;
  w.active = active;
  return w;
}

TEST(CaptionLayoutTest, VisibilityRulesByWindowState) {
  struct Case {
    int action, vis, vis1;
    S state;
    bool active, sysMenu, maxBox, minBox;
    int border;
    bool mdiMax;
    bool shown;
  } cases[] = {
      {5, 0, 0, S::Normal, true, true, true, true, 0, false, true},
      {5, 0, 0, S::Normal, true, true, true, true, kBorderThin, false, false},  // thin border: Visibility 0 fails
      {0, 0, 0, S::Normal, true, false, true, true, 0, false, false},  // close without a system menu
      {0, 5, 0, S::Normal, true, false, true, true, 0, false, false},  // 5 is no rule: never
      {5, 200, 0, S::Normal, true, false, true, true, kBorderThin, false, true},
      {5, 2000, 0, S::Normal, true, true, true, true, 0, false, true},
      {5, 2001, 0, S::Normal, true, true, true, true, 0, false, false},
      {5, 1, 0, S::Maximized, true, true, true, true, 0, false, true},
      {5, 1, 0, S::Normal, true, true, true, true, 0, false, false},
      {5, 2, 0, S::Maximized, true, true, true, true, 0, false, false},
      {5, 2, 0, S::Minimized, true, true, true, true, 0, false, true},
      {5, 0, 3, S::Normal, false, true, true, true, 0, false, false},
      {5, 0, 4, S::Normal, false, true, true, true, 0, false, true},
      {5, 6, 0, S::Normal, true, false, true, true, 0, false, false},  // 6 as Visibility needs a system menu
      {5, 0, 6, S::Normal, true, false, true, true, 0, false, true},   // ... as Visibility1 it does not
      {5, 7, 0, S::Normal, true, true, false, true, 0, false, true},
      {5, 8, 0, S::Normal, true, true, true, false, 0, false, false},
      {5, 9, 9, S::Normal, true, true, true, false, 0, false, true},
      {1, 0, 0, S::Normal, true, true, false, true, 0, false, false},  // maximise needs a maximise box
      {2, 0, 0, S::Normal, true, true, true, false, 0, false, false},  // minimise needs a minimise box
      {7, 100, 100, S::Normal, true, true, true, true, 0, true, true},
      {7, 100, 100, S::Normal, true, true, true, true, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "action " << c.action << " vis " << c.vis << "/" << c.vis1);
    TCaptionWindow w = Window(c.state, c.active);
    w.sysMenu = c.sysMenu;
    w.maxBox = c.maxBox;
    w.minBox = c.minBox;
    w.borderKind = c.border;
    w.mdiChildMaximized = c.mdiMax;
    EXPECT_EQ(CaptionButtonVisible(*Button(c.action, 1, 20, 4, c.vis, c.vis1), w), c.shown);
  }
  // The MDI buttons need a menu bar to sit in.
  TCaptionWindow noMenu = Window();
  noMenu.metrics.menuBar = 0;
  noMenu.mdiChildMaximized = true;
  EXPECT_FALSE(CaptionButtonVisible(*Button(7, 100, 20, 4, 100, 100), noMenu));
}

TEST(CaptionLayoutTest, ButtonsArePlacedByTheirAlignment) {
  auto close = Button(0, 1, 22, 4, 0, 0);           // 16 x 16, from the right
  auto icon = Button(3, 0, 4, 4, 0, 0, 16, 16, 1);  // from the left
  auto before = Button(5, 2, 3, 5, 0, 0);           // before the text
  auto after = Button(5, 9, 2, 5, 0, 0);            // after it
  auto hidden = Button(5, 1, 60, 4, 1, 0);          // maximised only
  auto noPicture = Button(5, 1, 80, 4, 0, 0, 0);
  auto mdi = Button(8, 100, 32, 0, 100, 100, 48, 12);
  auto odd = Button(5, 7, 9, 9, 0, 0);  // an alignment no rule knows: (0, 0)
  TCaptionWindow w = Window();
  w.mdiChildMaximized = true;
  w.menuBarLeftWidth = 3;
  const TRect text{30, 4, 120, 20};
  const TCaptionLayout l = LayoutCaptionButtons(
      {close.get(), icon.get(), before.get(), after.get(), hidden.get(), noPicture.get(), mdi.get(), odd.get()}, w,
      text);
  EXPECT_EQ(l.buttons[0], (TRect{378, 4, 394, 20}));
  EXPECT_EQ(l.buttons[1], (TRect{4, 4, 20, 20}));
  EXPECT_EQ(l.buttons[2], (TRect{11, 5, 27, 21}));
  EXPECT_EQ(l.buttons[3], (TRect{122, 5, 138, 21}));
  EXPECT_TRUE(l.buttons[4].IsEmpty());
  EXPECT_TRUE(l.buttons[5].IsEmpty());
  // In the menu bar from the right: W - X - right - the bar's left width; centred in its height.
  EXPECT_EQ(l.buttons[6], (TRect{361, 28, 373, 40}));
  EXPECT_EQ(l.buttons[7], (TRect{0, 0, 16, 16}));
  EXPECT_EQ(l.rightButtons, 378);

  w.rightToLeft = true;
  EXPECT_EQ(LayoutCaptionButtons({mdi.get()}, w, text).buttons[0], (TRect{39, 28, 51, 40}));
  // Without right-aligned buttons the text may run to the window's edge.
  EXPECT_EQ(LayoutCaptionButtons({icon.get()}, w, text).rightButtons, 400);
}

TEST(CaptionLayoutTest, TheWindowIconsButtonWithoutAPictureTakesTheIconsPlace) {
  // Loading a skin drops the icon buttons' pictures: the window's icon stands in.
  auto icon = Button(3, 0, 4, 4, 0, 0, 0);
  auto menuIcon = Button(11, 2, 2, 3, 0, 0, 0);
  auto bare = Button(5, 0, 30, 4, 0, 0, 0);
  TCaptionWindow w = Window();
  w.iconSize = 20;
  const TRect text{40, 4, 120, 20};
  const TCaptionLayout l = LayoutCaptionButtons({icon.get(), menuIcon.get(), bare.get()}, w, text);
  EXPECT_EQ(l.buttons[0], (TRect{4, 4, 24, 24}));
  EXPECT_EQ(l.buttons[1], (TRect{18, 3, 38, 23}));
  EXPECT_TRUE(l.buttons[2].IsEmpty()) << "other buttons show only with a picture";
}

TEST(CaptionLayoutTest, CaptionTextIsPlacedAndClipped) {
  TDataSkinTitle title("Title");
  title.LeftWidth = 24;    // TextShift
  title.TopHeight = 4;     // TextShiftVert
  title.RightWidth = 70;   // TextRightClip
  title.TextBackLeft = 5;
  title.TextBackRight = 5;
  TCaptionWindow w = Window();
  // Left: at TextShift, widened by the back margins, centred vertically and moved down by half
  // the shift.
  EXPECT_EQ(PlaceCaptionText(title, w, 100, 14, 0), (TRect{24, 7, 134, 21}));
  title.TextAlignment = 1;
  EXPECT_EQ(PlaceCaptionText(title, w, 100, 14, 0), (TRect{145, 7, 255, 21}));
  title.TextAlignment = 2;
  EXPECT_EQ(PlaceCaptionText(title, w, 100, 14, 0), (TRect{220, 7, 330, 21}));
  // Right-to-left windows always end before the clip.
  title.TextAlignment = 0;
  w.rightToLeft = true;
  EXPECT_EQ(PlaceCaptionText(title, w, 100, 14, 0).Left, 220);
  w.rightToLeft = false;
  // A long caption stops at the clip; a popup's may run up to 5 pixels before its buttons.
  EXPECT_EQ(PlaceCaptionText(title, w, 500, 14, 0).Right, 330);
  w.popup = true;
  EXPECT_EQ(PlaceCaptionText(title, w, 500, 14, 370).Right, 365);
}

TEST(CaptionLayoutTest, CaptionTextFitsFromItsFitWidthOn) {
  TDataSkinTitle title("Title");
  title.LeftWidth = 24;
  title.TopHeight = 4;
  title.RightWidth = 70;
  title.TextBackLeft = 5;
  title.TextBackRight = 3;
  const struct {
    int alignment;
    bool rightToLeft;
    int fit;
  } cases[] = {{0, false, 202}, {1, false, 247}, {2, false, 178}, {0, true, 178}};
  for (const auto& c : cases) {
    title.TextAlignment = c.alignment;
    TCaptionWindow w = Window();
    w.rightToLeft = c.rightToLeft;
    EXPECT_EQ(CaptionTextFitWidth(title, w, 100), c.fit) << c.alignment;
    // At that width the text and its back are whole; one pixel narrower they are cut.
    w.width = c.fit;
    const TRect whole = PlaceCaptionText(title, w, 100, 14, 0);
    EXPECT_EQ(whole.Right - whole.Left, 108);
    EXPECT_GE(whole.Left, 0);
    w.width = c.fit - 1;
    const TRect cut = PlaceCaptionText(title, w, 100, 14, 0);
    EXPECT_TRUE(cut.Right - cut.Left < 108 || cut.Left < 0) << c.alignment;
  }
}

TEST(CaptionLayoutTest, ButtonFramesFollowActivationAndTheMouse) {
  auto four = Button(0, 1, 22, 4, 0, 0, 64, 16, 4);
  auto three = Button(0, 1, 22, 4, 0, 0, 48, 16, 3);
  auto mdi = Button(7, 100, 22, 4, 100, 100, 48, 12, 4);
  EXPECT_EQ(CaptionButtonFrame(*four, true, TNCPaint::Normal), 1);
  EXPECT_EQ(CaptionButtonFrame(*four, false, TNCPaint::Normal), 4);
  EXPECT_EQ(CaptionButtonFrame(*three, false, TNCPaint::Normal), 1);
  EXPECT_EQ(CaptionButtonFrame(*four, true, TNCPaint::Pressed), 2);
  EXPECT_EQ(CaptionButtonFrame(*four, false, TNCPaint::Hot), 3);
  EXPECT_EQ(CaptionButtonFrame(*mdi, true, TNCPaint::Hot), 4);
}

TEST(CaptionLayoutTest, SecondSystemMenuWithinTheDoubleClickTimeCloses) {
  EXPECT_FALSE(SystemMenuClosesWindow(1000, -1, 500));
  EXPECT_TRUE(SystemMenuClosesWindow(1500, 1000, 500));
  EXPECT_FALSE(SystemMenuClosesWindow(1501, 1000, 500));
  EXPECT_FALSE(SystemMenuClosesWindow(900, 1000, 500));  // a clock that went back
}

}  // namespace
}  // namespace skin
