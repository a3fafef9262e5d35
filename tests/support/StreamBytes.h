#pragma once
// Builds object-stream bytes by hand from the format's layout, independently of TObjWriter, so
// that the reader and the writer cannot agree on the same mistake.
#include <cstdint>
#include <string>
#include <string_view>

namespace olvtest {

class Bytes {
 public:
  Bytes& raw(std::string_view s) { out_.append(s); return *this; }
  Bytes& b(int v) { out_ += static_cast<char>(v & 0xFF); return *this; }
  Bytes& le(uint64_t v, int n) { for (int i = 0; i < n; ++i) b(static_cast<int>(v >> (8 * i))); return *this; }
  // Long name: a length byte below 255, else 255 and a 32-bit length.
  Bytes& name(std::string_view s) {
    if (s.size() < 255) b(static_cast<int>(s.size())); else b(255).le(s.size(), 4);
    return raw(s);
  }
  Bytes& str(std::string_view s) {  // tag 6 or tag 12
    if (s.size() <= 255) b(6).b(static_cast<int>(s.size())); else b(12).le(s.size(), 4);
    return raw(s);
  }
  Bytes& int8(int v) { return b(2).b(v); }
  Bytes& int16(int v) { return b(3).le(static_cast<uint16_t>(v), 2); }
  Bytes& int32(int32_t v) { return b(4).le(static_cast<uint32_t>(v), 4); }
  Bytes& end() { return b(0); }
  // Record header: class name and object name.
  Bytes& rec(std::string_view cls, std::string_view objName) { return name(cls).name(objName); }
  const std::string& str() const { return out_; }
  operator std::string() const { return out_; }

 private:
  std::string out_;
};

}  // namespace olvtest
