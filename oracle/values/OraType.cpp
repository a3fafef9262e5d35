#include "oracle/values/OraType.h"

#include <algorithm>
#include <cctype>
#include <thread>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"
#include "oracle/OraDataTypes.h"
#include "platform/ThreadAnnotations.h"

namespace ora {

namespace {

constexpr const char* kModule = "OraObjects";
constexpr ub4 kMaxName = 512;

// A cached type and the thread still describing it (none once it is described). Until then only
// that thread is handed the type: its own attributes may refer to it, while another thread would
// read it half described.
struct TCachedType {
  TOraType* type;
  std::thread::id builder;
};

struct TTypeCache {
  plat::Mutex lock;
  std::vector<TCachedType> types GUARDED_BY(lock);
};

TTypeCache& Cache() {
  static TTypeCache cache;
  return cache;
}

std::string UpperTrimmed(const std::string& s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
  std::string out = s.substr(begin, end - begin);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::uint16_t RoundToRef(std::uint32_t n) {
  return static_cast<std::uint16_t>((n + kOraRefSize - 1) / kOraRefSize * kOraRefSize);
}

// One attribute of a describe parameter, of the type the caller gives.
template <class T>
T ParamAttr(void* param, ub4 attribute) {
  T value{};
  Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, hOCIError));
  return value;
}

std::string ParamText(void* param, ub4 attribute) {
  OraText* p = nullptr;
  ub4 length = 0;
  Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &p, &length, attribute, hOCIError));
  if (length > kMaxName) RaiseError("The client library described a name of " + std::to_string(length) + " bytes");
  return p && length ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
}

// The first cached type of that name (upper-cased and trimmed) on that service context that the
// calling thread may be handed and that accept takes.
template <class Accept>
TOraType* Lookup(TTypeCache& cache, OCISvcCtx* svcCtx, const std::string& key, Accept accept) REQUIRES(cache.lock) {
  const std::thread::id self = std::this_thread::get_id();
  for (const TCachedType& c : cache.types)
    if ((c.builder == std::thread::id() || c.builder == self) && c.type->GetSvcCtx() == svcCtx &&
        UpperTrimmed(c.type->Name) == key && accept(c.type))
      return c.type;
  return nullptr;
}

}  // namespace

TOraType::TOraType(OCISvcCtx* svcCtx, const std::string& name) : da::TObjectType(name, da::dtObject), svcCtx_(svcCtx) {
  TTypeCache& cache = Cache();
  {
    plat::MutexLock lock(cache.lock);
    cache.types.push_back({this, std::this_thread::get_id()});
  }
  try {
    Describe();
  } catch (...) {
    plat::MutexLock lock(cache.lock);
    std::erase_if(cache.types, [this](const TCachedType& c) { return c.type == this; });
    throw;
  }
  plat::MutexLock lock(cache.lock);
  for (TCachedType& c : cache.types)
    if (c.type == this) c.builder = std::thread::id();
}

TOraType::~TOraType() {
  TTypeCache& cache = Cache();
  plat::MutexLock lock(cache.lock);
  std::erase_if(cache.types, [this](const TCachedType& c) { return c.type == this; });
}

TOraType* TOraType::FindType(OCISvcCtx* svcCtx, const std::string& name) {
  const std::string key = UpperTrimmed(name);
  TTypeCache& cache = Cache();
  plat::MutexLock lock(cache.lock);
  return Lookup(cache, svcCtx, key, [](TOraType*) { return true; });
}

TOraType* TOraType::FindOrCreate(OCISvcCtx* svcCtx, const std::string& name) {
  {
    const std::string key = UpperTrimmed(name);
    TTypeCache& cache = Cache();
    plat::MutexLock lock(cache.lock);
    // A type whose last reference is going is leaving the cache: not found.
    if (TOraType* t = Lookup(cache, svcCtx, key, [](TOraType* found) { return found->AddRefUnlessGone(); })) return t;
  }
  return new TOraType(svcCtx, name);
}

void TOraType::Describe() {
  if (!svcCtx_) RaiseError(SSvcCtxNotDefined);
  Check(OCIAttrGet(svcCtx_, OCI_HTYPE_SVCCTX, &env_, nullptr, OCI_ATTR_ENV, hOCIError));
  ClearAttributes();
  DataSize = 0;
  IndicatorSize = 2;

  std::string schema, typeName, describeName;
  const std::size_t dot = Name.find('.');
  if (dot == std::string::npos) {
    typeName = Name;
    for (char& c : typeName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    describeName = Name;
  } else {
    schema = Name.substr(0, dot);
    typeName = Name.substr(dot + 1);
    describeName = "\"" + schema + "\".\"" + typeName + "\"";
  }
  auto text = [](const std::string& s) { return reinterpret_cast<const OraText*>(s.c_str()); };
  Check(OCITypeByName(env_, hOCIError, svcCtx_, schema.empty() ? nullptr : text(schema),
                      static_cast<ub4>(schema.size()), text(typeName), static_cast<ub4>(typeName.size()), nullptr, 0,
                      OCI_DURATION_SESSION, OCI_TYPEGET_HEADER, &tdo_));
  OCIDescribe* describe = nullptr;
  Check(OCIHandleAlloc(env_, reinterpret_cast<void**>(&describe), OCI_HTYPE_DESCRIBE, 0, nullptr));
  struct TDescribeGuard {
    OCIDescribe* d;
    ~TDescribeGuard() { OCIHandleFree(d, OCI_HTYPE_DESCRIBE); }
  } guard{describe};
  Check(OCIDescribeAny(svcCtx_, hOCIError, const_cast<char*>(describeName.c_str()),
                       static_cast<ub4>(describeName.size()), OCI_OTYPE_NAME, 0, OCI_PTYPE_TYPE, describe));
  void* param = nullptr;
  Check(OCIAttrGet(describe, OCI_HTYPE_DESCRIBE, &param, nullptr, OCI_ATTR_PARAM, hOCIError));

  TypeCode = ParamAttr<OCITypeCode>(param, OCI_ATTR_TYPECODE);
  Final = (PossibleOCICallStyles & csOCI9) ? ParamAttr<ub1>(param, OCI_ATTR_IS_FINAL_TYPE) != 0 : true;
  if (TypeCode == OCI_TYPECODE_OBJECT || TypeCode == OCI_TYPECODE_OPAQUE) {
    DataType = da::dtObject;
    const ub2 count = ParamAttr<ub2>(param, OCI_ATTR_NUM_TYPE_ATTRS);
    void* list = ParamAttr<void*>(param, OCI_ATTR_LIST_TYPE_ATTRS);
    for (ub4 i = 1; i <= count; ++i) {
      void* attribute = nullptr;
      Check(OCIParamGet(list, OCI_DTYPE_PARAM, hOCIError, &attribute, i));
      DescribeAttribute(attribute);
    }
  } else if (TypeCode == OCI_TYPECODE_NAMEDCOLLECTION) {
    const OCITypeCode collection = ParamAttr<OCITypeCode>(param, OCI_ATTR_COLLECTION_TYPECODE);
    da::DAAssert(collection == OCI_TYPECODE_VARRAY || collection == OCI_TYPECODE_TABLE, kModule,
                 "Unknown collection type code");
    DataType = collection == OCI_TYPECODE_VARRAY ? da::dtArray : da::dtTable;
    void* element = ParamAttr<void*>(param, OCI_ATTR_COLLECTION_ELEMENT);
    const ub4 elements = ParamAttr<ub4>(element, OCI_ATTR_NUM_ELEMS);
    Size = static_cast<std::int32_t>(std::min<ub4>(elements, INT32_MAX));
    DescribeAttribute(element);
  } else {
    da::DAAssert(false, kModule, "Unknown type code");
  }
}

void TOraType::DescribeAttribute(void* param) {
  std::string name = ParamText(param, OCI_ATTR_NAME);
  if (name.empty()) name = "ELEMENT";
  da::TAttribute& a = AddAttribute(name, da::dtUnknown);
  a.AttributeNo = static_cast<std::uint16_t>(GetAttributeCount());
  const ub2 dataSize = ParamAttr<ub2>(param, OCI_ATTR_DATA_SIZE);
  const ub2 oraType = ParamAttr<ub2>(param, OCI_ATTR_DATA_TYPE);
  sb2 precision = 0;
  sb1 scale = 0;
  if (oraType == SQLT_NUM) {
    precision = ParamAttr<sb2>(param, OCI_ATTR_PRECISION);
    scale = ParamAttr<sb1>(param, OCI_ATTR_SCALE);
  }
  bool byReference = true;  // pointer-aligned
  TOraType* inlineType = nullptr;
  switch (oraType) {
    case SQLT_CHR:
    case SQLT_AFC:
      a.DataType = da::dtString;
      a.Length = dataSize;
      a.Size = static_cast<std::uint16_t>(dataSize + 1);
      a.DataSize = kOraRefSize;
      a.Fixed = oraType == SQLT_AFC;
      break;
    case SQLT_NUM:
      a.Length = static_cast<std::uint16_t>(std::max<sb2>(precision, 0));
      if (scale == 0 && precision >= 1 && precision <= 9) {
        a.DataType = da::dtInt32;
        a.Size = 4;
      } else {
        a.DataType = da::dtFloat;
        a.Scale = static_cast<std::uint16_t>(std::abs(scale));
        a.Size = 8;
      }
      a.DataSize = sizeof(OCINumber);
      byReference = false;
      break;
    case SQLT_DAT:
      a.DataType = da::dtDateTime;
      a.Size = 8;
      a.DataSize = sizeof(OCIDate);
      byReference = false;
      break;
    case SQLT_BIN:
      a.DataType = da::dtString;
      a.Length = static_cast<std::uint16_t>(2 * dataSize);
      a.Size = static_cast<std::uint16_t>(2 * dataSize + 1);
      a.DataSize = kOraRefSize;
      break;
    case SQLT_NTY:
    case SQLT_REF: {
      const std::string typeName = ParamText(param, OCI_ATTR_SCHEMA_NAME) + "." + ParamText(param, OCI_ATTR_TYPE_NAME);
      TOraType* type = FindOrCreate(svcCtx_, typeName);
      a.SetObjectType(type);  // no reference when the type is this one (it refers to itself)
      type->Release();
      a.DataType = oraType == SQLT_REF ? da::dtReference : type->DataType;
      a.Size = kOraRefSize;
      if (oraType == SQLT_NTY && type->DataType == da::dtObject && type->Final) {
        inlineType = type;
        a.DataSize = RoundToRef(type->DataSize);
      } else {
        a.DataSize = kOraRefSize;
      }
      break;
    }
    case SQLT_CLOB:
    case SQLT_BLOB:
      a.DataType = oraType == SQLT_CLOB ? dtOraClob : dtOraBlob;
      a.Size = a.DataSize = kOraRefSize;
      break;
    case SQLT_BFILEE:
    case SQLT_CFILEE:
      a.DataType = oraType == SQLT_BFILEE ? dtBFile : dtCFile;
      a.Size = a.DataSize = kOraRefSize;
      break;
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
    case SQLT_INTERVAL_YM:
    case SQLT_INTERVAL_DS:
      if (!(PossibleOCICallStyles & csOCI9)) RaiseError(SDataTypeNotSupported);
      a.DataType = oraType == SQLT_TIMESTAMP      ? dtTimeStamp
                   : oraType == SQLT_TIMESTAMP_TZ ? dtTimeStampTZ
                   : oraType == SQLT_TIMESTAMP_LTZ ? dtTimeStampLTZ
                   : oraType == SQLT_INTERVAL_YM  ? dtIntervalYM
                                                  : dtIntervalDS;
      a.Size = a.DataSize = kOraRefSize;
      break;
    default:
      RaiseError(SDataTypeNotSupported);
  }
  const std::uint32_t offset = byReference ? RoundToRef(DataSize) : DataSize;
  const std::uint32_t end = offset + a.DataSize;
  const std::uint32_t indicators = IndicatorSize + (inlineType ? inlineType->IndicatorSize : 2u);
  if (end > 65535 || indicators > 65535) RaiseError("The object type " + Name + " is too large");
  a.Offset = static_cast<std::uint16_t>(offset);
  a.IndicatorOffset = IndicatorSize;
  DataSize = static_cast<std::uint16_t>(end);
  IndicatorSize = static_cast<std::uint16_t>(indicators);
}

}  // namespace ora
