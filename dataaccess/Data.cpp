#include "dataaccess/Data.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/DBObject.h"
#include "dataaccess/FilterExpression.h"
#include "dataaccess/RecordBuffer.h"
#include "dataaccess/TextUtil.h"

namespace da {

void (*StartWaitProc)() = nullptr;
void (*StopWaitProc)() = nullptr;
std::string (*GetAppNameProc)() = nullptr;

void StartWait() {
  if (StartWaitProc) StartWaitProc();
}
void StopWait() {
  if (StopWaitProc) StopWaitProc();
}
std::string GetAppName() { return GetAppNameProc ? GetAppNameProc() : std::string(); }

namespace {

constexpr const char* kModule = "MemData";
constexpr std::int64_t kMSecsPerDay = 86400000;
constexpr std::int64_t kDateDelta = 693594;  // time-stamp day of 1899-12-30

[[noreturn]] void CannotConvert() { throw Exception("Cannot convert type."); }

std::uint8_t* At(void* record, const TFieldDesc& f) { return static_cast<std::uint8_t*>(record) + f.Offset; }
const std::uint8_t* At(const void* record, const TFieldDesc& f) {
  return static_cast<const std::uint8_t*>(record) + f.Offset;
}

bool IsHeapType(TDataType t) { return t == dtExtString || t == dtExtVarBytes || t == dtExtWideString; }
// The complex types whose values this layer itself creates, frees and copies.
bool IsOwnBlobType(TDataType t) { return t == dtBlob || t == dtMemo; }
bool IsOwnComplexType(TDataType t) { return IsOwnBlobType(t) || t == dtVariant || IsHeapType(t); }

// Rounds to the given decimals through fixed-point text of 18 significant digits, so that the
// stored double is the one the text of the value would give.
double RoundToScale(double value, int scale) {
  if (scale <= 0 || !std::isfinite(value)) return value;
  double magnitude = std::fabs(value);
  int intDigits = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
  int decimals = std::clamp(18 - intDigits, 0, scale);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return std::strtod(buf, nullptr);
}

std::atomic<std::int32_t> gRefreshCounter{0};

// Wide strings in a record sit at any byte offset: copy them character by character.
void PutWideToRecord(std::uint8_t* p, const char16_t* source, std::size_t maxLen) {
  std::size_t n = 0;
  if (source)
    for (; n < maxLen && source[n]; ++n) WriteValue(p + 2 * n, source[n]);
  WriteValue<char16_t>(p + 2 * n, 0);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// lifecycle

TData::TData() : stringHeap_(std::make_unique<TStringHeap>()) {}

TData::~TData() {
  // Subclasses close themselves in their destructors; this only drops what the base owns.
  filter_.reset();
  Fields.Clear();
}

void TData::InitData() {
  bof_ = eof_ = true;
  recordCount_ = 0;
  recNoOffset_ = 0;
}

void TData::FreeData() { InitData(); }

void TData::Prepare() {
  InternalPrepare();
  prepared_ = true;
}

void TData::UnPrepare() {
  if (!prepared_) return;
  prepared_ = false;
  if (AutoInitFields) {
    FreeFilter();  // its nodes point at the descriptors
    Fields.Clear();
  }
  InternalUnPrepare();
}

void TData::Open() {
  if (active_) return;
  InitData();
  try {
    InternalOpen();
    ParseFilter(filterText_);
  } catch (...) {
    FreeData();
    FreeFilter();
    throw;
  }
  active_ = true;
}

void TData::Close() {
  if (active_) InternalClose();
  active_ = false;
  FreeData();
  FreeFilter();
  if (AutoInitFields && !prepared_) Fields.Clear();
}

void TData::Reopen() {
  Close();
  Open();
}

void TData::InitFields() {
  if (AutoInitFields) {
    FreeFilter();
    Fields.Clear();
    InternalInitFields();
    MakeUniqueNames();
  }
  dataSize_ = 0;
  for (int i = 0; i < Fields.Count(); ++i) {
    TFieldDesc* f = Fields.Items(i);
    f->Offset = dataSize_;
    dataSize_ += f->Size;
  }
  recordSize_ = dataSize_ + static_cast<std::uint32_t>(GetIndicatorSize());
  hasComplexFields_ = false;
  for (int i = 0; i < Fields.Count(); ++i)
    if (IsComplexFieldType(Fields.Items(i)->DataType)) hasComplexFields_ = true;
}

// Equal names (case-insensitive) get "_1", "_2", ... in field-number order; a suffix whose name
// some other column already has is passed over, so that the result is unique.
void TData::MakeUniqueNames() {
  std::vector<TFieldDesc*> top;
  for (int i = 0; i < Fields.Count(); ++i)
    if (!Fields.Items(i)->HasParent()) top.push_back(Fields.Items(i));
  std::stable_sort(top.begin(), top.end(), [](const TFieldDesc* a, const TFieldDesc* b) {
    std::string ua = AsciiUpper(a->Name), ub = AsciiUpper(b->Name);
    return ua != ub ? ua < ub : a->FieldNo < b->FieldNo;
  });
  std::unordered_set<std::string> taken;
  for (const TFieldDesc* f : top) taken.insert(AsciiUpper(f->Name));
  for (std::size_t i = 0; i < top.size();) {
    std::size_t j = i + 1;
    const std::string upper = AsciiUpper(top[i]->Name);
    while (j < top.size() && AsciiUpper(top[j]->Name) == upper) ++j;
    int suffix = 1;
    for (std::size_t k = i + 1; k < j; ++k) {
      std::string name;
      do {
        name = top[k]->Name + "_" + std::to_string(suffix++);
      } while (taken.count(AsciiUpper(name)));
      taken.insert(AsciiUpper(name));
      top[k]->Name = name;
    }
    i = j;
  }
}

TFieldDesc& TData::FieldAt(int fieldNo) const {
  DAAssert(fieldNo >= 1 && fieldNo <= Fields.Count(), kModule);
  return *Fields.Items(fieldNo - 1);
}

std::uint16_t TData::FieldSizeOf(TDataType type, std::uint16_t length) {
  switch (type) {
    case dtString: return static_cast<std::uint16_t>(length + 1);
    case dtInt8: return 1;
    case dtInt16: case dtUInt16: case dtBoolean: return 2;
    case dtInt32: case dtUInt32: return 4;
    case dtFloat: case dtDate: case dtTime: case dtDateTime: case dtInt64: case dtCurrency: return 8;
    case dtBlob: case dtMemo: case dtObject: case dtReference: case dtArray: case dtTable: case dtVariant:
    case dtExtString: case dtExtVarBytes: case dtExtWideString:
      return sizeof(void*);
    case dtBytes: return length;
    case dtVarBytes: return static_cast<std::uint16_t>(length + 2);
    case dtWideString: return static_cast<std::uint16_t>((length + 1) * 2);
    default: return length;
  }
}

TFieldDesc& TData::AddField(std::string name, TDataType type, std::uint16_t length, bool required) {
  auto desc = std::make_unique<TFieldDesc>();
  desc->Name = name;
  desc->ActualName = std::move(name);
  desc->DataType = type;
  desc->Length = length;
  desc->Size = FieldSize(type, length);
  desc->Required = required;
  desc->FieldNo = static_cast<std::uint16_t>(Fields.Count() + 1);
  return Fields.Add(std::move(desc));
}

namespace {

// A type that holds itself (directly or through its attributes) would be described without end:
// its inner occurrence stays a leaf.
bool IsAncestorType(const TObjectType* type, const TFieldDesc* parent) {
  for (const TFieldDesc* f = parent; f; f = f->ParentField)
    if (f->ObjectType() == type) return true;
  return false;
}

}  // namespace

void TData::InitObjectFields(TObjectType* type, TFieldDesc* parent) {
  if (!type) return;
  const bool isArray = type->DataType == dtArray;
  const int count = isArray ? std::clamp(type->Size, 0, 100) : 1;
  for (int i = 0; i < count; ++i) {
    for (int a = 0; a < type->GetAttributeCount(); ++a) {
      TAttribute* attr = type->GetAttributes(a);
      auto desc = std::make_unique<TFieldDesc>();
      desc->ParentField = parent;
      if (isArray) {
        desc->Name = std::string("[").append(std::to_string(i)).append("]");
        desc->ActualName = (parent ? parent->ActualName : std::string()) + desc->Name;
      } else {
        desc->Name = attr->Name;
        desc->ActualName = parent ? parent->ActualName + "." + desc->Name : desc->Name;
      }
      desc->DataType = attr->DataType;
      desc->Length = attr->Length;
      desc->Scale = attr->Scale;
      desc->Fixed = attr->Fixed;
      desc->SetObjectType(attr->ObjectType());
      desc->Size = 0;
      desc->FieldNo = static_cast<std::uint16_t>(Fields.Count() + 1);
      TFieldDesc& added = Fields.Add(std::move(desc));
      if ((added.DataType == dtObject || added.DataType == dtArray) && !IsAncestorType(added.ObjectType(), parent))
        InitObjectFields(added.ObjectType(), &added);
    }
  }
}

bool TData::HasFields(std::initializer_list<TDataType> types) const {
  for (int i = 0; i < Fields.Count(); ++i)
    if (std::find(types.begin(), types.end(), Fields.Items(i)->DataType) != types.end()) return true;
  return false;
}

bool TData::HasBlobFields() const {
  for (int i = 0; i < Fields.Count(); ++i)
    if (IsBlobFieldType(Fields.Items(i)->DataType)) return true;
  return false;
}

bool TData::IsBlobFieldType(TDataType type) const { return type == dtBlob || type == dtMemo; }

bool TData::IsComplexFieldType(TDataType type) const {
  return IsBlobFieldType(type) || type == dtVariant || IsHeapType(type);
}

// ---------------------------------------------------------------------------------------------
// typed access

const TFieldDesc& TData::RootField(const TFieldDesc& field) const {
  const TFieldDesc* f = &field;
  while (f->ParentField) f = f->ParentField;
  return *f;
}

std::string TData::ChildPath(const TFieldDesc& field) const {
  std::string path = field.Name;
  const TFieldDesc* root = &RootField(field);
  for (const TFieldDesc* p = field.ParentField; p && p != root; p = p->ParentField)
    path = p->DataType == dtArray ? p->Name + path : p->Name + "." + path;
  return path;
}

void TData::GetChildField(const TFieldDesc& field, const void* record, void* dest, bool& isBlank) {
  auto* object = static_cast<TDBObject*>(ReadPointer(At(record, RootField(field))));
  if (!object) {
    isBlank = true;
    return;
  }
  object->GetAttributeValue(ChildPath(field), dest, isBlank);
}

void TData::PutChildField(const TFieldDesc& field, void* record, const void* source) {
  auto* object = static_cast<TDBObject*>(ReadPointer(At(record, RootField(field))));
  if (object) object->SetAttributeValue(ChildPath(field), source);
}

std::size_t TData::ValueSize(const TFieldDesc& field) const {
  switch (field.DataType) {
    case dtDate: case dtTime: return 4;
    case dtUInt32: return 8;
    default: return field.Size;
  }
}

void TData::GetFieldByNo(int fieldNo, const void* record, bool& isBlank, void* dest, std::size_t destSize) {
  const TFieldDesc& field = FieldAt(fieldNo);
  isBlank = GetNull(fieldNo, record);
  if (!dest) return;
  if (isBlank && !IsComplexFieldType(field.DataType)) return;
  if (field.HasParent()) {
    GetChildField(field, record, dest, isBlank);
  } else {
    GetField(field, record, dest, destSize);
  }
  if (!isBlank && field.Fixed && TrimFixedChar) {
    if (field.DataType == dtString) StrTrim(static_cast<char*>(dest), field.Length);
    if (field.DataType == dtWideString) StrTrimW(static_cast<char16_t*>(dest), field.Length);
  }
}

void TData::PutFieldByNo(int fieldNo, void* record, const void* source) {
  const TFieldDesc& field = FieldAt(fieldNo);
  if (!source) {
    SetNull(fieldNo, record, true);
    return;
  }
  if (field.HasParent()) {
    PutChildField(field, record, source);
    return;
  }
  if (!KeepEmptyStrings && ((field.DataType == dtString && *static_cast<const char*>(source) == 0) ||
                            (field.DataType == dtWideString && ReadValue<char16_t>(source) == 0))) {
    SetNull(fieldNo, record, true);
    return;
  }
  PutField(field, record, source);
  SetNull(fieldNo, record, false);
}

void TData::PutFieldValue(int fieldNo, void* record, const Variant& value) {
  const TFieldDesc& field = FieldAt(fieldNo);
  if (!KeepEmptyStrings && !field.HasParent() && (field.DataType == dtString || field.DataType == dtWideString) &&
      (value.VarType() == varString || value.VarType() == varOleStr) && value.AsWideString().empty()) {
    SetNull(fieldNo, record, true);
    return;
  }
  PutFieldAsVariant(fieldNo, record, value);
}

void TData::GetField(const TFieldDesc& field, const void* record, void* dest, std::size_t destSize) {
  const std::uint8_t* p = At(record, field);
  switch (field.DataType) {
    case dtString: {
      if (GetConvertEOL()) {
        ExpandLineBreaks(reinterpret_cast<const char*>(p), field.Size, static_cast<char*>(dest),
                         destSize ? destSize : field.Size);
      } else {
        std::memcpy(dest, p, destSize ? std::min<std::size_t>(destSize, field.Size) : field.Size);
        if (destSize && destSize < field.Size) static_cast<char*>(dest)[destSize - 1] = 0;
      }
      return;
    }
    case dtDate: DateTimeToInternal(p, dest, dfDate); return;
    case dtTime: DateTimeToInternal(p, dest, dfTime); return;
    case dtDateTime: DateTimeToInternal(p, dest, dfTimeStampMSecs); return;
    case dtVariant: {
      auto* v = static_cast<TVariantObject*>(ReadPointer(p));
      *static_cast<Variant*>(dest) = v ? v->Value : Variant::Null();
      return;
    }
    case dtExtString: {
      const char* s = static_cast<const char*>(ReadPointer(p));
      if (!s) s = "";
      std::size_t len = std::strlen(s);
      if (GetConvertEOL()) {
        ExpandLineBreaks(s, len, static_cast<char*>(dest), destSize ? destSize : 2 * len + 1);
      } else {
        std::size_t n = destSize ? std::min(len, destSize - 1) : len;
        std::memcpy(dest, s, n);
        static_cast<char*>(dest)[n] = 0;
      }
      return;
    }
    case dtExtVarBytes: {
      const auto* chunk = static_cast<const std::uint8_t*>(ReadPointer(p));
      if (!chunk) {
        WriteValue<std::uint16_t>(dest, 0);
        return;
      }
      std::size_t n = ReadValue<std::uint16_t>(chunk) + 2u;
      std::memcpy(dest, chunk, destSize ? std::min(n, destSize) : n);
      return;
    }
    case dtUInt32: {
      std::uint64_t v = ReadValue<std::uint32_t>(p);
      WriteValue(dest, v);
      return;
    }
    case dtExtWideString: {
      const auto* s = static_cast<const char16_t*>(ReadPointer(p));
      std::size_t len = StrLenW(s);
      if (destSize) len = std::min(len, destSize / 2 - 1);
      auto* d = static_cast<char16_t*>(dest);
      StrLCopyW(d, s ? s : u"", len);
      return;
    }
    default:
      std::memcpy(dest, p, destSize ? std::min<std::size_t>(destSize, field.Size) : field.Size);
  }
}

void TData::PutField(const TFieldDesc& field, void* record, const void* source) {
  std::uint8_t* p = At(record, field);
  switch (field.DataType) {
    case dtString: {
      // Up to Length bytes of the text, never beyond its terminator nor inside a character.
      const char* s = static_cast<const char*>(source);
      std::size_t len = Utf8CutLength(std::string_view(s, strnlen(s, field.Length)), field.Length);
      std::memcpy(p, s, len);
      std::memset(p + len, 0, field.Size - len);
      return;
    }
    case dtFloat:
      WriteValue(p, RoundToScale(ReadValue<double>(source), field.Scale));
      return;
    case dtDate: InternalToDateTime(p, source, dfDate); return;
    case dtTime: InternalToDateTime(p, source, dfTime); return;
    case dtDateTime: InternalToDateTime(p, source, dfTimeStampMSecs); return;
    case dtVariant: {
      auto* v = static_cast<TVariantObject*>(ReadPointer(p));
      DAAssert(v != nullptr, kModule);
      v->Value = *static_cast<const Variant*>(source);
      return;
    }
    case dtExtString: {
      StringHeap().DisposeBuf(ReadPointer(p));
      WritePointer(p, StringHeap().AllocStr(static_cast<const char*>(source)));
      return;
    }
    case dtExtVarBytes: {
      StringHeap().DisposeBuf(ReadPointer(p));
      WritePointer(p, nullptr);
      std::uint16_t len = ReadValue<std::uint16_t>(source);
      void* chunk = StringHeap().NewBuf(len + 2);
      std::memcpy(chunk, source, len + 2u);
      WritePointer(p, chunk);
      return;
    }
    case dtVarBytes: {
      std::uint16_t len = std::min(ReadValue<std::uint16_t>(source), field.Length);
      WriteValue(p, len);
      std::memcpy(p + 2, static_cast<const std::uint8_t*>(source) + 2, len);
      return;
    }
    case dtWideString:
      PutWideToRecord(p, static_cast<const char16_t*>(source), field.Length);
      return;
    case dtExtWideString: {
      StringHeap().DisposeBuf(ReadPointer(p));
      WritePointer(p, StringHeap().AllocWideStr(static_cast<const char16_t*>(source)));
      return;
    }
    default:
      std::memcpy(p, source, field.Size);
  }
}

bool TData::GetNull(int fieldNo, const void* record) {
  const TFieldDesc& field = FieldAt(fieldNo);
  if (field.HasParent()) {
    bool blank = true;
    GetChildField(field, record, nullptr, blank);
    return blank;
  }
  return static_cast<const std::uint8_t*>(record)[dataSize_ + fieldNo - 1] == 1;
}

void TData::SetNull(int fieldNo, void* record, bool value) {
  const TFieldDesc& field = FieldAt(fieldNo);
  if (field.HasParent()) {
    if (value) PutChildField(field, record, nullptr);
    return;
  }
  static_cast<std::uint8_t*>(record)[dataSize_ + fieldNo - 1] = value ? 1 : 0;
  if (value && IsBlobFieldType(field.DataType)) {
    auto* blob = static_cast<TBlob*>(ReadPointer(At(record, field)));
    if (blob) blob->Clear();
  }
}

// ---------------------------------------------------------------------------------------------
// dates

void TData::DateTimeToInternal(const void* source, void* dest, int format) const {
  const double v = ReadValue<double>(source);
  const double whole = std::trunc(v);
  const std::int64_t date = static_cast<std::int64_t>(whole) + kDateDelta;
  const std::int64_t time = std::llround(std::fabs(v - whole) * kMSecsPerDay);
  switch (format) {
    case dfTimeStampMSecs: WriteValue(dest, static_cast<double>(date * kMSecsPerDay + time)); break;
    case dfDayNumber: WriteValue(dest, v); break;
    case dfTime: WriteValue(dest, static_cast<std::int32_t>(time)); break;
    case dfDate: WriteValue(dest, static_cast<std::int32_t>(date)); break;
    default: DAAssert(false, kModule);
  }
}

void TData::InternalToDateTime(void* dest, const void* source, int format) const {
  auto fromStamp = [](std::int64_t date, std::int64_t time) {
    double result = static_cast<double>(date - kDateDelta);
    double frac = static_cast<double>(time) / kMSecsPerDay;
    return result < 0 ? result - frac : result + frac;
  };
  double v = 0;
  switch (format) {
    case dfTimeStampMSecs: {
      auto ms = static_cast<std::int64_t>(std::llround(ReadValue<double>(source)));
      v = fromStamp(ms / kMSecsPerDay, ms % kMSecsPerDay);
      break;
    }
    case dfDayNumber: v = ReadValue<double>(source); break;
    case dfTime: v = fromStamp(kDateDelta, ReadValue<std::int32_t>(source)); break;
    case dfDate: v = fromStamp(ReadValue<std::int32_t>(source), 0); break;
    default: DAAssert(false, kModule);
  }
  WriteValue(dest, v);
}

// ---------------------------------------------------------------------------------------------
// variants

Variant TData::GetFieldAsVariant(int fieldNo, const void* record) {
  const TFieldDesc& field = FieldAt(fieldNo);
  bool isBlank = GetNull(fieldNo, record);
  if (isBlank) return Variant::Null();
  if (field.HasParent()) {
    // A child field's value comes from its object in the store's value formats.
    std::vector<std::uint8_t> buf(std::max<std::size_t>(FieldSizeOf(field.DataType, field.Length), 16) + 2);
    if (field.DataType == dtVariant) {
      Variant v;
      GetChildField(field, record, &v, isBlank);
      return isBlank ? Variant::Null() : v;
    }
    GetChildField(field, record, buf.data(), isBlank);
    if (isBlank) return Variant::Null();
    switch (field.DataType) {
      case dtString: return Variant(std::string(reinterpret_cast<const char*>(buf.data())));
      case dtInt8: return Variant(static_cast<std::int32_t>(ReadValue<std::int8_t>(buf.data())));
      case dtInt16: return Variant(static_cast<std::int32_t>(ReadValue<std::int16_t>(buf.data())));
      case dtUInt16: return Variant(static_cast<std::int32_t>(ReadValue<std::uint16_t>(buf.data())));
      case dtInt32: return Variant(ReadValue<std::int32_t>(buf.data()));
      case dtUInt32: return Variant(static_cast<std::int64_t>(ReadValue<std::uint32_t>(buf.data())));
      case dtFloat: case dtCurrency: return Variant(ReadValue<double>(buf.data()));
      case dtDate: case dtTime: case dtDateTime: {
        // Time-stamp milliseconds, whatever date form the store keeps in its own records.
        double d;
        TData::InternalToDateTime(&d, buf.data(), dfTimeStampMSecs);
        return Variant::Date(d);
      }
      case dtBoolean: return Variant(ReadValue<std::int16_t>(buf.data()) != 0);
      case dtInt64: return Variant(ReadValue<std::int64_t>(buf.data()));
      default: CannotConvert();
    }
  }
  const std::uint8_t* p = At(record, field);
  auto trimmed = [&](std::string s) {
    if (field.Fixed && TrimFixedChar)
      while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.pop_back();
    return s;
  };
  switch (field.DataType) {
    case dtString:
      return Variant(trimmed(std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), field.Size))));
    case dtWideString: {
      std::u16string s;
      for (std::size_t i = 0; i < field.Length; ++i) {
        char16_t c = ReadValue<char16_t>(p + 2 * i);
        if (!c) break;
        s += c;
      }
      if (field.Fixed && TrimFixedChar)
        while (!s.empty() && s.back() <= 32) s.pop_back();
      return Variant(std::move(s));
    }
    case dtExtString: {
      const char* s = static_cast<const char*>(ReadPointer(p));
      return Variant(std::string(s ? s : ""));
    }
    case dtExtWideString: {
      const auto* s = static_cast<const char16_t*>(ReadPointer(p));
      return Variant(std::u16string(s ? s : u""));
    }
    case dtInt8: return Variant(static_cast<std::int32_t>(ReadValue<std::int8_t>(p)));
    case dtInt16: return Variant(static_cast<std::int32_t>(ReadValue<std::int16_t>(p)));
    case dtUInt16: return Variant(static_cast<std::int32_t>(ReadValue<std::uint16_t>(p)));
    case dtInt32: return Variant(ReadValue<std::int32_t>(p));
    // 64-bit, so that values from 2^31 up keep their sign.
    case dtUInt32: return Variant(static_cast<std::int64_t>(ReadValue<std::uint32_t>(p)));
    case dtFloat: case dtCurrency: return Variant(ReadValue<double>(p));
    case dtDate: case dtTime: case dtDateTime: {
      double day;
      DateTimeToInternal(p, &day, dfDayNumber);
      return Variant::Date(day);
    }
    case dtBoolean: return Variant(ReadValue<std::int16_t>(p) != 0);
    case dtInt64: return Variant(ReadValue<std::int64_t>(p));
    case dtMemo: {
      auto* blob = static_cast<TBlob*>(ReadPointer(p));
      return Variant(blob ? blob->GetAsString() : std::string());
    }
    case dtVariant: {
      auto* v = static_cast<TVariantObject*>(ReadPointer(p));
      return v ? v->Value : Variant::Null();
    }
    case dtBytes: return Variant(std::vector<std::uint8_t>(p, p + field.Length));
    case dtVarBytes: {
      std::uint16_t len = std::min(ReadValue<std::uint16_t>(p), field.Length);
      return Variant(std::vector<std::uint8_t>(p + 2, p + 2 + len));
    }
    case dtExtVarBytes: {
      const auto* chunk = static_cast<const std::uint8_t*>(ReadPointer(p));
      if (!chunk) return Variant(std::vector<std::uint8_t>());
      std::uint16_t len = ReadValue<std::uint16_t>(chunk);
      return Variant(std::vector<std::uint8_t>(chunk + 2, chunk + 2 + len));
    }
    default: CannotConvert();
  }
}

void TData::PutFieldAsVariant(int fieldNo, void* record, const Variant& value) {
  const TFieldDesc& field = FieldAt(fieldNo);
  if (value.IsEmptyOrNull()) {
    SetNull(fieldNo, record, true);
    return;
  }
  // A child field's value is made in the store's value format (as GetFieldByNo gives it) and
  // written into its object; only the scalar types an object attribute has are taken.
  const bool child = field.HasParent();
  std::vector<std::uint8_t> childValue;
  if (child) {
    switch (field.DataType) {
      case dtString: case dtInt8: case dtInt16: case dtUInt16: case dtInt32: case dtUInt32: case dtFloat:
      case dtCurrency: case dtDate: case dtTime: case dtDateTime: case dtBoolean: case dtInt64:
        break;
      default: CannotConvert();
    }
    childValue.assign(std::max<std::size_t>(FieldSizeOf(field.DataType, field.Length), 16), 0);
  }
  std::uint8_t* p = child ? childValue.data() : At(record, field);
  const std::size_t size = child ? childValue.size() : field.Size;
  const TVarType vt = value.VarType();
  auto isInt16or32 = [&] {
    return vt == varSmallint || vt == varInteger || vt == varShortInt || vt == varByte || vt == varWord;
  };
  switch (field.DataType) {
    case dtString: {
      std::string s = value.AsString();
      std::size_t len = Utf8CutLength(s, field.Length);
      std::memcpy(p, s.data(), len);
      std::memset(p + len, 0, size - len);
      break;
    }
    case dtInt8: WriteValue(p, static_cast<std::int8_t>(value.AsInt64() & 0xFF)); break;
    case dtInt16: case dtUInt16:
      if (!isInt16or32()) CannotConvert();
      WriteValue(p, static_cast<std::uint16_t>(value.AsInt64() & 0xFFFF));
      break;
    case dtInt32: {
      std::int32_t v;
      if (isInt16or32()) {
        v = static_cast<std::int32_t>(value.AsInt64());
      } else if (vt == varSingle || vt == varDouble || vt == varCurrency || vt == varString || vt == varOleStr) {
        v = value.AsInteger();
      } else {
        CannotConvert();
      }
      WriteValue(p, v);
      break;
    }
    case dtFloat: case dtCurrency: {
      double v;
      if (isInt16or32()) {
        v = value.AsDouble();
      } else if (vt == varSingle || vt == varDouble || vt == varCurrency || vt == varString || vt == varOleStr) {
        v = RoundToScale(value.AsDouble(), field.Scale);
      } else {
        CannotConvert();
      }
      WriteValue(p, v);
      break;
    }
    case dtDate: case dtTime: case dtDateTime: {
      if (vt == varBoolean || vt == varByteArray) CannotConvert();
      double d = value.AsDate();
      // An object takes time-stamp milliseconds, as it gives them.
      if (child) {
        TData::DateTimeToInternal(&d, p, dfTimeStampMSecs);
      } else {
        InternalToDateTime(p, &d, dfDayNumber);
      }
      break;
    }
    case dtBoolean:
      if (vt != varBoolean) CannotConvert();
      WriteValue<std::int16_t>(p, value.AsBoolean() ? -1 : 0);
      break;
    case dtInt64:
      if (vt != varInt64) CannotConvert();
      WriteValue(p, value.AsInt64());
      break;
    case dtBlob: case dtMemo: {
      auto* blob = static_cast<TBlob*>(ReadPointer(p));
      DAAssert(blob != nullptr, kModule);
      blob->SetAsString(value.AsString());
      break;
    }
    case dtVariant: {
      auto* v = static_cast<TVariantObject*>(ReadPointer(p));
      DAAssert(v != nullptr, kModule);
      v->Value = value;
      break;
    }
    case dtExtString: {
      std::string s = value.AsString();
      StringHeap().DisposeBuf(ReadPointer(p));
      WritePointer(p, StringHeap().AllocStr(std::string_view(s)));
      break;
    }
    case dtBytes: {
      DAAssert(value.IsByteArray() && value.AsBytes().size() == field.Length, kModule);
      std::memcpy(p, value.AsBytes().data(), field.Length);
      break;
    }
    case dtVarBytes: case dtExtVarBytes: {
      DAAssert(value.IsByteArray() && value.AsBytes().size() <= field.Length, kModule);
      const auto& bytes = value.AsBytes();
      auto len = static_cast<std::uint16_t>(bytes.size());
      if (field.DataType == dtVarBytes) {
        WriteValue(p, len);
        if (len) std::memcpy(p + 2, bytes.data(), len);
      } else {
        StringHeap().DisposeBuf(ReadPointer(p));
        auto* chunk = static_cast<std::uint8_t*>(StringHeap().NewBuf(len + 2));
        WriteValue(chunk, len);
        if (len) std::memcpy(chunk + 2, bytes.data(), len);
        WritePointer(p, chunk);
      }
      break;
    }
    case dtUInt32:
      if (vt != varLongWord) CannotConvert();
      WriteValue(p, static_cast<std::uint32_t>(value.AsInt64()));
      break;
    case dtWideString: {
      std::u16string s = value.AsWideString();
      PutWideToRecord(p, s.c_str(), field.Length);
      break;
    }
    case dtExtWideString: {
      std::u16string s = value.AsWideString();
      StringHeap().DisposeBuf(ReadPointer(p));
      WritePointer(p, StringHeap().AllocWideStr(std::u16string_view(s)));
      break;
    }
    default: CannotConvert();
  }
  if (child) {
    PutChildField(field, record, p);
    return;
  }
  SetNull(fieldNo, record, false);
}

// ---------------------------------------------------------------------------------------------
// record buffers and complex values

std::uint8_t* TData::AllocRecBuf() const { return new std::uint8_t[recordSize_ ? recordSize_ : 1](); }

void TData::FreeRecBuf(std::uint8_t* record) { delete[] record; }

void TData::InitRecord(void* record) {
  if (hasComplexFields_) std::memset(record, 0, recordSize_);
  for (int i = 1; i <= Fields.Count(); ++i)
    if (!Fields.Items(i - 1)->HasParent()) SetNull(i, record, true);
}

void TData::CreateComplexFields(void* record, bool withBlobs) {
  for (int i = 0; i < Fields.Count(); ++i) {
    const TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent()) continue;
    std::uint8_t* p = At(record, f);
    if (IsOwnBlobType(f.DataType)) {
      if (withBlobs) WritePointer(p, new TBlob());
    } else if (f.DataType == dtVariant) {
      WritePointer(p, new TVariantObject());
    } else if (IsHeapType(f.DataType)) {
      WritePointer(p, nullptr);
    }
  }
}

void TData::AddRefComplexFields(void* record) {
  for (int i = 0; i < Fields.Count(); ++i) {
    const TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent() || !IsComplexFieldType(f.DataType)) continue;
    void* ref = ReadPointer(At(record, f));
    if (!ref) continue;
    if (IsHeapType(f.DataType)) {
      StringHeap().AddRef(ref);
    } else {
      static_cast<TSharedObject*>(ref)->AddRef();
    }
  }
}

void TData::FreeComplexFields(void* record, bool withBlobs) {
  for (int i = 0; i < Fields.Count(); ++i) {
    const TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent() || !IsOwnComplexType(f.DataType)) continue;
    std::uint8_t* p = At(record, f);
    void* ref = ReadPointer(p);
    if (IsHeapType(f.DataType)) {
      // After the heap was cleared its chunks are gone already.
      if (!StringHeap().Empty()) StringHeap().DisposeBuf(ref);
      WritePointer(p, nullptr);
    } else if (IsOwnBlobType(f.DataType)) {
      if (withBlobs) {
        da::Release(static_cast<TSharedObject*>(ref));
        WritePointer(p, nullptr);
      }
    } else {
      da::Release(static_cast<TSharedObject*>(ref));
      WritePointer(p, nullptr);
    }
  }
}

void TData::CopyComplexFields(const void* source, void* dest, bool withBlobs) {
  DAAssert(!withBlobs, kModule);
  for (int i = 0; i < Fields.Count(); ++i) {
    const TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent()) continue;
    // Only these types keep a pointer in their slot; a plain field may be narrower than one.
    if (f.DataType != dtVariant && f.DataType != dtExtString && f.DataType != dtExtWideString &&
        f.DataType != dtExtVarBytes)
      continue;
    const void* from = ReadPointer(At(source, f));
    std::uint8_t* to = At(dest, f);
    switch (f.DataType) {
      case dtVariant: {
        auto* d = static_cast<TVariantObject*>(ReadPointer(to));
        if (d && from) d->Value = static_cast<const TVariantObject*>(from)->Value;
        break;
      }
      case dtExtString:
        WritePointer(to, from ? StringHeap().AllocStr(static_cast<const char*>(from)) : nullptr);
        break;
      case dtExtWideString:
        WritePointer(to, from ? StringHeap().AllocWideStr(static_cast<const char16_t*>(from)) : nullptr);
        break;
      case dtExtVarBytes: {
        if (!from) {
          WritePointer(to, nullptr);
          break;
        }
        std::uint16_t len = ReadValue<std::uint16_t>(from);
        void* chunk = StringHeap().NewBuf(len + 2);
        std::memcpy(chunk, from, len + 2u);
        WritePointer(to, chunk);
        break;
      }
      default: break;
    }
  }
}

void TData::EditRecord(void* record) {
  std::unique_ptr<std::uint8_t[]> temp(AllocRecBuf());
  GetRecord(temp.get());
  CreateComplexFields(temp.get(), false);
  CopyComplexFields(record, temp.get(), false);
  PutRecord(temp.get());
}

void TData::PostRecord(void* record) {
  std::unique_ptr<std::uint8_t[]> temp(AllocRecBuf());
  GetRecord(temp.get());
  UpdateRecord(record);
  CommitBlobs(record);
  FreeComplexFields(temp.get(), false);
}

void TData::CommitBlobs(void* record) {
  if (!HasBlobFields()) return;
  for (int i = 0; i < Fields.Count(); ++i) {
    const TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent() || !IsBlobFieldType(f.DataType)) continue;
    if (auto* blob = static_cast<TBlob*>(ReadPointer(At(record, f)))) blob->Commit();
  }
}

void TData::CancelRecord(void* record) {
  if (HasBlobFields())
    for (int i = 0; i < Fields.Count(); ++i) {
      const TFieldDesc& f = *Fields.Items(i);
      if (f.HasParent() || !IsBlobFieldType(f.DataType)) continue;
      if (auto* blob = static_cast<TBlob*>(ReadPointer(At(record, f)))) blob->Cancel();
    }
  FreeComplexFields(record, false);
}

TBlob* TData::GetBlob(int fieldNo, const void* record) const {
  const TFieldDesc& f = FieldAt(fieldNo);
  if (!IsBlobFieldType(f.DataType)) throw Exception("Field is not BLOB.");
  return static_cast<TBlob*>(ReadPointer(At(record, f)));
}

std::uint32_t TData::ReadBlob(int fieldNo, const void* record, std::uint32_t position, std::uint32_t count,
                              void* dest) {
  TBlob* blob = GetBlob(fieldNo, record);
  return blob ? blob->Read(position, count, dest) : 0;
}

void TData::WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, const void* source) {
  TBlob* blob = GetBlob(fieldNo, record);
  DAAssert(blob != nullptr, kModule);
  blob->EnableCache();
  blob->Write(position, count, source);
  SetNull(fieldNo, record, false);
}

void TData::TruncateBlob(int fieldNo, void* record, std::uint32_t size) {
  TBlob* blob = GetBlob(fieldNo, record);
  DAAssert(blob != nullptr, kModule);
  blob->EnableCache();
  blob->Truncate(size);
  if (size == 0) SetNull(fieldNo, record, true);
}

std::uint32_t TData::GetBlobSize(int fieldNo, const void* record) {
  TBlob* blob = GetBlob(fieldNo, record);
  return blob ? blob->Size() : 0;
}

// ---------------------------------------------------------------------------------------------
// navigation defaults, bookmarks, hooks

void TData::SetToBegin() {
  bof_ = true;
  eof_ = false;
}

void TData::SetToEnd() {
  eof_ = true;
  bof_ = false;
}

void TData::GetBookmark(TRecBookmark& bookmark) { bookmark.Order = GetRecNo(); }

void TData::SetToBookmark(const TRecBookmark& bookmark) {
  if (bookmark.Order != -1) SetRecNo(bookmark.Order);
}

bool TData::BookmarkValid(const TRecBookmark* bookmark) const { return bookmark && bookmark->Order != -1; }

int TData::CompareBookmarks(const TRecBookmark* first, const TRecBookmark* second) const {
  if (!first && !second) return 0;
  if (!second) return -1;
  if (!first) return 1;
  if (first->Order < second->Order) return -1;
  return first->Order > second->Order ? 1 : 0;
}

bool TData::InternalAppend(const void*) {
  if (OnAppend) OnAppend();
  return true;
}

void TData::InternalDelete() {
  if (OnDelete) OnDelete();
}

void TData::InternalUpdate() {
  if (OnUpdate) OnUpdate();
}

void TData::DoApplyRecord(TUpdateKind kind, TUpdateAction& action) {
  if (OnApplyRecord) OnApplyRecord(kind, action);
}

// ---------------------------------------------------------------------------------------------
// filter

void TData::SetFilterText(std::string text) {
  filterText_ = std::move(text);
  if (active_) {
    ParseFilter(filterText_);
    FilterUpdated();
  }
}

void TData::ParseFilter(std::string_view text) {
  FreeFilter();
  filter_ = TFilterExpression::Parse(text, *this);
}

void TData::FreeFilter() { filter_.reset(); }

bool TData::EvalFilter(const void* record) {
  return !filter_ || filter_->Eval(*this, record, FilterCaseInsensitive, FilterNoPartialCompare);
}

std::int32_t NextRefreshStamp() { return ++gRefreshCounter; }

}  // namespace da
