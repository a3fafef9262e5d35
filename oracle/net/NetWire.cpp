#include "oracle/net/NetWire.h"

#include <algorithm>
#include <cstring>

#include "oracle/net/NetErrors.h"

namespace ora {

void ThrowProtocol(int code) { throw EDBError(code); }

void TNetWriter::UB4(std::uint64_t value) {
  std::uint8_t bytes[9];
  int n = 0;
  for (std::uint64_t v = value; v != 0; v >>= 8) ++n;
  bytes[0] = std::uint8_t(n);
  for (int i = 0; i < n; ++i) bytes[1 + i] = std::uint8_t(value >> (8 * (n - 1 - i)));
  c_.WriteBytes(bytes, std::size_t(n + 1));
}

void TNetWriter::ShortUB2(std::uint16_t value) {
  if (value == 0) return Byte(0);
  const std::uint8_t bytes[2] = {std::uint8_t(value), std::uint8_t(value >> 8)};
  c_.WriteBytes(bytes, 2);
}

void TNetWriter::Clr(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (count == 0) return;
  if (count < 65) {
    Byte(std::uint8_t(count));
    c_.WriteBytes(p, count);
    return;
  }
  Byte(0xFE);
  while (count > 0) {
    const std::size_t n = std::min<std::size_t>(count, 64);
    Byte(std::uint8_t(n));
    c_.WriteBytes(p, n);
    p += n;
    count -= n;
  }
  Byte(0);
}

std::int64_t TNetReader::Integer(int width) {
  const auto& r = c_.Representations();
  const std::uint8_t order = width == 2 ? r[1] : r[2];
  const bool littleEndian = (order & 2) != 0;
  int count = width;
  bool negative = false;
  if (r[1] & 1) {
    const std::uint8_t length = UB1();
    negative = (length & 0x80) != 0;
    count = length & 0x7F;
    if (count > width) ThrowProtocol();
  }
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  for (int i = 0; i < count; ++i) bytes[i] = UB1();
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i) {
    const int at = littleEndian ? count - 1 - i : i;
    value = value << 8 | bytes[at];
  }
  const auto signedValue = std::int64_t(value);
  return negative ? -signedValue : signedValue;
}

std::uint16_t TNetReader::FixedUB2BigEndian() {
  const std::uint8_t high = UB1();
  return std::uint16_t(high << 8 | UB1());
}

TBytes TNetReader::ShortBytes() {
  TBytes out(UB1());
  if (!out.empty()) c_.ReadBytes(out.data(), out.size());
  return out;
}

std::string TNetReader::CString(std::size_t limit) {
  std::string out;
  while (out.size() < limit) {
    const char c = char(UB1());
    if (c == '\0') break;
    out += c;
  }
  return out;
}

void TNetReader::Skip(std::size_t count) {
  Pass(count, [](const std::uint8_t*, std::size_t) {});
}

TBytes TNetReader::ClrBytes() {
  TBytes out;
  Clr([&](const std::uint8_t* data, std::size_t n) {
    if (out.size() + n > kLongestWholeValue) ThrowProtocol();
    out.insert(out.end(), data, data + n);
  });
  return out;
}

std::string TNetReader::ClrText() {
  const TBytes bytes = ClrBytes();
  return std::string(bytes.begin(), bytes.end());
}

long long TNetReader::ClrInto(std::uint8_t* target, std::size_t capacity) {
  std::size_t total = 0;
  const bool present = Clr([&](const std::uint8_t* data, std::size_t n) {
    if (total < capacity) std::memcpy(target + total, data, std::min(n, capacity - total));
    total += n;
  });
  return present ? static_cast<long long>(total) : -1;
}

}  // namespace ora
