#pragma once
// The geometry of a skinned window's frame, without a window: the frame widths a skin gives, where
// each side picture goes and which of its frames, what a point of the window is (caption, a
// caption button, a sizing edge, the menu bar, the client area), and the window's outline from
// the frame's transparent pixels. The window side measures and paints; these functions decide.
// Pure functions, any thread.
#include <array>
#include <cstdint>
#include <algorithm>
#include <vector>

#include "skin/SkinData.h"
#include "widgets/gfx/Color.h"

namespace skin {

enum class TWindowState : uint8_t { Normal, Maximized, Minimized };

// Frame widths in pixels: the four sides, and the menu bar's height under the caption (0 without
// a menu bar). The caption lies in the top side.
struct TFrameMetrics {
  int left = 0, top = 0, right = 0, bottom = 0, menuBar = 0;
  friend bool operator==(const TFrameMetrics&, const TFrameMetrics&) = default;
};

// Border kinds: 0 a captioned window, 2 a popup without caption (keeps no skin frame), 3 a thin
// border without window edge or sizing frame.
constexpr int kBorderPopup = 2;
constexpr int kBorderThin = 3;

// What the frame and caption rules read from a window.
struct TCaptionWindow {
  int width = 0, height = 0;
  TFrameMetrics metrics;
  bool active = true;
  TWindowState state = TWindowState::Normal;
  bool sysMenu = true, maxBox = true, minBox = true;
  bool sizable = true;
  int borderKind = 0;
  bool rightToLeft = false;
  bool popup = false;               // a popup window: its caption text may run up to the buttons
  bool mdiChildMaximized = false;   // an MDI frame whose active child is maximised
  int menuBarLeftWidth = 0;         // the menu bar picture's LeftWidth, 0 without one
  int iconSize = 16;                // the side of the window's small icon
};

// The widths of the side pictures' frames (a picture's width, or height, divided by its frame
// count); all 0 for a popup border. The menu bar height is the caller's (0 without a menu).
TFrameMetrics LoadFrameMetrics(const TSkinData& skin, int borderKind, int menuBarHeight);

// One side picture as the frame paints it.
struct TFramePiece {
  const TDataSkinBorder* side = nullptr;
  olv::TRect dest;  // window coordinates
  int frame = 1;
  bool vertical = false;  // top and bottom pictures hold their frames stacked
  bool tile = false;      // the side's "Stretch" value is not 1: its middle is repeated
};
// Left (0, 0, left, H), right, bottom (between the sides) and top (the caption, between the
// sides), in painting order; frame 1 when active, 2 when not (1 for a one-frame picture).
std::array<TFramePiece, 4> FramePieces(const TSkinData& skin, const TCaptionWindow& window);

// What a point of the window is.
enum class THit : uint8_t {
  Nowhere,
  Client,
  Caption,
  CaptionButton,  // TFrameHit::button says which
  Menu,
  Border,  // the frame, where it does not size the window
  Left,
  Right,
  Top,
  Bottom,
  TopLeft,
  TopRight,
  BottomLeft,
  BottomRight,
};
struct TFrameHit {
  THit hit = THit::Nowhere;
  int button = -1;
  friend bool operator==(const TFrameHit&, const TFrameHit&) = default;
};
// How far along an edge from a corner a press sizes both ways.
constexpr int kCornerGrip = 16;
// The top rows that size the window rather than move it: rows 0 to 3.
constexpr int kTopSizingRows = 4;

// The point (x, y) in window coordinates. Caption buttons first (buttons[i] is button i's
// rectangle, empty when hidden; buttons of a negative action are not hit); then, for a sizable
// window in the normal state, the sizing edges (the side widths, the top four rows) and their
// corners; then the caption above the top frame width, the menu bar from the top frame width
// down (the first menu row is menu, the row after it client), the client area, and the rest of
// the frame as border.
TFrameHit FrameHitTest(const TCaptionWindow& window, const std::vector<olv::TRect>& buttons,
                       const std::vector<int>& buttonActions, int x, int y);

// The window's outline: the rectangles of the window's pixels that are not transparent.
// pixel(x, y) is the painted frame's pixel, 32 bits with red, green and blue in the low 24 bits
// (as 0xRRGGBB); it is asked only for pixels of the frame's sides (never inside the frame), and
// only when a side is transparent. A side whose trans flag is set (left, right, top, bottom) is
// transparent where its pixel is magenta (red and blue 255, green 0 or 1); the area inside the
// frame is always opaque. Rows with the same runs are merged into taller rectangles. A template,
// so that the pixel lookup is inlined: the outline is made at every resize.
template <class Pixel>
std::vector<olv::TRect> FrameOutline(const Pixel& pixel, int width, int height, const TFrameMetrics& m,
                                     std::array<bool, 4> trans) {
  std::vector<olv::TRect> out;
  if (width <= 0 || height <= 0) return out;
  const bool anyTrans = trans[0] || trans[1] || trans[2] || trans[3];
  // The runs of one row, as [start, end) pairs.
  std::vector<int> runs, previous;
  size_t openFrom = 0;  // the first rectangle of the previous row's runs in out
  for (int y = 0; y < height; ++y) {
    runs.clear();
    // Between the left and the right side of a row below the top and above the bottom lies the
    // client area, where nothing is seen through: not looked at pixel by pixel.
    const bool middleRow = y >= m.top && y < height - m.bottom;
    const int clientEnd = width - m.right;
    int start = -1;
    for (int x = 0; x < width; ++x) {
      if (middleRow && x == std::max(m.left, 0) && x < clientEnd) {
        if (start < 0) start = x;
        x = clientEnd - 1;
        continue;
      }
      bool opaque = true;
      if (anyTrans && (pixel(x, y) & 0xFFFEFF) == 0xFF00FF) {
        int side = -1;
        if (x < m.left)
          side = 0;
        else if (x >= width - m.right)
          side = 1;
        else if (y < m.top)
          side = 2;
        else if (y >= height - m.bottom)
          side = 3;
        opaque = side < 0 || !trans[static_cast<size_t>(side)];
      }
      if (opaque && start < 0) start = x;
      if (!opaque && start >= 0) {
        runs.push_back(start);
        runs.push_back(x);
        start = -1;
      }
    }
    if (start >= 0) {
      runs.push_back(start);
      runs.push_back(width);
    }
    if (y > 0 && runs == previous) {
      for (size_t i = openFrom; i < out.size(); ++i) out[i].Bottom = y + 1;
      continue;
    }
    openFrom = out.size();
    for (size_t i = 0; i < runs.size(); i += 2) out.push_back({runs[i], y, runs[i + 1], y + 1});
    previous.swap(runs);
  }
  return out;
}

}  // namespace skin
