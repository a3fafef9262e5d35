#include "oracle/server/OraParamDesc.h"

#include <algorithm>
#include <cstring>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "oracle/OraConsts.h"
#include "oracle/server/OraCursor.h"
#include "oracle/values/OraDate.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"

namespace ora {

namespace {

using da::Variant;

// A ROWID parameter carries the ROWID's text: neither interface can make its own ROWID form
// from a text, while the server takes the text where a ROWID is wanted.
bool IsTextType(da::TDataType t) {
  return t == da::dtString || t == dtFixedChar || t == da::dtExtString || t == dtRowId;
}
bool IsBytesType(da::TDataType t) { return t == da::dtBytes || t == da::dtVarBytes || t == da::dtExtVarBytes; }

std::int32_t ItemSizeOf(da::TDataType type, std::int32_t size) {
  switch (type) {
    case da::dtString: case dtFixedChar: case da::dtExtString: case dtRowId: return size < 1 ? 2 : size + 1;
    case da::dtBytes: case da::dtVarBytes: case da::dtExtVarBytes: return std::max(size, 0) + 2;
    case da::dtInt32:
    case da::dtBoolean: return 4;
    case da::dtFloat: return 8;
    case da::dtDateTime: return kOraDateSize;
    case da::dtBlob: case da::dtMemo: case da::dtObject: case da::dtReference: case da::dtArray: case da::dtTable:
    case dtCursor: case dtOraBlob: case dtOraClob: case dtBFile: case dtCFile: case dtLabel: case dtTimeStamp:
    case dtTimeStampTZ: case dtTimeStampLTZ: case dtIntervalYM: case dtIntervalDS: case dtUndefined:
      return 0;
    default: throw da::EAssertionFailed("OraClasses", "Unknown data type.");
  }
}

bool IsNumericKind(da::TVarType t) {
  switch (t) {
    case da::varSmallint: case da::varInteger: case da::varSingle: case da::varDouble: case da::varCurrency:
    case da::varShortInt: case da::varByte: case da::varWord: case da::varLongWord: case da::varInt64:
      return true;
    default: return false;
  }
}

bool IsTextKind(da::TVarType t) { return t == da::varString || t == da::varOleStr; }

[[noreturn]] void CannotConvert() { throw da::EConvertError("Cannot convert type."); }

// CR LF pairs as lone LF, and back.
std::string ToLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

TOraParamDesc::TOraParamDesc() = default;

TOraParamDesc::~TOraParamDesc() = default;

void TOraParamDesc::FreeBuffer() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  ownIndicators_.clear();
  indicators_ = &singleIndicator_;
}

void TOraParamDesc::LayOut() {
  FreeBuffer();
  if (DataType == da::dtUnknown) {
    itemSize_ = 0;
  } else {
    itemSize_ = ItemSizeOf(DataType, Size);
  }
  if (itemSize_ > 0) buffer_.assign(static_cast<std::size_t>(itemSize_) * static_cast<std::size_t>(length_), 0);
  if (length_ >= 2) {
    ownIndicators_.assign(static_cast<std::size_t>(length_), -1);
    indicators_ = ownIndicators_.data();
  } else {
    singleIndicator_ = -1;
    indicators_ = &singleIndicator_;
  }
}

void TOraParamDesc::SetDataType(da::TDataType value) {
  if (value == DataType) return;
  DataType = value;
  LayOut();
}

void TOraParamDesc::SetSize(std::int32_t value) {
  Size = value;
  if (!IsTextType(DataType) && !IsBytesType(DataType)) return;
  if (ItemSizeOf(DataType, value) != itemSize_) LayOut();
}

void TOraParamDesc::SetLength(std::int32_t length) {
  length = std::max(length, 0);
  if (length == length_) return;
  length_ = length;
  LayOut();
}

void* TOraParamDesc::GetValuePtr() { return itemSize_ > 0 ? static_cast<void*>(buffer_.data()) : object_; }

void TOraParamDesc::SetObject(da::TSharedObject* object, std::int16_t* ownIndicator) {
  FreeBuffer();
  itemSize_ = 0;
  object_ = object;
  if (!ownIndicator && object) {
    switch (DataType) {
      case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ:
        ownIndicator = GetAsTimeStamp()->GetIndicatorPtr();
        break;
      case dtIntervalYM: case dtIntervalDS: ownIndicator = GetAsInterval()->GetIndicatorPtr(); break;
      default: break;
    }
  }
  if (ownIndicator) indicators_ = ownIndicator;
}

TOraCursor* TOraParamDesc::GetAsCursor() const { return static_cast<TOraCursor*>(object_); }

da::TBlob* TOraParamDesc::GetAsBlob() const { return static_cast<da::TBlob*>(object_); }

TOraLob* TOraParamDesc::GetAsLob() const { return static_cast<TOraLob*>(object_); }

TOraFile* TOraParamDesc::GetAsFile() const { return static_cast<TOraFile*>(object_); }

TOraTimeStamp* TOraParamDesc::GetAsTimeStamp() const { return static_cast<TOraTimeStamp*>(object_); }

TOraInterval* TOraParamDesc::GetAsInterval() const { return static_cast<TOraInterval*>(object_); }

void TOraParamDesc::CheckIndex(std::int32_t index) const {
  if (index < 1 || index > length_) throw ERangeError(SInvalidIndex);
}

void TOraParamDesc::Fit(da::TDataType type, std::int32_t n) {
  if (itemSize_ < n) {
    // The buffer was laid out for a smaller type: lay it out for this one.
    DataType = type;
    LayOut();
  }
}

bool TOraParamDesc::GetItemNull(std::int32_t index) {
  CheckIndex(index);
  return indicators_[index - 1] < 0;
}

std::int16_t TOraParamDesc::GetIndicator(std::int32_t index) {
  if (DataType == dtCursor) return 0;  // a cursor parameter is never NULL
  CheckIndex(index);
  return indicators_[index - 1];
}

void TOraParamDesc::SetIndicator(std::int32_t index, std::int16_t value) {
  CheckIndex(index);
  indicators_[index - 1] = value;
}

void TOraParamDesc::SetItemNull(std::int32_t index, bool isNull) {
  CheckIndex(index);
  if (!isNull) {
    indicators_[index - 1] = 0;
    return;
  }
  indicators_[index - 1] = -1;
  switch (DataType) {
    case da::dtString: case dtFixedChar: case da::dtExtString: case dtRowId: case da::dtInt32: case da::dtBoolean:
    case da::dtFloat: case da::dtDateTime:
      if (itemSize_ > 0 && !buffer_.empty()) std::memset(Item(index), 0, static_cast<std::size_t>(itemSize_));
      break;
    case da::dtBytes: case da::dtVarBytes: case da::dtExtVarBytes:
      if (!buffer_.empty()) std::memset(buffer_.data(), 0, 2);
      break;
    case da::dtBlob: case da::dtMemo: case dtOraBlob: case dtOraClob:
      if (object_) GetAsBlob()->Clear();
      break;
    default: break;
  }
}

template <class T>
T TOraParamDesc::ReadItem(std::int32_t index, da::TDataType type) {
  CheckIndex(index);
  T v{};
  if (DataType == type && !GetItemNull(index)) std::memcpy(&v, Item(index), sizeof v);
  return v;
}

template <class T>
void TOraParamDesc::WriteItem(std::int32_t index, da::TDataType type, T value) {
  CheckIndex(index);
  Fit(type, sizeof value);
  std::memcpy(Item(index), &value, sizeof value);
  indicators_[index - 1] = 0;
  DataType = type;
}

std::int32_t TOraParamDesc::GetItemAsInteger(std::int32_t index) { return ReadItem<std::int32_t>(index, da::dtInt32); }

void TOraParamDesc::SetItemAsInteger(std::int32_t index, std::int32_t value) { WriteItem(index, da::dtInt32, value); }

double TOraParamDesc::GetItemAsFloat(std::int32_t index) { return ReadItem<double>(index, da::dtFloat); }

void TOraParamDesc::SetItemAsFloat(std::int32_t index, double value) { WriteItem(index, da::dtFloat, value); }

double TOraParamDesc::GetItemAsDateTime(std::int32_t index) {
  CheckIndex(index);
  if (DataType != da::dtDateTime || GetItemNull(index)) return 0;
  return OraDateToDateTime(Item(index));
}

void TOraParamDesc::SetItemAsDateTime(std::int32_t index, double value) {
  CheckIndex(index);
  Fit(da::dtDateTime, kOraDateSize);
  std::uint8_t date[kOraDateSize];
  DateTimeToOraDate(value, date);  // raises before anything changes
  std::memcpy(Item(index), date, kOraDateSize);
  indicators_[index - 1] = 0;
  DataType = da::dtDateTime;
}

bool TOraParamDesc::GetItemAsBoolean(std::int32_t index) { return ReadItem<std::int32_t>(index, da::dtBoolean) != 0; }

void TOraParamDesc::SetItemAsBoolean(std::int32_t index, bool value) {
  WriteItem(index, da::dtBoolean, std::int32_t{value ? 1 : 0});
}

std::string TOraParamDesc::GetItemAsString(std::int32_t index) {
  CheckIndex(index);
  if (!IsTextType(DataType) || GetItemNull(index)) return {};
  const char* p = reinterpret_cast<const char*>(Item(index));
  std::string text(p, ::strnlen(p, static_cast<std::size_t>(itemSize_)));
  return ConvertEOL ? ToCrLf(text) : text;
}

void TOraParamDesc::SetItemAsString(std::int32_t index, const std::string& value) {
  CheckIndex(index);
  if (!IsTextType(DataType)) DataType = da::dtString;
  if (value.empty()) {
    SetItemNull(index, true);
    return;
  }
  Fit(DataType, 2);
  const std::string text = ConvertEOL ? ToLf(value) : value;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(itemSize_ - 1));
  // A cut never splits a character.
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(Item(index), text.data(), n);
  Item(index)[n] = 0;
  ActualLength = static_cast<std::int32_t>(n);
  indicators_[index - 1] = 0;
}

Variant TOraParamDesc::GetItemValue(std::int32_t index) {
  CheckIndex(index);
  if (GetItemNull(index)) return DataType == da::dtString ? Variant("") : Variant::Null();
  switch (DataType) {
    case da::dtString: case dtFixedChar: case da::dtExtString: case dtRowId: return Variant(GetItemAsString(index));
    case da::dtInt32: return Variant(GetItemAsInteger(index));
    case da::dtFloat: return Variant(GetItemAsFloat(index));
    case da::dtDateTime: return Variant::Date(GetItemAsDateTime(index));
    case da::dtBoolean: return Variant(GetItemAsBoolean(index));
    case da::dtBlob: case da::dtMemo: return object_ ? Variant(GetAsBlob()->GetAsString()) : Variant::Null();
    case da::dtBytes: case da::dtVarBytes: case da::dtExtVarBytes: {
      std::uint16_t n;
      std::memcpy(&n, buffer_.data(), 2);
      n = static_cast<std::uint16_t>(std::min<std::int32_t>(n, itemSize_ - 2));
      return Variant(std::vector<std::uint8_t>(buffer_.data() + 2, buffer_.data() + 2 + n));
    }
    case da::dtUnknown: return Variant();
    default: return Variant::Null();
  }
}

void TOraParamDesc::SetItemValue(std::int32_t index, const Variant& value) {
  CheckIndex(index);
  if (value.IsEmptyOrNull()) {
    SetItemNull(index, true);
    return;
  }
  const da::TVarType kind = value.VarType();
  if (DataType == da::dtUnknown) {
    switch (kind) {
      case da::varByte: case da::varSmallint: case da::varInteger: SetDataType(da::dtInt32); break;
      case da::varSingle: case da::varDouble: case da::varCurrency: SetDataType(da::dtFloat); break;
      case da::varDate: SetDataType(da::dtDateTime); break;
      case da::varOleStr: case da::varString:
        SetDataType(da::dtString);
        SetSize(static_cast<std::int32_t>(value.AsString().size()));
        break;
      default: throw da::EConvertError("Unknown data type.");
    }
  }
  switch (DataType) {
    case da::dtString:
    case dtFixedChar:
    case da::dtExtString:
    case dtRowId:
      SetItemAsString(index, value.AsString());
      return;
    case da::dtInt32:
      if (IsNumericKind(kind)) return SetItemAsInteger(index, value.AsInteger());
      if (IsTextKind(kind)) return SetItemAsInteger(index, static_cast<std::int32_t>(da::TextToInt(value.AsString())));
      break;
    case da::dtFloat:
      if (IsNumericKind(kind)) return SetItemAsFloat(index, value.AsDouble());
      if (IsTextKind(kind)) return SetItemAsFloat(index, da::TextToFloat(value.AsString()));
      break;
    case da::dtDateTime:
      if (IsTextKind(kind)) return SetItemAsDateTime(index, da::TextToDateTime(value.AsString()));
      return SetItemAsDateTime(index, value.AsDate());
    case da::dtBoolean:
      if (kind == da::varBoolean) return SetItemAsBoolean(index, value.AsBoolean());
      if (IsNumericKind(kind)) return SetItemAsBoolean(index, value.AsDouble() != 0);
      break;
    case da::dtBytes:
    case da::dtVarBytes:
    case da::dtExtVarBytes: {
      std::string bytes;
      if (IsTextKind(kind)) {
        bytes = value.AsString();
      } else if (value.IsByteArray()) {
        bytes.assign(value.AsBytes().begin(), value.AsBytes().end());
      } else {
        break;
      }
      // One value, in the first item.
      const std::size_t n = std::min<std::size_t>({bytes.size(), static_cast<std::size_t>(std::max(Size, 0)), 65535});
      if (n == 0) {
        SetItemNull(1, true);
        return;
      }
      const std::uint16_t len = static_cast<std::uint16_t>(n);
      std::memcpy(buffer_.data(), &len, 2);
      std::memcpy(buffer_.data() + 2, bytes.data(), n);
      indicators_[0] = 0;
      return;
    }
    default: break;
  }
  CannotConvert();
}

Variant TOraParamDesc::GetValue() {
  if (length_ >= 2) {
    std::vector<Variant> items;
    items.reserve(static_cast<std::size_t>(length_));
    for (std::int32_t i = 1; i <= length_; ++i) items.push_back(GetItemValue(i));
    return Variant::ArrayOf(std::move(items), 1);
  }
  return GetItemValue(1);
}

void TOraParamDesc::SetValue(const Variant& value) {
  if (IsBytesType(DataType) && (value.IsByteArray() || IsTextKind(value.VarType()))) {
    SetItemValue(1, value);
  } else if (value.IsArray()) {
    SetLength(value.ArrayHighBound());
    for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i) SetItemValue(i, value.ArrayItem(i));
  } else {
    SetItemValue(1, value);
  }
}

void TOraParamDesc::SyncIndicator() {
  std::int16_t& indicator = indicators_[0];
  switch (DataType) {
    case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ: case dtIntervalYM: case dtIntervalDS:
      return;  // they keep their own indicator
    case dtCursor: case dtOraBlob: case dtOraClob:
      indicator = object_ ? 0 : -1;
      return;
    case da::dtBlob: case da::dtMemo:
      indicator = object_ && GetAsBlob()->Size() > 0 ? 0 : -1;
      return;
    case dtBFile: case dtCFile:
      // A file is a value when its locator names a directory or a file.
      indicator = object_ && (!GetAsFile()->GetFileDir().empty() || !GetAsFile()->GetFileName().empty()) ? 0 : -1;
      return;
    case dtLabel: case dtUndefined:
      indicator = -1;  // no value of theirs reaches this layer
      return;
    case da::dtObject: case da::dtReference: case da::dtArray: case da::dtTable:
      // The object layer tells NULL from a value by the instance; a bound object counts as one.
      indicator = object_ ? 0 : -1;
      return;
    default: return;
  }
}

}  // namespace ora
