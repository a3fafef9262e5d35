#pragma once
// The four glyphs of a skinned window's system menu, drawn here rather than stored: restore,
// maximise, minimise and close, 16 x 16 each, side by side, black on white (white is the mask).
#include "widgets/gfx/Bitmap.h"

namespace skin {

olv::TBitmap MakeMenuGlyphs();

}  // namespace skin
