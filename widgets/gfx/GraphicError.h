#pragma once
// The raster layer's error: a picture that cannot be made, read or addressed (bad size, a pixel
// outside the bitmap, a damaged BMP file). The GIF library's GIFException derives from it.
#include "foundation/base/Exception.h"

namespace olv {

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace olv
