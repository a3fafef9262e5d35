#pragma once
// Colour reduction: a picture of any depth becomes an 8-bit bitmap whose palette the method
// chooses and whose indices a colour lookup gives, optionally with error diffusion. Also the
// palettes the GIF library makes for itself. Plain functions, no shared state.
#include <cstdint>

#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Palette.h"

namespace olv {

enum TColorReduction : uint8_t {
  ReduceNone = 0,
  ReduceSystem20 = 1,
  ReduceHalftone = 2,
  ReduceGray4 = 3,
  ReduceBlackWhite = 4,
  ReduceGray256 = 5,
  ReduceCube216 = 6,
  ReduceOctree = 7,
  ReduceOctreeSystem = 8,
  ReducePalette = 9,
};

// The 216-colour cube (levels 0, 51 ... 255; red slowest, blue fastest).
TPalette Cube216Palette();
// 256 greys; black and white; the four greys 0, 128, 192, 255 (flagged kPcNoCollapse).
TPalette Gray256Palette();
TPalette BlackWhitePalette();
TPalette Gray4Palette();
// An octree palette of maxColors entries from the bitmap's colours (the colours found first, the
// rest black); with system colours, 236 quantised colours between the system's first and last ten.
TPalette OctreePalette(const TBitmap& bitmap, int maxColors, int colorBits, bool withSystemColors);

// ReduceNone gives a 24-bit copy; methods 1 to 9 give an 8-bit bitmap with the method's palette
// (palette: the palette of ReducePalette); methods 10 and above, dither modes 7 and above, and a
// lookup that serves no colours give an empty bitmap. bits (octree methods): 1 to 8, GIFException
// "Invalid reduction bits" otherwise. The source is only read.
TBitmap ReduceColors(const TBitmap& bitmap, int method, int ditherMode, int bits, const TPalette* palette = nullptr);

}  // namespace olv
