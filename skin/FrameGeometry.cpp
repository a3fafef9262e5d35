#include "skin/FrameGeometry.h"

#include <algorithm>

namespace skin {

using olv::TRect;

namespace {

int FrameSize(int size, int frames) { return size / std::max(frames, 1); }

int SideFrame(const TDataSkinBorder& side, bool active) { return side.FrameCount() < 2 || active ? 1 : 2; }

}  // namespace

TFrameMetrics LoadFrameMetrics(const TSkinData& skin, int borderKind, int menuBarHeight) {
  if (borderKind == kBorderPopup) return {};
  TFrameMetrics m;
  m.top = FrameSize(skin.Top().Bitmap.Height(), skin.Top().FrameCount());
  m.left = FrameSize(skin.Left().Bitmap.Width(), skin.Left().FrameCount());
  m.right = FrameSize(skin.Right().Bitmap.Width(), skin.Right().FrameCount());
  m.bottom = FrameSize(skin.Bottom().Bitmap.Height(), skin.Bottom().FrameCount());
  m.menuBar = std::max(menuBarHeight, 0);
  return m;
}

std::array<TFramePiece, 4> FramePieces(const TSkinData& skin, const TCaptionWindow& w) {
  const TFrameMetrics& m = w.metrics;
  const int W = w.width, H = w.height;
  const auto piece = [&](const TDataSkinBorder& side, TRect dest, bool vertical) {
    return TFramePiece{&side, dest, SideFrame(side, w.active), vertical, side.Tile != 1};
  };
  return {piece(skin.Left(), {0, 0, m.left, H}, false), piece(skin.Right(), {W - m.right, 0, W, H}, false),
          piece(skin.Bottom(), {m.left, H - m.bottom, W - m.right, H}, true),
          piece(skin.Top(), {m.left, 0, W - m.right, m.top}, true)};
}

TFrameHit FrameHitTest(const TCaptionWindow& w, const std::vector<TRect>& buttons,
                       const std::vector<int>& buttonActions, int x, int y) {
  const int W = w.width, H = w.height;
  const TFrameMetrics& m = w.metrics;
  if (x < 0 || y < 0 || x >= W || y >= H) return {};
  for (size_t i = 0; i < buttons.size(); ++i) {
    const int action = i < buttonActions.size() ? buttonActions[i] : 0;
    if (action >= 0 && buttons[i].Contains(x, y)) return {THit::CaptionButton, static_cast<int>(i)};
  }
  if (w.sizable && w.state == TWindowState::Normal && w.borderKind != kBorderPopup) {
    const bool left = x < m.left, right = x >= W - m.right;
    const bool top = m.top >= kTopSizingRows && y < kTopSizingRows, bottom = y >= H - m.bottom;
    const bool nearLeft = x < kCornerGrip, nearRight = x >= W - kCornerGrip;
    const bool nearTop = y < kCornerGrip, nearBottom = y >= H - kCornerGrip;
    if ((top && nearLeft) || (left && nearTop)) return {THit::TopLeft};
    if ((top && nearRight) || (right && nearTop)) return {THit::TopRight};
    if ((bottom && nearLeft) || (left && nearBottom)) return {THit::BottomLeft};
    if ((bottom && nearRight) || (right && nearBottom)) return {THit::BottomRight};
    if (left) return {THit::Left};
    if (right) return {THit::Right};
    if (top) return {THit::Top};
    if (bottom) return {THit::Bottom};
  }
  if (y < m.top) return {THit::Caption};
  const bool inside = x >= m.left && x < W - m.right && y < H - m.bottom;
  if (!inside) return {THit::Border};
  // The menu bar begins on the row right under the caption: the original counted that row as
  // caption, so a click on the menu's first row dragged the window.
  if (y < m.top + m.menuBar) return {THit::Menu};
  return {THit::Client};
}

}  // namespace skin
