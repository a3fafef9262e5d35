#pragma once
// The one exception class of the GIF library: raised where a picture cannot be read or written
// any further. Damaged input that can still be read gives warnings instead (TGIFImage::OnWarning).
#include "widgets/gfx/GraphicError.h"

namespace olv {

class GIFException : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
};

}  // namespace olv
