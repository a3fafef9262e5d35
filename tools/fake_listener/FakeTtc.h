#pragma once
// The fake server's own reading and writing of the call protocol inside DATA payloads, written
// apart from the client's codec on purpose (as FakeWire is for packets): a misreading shared by
// both sides would agree with itself and no test would see it.
//
// What the client writes: every integer as a length byte and that many bytes big-endian; "short"
// ub2 values low byte first (a lone 0 for zero); byte arrays as CLRs (a length byte below 0xFE and
// the bytes, or 0xFE, chunks and a zero byte). What the fake writes back: before the data-type
// negotiation fixed 2-byte integers low byte first; after it, every integer as a length byte
// (bit 0x80 for negative) and big-endian bytes.
//
// Pure values; any thread.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "tools/fake_listener/FakeWire.h"

namespace ora::fake {

// Reading ran past the bytes gathered so far: the client's message continues in a later packet.
struct NeedMore {};
// The client sent something the fake cannot make sense of.
struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class TtcIn {
 public:
  explicit TtcIn(const Bytes& bytes, std::size_t at = 0) : b_(bytes), at_(at) {}

  std::uint8_t Byte();
  std::uint64_t Ub4();        // length byte and big-endian bytes
  std::uint16_t ShortUb2();   // low byte first; a lone 0 is zero
  // A CLR value; `null` tells 0/255 apart from an empty chunked value.
  Bytes Clr(bool* null = nullptr);
  std::string ClrText() {
    const Bytes b = Clr();
    return std::string(b.begin(), b.end());
  }
  std::string CText();  // up to a zero byte
  Bytes Take(std::size_t n);
  std::size_t Position() const { return at_; }
  bool AtEnd() const { return at_ >= b_.size(); }

 private:
  const Bytes& b_;
  std::size_t at_;
};

class TtcOut {
 public:
  // `negotiated`: after the data-type negotiation, integers are length-prefixed.
  explicit TtcOut(bool negotiated = true) : negotiated_(negotiated) {}

  TtcOut& Byte(std::uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  TtcOut& Raw(const Bytes& b) {
    out_.insert(out_.end(), b.begin(), b.end());
    return *this;
  }
  TtcOut& Raw(const std::string& s) {
    out_.insert(out_.end(), s.begin(), s.end());
    return *this;
  }
  TtcOut& Int(std::int64_t v);  // ub2/sb2/ub4/sb4 alike
  TtcOut& Fixed2LittleEndian(std::uint16_t v) {
    return Byte(std::uint8_t(v)).Byte(std::uint8_t(v >> 8));
  }
  // A CLR: one length byte up to 252 bytes, else 0xFE and chunks of `chunk` bytes; null: 0.
  TtcOut& Clr(const Bytes& value, std::size_t chunk = 200);
  TtcOut& ClrText(const std::string& text) { return Clr(Bytes(text.begin(), text.end())); }
  TtcOut& Null() { return Byte(0); }
  const Bytes& Data() const { return out_; }
  std::size_t Size() const { return out_.size(); }

 private:
  bool negotiated_;
  Bytes out_;
};

// NUMBER bytes of a decimal text ("-12.5", "100000"): the fake's own encoder.
Bytes FakeNumber(const std::string& decimal);
// DATE bytes: century + 100, year + 100, month, day, hour + 1, minute + 1, second + 1.
Bytes FakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace ora::fake
