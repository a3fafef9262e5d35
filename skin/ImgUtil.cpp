#include "skin/ImgUtil.h"

#include <algorithm>
#include <cstring>

namespace skin {

using olv::TBitmap;
using olv::TPixelFormat;

namespace {

constexpr int kPixel = 4;  // bytes of one pixel in the internal format

uint8_t* At(TBitmap& b, int x, int y) { return b.ScanLine(y).data() + kPixel * x; }

// Width and height exchanged; source pixel (sx, sy) lands where place(sx, sy) says.
template <typename Place>
void Turn(TBitmap& bitmap, Place place) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  TBitmap out(bitmap.Height(), bitmap.Width(), TPixelFormat::pf32bit);
  for (int sy = 0; sy < bitmap.Height(); ++sy)
    for (int sx = 0; sx < bitmap.Width(); ++sx) {
      const auto [dx, dy] = place(sx, sy);
      std::memcpy(At(out, dx, dy), At(bitmap, sx, sy), kPixel);
    }
  bitmap = std::move(out);
}

}  // namespace

void MirrorBitmap(TBitmap& bitmap) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y).data();
    for (int x = 0; x < w / 2; ++x) std::swap_ranges(row + kPixel * x, row + kPixel * (x + 1), row + kPixel * (w - 1 - x));
  }
}

void FlipBitmap(TBitmap& bitmap) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  const int h = bitmap.Height();
  for (int y = 0; y < h / 2; ++y) {
    auto top = bitmap.ScanLine(y);
    auto bottom = bitmap.ScanLine(h - 1 - y);
    std::swap_ranges(top.begin(), top.end(), bottom.begin());
  }
}

void TransposeBitmap(TBitmap& bitmap) {
  Turn(bitmap, [](int sx, int sy) { return std::pair{sy, sx}; });
}

void RotateBitmap(TBitmap& bitmap) {
  const int h = bitmap.Height();
  // new (x, y) = old (y, h - 1 - x): old (sx, sy) goes to (h - 1 - sy, sx).
  Turn(bitmap, [h](int sx, int sy) { return std::pair{h - 1 - sy, sx}; });
}

}  // namespace skin
