#pragma once
// The LZW decoder of a frame's pixel data. It reads the minimum code size byte and every data
// sub-block up to and including the 0 terminator (so the stream always stands after the image
// data, whatever the codes say), decoding into the pixel buffer as it reads, row after row or in
// interlaced order.
//
// Damaged data never stops the picture: a sub-block cut short ("Premature end of data"), codes
// that run out before the last pixel ("Decoder bit buffer under-run"), a code above the next free
// code or a first code that is no pixel ("Invalid code in image data") and a minimum code size
// outside 1..11 ("Invalid minimum code size") end this frame's decoding with a warning; pixels not
// reached keep the value the caller filled them with. Nothing is ever written outside the buffer
// or the decoder's 4096-entry table.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "foundation/streams/Stream.h"

namespace olv {

using TGIFWarn = std::function<void(const std::string& message)>;

// pixels holds width x height bytes, filled by the caller.
void GIFDecodeImage(TStream& s, std::span<uint8_t> pixels, int width, int height, bool interlaced,
                    const TGIFWarn& warn);

}  // namespace olv
