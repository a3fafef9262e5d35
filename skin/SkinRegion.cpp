#include "skin/SkinRegion.h"

#include <algorithm>

namespace skin {

using olv::TColor;
using olv::TRect;

void TSkinRegion::Add(const TRect& rect) {
  if (!rect.IsEmpty()) rects_.push_back(rect);
}

void TSkinRegion::Add(const TSkinRegion& other) {
  rects_.insert(rects_.end(), other.rects_.begin(), other.rects_.end());
}

bool TSkinRegion::Contains(int x, int y) const {
  return std::any_of(rects_.begin(), rects_.end(), [&](const TRect& r) { return r.Contains(x, y); });
}

TSkinRegion BitmapToRegion(const olv::TBitmap& bitmap, int dx, int dy, int blueTolerance, int greenTolerance,
                           int redTolerance, TColor key) {
  const auto within = [](uint8_t v, uint8_t low, int tolerance) {
    return v >= low && v <= std::min(255, low + tolerance);
  };
  const auto transparent = [&](TColor c) {
    return within(olv::ColorRed(c), olv::ColorRed(key), redTolerance) &&
           within(olv::ColorGreen(c), olv::ColorGreen(key), greenTolerance) &&
           within(olv::ColorBlue(c), olv::ColorBlue(key), blueTolerance);
  };
  TSkinRegion region;
  std::vector<TColor> row(static_cast<size_t>(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    olv::ReadRowColors(bitmap, y, 0, bitmap.Width(), row.data());
    for (int x = 0; x < bitmap.Width();) {
      while (x < bitmap.Width() && transparent(row[static_cast<size_t>(x)])) ++x;
      const int start = x;
      while (x < bitmap.Width() && !transparent(row[static_cast<size_t>(x)])) ++x;
      if (x > start) region.Add({start + dx, y + dy, x + dx, y + dy + 1});
    }
  }
  return region;
}

}  // namespace skin
