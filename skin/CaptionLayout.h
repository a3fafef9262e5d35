#pragma once
// The caption of a skinned window, without a window: which caption buttons show, where they and
// the caption text go, and which frame of a button's picture is drawn. The window side measures
// the text and paints. Pure functions, any thread.
#include <vector>

#include "skin/FrameGeometry.h"
#include "skin/SkinObjects.h"

namespace skin {

// A caption button shows when the rules of both its Visibility and its Visibility1 value hold:
// 0 always (for Visibility not on a thin border, nor a close button without a system menu),
// 1 maximised, 2 not maximised, 3 active, 4 not active, 6 / 7 with / without a maximise box,
// 8 / 9 with / without a minimise box (6 and 8 as Visibility need a system menu too), 100 the
// buttons of a maximised MDI child in the menu bar, 200 to 2000 always, others never. A
// maximise button (action 1) needs a maximise box, a minimise button (action 2) a minimise box.
bool CaptionButtonVisible(const TDataSkinSysButton& button, const TCaptionWindow& window);

// Where the caption text goes. textWidth and textHeight are the measured size of three blanks
// and the caption; rightButtons is the left edge of the right-aligned buttons of the previous
// layout (a popup's text may run up to 5 pixels before it).
olv::TRect PlaceCaptionText(const TDataSkinTitle& title, const TCaptionWindow& window, int textWidth,
                            int textHeight, int rightButtons);
// The narrowest window in which PlaceCaptionText places a text of textWidth whole (not a popup's).
int CaptionTextFitWidth(const TDataSkinTitle& title, const TCaptionWindow& window, int textWidth);

struct TCaptionLayout {
  std::vector<olv::TRect> buttons;  // one per button definition, empty when not shown
  int rightButtons = 0;             // the left edge of the right-aligned buttons (the width when none)
};
// Visible buttons with a picture, one frame wide (the window icon's button without a picture
// of its own: the window's small icon), by Align: 0 from the left, 1 from the right,
// 2 and 8 before the text, 3 and 9 after it, 100 in the menu bar from the right; others at (0, 0).
TCaptionLayout LayoutCaptionButtons(const std::vector<const TDataSkinSysButton*>& buttons,
                                    const TCaptionWindow& window, const olv::TRect& text);

// A caption button's look: normal, pressed or hot (the mouse over it).
enum class TNCPaint : uint8_t { Normal = 1, Pressed = 2, Hot = 3 };
// The frame of a button's picture: 1 active, 4 inactive (1 for fewer than 4 frames); under the
// mouse its paint state's frame (pressed 2, hot 3; hot is 4 for the MDI child's buttons).
int CaptionButtonFrame(const TDataSkinSysButton& button, bool active, TNCPaint paint);

// Right-clicking the caption again within the double-click time closes the window instead of
// opening the system menu. Times in milliseconds; a first opening has previous < 0.
bool SystemMenuClosesWindow(long long now, long long previous, int doubleClickTime);

}  // namespace skin
