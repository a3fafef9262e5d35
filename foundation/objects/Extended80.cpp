#include "foundation/objects/Extended80.h"

#include <cmath>
#include <cstring>

namespace olv {

void LongDoubleToExtended80(long double value, uint8_t out[10]) {
  uint64_t mant = 0;
  uint16_t exp = 0;
  const bool neg = std::signbit(value);
  if (std::isnan(value)) {
    exp = 0x7FFF;
    mant = 0xC000000000000000ULL;
  } else if (std::isinf(value)) {
    exp = 0x7FFF;
    mant = 0x8000000000000000ULL;
  } else if (value != 0) {
    int e = 0;
    const long double m = std::frexp(std::fabs(value), &e);  // |v| = m * 2^e, m in [0.5, 1)
    const int biased = e - 1 + 16383;
    if (biased >= 0x7FFF) {
      exp = 0x7FFF;
      mant = 0x8000000000000000ULL;
    } else if (biased <= 0) {
      // Denormal: the value is mant * 2^(1 - 16383 - 63).
      mant = static_cast<uint64_t>(std::ldexp(std::fabs(value), 16382 + 63));
      exp = 0;
    } else {
      mant = static_cast<uint64_t>(std::ldexp(m, 64));
      exp = static_cast<uint16_t>(biased);
    }
  }
  if (neg) exp |= 0x8000;
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mant >> (8 * i));
  out[8] = static_cast<uint8_t>(exp);
  out[9] = static_cast<uint8_t>(exp >> 8);
}

long double Extended80ToLongDouble(const uint8_t in[10]) {
  uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= static_cast<uint64_t>(in[i]) << (8 * i);
  const uint16_t se = static_cast<uint16_t>(in[8] | (in[9] << 8));
  const bool neg = (se & 0x8000) != 0;
  const int exp = se & 0x7FFF;
  long double v;
  if (exp == 0x7FFF) {
    v = (mant << 1) == 0 ? HUGE_VALL : NAN;
  } else {
    v = std::ldexp(static_cast<long double>(mant), (exp == 0 ? 1 : exp) - 16383 - 63);
  }
  return neg ? -v : v;
}

}  // namespace olv
