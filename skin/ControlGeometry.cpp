#include "skin/ControlGeometry.h"

#include <algorithm>

namespace skin {

int ButtonFrame(const TControlState& s, TFrameRule rule) {
  switch (rule) {
    case TFrameRule::PushButton:
    case TFrameRule::SpeedButton:
      if (!s.enabled) return 3;
      if (s.pressed || (rule == TFrameRule::SpeedButton && s.down)) return 2;
      if (s.hot || s.focused) return 4;
      return 1;
    case TFrameRule::ComboBox: {
      int frame = 1;
      if (!s.enabled) frame = 3;
      if (s.focused) frame = 4;
      if (s.pressed) frame = 2;
      if (s.hot) frame = 4;
      return frame;
    }
    case TFrameRule::UpDownHalf:
      if (!s.enabled) return 3;
      if (s.pressed) return 2;
      if (s.hot) return 4;
      return 1;
  }
  return 1;
}

int CheckBoxFrame(bool checked, bool indeterminate, bool enabled) {
  if (indeterminate) return 4;
  return (checked ? 2 : 1) + (enabled ? 0 : 2);
}

int ProgressFill(int innerWidth, int position, int maximum) {
  if (position < 1 || maximum < 1 || innerWidth <= 0) return 0;
  return static_cast<int>(std::min<long long>(innerWidth, static_cast<long long>(innerWidth) * position / maximum));
}

TScrollInfo ScrollInfoFromRange(int minimum, int maximum, int pageStep, int value) {
  const int page = std::max(pageStep, 0);
  return {minimum, std::max(maximum, minimum) + std::max(page - 1, 0), page, value};
}

TScrollGeometry ScrollGeometry(int length, int arrowSize, int minThumb, int systemThumb, const TScrollInfo& info) {
  TScrollGeometry g;
  length = std::max(length, 0);
  g.arrow = std::clamp(arrowSize, 0, length / 2);
  g.trackStart = g.arrow;
  g.track = length - 2 * g.arrow;
  if (g.track <= 0) return g;
  const long long range = static_cast<long long>(info.max) - info.min + 1;
  long long thumb;
  if (range <= 0)
    thumb = g.track;
  else if (info.page <= 0)
    thumb = systemThumb;
  else
    thumb = static_cast<long long>(info.page) * g.track / range;
  thumb = std::clamp<long long>(thumb, std::min(minThumb, g.track), g.track);
  g.thumb = static_cast<int>(thumb);
  const long long free = range - std::max(info.page, 0);
  long long offset = 0;
  if (free > 0) offset = (static_cast<long long>(info.pos) - info.min) * (g.track - g.thumb) / free;
  g.thumbStart = g.trackStart + static_cast<int>(std::clamp<long long>(offset, 0, g.track - g.thumb));
  return g;
}

TScrollPart ScrollHitTest(const TScrollGeometry& g, int length, int at) {
  if (at < 0 || at >= length) return TScrollPart::None;
  if (at < g.arrow) return TScrollPart::LineUp;
  if (at >= length - g.arrow) return TScrollPart::LineDown;
  if (g.thumb > 0) {
    if (at < g.thumbStart) return TScrollPart::PageUp;
    if (at < g.thumbStart + g.thumb) return TScrollPart::Thumb;
    return TScrollPart::PageDown;
  }
  return TScrollPart::None;
}

}  // namespace skin
