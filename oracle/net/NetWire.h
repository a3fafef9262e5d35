#pragma once
// The encoding of the call protocol carried over the TNS byte stream.
// - TNetWriter appends values to the connection's outgoing data packet; the request goes out when
//   its reply is first read.
// - TNetReader takes values from the incoming data packets, decoding 2- and 4-byte integers by
//   the connection's representation bytes (fixed width or length-prefixed, either byte order).
// Every length read is checked before it is used: a value that cannot be what the protocol allows
// raises EDBError 1, and nothing is ever copied past a caller's buffer.
// Both are light views of a connection the caller owns; one thread at a time, as the connection.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/net/TnsConnection.h"

namespace ora {

using TBytes = std::vector<std::uint8_t>;

// Message types of the call protocol.
enum TNetMessage : std::uint8_t {
  kMsgProtocol = 1, kMsgDataTypes = 2, kMsgCall = 3, kMsgStatus = 4, kMsgRowHeader = 6, kMsgRowData = 7,
  kMsgReturn = 8, kMsgEndOfCall = 9, kMsgBindRequest = 11, kMsgWarning = 15
};

// The EDBError codes of the call protocol.
enum TNetProtocolError : int {
  kErrUnexpected = 1, kErrRowHeader = 40, kErrSessionKeyLong = 106, kErrNamesTooLong = 107,
  kErrNamesMissing = 112, kErrEmptyText = 210, kErrProtocolVersion = 444
};

[[noreturn]] void ThrowProtocol(int code = kErrUnexpected);

class TNetWriter {
 public:
  explicit TNetWriter(TTnsConnection& connection) : c_(connection) {}

  void Byte(std::uint8_t value) { c_.WriteBytes(&value, 1); }
  void Boolean(bool value) { Byte(value ? 1 : 0); }
  void Pointer(bool present) { Byte(present ? 1 : 0); }
  // Any integer: a length byte, then the value's bytes big-endian without leading zero bytes.
  void UB4(std::uint64_t value);
  // The two bytes low first; 0 is the single byte 0.
  void ShortUB2(std::uint16_t value);
  // A byte array's length (ub4; the single byte 0 when empty).
  void Length(std::size_t count) { UB4(count); }
  // A CLR: nothing when empty, one length byte below 65 bytes, else 0xFE, chunks of at most 64
  // bytes each behind its length byte, and a zero byte.
  void Clr(const void* data, std::size_t count);
  void Text(std::string_view text) { Clr(text.data(), text.size()); }
  // The three bytes that start a function call.
  void Call(std::uint8_t function) {
    const std::uint8_t head[3] = {kMsgCall, function, 0};
    c_.WriteBytes(head, 3);
  }
  void Raw(const void* data, std::size_t count) { c_.WriteBytes(data, count); }

 private:
  TTnsConnection& c_;
};

class TNetReader {
 public:
  // The longest text or byte array taken whole (session keys, error texts, column names).
  static constexpr std::size_t kLongestWholeValue = 1 << 20;

  explicit TNetReader(TTnsConnection& connection) : c_(connection) {}

  std::uint8_t UB1() { return c_.ReadByte(); }
  std::uint16_t UB2() { return std::uint16_t(Integer(2)); }
  std::int16_t SB2() { return std::int16_t(Integer(2)); }
  std::uint32_t UB4() { return std::uint32_t(Integer(4)); }
  std::int32_t SB4() { return std::int32_t(Integer(4)); }
  // A ub2 written as two fixed bytes big-endian whatever the representation.
  std::uint16_t FixedUB2BigEndian();
  // A length byte and that many bytes.
  TBytes ShortBytes();
  // Bytes up to a zero byte (consumed) or `limit` bytes.
  std::string CString(std::size_t limit);
  void Skip(std::size_t count);

  // A CLR, each piece handed to `sink(const uint8_t*, size_t)` as it comes off the stream;
  // false when the value is null (nothing handed on). Always consumes the whole value.
  template <class Sink>
  bool Clr(Sink&& sink);
  // A CLR taken whole, at most kLongestWholeValue bytes (EDBError 1 beyond); empty when null.
  TBytes ClrBytes();
  std::string ClrText();
  // A CLR copied into `target` of room `capacity`, the rest consumed and dropped; the bytes the
  // value held (which may exceed `capacity`), -1 when null.
  long long ClrInto(std::uint8_t* target, std::size_t capacity);

  TTnsConnection& Connection() { return c_; }

 private:
  std::int64_t Integer(int width);
  void Pass(std::size_t count, auto&& sink);

  TTnsConnection& c_;
};

template <class Sink>
bool TNetReader::Clr(Sink&& sink) {
  const std::uint8_t first = UB1();
  if (first == 0 || first == 255) return false;
  if (first == 253) ThrowProtocol();
  if (first != 254) {
    Pass(first, sink);
    return true;
  }
  const bool converting = c_.ConversionFlag();
  for (;;) {
    const std::uint8_t length = UB1();
    if (length == 0) return true;
    if (length == 254 && converting) continue;
    Pass(length, sink);
  }
}

void TNetReader::Pass(std::size_t count, auto&& sink) {
  while (count > 0) {
    const std::uint8_t* data = nullptr;
    const std::size_t n = c_.ReadView(data, count);
    sink(data, n);
    count -= n;
  }
}

}  // namespace ora
