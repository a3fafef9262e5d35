#include "oracle/values/OraDateTime.h"

#include <algorithm>

#include "dataaccess/Variant.h"
#include "foundation/text/DateTime.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraTimeStampFormat.h"

namespace ora {

namespace {

constexpr std::uint32_t kNanosPerMilli = 1000000;
constexpr std::size_t kTextRoom = 255;

void CheckCall(sword status) { Check(status, hOCIError); }

ub4 TimeStampDescriptorType(da::TDataType type) {
  switch (type) {
    case dtTimeStamp: return OCI_DTYPE_TIMESTAMP;
    case dtTimeStampTZ: return OCI_DTYPE_TIMESTAMP_TZ;
    case dtTimeStampLTZ: return OCI_DTYPE_TIMESTAMP_LTZ;
    default: throw da::EAssertionFailed("OraClasses", "Assertion failure");
  }
}

ub4 IntervalDescriptorType(da::TDataType type) {
  switch (type) {
    case dtIntervalYM: return OCI_DTYPE_INTERVAL_YM;
    case dtIntervalDS: return OCI_DTYPE_INTERVAL_DS;
    default: throw da::EAssertionFailed("OraClasses", "Assertion failure");
  }
}

bool IsText(const da::Variant& value) { return value.VarType() == da::varString || value.VarType() == da::varOleStr; }

// Null, Empty and an empty text all stand for NULL.
bool IsNullVariant(const da::Variant& value) {
  return value.IsEmptyOrNull() || (IsText(value) && value.AsString().empty());
}

const OraText* Text(const std::string& s) { return reinterpret_cast<const OraText*>(s.data()); }

// A format model's length travels in one byte.
ub1 FormatLength(const std::string& format) { return static_cast<ub1>(std::min<std::size_t>(format.size(), 255)); }

}  // namespace

// ---- the descriptor ----

template <class Descriptor>
TOraDescriptorValue<Descriptor>::~TOraDescriptorValue() {
  try {
    FreeDescriptor();
  } catch (...) {
    // The library is gone (unloaded first): nothing is left to free.
  }
}

template <class Descriptor>
void TOraDescriptorValue<Descriptor>::AllocDescriptor() {
  if (descriptor_) return;
  if (!OCIInited) OCIInit();
  void* descriptor = nullptr;
  CheckCall(OCIDescriptorAlloc(hOCIEnv, &descriptor, descriptorType_, 0, nullptr));
  descriptor_ = static_cast<Descriptor*>(descriptor);
  ownDescriptor_ = true;
}

template <class Descriptor>
void TOraDescriptorValue<Descriptor>::FreeDescriptor() {
  if (!descriptor_) return;
  bool own = false;
  Descriptor* descriptor = Swap(nullptr, false, own);
  indicator_ = -1;
  if (own) OCIDescriptorFree(descriptor, descriptorType_);
}

template <class Descriptor>
Descriptor* TOraDescriptorValue<Descriptor>::Swap(Descriptor* descriptor, bool own, bool& ownedBefore) {
  Descriptor* before = descriptor_;
  ownedBefore = ownDescriptor_;
  descriptor_ = descriptor;
  ownDescriptor_ = own;
  return before;
}

template <class Descriptor>
void TOraDescriptorValue<Descriptor>::SetDescriptorType(ub4 type) {
  if (type == descriptorType_) return;
  FreeDescriptor();
  descriptorType_ = type;
}

template <class Descriptor>
Descriptor* TOraDescriptorValue<Descriptor>::GetDescriptor() {
  AllocDescriptor();
  return descriptor_;
}

template <class Descriptor>
Descriptor** TOraDescriptorValue<Descriptor>::GetDescriptorPtr() {
  AllocDescriptor();
  return &descriptor_;
}

template <class Descriptor>
void TOraDescriptorValue<Descriptor>::SetDescriptor(Descriptor* descriptor) {
  FreeDescriptor();
  descriptor_ = descriptor;
}

template class TOraDescriptorValue<OCIDateTime>;
template class TOraDescriptorValue<OCIInterval>;

// ---- TOraTimeStamp ----

TOraTimeStamp::TOraTimeStamp(da::TDataType dataType) : TOraDescriptorValue(TimeStampDescriptorType(dataType)) {}

void TOraTimeStamp::AssignTo(TOraTimeStamp& target) {
  target.SetDescriptorType(descriptorType_);
  target.AllocDateTime();
  target.SetFormat(format_);
  target.Precision = Precision;
  target.indicator_ = indicator_;
  if (!IsNull()) CheckCall(OCIDateTimeAssign(hOCIEnv, hOCIError, descriptor_, target.descriptor_));
}

void TOraTimeStamp::GetDate(int& year, int& month, int& day) {
  sb2 y = 0;
  ub1 m = 0, d = 0;
  CheckCall(OCIDateTimeGetDate(hOCIEnv, hOCIError, GetOCIDateTime(), &y, &m, &d));
  year = y;
  month = m;
  day = d;
}

void TOraTimeStamp::GetTime(int& hour, int& minute, int& second, std::uint32_t& fraction) {
  ub1 h = 0, m = 0, s = 0;
  ub4 f = 0;
  CheckCall(OCIDateTimeGetTime(hOCIEnv, hOCIError, GetOCIDateTime(), &h, &m, &s, &f));
  hour = h;
  minute = m;
  second = s;
  fraction = f;
}

void TOraTimeStamp::Construct(int year, int month, int day, int hour, int minute, int second,
                              std::uint32_t milliseconds, const std::string& timeZone) {
  std::string zone = timeZone;
  CheckCall(OCIDateTimeConstruct(hOCIEnv, hOCIError, GetOCIDateTime(), static_cast<sb2>(year), static_cast<ub1>(month),
                                 static_cast<ub1>(day), static_cast<ub1>(hour), static_cast<ub1>(minute),
                                 static_cast<ub1>(second), std::min<std::uint32_t>(milliseconds, 999) * kNanosPerMilli,
                                 zone.empty() ? nullptr : reinterpret_cast<OraText*>(zone.data()), zone.size()));
  indicator_ = 0;
}

double TOraTimeStamp::GetAsDateTime() {
  if (IsNull()) return 0;
  int year, month, day, hour, minute, second;
  std::uint32_t fraction;
  GetDate(year, month, day);
  GetTime(hour, minute, second, fraction);
  const olv::TDateTime date = olv::EncodeDate(year, month, day);
  const olv::TDateTime time = olv::EncodeTime(hour, minute, second, static_cast<int>(fraction / kNanosPerMilli));
  return olv::ComposeDateTime(date, time);
}

void TOraTimeStamp::SetAsDateTime(double value) {
  const olv::DateParts parts = olv::DecodeDateTime(value);
  Construct(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second,
            static_cast<std::uint32_t>(parts.msec), {});
}

std::string TOraTimeStamp::GetAsString() {
  if (IsNull()) return {};
  if (format_.empty()) SetFormat({});
  OraText buffer[kTextRoom];
  ub4 size = kTextRoom;
  CheckCall(OCIDateTimeToText(hOCIEnv, hOCIError, GetOCIDateTime(), Text(format_), FormatLength(format_), Precision,
                              nullptr, 0, &size, buffer));
  return std::string(reinterpret_cast<const char*>(buffer), std::min<std::size_t>(size, kTextRoom));
}

void TOraTimeStamp::SetAsString(const std::string& text) {
  // The value in hand stays until the text has been read.
  bool previousOwned = false;
  OCIDateTime* const previous = Swap(nullptr, false, previousOwned);
  try {
    if (format_.empty()) SetFormat({});
    OCIDateTime* fresh = GetOCIDateTime();
    CheckCall(OCIDateTimeFromText(hOCIEnv, hOCIError, Text(text), text.size(), Text(format_), FormatLength(format_),
                                  nullptr, 0, fresh));
  } catch (...) {
    bool freshOwned = false;
    OCIDateTime* fresh = Swap(previous, previousOwned, freshOwned);
    if (fresh && freshOwned) OCIDescriptorFree(fresh, descriptorType_);
    throw;
  }
  indicator_ = 0;
  if (previous && previousOwned) OCIDescriptorFree(previous, descriptorType_);
}

void TOraTimeStamp::SetAsVariant(const da::Variant& value) {
  if (IsNullVariant(value)) {
    SetIsNull(true);
  } else if (IsText(value)) {
    SetAsString(value.AsString());
  } else {
    SetAsDateTime(value.AsDate());
  }
}

void TOraTimeStamp::SetFormat(const std::string& text) {
  format_ = text.empty() ? DefaultTimeStampFormat(CurrentTimeStampFormatSettings(), descriptorType_) : text;
}

// ---- TOraInterval ----

TOraInterval::TOraInterval(da::TDataType dataType) : TOraDescriptorValue(IntervalDescriptorType(dataType)) {}

void TOraInterval::AssignTo(TOraInterval& target) {
  target.SetDescriptorType(descriptorType_);
  target.AllocInterval();
  target.LeadPrecision = LeadPrecision;
  target.FracPrecision = FracPrecision;
  target.indicator_ = indicator_;
  if (!IsNull()) CheckCall(OCIIntervalAssign(hOCIEnv, hOCIError, descriptor_, target.descriptor_));
}

void TOraInterval::CheckValid() {
  da::DAAssert(descriptor_ != nullptr, "OraClasses");
  ub4 valid = 0;
  CheckCall(OCIIntervalCheck(hOCIEnv, hOCIError, descriptor_, &valid));
  if (valid != 0) throw da::Exception(SInvalidInterval);
}

std::string TOraInterval::GetAsString() {
  if (IsNull()) return {};
  OraText buffer[kTextRoom];
  std::size_t length = 0;
  CheckCall(OCIIntervalToText(hOCIEnv, hOCIError, GetOCIInterval(), LeadPrecision, FracPrecision, buffer, kTextRoom,
                              &length));
  return std::string(reinterpret_cast<const char*>(buffer), std::min(length, kTextRoom));
}

void TOraInterval::SetAsString(const std::string& text) {
  CheckCall(OCIIntervalFromText(hOCIEnv, hOCIError, Text(text), text.size(), GetOCIInterval()));
  CheckValid();
  indicator_ = 0;
}

void TOraInterval::SetAsVariant(const da::Variant& value) {
  if (IsNullVariant(value)) {
    SetIsNull(true);
  } else {
    SetAsString(value.AsString());
  }
}

}  // namespace ora
