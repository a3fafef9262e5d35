#pragma once
// The 10-byte extended float of stored files (64-bit mantissa with explicit integer bit, 15-bit
// exponent biased by 16383, sign), little-endian, converted to and from long double whatever the
// platform's long double is. Pure functions.
#include <cstdint>

namespace olv {

void LongDoubleToExtended80(long double value, uint8_t out[10]);
long double Extended80ToLongDouble(const uint8_t in[10]);

}  // namespace olv
