#pragma once
// In-place turns of a skin picture, for pictures the skin does not store: the mirrored combo-box
// button of right-to-left layouts and the turned tab pictures of bottom, left and right tabs.
// Each converts the bitmap to the one internal 32-bit format first, so no pixel is ever copied
// with the wrong width. A bitmap without pixels stays empty. One thread at a time per bitmap.
#include "widgets/gfx/Bitmap.h"

namespace skin {

// Left and right exchanged.
void MirrorBitmap(olv::TBitmap& bitmap);
// Top and bottom exchanged.
void FlipBitmap(olv::TBitmap& bitmap);
// Pixel (x, y) moves to (y, x); width and height are exchanged.
void TransposeBitmap(olv::TBitmap& bitmap);
// A quarter turn clockwise: new (x, y) = old (y, height - 1 - x); width and height are exchanged.
void RotateBitmap(olv::TBitmap& bitmap);

}  // namespace skin
