#pragma once
// Where a panel's background goes: the bands of a colour gradient, the places of a tiled picture
// and of a centred one. The window side fills and draws what these compute. Pure functions; any
// thread.
#include <cstdint>
#include <vector>

#include "widgets/forms/DesignSize.h"

namespace olv {

// A colour as the system stores it: 0x00BBGGRR (16711680 is blue).
using TColor = std::int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;

struct TRgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TRgb&) const = default;
};
TRgb ColorToRgb(TColor color);
TColor RgbToColor(TRgb rgb);

// One band of a gradient: it starts `offset` pixels from the left (or top) edge and is `thickness`
// pixels thick, cut at the end of the area.
struct TGradientBand {
  int offset = 0;
  int thickness = 0;
  TRgb color;
  bool operator==(const TGradientBand&) const = default;
};
// The bands over a length of `size` pixels from begin to end: one band per step of the largest
// channel difference (plus one), each size / steps + 1 pixels thick, channel i * band * delta / size
// from the begin colour. Only the bands that start inside the length are returned; none for size <= 0.
std::vector<TGradientBand> GradientBands(int size, TColor begin, TColor end);

// The top-left corners at which a picture of w x h is drawn to tile the area from (left, top) to
// (right, bottom), the area already enlarged by one pixel to the right and bottom. None for an
// empty picture.
std::vector<TPoint> TileOrigins(int pictureWidth, int pictureHeight, int left, int top, int right, int bottom);

// The top-left corner of a picture centred in a client area (halves rounded toward zero).
TPoint CenterOrigin(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight);

}  // namespace olv
