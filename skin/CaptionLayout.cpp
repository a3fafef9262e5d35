#include "skin/CaptionLayout.h"

#include <algorithm>

namespace skin {

using olv::TRect;

namespace {

constexpr int kMdiButtons = 100;

bool Rule(int value, bool first, const TDataSkinSysButton& b, const TCaptionWindow& w) {
  const bool maximized = w.state == TWindowState::Maximized;
  switch (value) {
    case 0: return !first || (w.borderKind != kBorderThin && !(b.Action == 0 && !w.sysMenu));
    case 1: return maximized;
    case 2: return !maximized;
    case 3: return w.active;
    case 4: return !w.active;
    case 6: return w.maxBox && (!first || w.sysMenu);
    case 7: return !w.maxBox;
    case 8: return w.minBox && (!first || w.sysMenu);
    case 9: return !w.minBox;
    case kMdiButtons: return w.mdiChildMaximized && w.metrics.menuBar > 0;
    default: return value >= 200 && value <= 2000;
  }
}

}  // namespace

bool CaptionButtonVisible(const TDataSkinSysButton& b, const TCaptionWindow& w) {
  if (!Rule(b.Visibility, true, b, w) || !Rule(b.Visibility1, false, b, w)) return false;
  if (b.Action == 1 && !w.maxBox) return false;
  if (b.Action == 2 && !w.minBox) return false;
  return true;
}

TRect PlaceCaptionText(const TDataSkinTitle& title, const TCaptionWindow& w, int textWidth, int textHeight,
                       int rightButtons) {
  const int width = textWidth + title.TextBackLeft + title.TextBackRight;
  const int shift = title.LeftWidth, shiftVert = title.TopHeight, rightClip = title.RightWidth;
  const int alignment = w.rightToLeft ? 2 : title.TextAlignment;
  int x = shift;
  if (alignment == 1) x = (w.width - width) / 2;
  if (alignment == 2) x = w.width - rightClip - width;
  const int y = (w.metrics.top - textHeight) / 2 + shiftVert / 2;
  int clip = w.width - rightClip;
  if (w.popup) clip = std::max(clip, rightButtons - 5);
  return {x, y, std::min(x + width, clip), y + textHeight};
}

int CaptionTextFitWidth(const TDataSkinTitle& title, const TCaptionWindow& w, int textWidth) {
  const int width = textWidth + title.TextBackLeft + title.TextBackRight;
  const int alignment = w.rightToLeft ? 2 : title.TextAlignment;
  if (alignment == 1) return width + std::max(2 * title.RightWidth - 1, 0);  // centred, rounded down
  if (alignment == 2) return width + title.RightWidth;
  return title.LeftWidth + width + title.RightWidth;
}

TCaptionLayout LayoutCaptionButtons(const std::vector<const TDataSkinSysButton*>& buttons, const TCaptionWindow& w,
                                    const TRect& text) {
  TCaptionLayout out;
  out.rightButtons = w.width;
  out.buttons.resize(buttons.size());
  for (size_t i = 0; i < buttons.size(); ++i) {
    const TDataSkinSysButton& b = *buttons[i];
    // The window icon's button has no picture of its own (loading drops it): it shows the
    // window's icon, one small icon wide.
    const bool icon = (b.Action == 3 || b.Action == 11) && !b.HasPicture();
    if ((!b.HasPicture() && !icon) || !CaptionButtonVisible(b, w)) continue;
    const int bw = icon ? w.iconSize : b.Bitmap.Width() / b.FrameCount();
    const int bh = icon ? w.iconSize : b.Bitmap.Height();
    int x = 0, y = 0;
    switch (b.Align) {
      case 0: x = b.Xcoord, y = b.Ycoord; break;
      case 1:
        x = w.width - b.Xcoord, y = b.Ycoord;
        // The text stops before the leftmost of them (the original kept the rightmost, so a
        // popup's text could run under the other buttons).
        out.rightButtons = std::min(out.rightButtons, x);
        break;
      case 2:
      case 8: x = text.Left - bw - b.Xcoord, y = b.Ycoord; break;
      case 3:
      case 9: x = text.Right + b.Xcoord, y = b.Ycoord; break;
      case kMdiButtons:
        y = w.metrics.top + (w.metrics.menuBar - bh) / 2;
        x = w.rightToLeft ? b.Xcoord + w.metrics.left + w.menuBarLeftWidth
                          : w.width - b.Xcoord - w.metrics.right - w.menuBarLeftWidth;
        break;
      default: break;
    }
    out.buttons[i] = olv::MakeRect(x, y, bw, bh);
  }
  return out;
}

int CaptionButtonFrame(const TDataSkinSysButton& b, bool active, TNCPaint paint) {
  if (paint == TNCPaint::Normal) return active || b.FrameCount() < 4 ? 1 : 4;
  if (paint == TNCPaint::Hot && b.Visibility == kMdiButtons) return 4;
  return static_cast<int>(paint);
}

bool SystemMenuClosesWindow(long long now, long long previous, int doubleClickTime) {
  return previous >= 0 && now - previous >= 0 && now - previous <= doubleClickTime;
}

}  // namespace skin
