// The legacy binary form of a parameter list, as older forms stored it.
#include <cstring>
#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "foundation/streams/Stream.h"
#include "oracle/components/OraParams.h"

namespace ora {

namespace {

using da::TFieldType;
using da::Variant;

[[noreturn]] void Damaged(const std::string& what) { throw olv::EReadError("Damaged parameter data: " + what); }

class Reader {
 public:
  explicit Reader(da::TStream& stream) : stream_(stream) {}
  std::uint64_t Unsigned(std::size_t width) {
    std::uint8_t bytes[8] = {};
    Bytes(bytes, width);
    std::uint64_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = v << 8 | bytes[i];
    return v;
  }
  std::string Text(std::size_t length) {
    std::string s(length, '\0');
    Bytes(s.data(), length);
    return s;
  }

 private:
  void Bytes(void* buffer, std::size_t n) {
    if (n == 0) return;
    if (stream_.Read(buffer, static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) Damaged("it ends early");
  }
  da::TStream& stream_;
};

bool IsText(TFieldType t) {
  return t == da::ftString || t == da::ftFixedChar || t == da::ftWideString || t == da::ftMemo;
}

bool IsObjectKind(TFieldType t) {
  return t == da::ftADT || t == da::ftArray || t == da::ftReference || t == da::ftDataSet;
}

// A stored value's bytes as the parameter's type reads them.
Variant ValueOf(TFieldType t, const std::string& bytes) {
  if (IsText(t) || t == ftIntervalYM || t == ftIntervalDS) return Variant(bytes);
  if (bytes.empty()) return Variant();
  auto integer = [&] {
    std::int64_t v = 0;
    const std::size_t n = std::min<std::size_t>(bytes.size(), 8);
    for (std::size_t i = n; i-- > 0;) v = v << 8 | static_cast<std::uint8_t>(bytes[i]);
    // Sign-extended from its own width.
    if (n > 0 && n < 8 && (static_cast<std::uint8_t>(bytes[n - 1]) & 0x80)) v -= std::int64_t{1} << (8 * n);
    return v;
  };
  auto real = [&] {
    if (bytes.size() != sizeof(double)) Damaged("a number is not 8 bytes");
    double d;
    std::memcpy(&d, bytes.data(), sizeof d);
    return d;
  };
  switch (static_cast<int>(t)) {
    case da::ftSmallint: case da::ftInteger: case da::ftWord: case da::ftAutoInc:
      return Variant(static_cast<std::int32_t>(integer()));
    case da::ftLargeint: return Variant(integer());
    case da::ftBoolean: return Variant(integer() != 0);
    case da::ftFloat: case da::ftCurrency: return Variant(real());
    case da::ftDate: case da::ftTime: case da::ftDateTime: case da::ftTimeStamp: case ftTimeStampTZ:
    case ftTimeStampLTZ:
      return Variant::Date(real());
    default: return Variant(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
}

}  // namespace

void TOraParams::ReadData(da::TStream& stream) {
  Clear();
  try {
    Reader in(stream);
    const auto version = in.Unsigned(1);
    const auto count = in.Unsigned(2);
    for (std::uint64_t i = 0; i < count; ++i) {
      std::string name = in.Text(in.Unsigned(1));
      const auto dataType = static_cast<da::TDataType>(in.Unsigned(2));
      TFieldType type;
      try {
        type = OraDataTypeToFieldType(dataType);
      } catch (const da::EAssertionFailed&) {
        Damaged("unknown data type " + std::to_string(dataType));
      }
      auto& p = static_cast<TOraParam&>(CreateParam(type, std::move(name), da::ptUnknown));
      if (type != da::ftUnknown && type != da::ftBlob && type != da::ftMemo && type != da::ftCursor) {
        if (type == da::ftString || type == da::ftFixedChar) p.Size = static_cast<int>(in.Unsigned(4));
        // The whole value, whatever its length: the field's two bytes are the only bound.
        const std::string value = in.Text(in.Unsigned(2));
        if (!IsObjectKind(type)) p.SetValue(ValueOf(type, value));
        if (in.Unsigned(1) != 0) p.Clear();
        p.SetTable(in.Unsigned(1) != 0);
        const auto length = static_cast<std::int32_t>(in.Unsigned(4));
        if (length < 0 || length > kMaxLegacyLength) Damaged("a length of " + std::to_string(length));
        p.SetLength(length);
      }
      if (version >= 2) {
        const auto direction = in.Unsigned(1);
        if (direction > da::ptResult) Damaged("a direction of " + std::to_string(direction));
        p.ParamType = static_cast<da::TParamType>(direction);
      }
    }
  } catch (...) {
    Clear();
    throw;
  }
}

}  // namespace ora
