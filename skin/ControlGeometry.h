#pragma once
// The state rules and geometry of the skinned standard controls, without a window: which frame of
// a picture a control's state shows, and the scroll bar's arrows, track and thumb. The window side
// reads the states and draws. Pure functions, any thread.
#include <cstdint>

namespace skin {

struct TControlState {
  bool enabled = true, focused = false, hot = false, pressed = false;
  bool down = false;  // a speed button held down (checked)
};

// Which rule a control follows.
enum class TFrameRule : uint8_t {
  PushButton,   // disabled wins over everything, then pressed, then hot or focused
  SpeedButton,  // as the push button, and pressed while down
  ComboBox,     // normal, disabled, focused, pressed, hot: the later wins (focus beats disabled)
  UpDownHalf,   // one half of an up-down control: pressed or hot under the mouse, 3 disabled
};
// The button frame: 1 normal, 2 pressed, 3 disabled, 4 hot or focused.
int ButtonFrame(const TControlState& state, TFrameRule rule);

// A check or radio box: 1 unchecked, 2 checked, 2 more when disabled; 4 for a check box in the
// third state.
int CheckBoxFrame(bool checked, bool indeterminate, bool enabled);

// The width of a progress bar's filled part: the inner width times the position over the
// maximum (both from the bar's minimum); 0 unless both are at least 1.
int ProgressFill(int innerWidth, int position, int maximum);

// A scroll bar along its length, as the system's scroll information gives it: min and max
// inclusive, the page (0 for none) and the position.
struct TScrollInfo {
  int min = 0, max = 0, page = 0, pos = 0;
};
// The same from a Qt scroll bar's minimum, maximum (the last position), page step and value.
TScrollInfo ScrollInfoFromRange(int minimum, int maximum, int pageStep, int value);

struct TScrollGeometry {
  int arrow = 0;        // each arrow's length
  int trackStart = 0;   // = arrow
  int track = 0;        // the length between the arrows
  int thumbStart = 0;   // from the bar's start
  int thumb = 0;        // 0: no thumb
};
// The arrows take arrowSize each (half the bar each when it is shorter than two). The thumb is
// page / range of the track, at least minThumb (systemThumb when the page is 0), at most the
// track; its place is (pos - min) of (range - page) along what the track leaves free. A bar
// whose range is no larger than its page keeps its thumb at the track's start (the original
// divided by zero there).
TScrollGeometry ScrollGeometry(int length, int arrowSize, int minThumb, int systemThumb, const TScrollInfo& info);

enum class TScrollPart : int8_t { None = -1, LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, Thumb = 5 };
// The part at offset `at` from the bar's start.
TScrollPart ScrollHitTest(const TScrollGeometry& g, int length, int at);

}  // namespace skin
