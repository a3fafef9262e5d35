#include "skin/FrameGeometry.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tools/skinkit/PackageWriter.h"
#include "widgets/gfx/BmpFile.h"

namespace skin {
namespace {

using olv::TRect;

std::vector<uint8_t> Bmp(int w, int h) {
  olv::TBitmap b(w, h, olv::TPixelFormat::pf24bit);
  b.Fill(olv::MakeColor(10, 20, 30));
  return olv::WriteBmp(b);
}

// Sides of 2 frames: left 8 x 40 (4 a frame), right 12 x 40 (6), top 60 x 48 stacked (24), bottom
// 60 x 10 (5); the right side is stretched ("Stretch" 1), the left tiled.
void LoadSides(TSkinData& data) {
  const std::string ini =
      "[Personality]\nLeft=l.bmp\nLeftFrame=2\nLeftStretch=0\nRight=r.bmp\nRightFrame=2\nTop=t.bmp\nTopFrame=2\n"
      "Bottom=b.bmp\nBottomFrame=2\n";
  ASSERT_TRUE(data.SetPackage(skinkit::BuildPackage({{"s.ini", std::vector<uint8_t>(ini.begin(), ini.end())},
                                                     {"l.bmp", Bmp(8, 40)},
                                                     {"r.bmp", Bmp(12, 40)},
                                                     {"t.bmp", Bmp(60, 48)},
                                                     {"b.bmp", Bmp(60, 10)}})));
}

TEST(FrameGeometryTest, MetricsAndPiecesComeFromTheSidePictures) {
  TSkinData data;
  LoadSides(data);
  EXPECT_EQ(LoadFrameMetrics(data, 0, 20), (TFrameMetrics{4, 24, 6, 5, 20}));
  EXPECT_EQ(LoadFrameMetrics(data, kBorderThin, 0), (TFrameMetrics{4, 24, 6, 5, 0}));
  // A popup without caption keeps no frame and no menu bar.
  EXPECT_EQ(LoadFrameMetrics(data, kBorderPopup, 20), TFrameMetrics{});

  TCaptionWindow w;
  w.width = 300;
  w.height = 200;
  w.metrics = LoadFrameMetrics(data, 0, 0);
  auto pieces = FramePieces(data, w);
  EXPECT_EQ(pieces[0].dest, (TRect{0, 0, 4, 200}));
  EXPECT_EQ(pieces[1].dest, (TRect{294, 0, 300, 200}));
  EXPECT_EQ(pieces[2].dest, (TRect{4, 195, 294, 200}));
  EXPECT_EQ(pieces[3].dest, (TRect{4, 0, 294, 24}));
  EXPECT_EQ(pieces[0].side, &data.Left());
  EXPECT_TRUE(pieces[0].tile);
  EXPECT_FALSE(pieces[1].tile);
  EXPECT_FALSE(pieces[0].vertical);
  EXPECT_TRUE(pieces[3].vertical);
  for (const TFramePiece& p : pieces) EXPECT_EQ(p.frame, 1);
  w.active = false;
  pieces = FramePieces(data, w);
  for (const TFramePiece& p : pieces) EXPECT_EQ(p.frame, 2);
}

TEST(FrameGeometryTest, HitTestingAlongTheEdges) {
  TCaptionWindow w;
  w.width = 300;
  w.height = 200;
  w.metrics = {4, 24, 6, 5, 20};
  const std::vector<TRect> buttons{{270, 4, 286, 20}, {}, {250, 4, 266, 20}};
  const std::vector<int> actions{0, 1, -1};
  struct Case {
    int x, y;
    THit hit;
    int button;
  } cases[] = {
      {-1, 50, THit::Nowhere, -1},   {300, 50, THit::Nowhere, -1},   {150, 200, THit::Nowhere, -1},
      {0, 0, THit::TopLeft, -1},     {15, 2, THit::TopLeft, -1},     {2, 15, THit::TopLeft, -1},
      {16, 2, THit::Top, -1},        {150, 3, THit::Top, -1},        {150, 4, THit::Caption, -1},
      {299, 0, THit::TopRight, -1},  {294, 100, THit::Right, -1},    {293, 100, THit::Client, -1},
      {3, 100, THit::Left, -1},      {4, 100, THit::Client, -1},     {3, 184, THit::BottomLeft, -1},
      {150, 195, THit::Bottom, -1},  {150, 194, THit::Client, -1},   {299, 199, THit::BottomRight, -1},
      {275, 10, THit::CaptionButton, 0},  // a button wins over the caption
      {255, 10, THit::Caption, -1},        // a button of a negative action is no button
      {150, 23, THit::Caption, -1},   // the last caption row
      {150, 24, THit::Menu, -1},      // the first menu row is menu, not caption
      {150, 43, THit::Menu, -1},      {150, 44, THit::Client, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ")");
    EXPECT_EQ(FrameHitTest(w, buttons, actions, c.x, c.y), (TFrameHit{c.hit, c.button}));
  }
  // Not sizable, or maximised: the edges are frame, the top rows caption.
  for (const bool maximized : {false, true}) {
    TCaptionWindow fixed = w;
    if (maximized)
      fixed.state = TWindowState::Maximized;
    else
      fixed.sizable = false;
    EXPECT_EQ(FrameHitTest(fixed, buttons, actions, 150, 0).hit, THit::Caption);
    EXPECT_EQ(FrameHitTest(fixed, buttons, actions, 1, 100).hit, THit::Border);
    EXPECT_EQ(FrameHitTest(fixed, buttons, actions, 150, 197).hit, THit::Border);
  }
  // Without a menu bar the row under the caption is client.
  w.metrics.menuBar = 0;
  EXPECT_EQ(FrameHitTest(w, buttons, actions, 150, 24).hit, THit::Client);
}

TEST(FrameGeometryTest, OutlineLeavesOutTransparentSidePixelsAndMergesRows) {
  // A 10 x 6 frame, sides 2 wide, top 2, bottom 1; magenta at the top-left corner (2 x 2) and in
  // the bottom row's middle.
  const int W = 10, H = 6;
  std::vector<uint32_t> px(W * H, 0x808080);
  const uint32_t magenta = 0xFF00FF, nearMagenta = 0xFF01FF;
  px[0] = px[1] = magenta;
  px[W] = nearMagenta;
  px[W + 1] = magenta;
  px[5 * W + 5] = magenta;
  px[3 * W + 5] = magenta;  // inside the frame: never transparent
  const TFrameMetrics m{2, 2, 2, 1, 0};
  // The window keeps only its sides' pixels: the outline must never ask for one inside them.
  std::vector<std::pair<int, int>> insideAsked;
  const auto pixel = [&](int x, int y) {
    if (x >= m.left && x < W - m.right && y >= m.top && y < H - m.bottom) insideAsked.emplace_back(x, y);
    return px[static_cast<size_t>(y * W + x)];
  };
  const std::vector<TRect> all = FrameOutline(pixel, W, H, m, {true, true, true, true});
  EXPECT_EQ(all, (std::vector<TRect>{{2, 0, 10, 2}, {0, 2, 10, 5}, {0, 5, 5, 6}, {6, 5, 10, 6}}));
  // The left side not transparent: its magenta stays; the bottom's still goes.
  const std::vector<TRect> some = FrameOutline(pixel, W, H, m, {false, true, true, true});
  EXPECT_EQ(some, (std::vector<TRect>{{0, 0, 10, 5}, {0, 5, 5, 6}, {6, 5, 10, 6}}));
  // No transparent side: the whole window.
  EXPECT_EQ(FrameOutline(pixel, W, H, m, {}), (std::vector<TRect>{{0, 0, 10, 6}}));
  EXPECT_TRUE(FrameOutline(pixel, 0, H, m, {}).empty());
  // Past the client area, a middle row's right side is looked at again.
  px[3 * W + 9] = magenta;
  EXPECT_EQ(FrameOutline(pixel, W, H, m, {false, true, false, false}),
            (std::vector<TRect>{{0, 0, 10, 3}, {0, 3, 9, 4}, {0, 4, 10, 6}}));
  EXPECT_TRUE(insideAsked.empty());
}

}  // namespace
}  // namespace skin
