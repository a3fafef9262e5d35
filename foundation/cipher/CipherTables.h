#pragma once
// The block cipher's initial tables: the hexadecimal fraction digits of pi, 18 words for the
// P-array followed by four boxes of 256 words. Read-only, shared by every thread.
#include <cstdint>

namespace olv {

extern const std::uint32_t kCipherInitP[18];
extern const std::uint32_t kCipherInitS[4][256];

}  // namespace olv
