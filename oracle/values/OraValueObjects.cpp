#include "oracle/values/OraValueObjects.h"

#include "dataaccess/DAErrors.h"
#include "dataaccess/Variant.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"

namespace ora {

bool IsLobDataType(da::TDataType type) { return type == dtOraBlob || type == dtOraClob; }

bool IsFileDataType(da::TDataType type) { return type == dtBFile || type == dtCFile; }

bool IsTimeStampDataType(da::TDataType type) {
  return type == dtTimeStamp || type == dtTimeStampTZ || type == dtTimeStampLTZ;
}

bool IsIntervalDataType(da::TDataType type) { return type == dtIntervalYM || type == dtIntervalDS; }

bool IsDescriptorDataType(da::TDataType type) {
  return IsLobDataType(type) || IsFileDataType(type) || IsTimeStampDataType(type) || IsIntervalDataType(type);
}

da::TSharedObject* NewDescriptorValue(da::TDataType type, OCISvcCtx* svc, bool cacheLobs) {
  if (IsLobDataType(type) || IsFileDataType(type)) {
    TOraLob* lob = IsFileDataType(type) ? new TOraFile(svc) : new TOraLob(svc);
    lob->SetCached(cacheLobs);
    return lob;
  }
  if (IsTimeStampDataType(type)) return new TOraTimeStamp(type);
  da::DAAssert(IsIntervalDataType(type), "OraClasses", "Unknown data type.");
  return new TOraInterval(type);
}

void* DescriptorOf(da::TDataType type, da::TSharedObject* value) {
  if (IsTimeStampDataType(type)) return static_cast<TOraTimeStamp*>(value)->GetOCIDateTime();
  if (IsIntervalDataType(type)) return static_cast<TOraInterval*>(value)->GetOCIInterval();
  return static_cast<TOraLob*>(value)->GetOCILobLocator();
}

void BindDescriptor(da::TDataType type, da::TSharedObject* value, void* descriptor) {
  if (IsTimeStampDataType(type)) {
    static_cast<TOraTimeStamp*>(value)->SetOCIDateTime(static_cast<OCIDateTime*>(descriptor));
  } else if (IsIntervalDataType(type)) {
    static_cast<TOraInterval*>(value)->SetOCIInterval(static_cast<OCIInterval*>(descriptor));
  } else {
    static_cast<TOraLob*>(value)->SetOCILobLocator(static_cast<OCILobLocator*>(descriptor));
  }
}

void DescriptorFilled(da::TDataType type, da::TSharedObject* value, bool isNull, bool readNow) {
  if (IsTimeStampDataType(type)) {
    static_cast<TOraTimeStamp*>(value)->SetIsNull(isNull);
  } else if (IsIntervalDataType(type)) {
    static_cast<TOraInterval*>(value)->SetIsNull(isNull);
  } else {
    // The value is the library's now: what was written on the client before is not it.
    auto* lob = static_cast<TOraLob*>(value);
    lob->SetNeedsRead(!isNull);
    lob->SetModified(false);
    if (isNull) {
      lob->Clear();
    } else if (readNow && lob->GetCached()) {
      lob->CheckValue();
    }
  }
}

da::Variant GetTimeValueVariant(da::TDataType type, da::TSharedObject* value) {
  if (IsTimeStampDataType(type)) {
    auto* timeStamp = static_cast<TOraTimeStamp*>(value);
    return timeStamp->IsNull() ? da::Variant::Null() : da::Variant::Date(timeStamp->GetAsDateTime());
  }
  da::DAAssert(IsIntervalDataType(type), "OraClasses", "Unknown data type.");
  auto* interval = static_cast<TOraInterval*>(value);
  return interval->IsNull() ? da::Variant::Null() : da::Variant(interval->GetAsString());
}

bool SetTimeValueVariant(da::TDataType type, da::TSharedObject* value, const da::Variant& variant) {
  if (IsTimeStampDataType(type)) {
    auto* timeStamp = static_cast<TOraTimeStamp*>(value);
    timeStamp->SetAsVariant(variant);
    return timeStamp->IsNull();
  }
  da::DAAssert(IsIntervalDataType(type), "OraClasses", "Unknown data type.");
  auto* interval = static_cast<TOraInterval*>(value);
  interval->SetAsVariant(variant);
  return interval->IsNull();
}

}  // namespace ora
