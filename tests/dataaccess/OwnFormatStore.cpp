#include "tests/dataaccess/OwnFormatStore.h"

#include "dataaccess/Blob.h"
#include "dataaccess/RecordBuffer.h"

namespace da::testing {

namespace {

// The record form of a date: year (16-bit), month, day, hour, minute, second (a byte each),
// millisecond (16-bit). A zero-filled value reads as day 0.
constexpr std::uint16_t kDateSize = 9;

double ReadDate(const std::uint8_t* p) {
  TDateTimeParts parts;
  parts.Year = ReadValue<std::uint16_t>(p);
  parts.Month = p[2];
  if (parts.Month == 0) return 0;
  parts.Day = p[3];
  parts.Hour = p[4];
  parts.Minute = p[5];
  parts.Second = p[6];
  parts.MSec = ReadValue<std::uint16_t>(p + 7);
  return EncodeDateTime(parts);
}

void WriteDate(std::uint8_t* p, double dayNumber) {
  const TDateTimeParts parts = DecodeDateTime(dayNumber);
  WriteValue(p, static_cast<std::uint16_t>(parts.Year));
  p[2] = static_cast<std::uint8_t>(parts.Month);
  p[3] = static_cast<std::uint8_t>(parts.Day);
  p[4] = static_cast<std::uint8_t>(parts.Hour);
  p[5] = static_cast<std::uint8_t>(parts.Minute);
  p[6] = static_cast<std::uint8_t>(parts.Second);
  WriteValue(p + 7, static_cast<std::uint16_t>(parts.MSec));
}

}  // namespace

std::uint16_t OwnFormatStore::FieldSize(TDataType type, std::uint16_t length) const {
  if (type == dtDate || type == dtTime || type == dtDateTime) return kDateSize;
  return TMemData::FieldSize(type, length);
}

bool OwnFormatStore::GetNull(int fieldNo, const void* record) {
  if (FieldAt(fieldNo).HasParent()) return TMemData::GetNull(fieldNo, record);
  return ReadValue<std::int16_t>(static_cast<const std::uint8_t*>(record) + DataSize() + 2 * (fieldNo - 1)) == -1;
}

void OwnFormatStore::SetNull(int fieldNo, void* record, bool value) {
  const TFieldDesc& field = FieldAt(fieldNo);
  if (field.HasParent()) {
    TMemData::SetNull(fieldNo, record, value);
    return;
  }
  WriteValue<std::int16_t>(static_cast<std::uint8_t*>(record) + DataSize() + 2 * (fieldNo - 1), value ? -1 : 0);
  if (value && IsBlobFieldType(field.DataType))
    if (TBlob* blob = GetBlob(fieldNo, record)) blob->Clear();
}

void OwnFormatStore::DateTimeToInternal(const void* source, void* dest, int format) const {
  const double day = ReadDate(static_cast<const std::uint8_t*>(source));
  TMemData::DateTimeToInternal(&day, dest, format);
}

void OwnFormatStore::InternalToDateTime(void* dest, const void* source, int format) const {
  double day;
  TMemData::InternalToDateTime(&day, source, format);
  WriteDate(static_cast<std::uint8_t*>(dest), day);
}

std::unique_ptr<TMemData> MakeStore(StoreKind kind) {
  if (kind == StoreKind::OwnFormat) return std::make_unique<OwnFormatStore>();
  return std::make_unique<TMemData>();
}

int IndicatorBytes(StoreKind kind) { return kind == StoreKind::OwnFormat ? 2 : 1; }

std::string StoreName(const ::testing::TestParamInfo<StoreKind>& info) {
  return info.param == StoreKind::OwnFormat ? "OwnFormat" : "Memory";
}

}  // namespace da::testing
