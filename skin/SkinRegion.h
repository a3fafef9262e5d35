#pragma once
// A window outline as a list of rectangles, and the outline of a picture's opaque pixels. The
// rectangles of a region may touch or overlap; a point is inside when any rectangle holds it.
// Plain value, no thread affinity.
#include <vector>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Color.h"

namespace skin {

class TSkinRegion {
 public:
  void Add(const olv::TRect& rect);  // an empty rectangle adds nothing
  void Add(const TSkinRegion& other);
  bool Empty() const { return rects_.empty(); }
  bool Contains(int x, int y) const;
  const std::vector<olv::TRect>& Rects() const { return rects_; }

 private:
  std::vector<olv::TRect> rects_;
};

// The opaque pixels of bitmap, row by row from the top: every run of pixels that are not
// transparent becomes a rectangle one pixel high, moved by (dx, dy). A pixel is transparent when
// each of its red, green and blue lies between the key's component and that component plus its
// tolerance (capped at 255). The skin passes tolerance 1 and magenta: red and blue 255, green 0 or 1.
TSkinRegion BitmapToRegion(const olv::TBitmap& bitmap, int dx, int dy, int blueTolerance, int greenTolerance,
                           int redTolerance, olv::TColor key);

}  // namespace skin
