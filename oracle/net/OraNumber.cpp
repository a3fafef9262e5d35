#include "oracle/net/OraNumber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "oracle/net/NetErrors.h"
#include "oracle/net/NetWire.h"

namespace ora {
namespace {

constexpr std::uint8_t kZero = 0x80;
constexpr std::uint8_t kNegativeEnd = 102;
constexpr int kMaxDigits = 20;

[[noreturn]] void IntegerOverflow() {
  throw EOraNetError(EOraNetError::kIntegerOverflow, "ORA-01455: converting column overflows integer datatype");
}

[[noreturn]] void NumericOverflow() {
  throw EOraNetError(EOraNetError::kNumericOverflow, "ORA-01426: numeric overflow");
}

// Base-100 digits (0-99), most significant first, and the power of 100 of the first.
struct TDigits {
  int digits[kMaxDigits];
  int count = 0;
  int exponent = 0;
  bool negative = false;
};

std::size_t Encode(const TDigits& d, std::uint8_t out[kOraNumberBuffer]) {
  int count = d.count;
  while (count > 0 && d.digits[count - 1] == 0) --count;  // trailing zeros are not stored
  if (count == 0) {
    out[0] = kZero;
    return 1;
  }
  std::size_t n = 0;
  if (!d.negative) {
    out[n++] = std::uint8_t(0xC1 + d.exponent);
    for (int i = 0; i < count; ++i) out[n++] = std::uint8_t(d.digits[i] + 1);
  } else {
    out[n++] = std::uint8_t(0x3E - d.exponent);
    for (int i = 0; i < count; ++i) out[n++] = std::uint8_t(101 - d.digits[i]);
    if (count < kMaxDigits) out[n++] = kNegativeEnd;
  }
  return n;
}

// Reads the bytes into digits; false for the special values (zero and the infinities), which
// `special` then names: 0 zero, 1 plus infinity, -1 minus infinity.
bool Decode(const std::uint8_t* bytes, std::size_t count, TDigits& d, int& special) {
  if (count == 0 || count > kOraNumberMaxBytes) ThrowProtocol();
  const std::uint8_t head = bytes[0];
  if (head == kZero && count == 1) {
    special = 0;
    return false;
  }
  if (head == 0xFF && count == 2 && bytes[1] == 101) {
    special = 1;
    return false;
  }
  if (head == 0x00 && count == 1) {
    special = -1;
    return false;
  }
  d.negative = (head & 0x80) == 0;
  d.exponent = d.negative ? 0x3E - head : head - 0xC1;
  for (std::size_t i = 1; i < count; ++i) {
    const int b = bytes[i];
    if (d.negative && b == kNegativeEnd && i == count - 1) break;
    const int digit = d.negative ? 101 - b : b - 1;
    if (digit < 0 || digit > 99) ThrowProtocol();
    d.digits[d.count++] = digit;
  }
  return true;
}

}  // namespace

std::size_t IntToOraNumber(std::int64_t value, std::uint8_t out[kOraNumberBuffer]) {
  TDigits d;
  d.negative = value < 0;
  // The magnitude as unsigned, so the most negative value does not overflow.
  std::uint64_t magnitude = d.negative ? 0 - std::uint64_t(value) : std::uint64_t(value);
  int reversed[kMaxDigits];
  int n = 0;
  for (; magnitude != 0; magnitude /= 100) reversed[n++] = int(magnitude % 100);
  for (int i = 0; i < n; ++i) d.digits[i] = reversed[n - 1 - i];
  d.count = n;
  d.exponent = n - 1;
  return Encode(d, out);
}

std::size_t FloatToOraNumber(double value, std::uint8_t out[kOraNumberBuffer]) {
  if (std::isnan(value)) NumericOverflow();
  if (value == 0) {
    out[0] = kZero;
    return 1;
  }
  if (std::isinf(value)) {
    if (value > 0) {
      out[0] = 0xFF;
      out[1] = 101;
      return 2;
    }
    out[0] = 0x00;
    return 1;
  }
  if (std::fabs(value) >= 1e126 || std::fabs(value) < 1e-130) NumericOverflow();
  // Fifteen significant decimal digits rounded half up. The library would round an exact tie to
  // even, so it prints the value's exact expansion (every double in range has fewer than 800
  // significant digits) and the rounding happens here on the sixteenth digit.
  char text[832];
  std::snprintf(text, sizeof text, "%.800e", std::fabs(value));
  int decimals[16];
  int nd = 0;
  int next = 0;
  for (const char* p = text; *p && *p != 'e'; ++p) {
    if (*p < '0' || *p > '9') continue;
    if (nd < 15) {
      decimals[nd++] = *p - '0';
    } else {
      next = *p - '0';
      break;
    }
  }
  int e10 = std::atoi(std::strchr(text, 'e') + 1);
  if (next >= 5) {
    int i = nd - 1;
    for (; i >= 0 && decimals[i] == 9; --i) decimals[i] = 0;
    if (i >= 0) {
      ++decimals[i];
    } else {
      decimals[0] = 1;  // 9.99...9 became 10.0...0: one more decimal power
      ++e10;
    }
  }
  if (e10 >= 126 || e10 < -130) NumericOverflow();
  TDigits d;
  d.negative = value < 0;
  // An even decimal exponent puts the first decimal digit alone in the first base-100 digit.
  const int lead = (e10 % 2 == 0) ? 1 : 2;
  d.exponent = e10 >= 0 ? e10 / 2 : -((-e10 + 1) / 2);
  int at = 0;
  d.digits[d.count++] = lead == 1 ? decimals[at++] : decimals[0] * 10 + decimals[1];
  if (lead == 2) at = 2;
  while (at < nd) {
    const int high = decimals[at++];
    const int low = at < nd ? decimals[at++] : 0;
    d.digits[d.count++] = high * 10 + low;
  }
  return Encode(d, out);
}

std::int64_t OraNumberToInt(const std::uint8_t* bytes, std::size_t count, int width) {
  TDigits d;
  int special = 0;
  if (!Decode(bytes, count, d, special)) {
    if (special != 0) IntegerOverflow();
    return 0;
  }
  if (d.exponent < 0) return 0;
  // The integer part's magnitude, with the overflow of 64 bits seen before it happens.
  const std::uint64_t limit = width >= 8 ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (d.negative ? 1 : 0)
                                         : (std::uint64_t(1) << (8 * width - 1)) - (d.negative ? 0 : 1);
  std::uint64_t magnitude = 0;
  for (int i = 0; i <= d.exponent; ++i) {
    const int digit = i < d.count ? d.digits[i] : 0;
    if (magnitude > (limit - std::uint64_t(digit)) / 100) IntegerOverflow();
    magnitude = magnitude * 100 + std::uint64_t(digit);
  }
  if (magnitude > limit) IntegerOverflow();
  return d.negative ? std::int64_t(0 - magnitude) : std::int64_t(magnitude);
}

double OraNumberToFloat(const std::uint8_t* bytes, std::size_t count) {
  TDigits d;
  int special = 0;
  if (!Decode(bytes, count, d, special)) {
    if (special == 0) return 0;
    return special > 0 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
  }
  // The digits as a decimal text, read back by the library: correctly rounded to the nearest double.
  char text[64];
  int n = 0;
  if (d.negative) text[n++] = '-';
  for (int i = 0; i < d.count; ++i) {
    text[n++] = char('0' + d.digits[i] / 10);
    text[n++] = char('0' + d.digits[i] % 10);
  }
  if (d.count == 0) text[n++] = '0';
  std::snprintf(text + n, sizeof text - std::size_t(n), "e%d", 2 * (d.exponent - d.count + 1));
  return std::strtod(text, nullptr);
}

}  // namespace ora
