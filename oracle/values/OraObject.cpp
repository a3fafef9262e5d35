#include "oracle/values/OraObject.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordBuffer.h"
#include "dataaccess/Variant.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraDate.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraValueObjects.h"

namespace ora {

namespace {

constexpr const char* kModule = "OraObjects";
constexpr const char* STypeNotDefined = "Type of object must be defined";
constexpr const char* SObjectNotAllocated = "Object is not allocated";
constexpr const char* SInvalidAttrName = "Invalid attribute name";
constexpr const char* SRefNotAssigned = "OCIRef is not assigned";
constexpr const char* SUnknownDataType = "Unknown data type.";

[[noreturn]] void InvalidName() { throw da::Exception(SInvalidAttrName); }
[[noreturn]] void CannotConvert(const char* kind) { throw da::EConvertError(std::string("Cannot convert type to ") + kind); }

// The size the library reports for a collection of the type, checked: never negative, and for a
// varying array never beyond its bound.
std::int32_t CheckedSize(sb4 size, const da::TObjectType* type) {
  const std::int32_t max = type && type->DataType == da::dtArray ? type->Size : INT32_MAX;
  if (size < 0 || (max > 0 && size > max))
    RaiseError("The client library reported a collection of " + std::to_string(size) + " elements");
  return size;
}

// An element below the size the library reported is not there.
[[noreturn]] void LostElement(std::int32_t index, std::int32_t size) {
  RaiseError("The client library reported a collection of " + std::to_string(size) + " elements without element " +
             std::to_string(index));
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsCollection(const da::TObjectType* t) { return t && (t->DataType == da::dtArray || t->DataType == da::dtTable); }

da::TAttribute* OwnAttribute(const da::TObjectType* type, std::string_view upperName) {
  if (!type) return nullptr;
  for (int i = 0; i < type->GetAttributeCount(); ++i) {
    da::TAttribute* a = type->GetAttributes(i);
    if (Upper(a->Name) == upperName) return a;
  }
  return nullptr;
}

// "[n]" at p: the index, with p moved past the "]".
std::int32_t ParseIndex(const std::string& path, std::size_t& p) {
  const std::size_t close = path.find(']', p);
  if (close == std::string::npos) InvalidName();
  const std::string_view digits = Trim(std::string_view(path).substr(p + 1, close - p - 1));
  if (digits.empty() || digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    InvalidName();
  p = close + 1;
  return static_cast<std::int32_t>(std::stol(std::string(digits)));
}

void OCIDateToBytes(const OCIDate& d, std::uint8_t* b) {
  const int year = d.OCIDateYYYY;
  const int magnitude = std::abs(year), sign = year < 0 ? -1 : 1;
  b[0] = static_cast<std::uint8_t>(100 + sign * (magnitude / 100));
  b[1] = static_cast<std::uint8_t>(100 + sign * (magnitude % 100));
  b[2] = d.OCIDateMM;
  b[3] = d.OCIDateDD;
  b[4] = static_cast<std::uint8_t>(d.OCIDateTime.OCITimeHH + 1);
  b[5] = static_cast<std::uint8_t>(d.OCIDateTime.OCITimeMI + 1);
  b[6] = static_cast<std::uint8_t>(d.OCIDateTime.OCITimeSS + 1);
}

OCIDate BytesToOCIDate(const std::uint8_t* b) {
  OCIDate d{};
  d.OCIDateYYYY = static_cast<sb2>((b[0] - 100) * 100 + (b[1] - 100));
  d.OCIDateMM = b[2];
  d.OCIDateDD = b[3];
  d.OCIDateTime.OCITimeHH = static_cast<ub1>(b[4] - 1);
  d.OCIDateTime.OCITimeMI = static_cast<ub1>(b[5] - 1);
  d.OCIDateTime.OCITimeSS = static_cast<ub1>(b[6] - 1);
  return d;
}

OCIDate DayNumberToOCIDate(double dayNumber) {
  std::uint8_t b[kOraDateSize];
  DateTimeToOraDate(dayNumber, b);
  return BytesToOCIDate(b);
}

double OCIDateToDayNumber(const OCIDate& d) {
  std::uint8_t b[kOraDateSize];
  OCIDateToBytes(d, b);
  return OraDateToDateTime(b);
}

// The names of a dotted path, for OCIObjectSetAttr and OCIObjectGetAttr.
struct TNamePath {
  std::vector<std::string> names;
  std::vector<const OraText*> texts;
  std::vector<ub4> lengths;
  void Add(std::string name) { names.push_back(std::move(name)); }
  // The library's arrays for names [from, to).
  void Prepare(std::size_t from, std::size_t to) {
    texts.clear();
    lengths.clear();
    for (std::size_t i = from; i < to; ++i) {
      texts.push_back(reinterpret_cast<const OraText*>(names[i].c_str()));
      lengths.push_back(static_cast<ub4>(names[i].size()));
    }
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TOraObject

TOraObject::TOraObject(TOraType* type) {
  if (type) SetObjectType(type);
}

TOraObject::~TOraObject() {
  try {
    FreeObject(true);
  } catch (...) {
    // A destructor cannot report; the library keeps what it could not free.
  }
}

OCIError* TOraObject::Err() const { return hOCIError; }

void TOraObject::SetObjectType(TOraType* type) {
  if (type == GetOraType()) return;
  FreeObject(true);
  TDBObject::SetObjectType(type);
  if (type) SetSvcCtx(type->GetSvcCtx());
}

void TOraObject::SetSvcCtx(OCISvcCtx* svcCtx) {
  if (svcCtx == svcCtx_) return;
  svcCtx_ = svcCtx;
  env_ = nullptr;
  if (svcCtx_) Check(OCIAttrGet(svcCtx_, OCI_HTYPE_SVCCTX, &env_, nullptr, OCI_ATTR_ENV, Err()));
}

void TOraObject::CheckType() {
  if (!GetOraType()) throw da::Exception(STypeNotDefined);
}

bool TOraObject::GetIsNull() { return !indicator_ || *indicator_ != OCI_IND_NOTNULL; }

void TOraObject::SetIsNull(bool value) {
  if (indicator_) *indicator_ = value ? OCI_IND_NULL : OCI_IND_NOTNULL;
}

bool TOraObject::FetchedNull() const { return !instance_ || !indicator_ || *indicator_ != OCI_IND_NOTNULL; }

void TOraObject::TakeFetched(void* instance, void* indicator) {
  FreeObject(false);
  SetInstance(instance, indicator, instance != nullptr);
}

void TOraObject::AllocObject(OCISvcCtx* svcCtx) {
  SetSvcCtx(svcCtx);
  AllocObject();
}

void TOraObject::AllocObject() {
  CheckType();
  if (!svcCtx_) throw da::Exception(SSvcCtxNotDefined);
  if (owner_) {
    owner_->ChildAlloc(this);
    return;
  }
  TOraType* type = GetOraType();
  if (!instance_) {
    void* instance = nullptr;
    const OCITypeCode code = IsCollection(type) ? OCI_TYPECODE_NAMEDCOLLECTION : type->TypeCode;
    Check(OCIObjectNew(env_, Err(), svcCtx_, code, type->GetTDO(), nullptr, OCI_DURATION_SESSION, 1, &instance));
    instance_ = instance;
    ownsInstance_ = true;
  }
  if (!indicator_) {
    void* indicator = nullptr;
    Check(OCIObjectGetInd(env_, Err(), instance_, &indicator));
    indicator_ = static_cast<OCIInd*>(indicator);
  }
}

bool TOraObject::CheckAlloc(bool raise) {
  if (!instance_ && AutoCreate) AllocObject();
  if (!instance_ && raise) throw da::Exception(SObjectNotAllocated);
  return instance_ != nullptr;
}

void TOraObject::FreeObject(bool freeChildren) {
  if (ownsInstance_ && instance_) {
    void* instance = instance_;
    instance_ = nullptr;
    indicator_ = nullptr;
    ownsInstance_ = false;
    Check(OCIObjectFree(env_, Err(), instance, OCI_OBJECTFREE_FORCE));
  }
  if (freeChildren) ReleaseChildren();
}

void TOraObject::ReleaseChildren() {
  std::vector<da::TSharedObject*> children;
  children.swap(children_);
  const TOraType* type = GetOraType();
  for (std::size_t i = 0; i < children.size(); ++i) {
    da::TSharedObject* child = children[i];
    if (!child) continue;
    if (auto* object = dynamic_cast<TOraObject*>(child)) {
      object->owner_ = nullptr;
    } else if (type && static_cast<int>(i) < type->GetAttributeCount()) {
      // A value that outlives this object keeps no descriptor of the instance.
      BindDescriptor(type->GetAttributes(static_cast<int>(i))->DataType, child, nullptr);
    }
    child->Release();
  }
}

void TOraObject::SetInstance(void* instance, void* indicator, bool owns) {
  if (instance != instance_) FreeObject(false);
  instance_ = instance;
  indicator_ = static_cast<OCIInd*>(indicator);
  ownsInstance_ = owns && instance;
  BindChildren();
}

void TOraObject::BindChildren() {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    da::TSharedObject* child = children_[i];
    if (!child) continue;
    auto* object = dynamic_cast<TOraObject*>(child);
    if (object && instance_) {
      ChildAlloc(object);
    } else if (object) {
      object->SetInstance(nullptr, nullptr);
    } else if (instance_) {
      const da::TAttribute& attribute = *GetOraType()->GetAttributes(static_cast<int>(i));
      BindValue(child, attribute.DataType, attribute.Name, true);
    } else {
      const da::TDataType type = GetOraType()->GetAttributes(static_cast<int>(i))->DataType;
      BindDescriptor(type, child, nullptr);
      DescriptorFilled(type, child, true, false);
    }
  }
}

void TOraObject::SetChild(std::size_t index, da::TSharedObject* child) {
  if (children_.size() <= index) children_.resize(index + 1, nullptr);
  da::Release(children_[index]);
  children_[index] = child;
  if (auto* object = dynamic_cast<TOraObject*>(child)) {
    object->owner_ = this;
    object->ownerIndex_ = static_cast<int>(index);
  }
}

void TOraObject::BindValue(da::TSharedObject* value, da::TDataType type, std::string_view path, bool fill) {
  const TAttrInfo info = GetAttributeInfo(path);
  void* descriptor = info.value ? da::ReadPointer(info.value) : nullptr;
  BindDescriptor(type, value, descriptor);
  if (fill) DescriptorFilled(type, value, info.nullValue != OCI_IND_NOTNULL || !descriptor, true);
}

void TOraObject::ChildAlloc(TOraObject* child) {
  CheckAlloc(true);
  const da::TAttribute* attribute = GetOraType()->GetAttributes(child->ownerIndex_);
  const TAttrInfo info = GetAttributeInfo(attribute->Name);
  if (attribute->DataType == da::dtReference) {
    static_cast<TOraRef*>(child)->SetRef(info.value ? *static_cast<OCIRef**>(info.value) : nullptr);
    return;
  }
  void* place = info.value;
  void* indicator = info.indicator;
  if (place && attribute->DataType == da::dtObject) {
    auto* type = static_cast<TOraType*>(attribute->ObjectType());
    if (type && !type->Final) {
      void* own = nullptr;
      Check(OCIObjectGetInd(env_, Err(), place, &own));
      indicator = own;
    }
  }
  child->SetInstance(place, indicator);
}

void TOraObject::GetObjectRef(OCIRef* ref) {
  CheckAlloc(true);
  Check(OCIObjectGetObjectRef(env_, Err(), instance_, ref));
}

void TOraObject::Pin() {
  // An instance of its own is already at hand: its indicator structure is read again.
  CheckAlloc(true);
  void* indicator = nullptr;
  Check(OCIObjectGetInd(env_, Err(), instance_, &indicator));
  indicator_ = static_cast<OCIInd*>(indicator);
}

void TOraObject::Flush() {
  CheckAlloc(true);
  Check(OCIObjectFlush(env_, Err(), instance_));
}

void TOraObject::MarkDelete() {
  CheckAlloc(true);
  Check(OCIObjectMarkDelete(env_, Err(), instance_));
}

void TOraObject::MarkUpdate() {
  CheckAlloc(true);
  Check(OCIObjectMarkUpdate(env_, Err(), instance_));
}

void TOraObject::Assign(TOraObject& source) {
  if (!svcCtx_) throw da::Exception(SSvcCtxNotDefined);
  CheckAlloc(true);
  if (!source.instance_) return;
  TOraType* type = GetOraType();
  Check(OCIObjectCopy(env_, Err(), svcCtx_, source.instance_, source.indicator_, instance_, indicator_,
                      type->GetTDO(), OCI_DURATION_SESSION, 0));
  BindChildren();
}

// ---- navigation ----

TOraObject::TAttrInfo TOraObject::GetAttributeInfo(std::string_view path) {
  CheckAlloc(true);
  const std::string rest = Upper(path);
  TAttrInfo info;
  auto* address = static_cast<std::uint8_t*>(instance_);
  auto* indicators = reinterpret_cast<std::uint8_t*>(indicator_);
  const da::TObjectType* type = GetOraType();
  bool checking = !GetIsNull();
  info.nullValue = checking ? OCI_IND_NOTNULL : OCI_IND_NULL;
  auto read = [&](const void* p) {
    if (!checking) return;
    info.nullValue = da::ReadValue<OCIInd>(p);
    if (info.nullValue != OCI_IND_NOTNULL) checking = false;
  };
  std::size_t p = 0;
  while (true) {
    while (p < rest.size() && rest[p] == ' ') ++p;
    if (p >= rest.size()) InvalidName();
    if (rest[p] == '[') {
      const std::int32_t index = ParseIndex(rest, p);
      if (!IsCollection(type) || type->GetAttributeCount() != 1) InvalidName();
      da::TAttribute* element = type->GetAttributes(0);
      info.attribute = element;
      boolean exists = 0;
      void* value = nullptr;
      void* indicator = nullptr;
      Check(OCICollGetElem(env_, Err(), reinterpret_cast<OCIColl*>(address), index, &exists, &value, &indicator));
      if (!exists || !value) {  // a missing element counts as NULL
        info.value = nullptr;
        info.indicator = nullptr;
        info.nullValue = OCI_IND_NULL;
        return info;
      }
      read(indicator);
      info.value = address = static_cast<std::uint8_t*>(value);
      info.indicator = static_cast<OCIInd*>(indicator);
      indicators = static_cast<std::uint8_t*>(indicator);
      if (info.nullValue != OCI_IND_NOTNULL && !checking) {
        info.value = nullptr;
        return info;
      }
      type = element->ObjectType();
      if (p < rest.size() && rest[p] == '.') {
        ++p;
        continue;
      }
      if (p >= rest.size()) return info;
      continue;
    }
    const std::size_t end = std::min(rest.find('.', p), rest.find('[', p));
    const std::string name(Trim(std::string_view(rest).substr(p, (end == std::string::npos ? rest.size() : end) - p)));
    da::TAttribute* attribute = OwnAttribute(type, name);
    if (!attribute) InvalidName();
    info.attribute = attribute;
    address += attribute->Offset;
    auto* indicator = indicators + attribute->IndicatorOffset;
    read(indicator);
    info.value = address;
    info.indicator = reinterpret_cast<OCIInd*>(indicator);
    p = end == std::string::npos ? rest.size() : end;
    const bool more = p < rest.size();
    if (attribute->ObjectType() && attribute->DataType != da::dtReference) {
      auto* attributeType = static_cast<TOraType*>(attribute->ObjectType());
      if (IsCollection(attributeType) || !attributeType->Final) {
        address = static_cast<std::uint8_t*>(da::ReadPointer(address));
        info.value = address;
        if (address && !IsCollection(attributeType)) {
          void* own = nullptr;
          Check(OCIObjectGetInd(env_, Err(), address, &own));
          indicators = static_cast<std::uint8_t*>(own);
        }
      } else {
        indicators = indicator;
      }
      type = attributeType;
      if (!address) {
        info.nullValue = OCI_IND_NULL;
        return info;
      }
    } else if (more) {
      InvalidName();  // a "." or "[" after a plain attribute
    }
    if (!more) return info;
    if (rest[p] == '.') ++p;
  }
}

void TOraObject::GetAttributeValue(std::string_view path, void* destination, bool& isBlank) {
  const da::TAttribute& attribute = GetOraType()->AttributeByName(path);
  const TAttrInfo info = GetAttributeInfo(path);
  isBlank = info.nullValue != OCI_IND_NOTNULL || !info.value;
  const bool child = da::IsObjectDataType(attribute.DataType) || IsLobDataType(attribute.DataType) ||
                     IsFileDataType(attribute.DataType);
  if (!destination || (isBlank && !child)) return;
  switch (attribute.DataType) {
    case da::dtString: {
      auto* s = static_cast<OCIString*>(da::ReadPointer(info.value));
      const char* text = s ? reinterpret_cast<const char*>(OCIStringPtr(env_, s)) : "";
      const std::size_t n = ::strnlen(text ? text : "", attribute.Length);
      std::memcpy(destination, text ? text : "", n);
      static_cast<char*>(destination)[n] = '\0';
      return;
    }
    case da::dtInt32: {
      std::int32_t v = 0;
      Check(OCINumberToInt(Err(), static_cast<const OCINumber*>(info.value), sizeof v, OCI_NUMBER_SIGNED, &v));
      da::WriteValue(destination, v);
      return;
    }
    case da::dtFloat: {
      double v = 0;
      Check(OCINumberToReal(Err(), static_cast<const OCINumber*>(info.value), sizeof v, &v));
      da::WriteValue(destination, v);
      return;
    }
    case da::dtDateTime: {
      std::uint8_t b[kOraDateSize];
      OCIDateToBytes(da::ReadValue<OCIDate>(info.value), b);
      da::WriteValue(destination, OraDateToMSecs(b));
      return;
    }
    case da::dtObject: case da::dtReference: case da::dtArray: case da::dtTable:
      da::WritePointer(destination, GetAttrAsComplex(path));
      return;
    default:
      if (!IsDescriptorDataType(attribute.DataType)) throw da::Exception(SUnknownDataType);
      da::WritePointer(destination, GetAttrChild(path));
      return;
  }
}

void TOraObject::SetAttributeValue(std::string_view path, const void* source) {
  const da::TAttribute& attribute = GetOraType()->AttributeByName(path);
  if (!source) {
    const bool lob = attribute.DataType == dtOraBlob || attribute.DataType == dtOraClob;
    SetAttribute(path, nullptr, lob ? OCI_IND_NOTNULL : OCI_IND_NULL);
    // The attribute's value object follows.
    if (IsDescriptorDataType(attribute.DataType)) BindValue(GetAttrChild(path), attribute.DataType, path, true);
    return;
  }
  CheckAlloc(true);
  switch (attribute.DataType) {
    case da::dtString: {
      const auto* text = static_cast<const char*>(source);
      const ub4 n = static_cast<ub4>(std::strlen(text));
      OCIString* s = nullptr;
      Check(OCIStringResize(env_, Err(), n + 1, &s));
      struct TFree {
        OCIEnv* env;
        OCIString*& s;
        ~TFree() { OCIStringResize(env, hOCIError, 0, &s); }
      } free{env_, s};
      Check(OCIStringAssignText(env_, Err(), reinterpret_cast<const OraText*>(text), n, &s));
      SetAttribute(path, s, OCI_IND_NOTNULL);
      return;
    }
    case da::dtInt32: {
      OCINumber number{};
      const std::int32_t v = da::ReadValue<std::int32_t>(source);
      Check(OCINumberFromInt(Err(), &v, sizeof v, OCI_NUMBER_SIGNED, &number));
      SetAttribute(path, &number, OCI_IND_NOTNULL);
      return;
    }
    case da::dtFloat: {
      OCINumber number{};
      const double v = da::ReadValue<double>(source);
      Check(OCINumberFromReal(Err(), &v, sizeof v, &number));
      SetAttribute(path, &number, OCI_IND_NOTNULL);
      return;
    }
    case da::dtDateTime: {
      std::uint8_t b[kOraDateSize];
      MSecsToOraDate(std::round(da::ReadValue<double>(source)), b);
      const OCIDate date = BytesToOCIDate(b);
      SetAttribute(path, &date, OCI_IND_NOTNULL);
      return;
    }
    default: {
      if (!IsDescriptorDataType(attribute.DataType)) throw da::Exception(SUnknownDataType);
      auto* value = static_cast<da::TSharedObject*>(da::ReadPointer(source));
      if (!value) {
        SetAttributeValue(path, nullptr);
        return;
      }
      StoreValue(path, attribute, value);
      return;
    }
  }
}

void TOraObject::StoreValue(std::string_view path, const da::TAttribute& attribute, da::TSharedObject* value) {
  const da::TDataType type = attribute.DataType;
  // The child that stands for the attribute takes the value stored.
  const std::string upper = Upper(path);
  da::TSharedObject* child = GetAttrChild(upper);
  if (IsLobDataType(type)) {
    auto* lob = static_cast<TOraLob*>(child);
    if (value != child) {
      auto* source = static_cast<TOraLob*>(value);
      source->CheckValue();
      lob->SetAsString(source->GetAsString());
      lob->SetNeedsRead(false);
    }
    lob->CheckValue();  // content still on the server comes along
    lob->CreateTemporary(type == dtOraClob ? OCI_TEMP_CLOB : OCI_TEMP_BLOB);
    lob->WriteLob();
    SetAttribute(upper, lob->GetOCILobLocator(), OCI_IND_NOTNULL);
    BindValue(lob, type, upper, false);  // the content kept
    return;
  }
  if (IsFileDataType(type)) {
    SetAttribute(upper, static_cast<TOraLob*>(value)->GetOCILobLocator(), OCI_IND_NOTNULL);
  } else if (IsTimeStampDataType(type)) {
    auto* timeStamp = static_cast<TOraTimeStamp*>(value);
    const bool isNull = timeStamp->IsNull();
    SetAttribute(upper, isNull ? nullptr : timeStamp->GetOCIDateTime(), isNull ? OCI_IND_NULL : OCI_IND_NOTNULL);
  } else {
    auto* interval = static_cast<TOraInterval*>(value);
    const bool isNull = interval->IsNull();
    SetAttribute(upper, isNull ? nullptr : interval->GetOCIInterval(), isNull ? OCI_IND_NULL : OCI_IND_NOTNULL);
  }
  BindValue(child, type, upper, true);
}

void TOraObject::StoreAttrChild(std::string_view path) {
  const da::TAttribute& attribute = GetOraType()->AttributeByName(path);
  if (!IsDescriptorDataType(attribute.DataType)) throw da::Exception(SUnknownDataType);
  StoreValue(path, attribute, GetAttrChild(path));
}

void TOraObject::WriteLobs() { StoreLobs(false); }

void TOraObject::StoreModifiedLobs() { StoreLobs(true); }

void TOraObject::StoreLobs(bool modifiedOnly) {
  if (!CheckAlloc(false)) return;
  const TOraType* type = GetOraType();
  for (std::size_t i = 0; i < children_.size(); ++i) {
    da::TSharedObject* child = children_[i];
    if (!child || static_cast<int>(i) >= type->GetAttributeCount()) continue;
    const da::TAttribute& attribute = *type->GetAttributes(static_cast<int>(i));
    if (attribute.DataType == da::dtObject) {
      static_cast<TOraObject*>(child)->StoreLobs(modifiedOnly);
    } else if (IsLobDataType(attribute.DataType) &&
               (!modifiedOnly || static_cast<TOraLob*>(child)->GetModified())) {
      StoreValue(attribute.Name, attribute, child);
    }
  }
}

void TOraObject::AppendPlaceholder(OCIColl* collection, const da::TAttribute& element) {
  OCIInd nullInd = OCI_IND_NULL;
  switch (element.DataType) {
    case da::dtString: {
      OCIString* s = nullptr;
      Check(OCIStringAssignText(env_, Err(), reinterpret_cast<const OraText*>(""), 0, &s));
      const sword status = OCICollAppend(env_, Err(), s, &nullInd, collection);
      OCIStringResize(env_, Err(), 0, &s);
      Check(status);
      return;
    }
    case da::dtInt32: case da::dtFloat: {
      OCINumber number{};
      Check(OCICollAppend(env_, Err(), &number, &nullInd, collection));
      return;
    }
    case da::dtDateTime: {
      OCIDate date{};
      Check(OCICollAppend(env_, Err(), &date, &nullInd, collection));
      return;
    }
    case da::dtObject: {
      auto* type = static_cast<TOraType*>(element.ObjectType());
      da::DAAssert(type != nullptr, kModule);
      std::vector<std::uint8_t> storage(std::max<std::size_t>(type->DataSize, 1), 0);
      std::vector<OCIInd> indicators(std::max<std::size_t>(type->IndicatorSize / 2, 1), OCI_IND_NULL);
      Check(OCICollAppend(env_, Err(), storage.data(), indicators.data(), collection));
      return;
    }
    default:
      da::DAAssert(false, kModule, "An element type that cannot be created empty");
  }
}

void TOraObject::SetAttribute(std::string_view path, const void* value, OCIInd nullStatus) {
  CheckAlloc(true);
  const std::string rest = Upper(path);
  void* instance = instance_;
  void* indicator = indicator_;
  auto* type = GetOraType();
  OCIInd* holder = indicator_;
  std::size_t p = 0;
  while (true) {
    while (p < rest.size() && rest[p] == ' ') ++p;
    if (p >= rest.size()) break;
    if (rest[p] == '[') {
      const std::int32_t index = ParseIndex(rest, p);
      if (p < rest.size() && rest[p] == '.') ++p;
      if (!IsCollection(type) || type->GetAttributeCount() != 1) InvalidName();
      const da::TAttribute& element = *type->GetAttributes(0);
      auto* collection = static_cast<OCIColl*>(instance);
      sb4 size = 0;
      Check(OCICollSize(env_, Err(), collection, &size));
      CheckedSize(size, type);
      for (; size <= index; ++size) AppendPlaceholder(collection, element);
      while (p < rest.size() && rest[p] == ' ') ++p;
      boolean exists = 0;
      void* elem = nullptr;
      void* elemInd = nullptr;
      if (p < rest.size()) {
        if (nullStatus == OCI_IND_NOTNULL && holder) *holder = OCI_IND_NOTNULL;
        Check(OCICollGetElem(env_, Err(), collection, index, &exists, &elem, &elemInd));
        if (!exists || !elem) LostElement(index, size);
        instance = elem;
        indicator = elemInd;
        holder = static_cast<OCIInd*>(elemInd);
        type = static_cast<TOraType*>(element.ObjectType());
        continue;
      }
      if (nullStatus == OCI_IND_NULL) {
        Check(OCICollGetElem(env_, Err(), collection, index, &exists, &elem, &elemInd));
        const void* present = element.DataType == da::dtString ? da::ReadPointer(elem) : elem;
        OCIInd nul = OCI_IND_NULL;
        Check(OCICollAssignElem(env_, Err(), index, present, &nul, collection));
      } else {
        OCIInd notNull = OCI_IND_NOTNULL;
        Check(OCICollAssignElem(env_, Err(), index, value, &notNull, collection));
      }
      p = rest.size();
      break;
    }
    // The names up to the next "[" (or the end).
    const std::size_t bracket = rest.find('[', p);
    const std::string_view segment =
        std::string_view(rest).substr(p, (bracket == std::string::npos ? rest.size() : bracket) - p);
    TNamePath names;
    std::vector<da::TAttribute*> attributes;
    const da::TObjectType* t = type;
    for (std::size_t start = 0;;) {
      const std::size_t dot = segment.find('.', start);
      const std::string name(Trim(segment.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start)));
      da::TAttribute* a = OwnAttribute(t, name);
      if (!a) InvalidName();
      names.Add(name);
      attributes.push_back(a);
      if (dot == std::string_view::npos) break;
      t = a->ObjectType();
      start = dot + 1;
    }
    OCIType* tdo = type->GetTDO();
    if (bracket != std::string::npos) {
      names.Prepare(0, names.names.size());
      const ub4 count = static_cast<ub4>(names.names.size());
      Check(OCIObjectSetAttr(env_, Err(), instance, indicator, tdo, names.texts.data(), names.lengths.data(), count,
                             nullptr, 0, OCI_IND_NOTNULL, nullptr, nullptr));
      OCIInd attrNull = 0;
      void* attrNullStruct = nullptr;
      void* attrValue = nullptr;
      OCIType* attrTdo = nullptr;
      Check(OCIObjectGetAttr(env_, Err(), instance, indicator, tdo, names.texts.data(), names.lengths.data(), count,
                             nullptr, 0, &attrNull, &attrNullStruct, &attrValue, &attrTdo));
      instance = attrValue;
      indicator = attrNullStruct;
      holder = static_cast<OCIInd*>(attrNullStruct);
      type = static_cast<TOraType*>(attributes.back()->ObjectType());
      if (!instance || !IsCollection(type)) InvalidName();
      p = bracket;
      continue;
    }
    std::size_t start = 0;
    if (nullStatus == OCI_IND_NOTNULL && names.names.size() >= 2) {
      for (std::size_t k = 1; k < names.names.size(); ++k) {
        names.Prepare(start, k);
        const ub4 count = static_cast<ub4>(k - start);
        Check(OCIObjectSetAttr(env_, Err(), instance, indicator, tdo, names.texts.data(), names.lengths.data(), count,
                               nullptr, 0, OCI_IND_NOTNULL, nullptr, nullptr));
        auto* reached = static_cast<TOraType*>(attributes[k - 1]->ObjectType());
        if (reached && reached->DataType == da::dtObject && !reached->Final) {
          // Stored by reference: the walk goes on in that object, which was NULL as a whole.
          OCIInd attrNull = 0;
          void* attrNullStruct = nullptr;
          void* attrValue = nullptr;
          OCIType* attrTdo = nullptr;
          Check(OCIObjectGetAttr(env_, Err(), instance, indicator, tdo, names.texts.data(), names.lengths.data(),
                                 count, nullptr, 0, &attrNull, &attrNullStruct, &attrValue, &attrTdo));
          auto* own = static_cast<OCIInd*>(attrNullStruct);
          if (own && *own != OCI_IND_NOTNULL) {
            std::fill(own, own + reached->IndicatorSize / 2, OCI_IND_NULL);
            *own = OCI_IND_NOTNULL;
          }
          instance = attrValue;
          indicator = attrNullStruct;
          holder = own;
          tdo = attrTdo;
          start = k;
        }
      }
    }
    names.Prepare(start, names.names.size());
    Check(OCIObjectSetAttr(env_, Err(), instance, indicator, tdo, names.texts.data(), names.lengths.data(),
                           static_cast<ub4>(names.names.size() - start), nullptr, 0, nullStatus, nullptr, value));
    p = rest.size();
    break;
  }
  if (nullStatus == OCI_IND_NOTNULL && holder) *holder = OCI_IND_NOTNULL;
}

// ---- children ----

da::TSharedObject* TOraObject::MakeChild(const da::TAttribute& attribute) {
  if (IsDescriptorDataType(attribute.DataType)) return NewDescriptorValue(attribute.DataType, svcCtx_, true);
  auto* type = static_cast<TOraType*>(attribute.ObjectType());
  TOraObject* child = nullptr;
  switch (attribute.DataType) {
    case da::dtObject: child = new TOraObject(type); break;
    case da::dtReference: child = new TOraRef(type); break;
    case da::dtArray: child = new TOraArray(type); break;
    case da::dtTable: child = new TOraNestTable(type); break;
    default: CannotConvert("Object");
  }
  child->SetSvcCtx(svcCtx_);
  return child;
}

da::TSharedObject* TOraObject::GetAttrChild(std::string_view path) {
  const std::string upper = Upper(path);
  const std::size_t dot = upper.find('.'), bracket = upper.find('[');
  if (dot != std::string::npos && dot < bracket) {
    TOraObject* embedded = GetAttrAsComplex(upper.substr(0, dot));
    return embedded->GetAttrChild(upper.substr(dot + 1));
  }
  if (bracket != std::string::npos) {
    // An attribute of a collection's object element is the element object's.
    std::size_t p = bracket;
    const std::int32_t index = ParseIndex(upper, p);
    if (p < upper.size() && upper[p] == '.') {
      auto* collection = dynamic_cast<TOraArray*>(bracket == 0 ? this : GetAttrAsComplex(upper.substr(0, bracket)));
      if (!collection) InvalidName();
      return collection->GetElementObject(index)->GetAttrChild(upper.substr(p + 1));
    }
  }
  CheckAlloc(true);
  const da::TAttribute& attribute = GetOraType()->AttributeByName(upper);
  const std::size_t index = attribute.AttributeNo - 1u;
  if (index < children_.size() && children_[index]) return children_[index];
  da::TSharedObject* child = MakeChild(attribute);
  SetChild(index, child);
  if (auto* object = dynamic_cast<TOraObject*>(child)) {
    ChildAlloc(object);
    // A REF read from an instance is pinned at once (a failed pin only marks it invalid).
    if (auto* ref = dynamic_cast<TOraRef*>(object)) ref->GetIsNull();
  } else {
    BindValue(child, attribute.DataType, attribute.Name, true);
  }
  return child;
}

TOraObject* TOraObject::GetAttrAsComplex(std::string_view path) {
  auto* object = dynamic_cast<TOraObject*>(GetAttrChild(path));
  if (!object) CannotConvert("Object");
  return object;
}

TOraObject* TOraObject::GetAttrAsObject(std::string_view path) {
  const da::TAttribute& attribute = GetOraType()->AttributeByName(path);
  if (!da::IsObjectDataType(attribute.DataType)) CannotConvert("Object");
  return GetAttrAsComplex(path);
}

TOraLob* TOraObject::GetAttrAsLob(std::string_view path) {
  const da::TDataType t = GetOraType()->AttributeByName(path).DataType;
  if (!IsLobDataType(t) && !IsFileDataType(t)) CannotConvert("Lob");
  return static_cast<TOraLob*>(GetAttrChild(path));
}

TOraTimeStamp* TOraObject::GetAttrAsTimeStamp(std::string_view path) {
  if (!IsTimeStampDataType(GetOraType()->AttributeByName(path).DataType)) CannotConvert("TimeStamp");
  return static_cast<TOraTimeStamp*>(GetAttrChild(path));
}

TOraInterval* TOraObject::GetAttrAsInterval(std::string_view path) {
  if (!IsIntervalDataType(GetOraType()->AttributeByName(path).DataType)) CannotConvert("Interval");
  return static_cast<TOraInterval*>(GetAttrChild(path));
}

// ---- typed access ----

bool TOraObject::AttrIsNull(std::string_view path) {
  GetOraType()->AttributeByName(path);
  const TAttrInfo info = GetAttributeInfo(path);
  return info.nullValue != OCI_IND_NOTNULL || !info.value;
}

void TOraObject::SetAttrNull(std::string_view path) { SetAttributeValue(path, nullptr); }

double TOraObject::GetAttrAsDateTime(std::string_view path) {
  if (GetOraType()->AttributeByName(path).DataType != da::dtDateTime) CannotConvert("Date");
  const TAttrInfo info = GetAttributeInfo(path);
  if (info.nullValue != OCI_IND_NOTNULL || !info.value) return 0;
  return OCIDateToDayNumber(da::ReadValue<OCIDate>(info.value));
}

void TOraObject::SetAttrAsDateTime(std::string_view path, double value) {
  if (GetOraType()->AttributeByName(path).DataType != da::dtDateTime) CannotConvert("Date");
  std::uint8_t b[kOraDateSize];
  DateTimeToOraDate(value, b);
  const double msecs = OraDateToMSecs(b);
  SetAttributeValue(path, &msecs);
}

double TOraObject::GetAttrAsFloat(std::string_view path) {
  const da::TDataType t = GetOraType()->AttributeByName(path).DataType;
  if (t != da::dtFloat && t != da::dtInt32) CannotConvert("Float");
  const TAttrInfo info = GetAttributeInfo(path);
  if (info.nullValue != OCI_IND_NOTNULL || !info.value) return 0;
  double v = 0;
  Check(OCINumberToReal(Err(), static_cast<const OCINumber*>(info.value), sizeof v, &v));
  return v;
}

void TOraObject::SetAttrAsFloat(std::string_view path, double value) {
  const da::TDataType t = GetOraType()->AttributeByName(path).DataType;
  if (t != da::dtFloat && t != da::dtInt32) CannotConvert("Float");
  OCINumber number{};
  Check(OCINumberFromReal(Err(), &value, sizeof value, &number));
  SetAttribute(path, &number, OCI_IND_NOTNULL);
}

std::int32_t TOraObject::GetAttrAsInteger(std::string_view path) {
  const da::TDataType t = GetOraType()->AttributeByName(path).DataType;
  if (t != da::dtFloat && t != da::dtInt32) CannotConvert("Integer");
  const TAttrInfo info = GetAttributeInfo(path);
  if (info.nullValue != OCI_IND_NOTNULL || !info.value) return 0;
  std::int32_t v = 0;
  Check(OCINumberToInt(Err(), static_cast<const OCINumber*>(info.value), sizeof v, OCI_NUMBER_SIGNED, &v));
  return v;
}

void TOraObject::SetAttrAsInteger(std::string_view path, std::int32_t value) {
  const da::TDataType t = GetOraType()->AttributeByName(path).DataType;
  if (t != da::dtFloat && t != da::dtInt32) CannotConvert("Integer");
  OCINumber number{};
  Check(OCINumberFromInt(Err(), &value, sizeof value, OCI_NUMBER_SIGNED, &number));
  SetAttribute(path, &number, OCI_IND_NOTNULL);
}

std::string TOraObject::GetAttrAsString(std::string_view path) {
  const da::TAttribute& attribute = GetOraType()->AttributeByName(path);
  if (attribute.DataType != da::dtString) CannotConvert("String");
  std::string text(attribute.Length + 1u, '\0');
  bool blank = true;
  GetAttributeValue(path, text.data(), blank);
  if (blank) return {};
  text.resize(std::strlen(text.c_str()));
  return text;
}

void TOraObject::SetAttrAsString(std::string_view path, std::string_view value) {
  if (GetOraType()->AttributeByName(path).DataType != da::dtString) CannotConvert("String");
  const std::string text(value);
  SetAttributeValue(path, text.c_str());
}

// ---------------------------------------------------------------------------------------------
// TOraRef

bool TOraRef::FetchedNull() const { return !ref_ || OCIRefIsNull(env_, ref_); }

void TOraRef::TakeFetched(void* instance, void*) { SetRef(static_cast<OCIRef*>(instance)); }

bool TOraRef::GetIsNull() {
  if (!ref_ || OCIRefIsNull(env_, ref_)) return true;
  if (!instance_ && !invalid_) Pin();
  return invalid_;
}

void TOraRef::SetIsNull(bool value) {
  if (value) Clear();
}

void TOraRef::SetRef(OCIRef* ref) {
  if (ref == ref_ && instance_) return;
  FreeObject(true);
  instance_ = nullptr;
  indicator_ = nullptr;
  ref_ = ref;
  invalid_ = false;
}

void TOraRef::Clear() {
  if (ref_) OCIRefClear(env_, ref_);
  FreeObject(true);
  instance_ = nullptr;
  indicator_ = nullptr;
  invalid_ = false;
}

void TOraRef::AllocObject() {
  CheckType();
  if (!svcCtx_) throw da::Exception(SSvcCtxNotDefined);
  if (!instance_) Pin();
}

void TOraRef::Pin() {
  da::DAAssert(instance_ == nullptr, kModule, "Pin of an object already there");
  if (!ref_ || OCIRefIsNull(env_, ref_)) throw da::Exception(SRefNotAssigned);
  void* instance = nullptr;
  if (OCIObjectPin(env_, Err(), ref_, nullptr, OCI_PIN_ANY, OCI_DURATION_SESSION, OCI_LOCK_NONE, &instance) != OCI_SUCCESS ||
      !instance) {
    invalid_ = true;  // a REF that cannot be pinned reads as NULL
    return;
  }
  void* indicator = nullptr;
  Check(OCIObjectGetInd(env_, Err(), instance, &indicator));
  instance_ = instance;
  indicator_ = static_cast<OCIInd*>(indicator);
  ownsInstance_ = false;  // pinned in the library's cache
  BindChildren();
}

void TOraRef::Assign(TOraObject& source) {
  auto* other = dynamic_cast<TOraRef*>(&source);
  if (!other) {
    TOraObject::Assign(source);
    return;
  }
  if (!other->ref_ || OCIRefIsNull(env_, other->ref_)) {
    Clear();
    return;
  }
  OCIRef* ref = ref_;
  Check(OCIRefAssign(env_, Err(), other->ref_, &ref));
  SetRef(ref);
}

// ---------------------------------------------------------------------------------------------
// TOraArray and TOraNestTable

void TOraArray::CheckType() {
  TOraObject::CheckType();
  if (!IsCollection(GetOraType())) throw da::Exception("Type of object must be Array");
}

void TOraNestTable::CheckType() {
  TOraObject::CheckType();
  if (GetOraType()->DataType != da::dtTable) throw da::Exception("Type of object must be Table");
}

da::TDataType TOraArray::ElementType() {
  CheckType();
  return GetOraType()->GetAttributes(0)->DataType;
}

std::int32_t TOraArray::GetSize() {
  CheckAlloc(true);
  sb4 size = 0;
  Check(OCICollSize(env_, Err(), Collection(), &size));
  return CheckedSize(size, GetOraType());
}

std::int32_t TOraNestTable::GetSize() {
  if (!instance_) return 0;
  sb4 size = 0;
  Check(OCITableSize(env_, Err(), Collection(), &size));
  return CheckedSize(size, GetOraType());
}

std::int32_t TOraArray::NextIndex(std::int32_t index) {
  if (!CheckAlloc(false)) return -1;
  return index + 1 < GetSize() ? index + 1 : -1;
}

void TOraNestTable::DeleteElement(std::int32_t index) {
  CheckAlloc(true);
  Check(OCITableDelete(env_, Err(), index, Collection()));
}

std::int32_t TOraNestTable::NextIndex(std::int32_t index) {
  if (!CheckAlloc(false)) return -1;
  sb4 next = -1;
  boolean exists = 0;
  Check(OCITableNext(env_, Err(), index, Collection(), &next, &exists));
  if (!exists) return -1;
  if (next <= index) RaiseError("The client library reported element " + std::to_string(next) + " after " + std::to_string(index));
  return next;
}

bool TOraArray::GetElem(std::int32_t index, void*& element, void*& indicator) {
  CheckAlloc(true);
  boolean exists = 0;
  element = indicator = nullptr;
  if (index < 0) return false;
  Check(OCICollGetElem(env_, Err(), Collection(), index, &exists, &element, &indicator));
  return exists && element;
}

void TOraArray::AssignElem(std::int32_t index, const void* element, OCIInd nullStatus) {
  Check(OCICollAssignElem(env_, Err(), index, element, &nullStatus, Collection()));
}

void TOraArray::CheckElementType(std::initializer_list<da::TDataType> types, const char* kind) {
  const da::TDataType t = ElementType();
  if (std::find(types.begin(), types.end(), t) == types.end()) CannotConvert(kind);
}

std::int32_t TOraArray::AppendElement() {
  CheckType();
  CheckAlloc(true);
  AppendPlaceholder(Collection(), *GetOraType()->GetAttributes(0));
  return GetSize() - 1;
}

void TOraArray::ExtendTo(std::int32_t index) {
  if (index < 0) RaiseError(SInvalidIndex);
  while (GetSize() <= index) AppendElement();
}

bool TOraArray::ElementIsNull(std::int32_t index) {
  void *element, *indicator;
  if (!GetElem(index, element, indicator)) return false;
  return da::ReadValue<OCIInd>(indicator) != OCI_IND_NOTNULL;
}

void TOraArray::SetElementNull(std::int32_t index, bool value) {
  ExtendTo(index);
  void *element, *indicator;
  if (!GetElem(index, element, indicator)) LostElement(index, GetSize());
  const void* present = ElementType() == da::dtString ? da::ReadPointer(element) : element;
  AssignElem(index, present, value ? OCI_IND_NULL : OCI_IND_NOTNULL);
}

double TOraArray::GetElementDate(std::int32_t index) {
  void *element, *indicator;
  if (!GetElem(index, element, indicator) || da::ReadValue<OCIInd>(indicator) != OCI_IND_NOTNULL) return 0;
  CheckElementType({da::dtDateTime}, "Date");
  return OCIDateToDayNumber(da::ReadValue<OCIDate>(element));
}

void TOraArray::SetElementDate(std::int32_t index, double value) {
  ExtendTo(index);
  CheckElementType({da::dtDateTime}, "Date");
  const OCIDate date = DayNumberToOCIDate(value);
  AssignElem(index, &date, OCI_IND_NOTNULL);
  if (indicator_) *indicator_ = OCI_IND_NOTNULL;
}

double TOraArray::GetElementFloat(std::int32_t index) {
  void *element, *indicator;
  if (!GetElem(index, element, indicator) || da::ReadValue<OCIInd>(indicator) != OCI_IND_NOTNULL) return 0;
  CheckElementType({da::dtInt32, da::dtFloat}, "Float");
  double v = 0;
  Check(OCINumberToReal(Err(), static_cast<const OCINumber*>(element), sizeof v, &v));
  return v;
}

void TOraArray::SetElementFloat(std::int32_t index, double value) {
  ExtendTo(index);
  CheckElementType({da::dtInt32, da::dtFloat}, "Float");
  OCINumber number{};
  Check(OCINumberFromReal(Err(), &value, sizeof value, &number));
  AssignElem(index, &number, OCI_IND_NOTNULL);
  if (indicator_) *indicator_ = OCI_IND_NOTNULL;
}

std::int32_t TOraArray::GetElementInteger(std::int32_t index) {
  void *element, *indicator;
  if (!GetElem(index, element, indicator) || da::ReadValue<OCIInd>(indicator) != OCI_IND_NOTNULL) return 0;
  CheckElementType({da::dtInt32, da::dtFloat}, "Integer");
  std::int32_t v = 0;
  Check(OCINumberToInt(Err(), static_cast<const OCINumber*>(element), sizeof v, OCI_NUMBER_SIGNED, &v));
  return v;
}

void TOraArray::SetElementInteger(std::int32_t index, std::int32_t value) {
  ExtendTo(index);
  CheckElementType({da::dtInt32, da::dtFloat}, "Integer");
  OCINumber number{};
  Check(OCINumberFromInt(Err(), &value, sizeof value, OCI_NUMBER_SIGNED, &number));
  AssignElem(index, &number, OCI_IND_NOTNULL);
  if (indicator_) *indicator_ = OCI_IND_NOTNULL;
}

std::string TOraArray::GetElementString(std::int32_t index) {
  void *element, *indicator;
  if (!GetElem(index, element, indicator) || da::ReadValue<OCIInd>(indicator) != OCI_IND_NOTNULL) return {};
  CheckElementType({da::dtString}, "String");
  auto* s = static_cast<OCIString*>(da::ReadPointer(element));
  const OraText* text = s ? OCIStringPtr(env_, s) : nullptr;
  return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

void TOraArray::SetElementString(std::int32_t index, std::string_view value) {
  ExtendTo(index);
  CheckElementType({da::dtString}, "String");
  void *element, *indicator;
  if (!GetElem(index, element, indicator)) LostElement(index, GetSize());
  OCIString* s = static_cast<OCIString*>(da::ReadPointer(element));
  Check(OCIStringResize(env_, Err(), static_cast<ub4>(value.size() + 1), &s));
  Check(OCIStringAssignText(env_, Err(), reinterpret_cast<const OraText*>(value.data()), static_cast<ub4>(value.size()), &s));
  AssignElem(index, s, OCI_IND_NOTNULL);
  if (indicator_) *indicator_ = OCI_IND_NOTNULL;
}

TOraObject* TOraArray::GetElementObject(std::int32_t index) {
  CheckType();
  const da::TAttribute& element = *GetOraType()->GetAttributes(0);
  if (element.DataType != da::dtObject) CannotConvert("Object");
  if (index < 0) RaiseError(SInvalidIndex);
  const auto i = static_cast<std::size_t>(index);
  if (i < children_.size() && children_[i]) return static_cast<TOraObject*>(children_[i]);
  auto* child = static_cast<TOraObject*>(MakeChild(element));
  SetChild(i, child);
  void *elem, *indicator;
  if (GetElem(index, elem, indicator)) child->SetInstance(elem, indicator);
  return child;
}

void TOraArray::SetElementObject(std::int32_t index, TOraObject& value) {
  CheckAlloc(true);
  Check(OCICollAssignElem(env_, Err(), index, value.GetInstance(), value.GetIndicator(), Collection()));
}

void TOraArray::BindElementObject(std::int32_t index, TOraObject* object) {
  void *elem, *indicator;
  if (!GetElem(index, elem, indicator)) LostElement(index, GetSize());
  object->AddRef();
  SetChild(static_cast<std::size_t>(index), object);
  object->SetInstance(elem, indicator);
}

void TOraArray::ChildAlloc(TOraObject* child) {
  ExtendTo(child->ownerIndex_);
  void *elem, *indicator;
  if (GetElem(child->ownerIndex_, elem, indicator)) child->SetInstance(elem, indicator);
}

void TOraArray::Assign(TOraObject& source) {
  auto* other = dynamic_cast<TOraArray*>(&source);
  if (!other) CannotConvert("Object");
  CheckAlloc(true);
  if (!other->instance_) return;
  Check(OCICollAssign(env_, Err(), other->Collection(), Collection()));
  if (indicator_ && other->indicator_) *indicator_ = *other->indicator_;
  BindChildren();
}

// ---------------------------------------------------------------------------------------------

TOraObject* NewOraObject(da::TDataType dataType, TOraType* type) {
  switch (dataType) {
    case da::dtObject: return new TOraObject(type);
    case da::dtReference: return new TOraRef(type);
    case da::dtArray: return new TOraArray(type);
    case da::dtTable: return new TOraNestTable(type);
    default: da::DAAssert(false, kModule, SUnknownDataType);
  }
  return nullptr;
}

}  // namespace ora
