// GIF pictures come from files and pages: loading any bytes must either read (with warnings) or
// raise GIFException, never crash or run past its buffers. What was read is rendered and written
// back too, so the frame and encoder paths see damaged models as well.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/streams/Stream.h"
#include "widgets/gfx/BmpFile.h"
#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  olv::TGIFImage image;
  olv::TMemoryStream in(std::vector<std::uint8_t>(data, data + size));
  try {
    image.LoadFromStream(in);
  } catch (const olv::EInvalidGraphic&) {
  }
  try {
    for (const auto& frame : image.Images()) {
      // Large but legal frames are left out to keep each run fast.
      if (static_cast<std::int64_t>(frame->Width()) * frame->Height() > (1 << 20)) return 0;
      frame->Bitmap();
      frame->HasMask();
    }
    olv::TMemoryStream out;
    if (!image.Empty()) image.SaveToStream(out);
  } catch (const olv::EInvalidGraphic&) {
  }
  // The raster layer's BMP reader sees the same bytes.
  try {
    olv::ReadBmp(std::vector<std::uint8_t>(data, data + size));
  } catch (const olv::EInvalidGraphic&) {
  }
  return 0;
}
