#pragma once
// Skin pictures at the display boundary: a bitmap of the raster layer as a QImage to paint, and
// back. Both copy the pixels; magenta stays magenta (the skin's painters leave it out themselves).
// Main thread, as all painting.
#include <QImage>

#include "widgets/gfx/Bitmap.h"

namespace skin {

// An RGB32 image of the bitmap's colours (any pixel format); a null image for an empty bitmap.
QImage ToQImage(const olv::TBitmap& bitmap);
// A 32-bit bitmap of the image's colours (alpha dropped).
olv::TBitmap FromQImage(const QImage& image);

}  // namespace skin
