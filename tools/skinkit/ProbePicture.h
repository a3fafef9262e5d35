#pragma once
// Pictures for our own skin and for the drawing tests: every slice of every frame in a flat colour
// of its own, so one pixel read back tells which picture, frame and slice was drawn there.
// Colour of (picture p, frame f, slice s): red p (1 to 254), green 10 f + s, blue 0x80 + f. Slices
// are numbered row by row: 0 top-left, 1 top, 2 top-right, 3 left, 4 centre, 5 right,
// 6 bottom-left, 7 bottom, 8 bottom-right. Magenta never occurs unless asked for. Pure functions.
#include <optional>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Color.h"

namespace skinkit {

struct ProbeLayout {
  int frameWidth = 1, frameHeight = 1, frames = 1;
  bool vertical = false;
  olv::TRect margins;        // LeftWidth, TopHeight, RightWidth, BottomHeight
  bool magentaCorner = false;  // pixel (0, 0) of every frame magenta: a transparent probe
};

olv::TColor ProbeColour(int picture, int frame, int slice);

struct Probe {
  int picture, frame, slice;
  friend bool operator==(const Probe&, const Probe&) = default;
};
// What a pixel says; none for a colour no probe picture has (magenta, backgrounds).
std::optional<Probe> ReadProbe(olv::TColor colour);

// A 32-bit picture of the layout, painted for picture number `picture`.
olv::TBitmap PaintProbePicture(int picture, const ProbeLayout& layout);

}  // namespace skinkit
