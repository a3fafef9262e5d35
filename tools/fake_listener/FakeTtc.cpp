#include "tools/fake_listener/FakeTtc.h"

#include <algorithm>
#include <vector>

namespace ora::fake {

std::uint8_t TtcIn::Byte() {
  if (at_ >= b_.size()) throw NeedMore{};
  return b_[at_++];
}

std::uint64_t TtcIn::Ub4() {
  const int n = Byte();
  if (n > 8) throw Malformed("integer of " + std::to_string(n) + " bytes");
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | Byte();
  return v;
}

std::uint16_t TtcIn::ShortUb2() {
  const std::uint8_t low = Byte();
  if (low == 0) return 0;
  return std::uint16_t(low | Byte() << 8);
}

Bytes TtcIn::Take(std::size_t n) {
  if (b_.size() - at_ < n) throw NeedMore{};
  Bytes out(b_.begin() + long(at_), b_.begin() + long(at_ + n));
  at_ += n;
  return out;
}

Bytes TtcIn::Clr(bool* null) {
  const std::uint8_t first = Byte();
  if (null) *null = first == 0 || first == 255;
  if (first == 0 || first == 255) return {};
  if (first != 0xFE) return Take(first);
  Bytes out;
  for (std::uint8_t n; (n = Byte()) != 0;) {
    const Bytes chunk = Take(n);
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

std::string TtcIn::CText() {
  std::string out;
  for (char c; (c = char(Byte())) != '\0';) out += c;
  return out;
}

TtcOut& TtcOut::Int(std::int64_t v) {
  if (!negotiated_) throw std::logic_error("fixed integers are written by width");
  const bool negative = v < 0;
  std::uint64_t m = negative ? 0 - std::uint64_t(v) : std::uint64_t(v);
  std::vector<std::uint8_t> bytes;
  for (; m != 0; m >>= 8) bytes.insert(bytes.begin(), std::uint8_t(m));
  Byte(std::uint8_t(bytes.size() | (negative ? 0x80 : 0)));
  out_.insert(out_.end(), bytes.begin(), bytes.end());
  return *this;
}

TtcOut& TtcOut::Clr(const Bytes& value, std::size_t chunk) {
  if (value.empty()) return Byte(0);
  if (value.size() <= 252) {
    Byte(std::uint8_t(value.size()));
    return Raw(value);
  }
  Byte(0xFE);
  for (std::size_t at = 0; at < value.size(); at += chunk) {
    const std::size_t n = std::min(chunk, value.size() - at);
    Byte(std::uint8_t(n));
    out_.insert(out_.end(), value.begin() + long(at), value.begin() + long(at + n));
  }
  return Byte(0);
}

Bytes FakeNumber(const std::string& decimal) {
  std::string text = decimal;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);
  const std::size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (whole.empty() && fraction.empty()) return {0x80};
  if (whole.size() % 2) whole.insert(0, "0");
  if (fraction.size() % 2) fraction += '0';
  // Base-100 digits from the pairs of decimal digits, and the power of 100 of the first.
  std::vector<int> digits;
  int exponent;
  if (!whole.empty()) {
    exponent = int(whole.size() / 2) - 1;
    for (std::size_t i = 0; i < whole.size(); i += 2) digits.push_back((whole[i] - '0') * 10 + whole[i + 1] - '0');
    for (std::size_t i = 0; i < fraction.size(); i += 2) digits.push_back((fraction[i] - '0') * 10 + fraction[i + 1] - '0');
  } else {
    exponent = -1;
    std::size_t i = 0;
    for (; i < fraction.size() && fraction.compare(i, 2, "00") == 0; i += 2) --exponent;
    for (; i < fraction.size(); i += 2) digits.push_back((fraction[i] - '0') * 10 + fraction[i + 1] - '0');
  }
  if (digits.size() > 20) digits.resize(20);
  while (!digits.empty() && digits.back() == 0) digits.pop_back();
  Bytes out;
  if (!negative) {
    out.push_back(std::uint8_t(193 + exponent));
    for (int d : digits) out.push_back(std::uint8_t(d + 1));
  } else {
    out.push_back(std::uint8_t(62 - exponent));
    for (int d : digits) out.push_back(std::uint8_t(101 - d));
    if (digits.size() < 20) out.push_back(102);
  }
  return out;
}

Bytes FakeDate(int year, int month, int day, int hour, int minute, int second) {
  return {std::uint8_t(year / 100 + 100), std::uint8_t(year % 100 + 100), std::uint8_t(month), std::uint8_t(day),
          std::uint8_t(hour + 1), std::uint8_t(minute + 1), std::uint8_t(second + 1)};
}

}  // namespace ora::fake
