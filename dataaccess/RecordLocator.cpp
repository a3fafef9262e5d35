#include "dataaccess/RecordLocator.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/DBObject.h"
#include "dataaccess/RecordBuffer.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

constexpr const char* kModule = "MemDS";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string TimeText(double dayNumber) {
  double frac = std::fabs(dayNumber - std::trunc(dayNumber));
  auto s = static_cast<long long>(std::llround(frac * 86400.0)) % 86400;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

bool IsIntKeyType(TDataType t) { return t == dtInt8 || t == dtInt16 || t == dtInt32 || t == dtUInt16; }

}  // namespace

bool TRecordLocator::LocateEx(std::string_view keyFields, const Variant& keyValue, bool restorePosition,
                              TLocateExOptions options) {
  return LocateEx(keyFields, std::vector<Variant>{keyValue}, restorePosition, options);
}

bool TRecordLocator::LocateEx(std::string_view keyFields, const std::vector<Variant>& keyValues,
                              bool restorePosition, TLocateExOptions options) {
  struct Key {
    const TFieldDesc* field;
    bool hasBuffer;
    std::vector<std::uint8_t> buffer;
    TDataType type;
  };
  std::vector<Key> keys;
  std::size_t start = 0;
  while (start <= keyFields.size()) {
    std::size_t end = keyFields.find(';', start);
    if (end == std::string_view::npos) end = keyFields.size();
    std::string_view name = Trim(keyFields.substr(start, end - start));
    if (!name.empty()) keys.push_back(Key{&data_.FieldByName(name), false, {}, dtUnknown});
    start = end + 1;
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const Variant value = i < keyValues.size() ? keyValues[i] : Variant::Null();
    keys[i].hasBuffer = FieldToBuffer(value, keys[i].buffer, *keys[i].field, keys[i].type);
  }

  TRecBookmark saved;
  data_.GetBookmark(saved);
  const bool backwards = options & lxUp;
  if (!(options & (lxNext | lxUp))) data_.SetToBegin();
  std::unique_ptr<std::uint8_t[]> record(data_.AllocRecBuf());
  bool found = false;
  while (true) {
    if (backwards) {
      data_.GetPriorRecord(record.get());
      if (data_.GetBOF()) break;
    } else {
      data_.GetNextRecord(record.get());
      if (data_.GetEOF()) break;
    }
    bool match = true;
    for (const Key& key : keys) {
      const bool isNull = data_.GetNull(key.field->FieldNo, record.get());
      if (!key.hasBuffer) {
        match = isNull;
      } else {
        match = !isNull && CompareFieldValue(key.buffer.data(), key.type, options, record.get(), *key.field);
      }
      if (!match) break;
    }
    if (match) {
      found = true;
      break;
    }
  }
  if (!found || restorePosition) data_.SetToBookmark(saved);
  return found;
}

bool TRecordLocator::FieldToBuffer(const Variant& value, std::vector<std::uint8_t>& buffer, const TFieldDesc& field,
                                   TDataType& bufferType) {
  buffer.clear();
  if (value.IsEmptyOrNull()) return false;
  auto put = [&](const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    buffer.insert(buffer.end(), b, b + n);
  };
  const TDataType ft = field.DataType;
  if (value.VarType() == varString || value.VarType() == varOleStr) {
    if (ft == dtBoolean) {
      std::uint8_t b = value.AsBoolean() ? 1 : 0;
      put(&b, 1);
      bufferType = dtBoolean;
    } else if (ft == dtBytes || ft == dtVarBytes || ft == dtExtVarBytes) {
      std::string s = value.AsString();
      auto len = static_cast<std::uint16_t>(std::min<std::size_t>(s.size(), 0xFFFF));
      put(&len, 2);
      put(s.data(), len);
      bufferType = ft;
    } else if (ft == dtWideString) {
      std::u16string s = value.AsWideString();
      put(s.c_str(), (s.size() + 1) * sizeof(char16_t));
      bufferType = dtWideString;
    } else {
      std::string s = value.AsString();
      put(s.c_str(), s.size() + 1);
      bufferType = dtString;
    }
    return true;
  }
  bufferType = ft;
  switch (ft) {
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: {
      std::int32_t v = value.AsInteger();
      put(&v, 4);
      break;
    }
    case dtFloat: case dtCurrency: {
      double v = value.AsDouble();
      put(&v, 8);
      break;
    }
    case dtDate: case dtTime: case dtDateTime: {
      // The key stays a day number; the field is read through the store's own conversion.
      double d = value.AsDate();
      put(&d, 8);
      break;
    }
    case dtBoolean: {
      std::uint8_t b = value.AsBoolean() ? 1 : 0;
      put(&b, 1);
      break;
    }
    case dtInt64: {
      std::int64_t v = value.AsInt64();
      put(&v, 8);
      break;
    }
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
      DAAssert(value.IsByteArray(), kModule);
      const auto& bytes = value.AsBytes();
      auto len = static_cast<std::uint16_t>(std::min<std::size_t>(bytes.size(), 0xFFFF));
      put(&len, 2);
      if (len) put(bytes.data(), len);
      break;
    }
    case dtUInt32: {
      auto v = static_cast<std::uint32_t>(value.AsInt64());
      put(&v, 4);
      break;
    }
    default:
      throw EConvertError("Cannot convert type.");
  }
  return true;
}

double TRecordLocator::FieldDay(const void* record, const TFieldDesc& field) {
  if (field.HasParent()) return data_.GetFieldAsVariant(field.FieldNo, record).AsDate();
  double day;
  data_.DateTimeToInternal(static_cast<const std::uint8_t*>(record) + field.Offset, &day, dfDayNumber);
  return day;
}

std::string TRecordLocator::FieldText(const void* record, const TFieldDesc& field) {
  if (field.HasParent()) {
    Variant v = data_.GetFieldAsVariant(field.FieldNo, record);
    return v.AsString();
  }
  const auto* p = static_cast<const std::uint8_t*>(record) + field.Offset;
  switch (field.DataType) {
    case dtString: {
      std::string s(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), field.Size));
      if (field.Fixed && data_.TrimFixedChar)
        while (s.size() > 1 && s.back() == ' ') s.pop_back();
      return s;
    }
    case dtInt8: return std::to_string(ReadValue<std::int8_t>(p));
    case dtInt16: return std::to_string(ReadValue<std::int16_t>(p));
    case dtUInt16: return std::to_string(ReadValue<std::uint16_t>(p));
    case dtInt32: return std::to_string(ReadValue<std::int32_t>(p));
    case dtUInt32: return std::to_string(ReadValue<std::uint32_t>(p));
    case dtInt64: return std::to_string(ReadValue<std::int64_t>(p));
    case dtFloat: case dtCurrency: return FloatToText(ReadValue<double>(p));
    case dtDate: return DateTimeToText(std::trunc(FieldDay(record, field)));
    case dtTime: return TimeText(FieldDay(record, field));
    case dtDateTime: return DateTimeToText(FieldDay(record, field));
    case dtVariant: {
      auto* v = static_cast<TVariantObject*>(ReadPointer(p));
      return v ? v->Value.AsString() : std::string();
    }
    case dtExtString: {
      const char* s = static_cast<const char*>(ReadPointer(p));
      return s ? s : "";
    }
    case dtWideString: case dtExtWideString: {
      std::u16string s;
      if (field.DataType == dtWideString) {
        for (std::size_t i = 0; i < field.Length; ++i) {
          char16_t c = ReadValue<char16_t>(p + 2 * i);
          if (!c) break;
          s += c;
        }
        if (field.Fixed && data_.TrimFixedChar)
          while (s.size() > 1 && s.back() == u' ') s.pop_back();
      } else if (const auto* w = static_cast<const char16_t*>(ReadPointer(p))) {
        s = w;
      }
      return Utf16ToUtf8(s);
    }
    case dtBlob: case dtMemo: {
      auto* blob = static_cast<TBlob*>(ReadPointer(p));
      return blob ? blob->GetAsString() : std::string();
    }
    default:
      throw Exception("Cannot convert type.");
  }
}

bool TRecordLocator::CompareFieldValue(const void* key, TDataType keyType, TLocateExOptions options,
                                       const void* record, const TFieldDesc& field) {
  const auto* p = static_cast<const std::uint8_t*>(record) + field.Offset;
  auto numericMatch = [&](auto k, auto f) { return k == f || ((options & lxNearest) && k <= f); };
  if (keyType == dtString || keyType == dtWideString) {
    std::string k = keyType == dtString ? std::string(static_cast<const char*>(key))
                                        : Utf16ToUtf8(static_cast<const char16_t*>(key));
    std::string f = FieldText(record, field);
    if (options & lxCaseInsensitive) {
      k = AsciiUpper(k);
      f = AsciiUpper(f);
    }
    if (options & lxPartialKey) {
      if (f.size() < k.size()) return false;
      f.resize(k.size());
    }
    const int c = k.compare(f);
    return c == 0 || ((options & lxNearest) && c < 0);
  }
  if (keyType == dtDate || keyType == dtTime || keyType == dtDateTime)
    return numericMatch(ReadValue<double>(key), FieldDay(record, field));
  // A key of another type has the field's own type; read the field in that type.
  std::vector<std::uint8_t> childValue;
  if (field.HasParent()) {
    childValue.resize(std::max<std::size_t>(field.Length, 8) + 8);
    bool blank;
    data_.GetFieldByNo(field.FieldNo, record, blank, childValue.data());
    p = childValue.data();
  }
  if (IsIntKeyType(keyType)) {
    std::int64_t k = ReadValue<std::int32_t>(key), f;
    switch (field.DataType) {
      case dtInt8: f = ReadValue<std::int8_t>(p); break;
      case dtInt16: f = ReadValue<std::int16_t>(p); break;
      case dtUInt16: f = ReadValue<std::uint16_t>(p); break;
      default: f = ReadValue<std::int32_t>(p); break;
    }
    return numericMatch(k, f);
  }
  switch (keyType) {
    case dtUInt32: return numericMatch(ReadValue<std::uint32_t>(key), ReadValue<std::uint32_t>(p));
    case dtInt64: return numericMatch(ReadValue<std::int64_t>(key), ReadValue<std::int64_t>(p));
    case dtFloat: case dtCurrency:
      return numericMatch(ReadValue<double>(key), ReadValue<double>(p));
    case dtBoolean: return (ReadValue<std::uint8_t>(key) != 0) == (ReadValue<std::int16_t>(p) != 0);
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
      const std::uint16_t keyLen = ReadValue<std::uint16_t>(key);
      const auto* keyBytes = static_cast<const std::uint8_t*>(key) + 2;
      const std::uint8_t* bytes;
      std::size_t len;
      if (field.DataType == dtBytes) {
        bytes = p;
        len = field.Length;
      } else if (field.DataType == dtVarBytes) {
        bytes = p + 2;
        len = ReadValue<std::uint16_t>(p);
      } else {
        const auto* chunk = static_cast<const std::uint8_t*>(ReadPointer(p));
        bytes = chunk ? chunk + 2 : nullptr;
        len = chunk ? ReadValue<std::uint16_t>(chunk) : 0;
      }
      if (options & lxPartialKey) return keyLen <= len && (keyLen == 0 || std::memcmp(keyBytes, bytes, keyLen) == 0);
      return keyLen == len && (len == 0 || std::memcmp(keyBytes, bytes, len) == 0);
    }
    default:
      DAAssert(false, kModule);
      return false;
  }
}

}  // namespace da
