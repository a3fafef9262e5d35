#include "widgets/forms/FlowLayout.h"

#include <gtest/gtest.h>

using namespace olv;

namespace {

std::vector<TFlowChild> Children(std::initializer_list<TRect> rects) {
  std::vector<TFlowChild> out;
  for (const TRect& r : rects) out.push_back({r, true});
  return out;
}

TFlowPanel Panel(int w, int h, bool autoSize) {
  TFlowPanel p;
  p.width = w;
  p.height = h;
  p.clientWidth = w - 2;  // a one-pixel border
  p.clientHeight = h - 2;
  p.autoSize = autoSize;
  p.hasParent = true;
  p.parentClientWidth = 1000;
  p.parentClientHeight = 1000;
  return p;
}

TEST(FlowLayout, WithoutAutoSizeOneRowOrColumnFromTheFirstChild) {
  auto kids = Children({{5, 7, 30, 20}, {0, 0, 40, 10}, {99, 99, 50, 15}});
  kids[1].visible = false;
  const TFlowResult horz = FlowLayout(Panel(60, 60, false), kids, TCtrlAlignMode::camHorz, 0, 0);
  EXPECT_EQ(horz.children[0].rect, (TRect{5, 7, 30, 20}));
  EXPECT_EQ(horz.children[1].rect, (TRect{0, 0, 40, 10}));  // invisible: left alone
  EXPECT_EQ(horz.children[2].rect, (TRect{35, 7, 50, 15}));  // past the panel's edge all the same
  EXPECT_EQ(horz.panel.width, 60);

  const TFlowResult vert = FlowLayout(Panel(60, 60, false), kids, TCtrlAlignMode::camVert, 25, 0);
  EXPECT_EQ(vert.children[0].rect, (TRect{5, 7, 25, 20}));
  EXPECT_EQ(vert.children[2].rect, (TRect{5, 27, 25, 15}));
  EXPECT_EQ(vert.children[1].rect.width, 40);

  const TFlowResult none = FlowLayout(Panel(60, 60, false), kids, TCtrlAlignMode::camNone, 25, 25);
  EXPECT_EQ(none.children[2].rect, kids[2].rect);
}

TEST(FlowLayout, AutoSizeWrapsRowsAndGrowsTheHeight) {
  // Client 100 x 30; buttons of 40 x 20 from (0, 0): two fit in a row, the third wraps to the
  // next row under the second (Bottom of the child placed before) and the panel grows to 40.
  const auto kids = Children({{0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}});
  const TFlowResult r = FlowLayout(Panel(102, 32, true), kids, TCtrlAlignMode::camHorz, 40, 20);
  EXPECT_EQ(r.children[0].rect, (TRect{0, 0, 40, 20}));
  EXPECT_EQ(r.children[1].rect, (TRect{40, 0, 40, 20}));
  EXPECT_EQ(r.children[2].rect, (TRect{0, 20, 40, 20}));
  EXPECT_EQ(r.children[3].rect, (TRect{40, 20, 40, 20}));
  EXPECT_EQ(r.panel.clientHeight, 40);
  EXPECT_EQ(r.panel.height, 42);
  EXPECT_EQ(r.panel.width, 102);
}

TEST(FlowLayout, AutoSizeColumnsGrowTheWidth) {
  const auto kids = Children({{2, 2, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}});
  const TFlowResult r = FlowLayout(Panel(50, 52, true), kids, TCtrlAlignMode::camVert, 30, 20);
  EXPECT_EQ(r.children[1].rect, (TRect{2, 22, 30, 20}));
  EXPECT_EQ(r.children[2].rect, (TRect{32, 2, 30, 20}));  // a new column from the first row
  EXPECT_EQ(r.panel.clientWidth, 62);
}

TEST(FlowLayout, AutoSizePanelIsCutToItsParentFirst) {
  TFlowPanel p = Panel(300, 32, true);
  p.parentClientWidth = 120;
  const auto kids = Children({{0, 0, 50, 20}, {0, 0, 50, 20}, {0, 0, 50, 20}});
  const TFlowResult r = FlowLayout(p, kids, TCtrlAlignMode::camHorz, 0, 0);
  EXPECT_EQ(r.panel.width, 120);
  EXPECT_EQ(r.children[1].rect.left, 50);
  EXPECT_EQ(r.children[2].rect, (TRect{0, 20, 50, 20}));
}

TEST(FlowLayout, LeftDockedPanelGrowsSidewaysUntilItReachesItsParent) {
  TFlowPanel p = Panel(42, 22, true);
  p.align = TAlign::alLeft;
  const auto kids = Children({{0, 0, 40, 20}, {0, 0, 40, 20}});
  const TFlowResult wide = FlowLayout(p, kids, TCtrlAlignMode::camHorz, 0, 0);
  EXPECT_EQ(wide.panel.clientWidth, 80);  // room beside: wider, same row
  EXPECT_EQ(wide.children[1].rect, (TRect{40, 0, 40, 20}));

  p.parentClientWidth = 70;  // 40 + the panel's 42 reaches 70: taller instead, a new row
  const TFlowResult tall = FlowLayout(p, kids, TCtrlAlignMode::camHorz, 0, 0);
  EXPECT_EQ(tall.panel.clientHeight, 40);
  EXPECT_EQ(tall.children[1].rect, (TRect{0, 20, 40, 20}));
}

}  // namespace
