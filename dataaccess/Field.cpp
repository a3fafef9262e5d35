#include "dataaccess/Field.h"

#include <cmath>
#include <cstring>

#include "dataaccess/DataSet.h"

namespace da {

TFieldType DataTypeToFieldType(TDataType dataType) {
  switch (dataType) {
    case dtUnknown: return ftUnknown;
    case dtString: case dtExtString: return ftString;
    case dtInt16: return ftSmallint;
    case dtInt32: return ftInteger;
    case dtFloat: return ftFloat;
    case dtDate: return ftDate;
    case dtTime: return ftTime;
    case dtDateTime: return ftDateTime;
    case dtBoolean: return ftBoolean;
    case dtBlob: return ftBlob;
    case dtMemo: return ftMemo;
    case dtObject: return ftADT;
    case dtReference: return ftReference;
    case dtArray: return ftArray;
    case dtTable: return ftDataSet;
    case dtVariant: return ftVariant;
    case dtBytes: return ftBytes;
    case dtVarBytes: case dtExtVarBytes: return ftVarBytes;
    case dtUInt32: return ftLargeint;
    case dtWideString: case dtExtWideString: return ftWideString;
    default: throw EAssertionFailed("MemDS", "Unknown data type.");
  }
}

TDataType FieldTypeToDataType(TFieldType fieldType) {
  switch (fieldType) {
    case ftString: case ftFixedChar: return dtString;
    case ftSmallint: case ftInteger: case ftWord: return dtInt32;
    case ftBoolean: return dtBoolean;
    case ftFloat: return dtFloat;
    case ftCurrency: return dtCurrency;
    case ftDate: return dtDate;
    case ftTime: return dtTime;
    case ftDateTime: return dtDateTime;
    case ftBytes: return dtBytes;
    case ftVarBytes: return dtVarBytes;
    case ftBlob: return dtBlob;
    case ftMemo: return dtMemo;
    case ftWideString: return dtWideString;
    case ftLargeint: return dtInt64;
    case ftADT: return dtObject;
    case ftArray: return dtArray;
    case ftReference: return dtReference;
    case ftDataSet: return dtTable;
    case ftVariant: return dtVariant;
    default: return dtUnknown;
  }
}

TField::TField(TDataSet& dataSet, const TFieldDef& def)
    : Required(def.Required),
      Precision(def.Precision),
      dataSet_(dataSet),
      name_(def.Name),
      dataType_(def.DataType),
      sourceType_(def.SourceType),
      size_(def.Size),
      fieldNo_(def.FieldKind == fkData ? def.FieldNo : 0),
      fieldKind_(def.FieldKind),
      lookupDataSet_(def.LookupDataSet),
      keyFields_(def.KeyFields),
      lookupKeyFields_(def.LookupKeyFields),
      lookupResultField_(def.LookupResultField),
      readOnly_(def.ReadOnly) {}

bool TField::IsNull() const { return !dataSet_.GetFieldData(*this, nullptr, 0); }

Variant TField::AsVariant() const { return dataSet_.GetFieldValue(*this); }

// Store date-times are time-stamp milliseconds counted from 0001-01-01 (day 1); day numbers count
// from 1899-12-30.
constexpr double kTimeStampDayOffset = 693594.0;

std::string TField::AsString() const {
  if (sourceType_ == dtString && fieldNo_ > 0) {
    // Room for a line-end conversion that doubles every character, and the terminator.
    const std::size_t capacity = static_cast<std::size_t>(size_) * 2 + 2;
    char small[256];
    std::vector<char> large;
    char* buffer = small;
    if (capacity > sizeof small) {
      large.resize(capacity);
      buffer = large.data();
    }
    if (!dataSet_.GetFieldData(*this, buffer, capacity)) return {};
    return std::string(buffer, strnlen(buffer, capacity));
  }
  const Variant v = AsVariant();
  return v.IsEmptyOrNull() ? std::string() : v.AsString();
}

std::int32_t TField::AsInteger() const {
  if (sourceType_ == dtInt32 && fieldNo_ > 0) {
    std::int32_t value = 0;
    return dataSet_.GetFieldData(*this, &value, sizeof value) ? value : 0;
  }
  const Variant v = AsVariant();
  return v.IsEmptyOrNull() ? 0 : v.AsInteger();
}

double TField::AsFloat() const {
  if (sourceType_ == dtFloat && fieldNo_ > 0) {
    double value = 0;
    return dataSet_.GetFieldData(*this, &value, sizeof value) ? value : 0;
  }
  const Variant v = AsVariant();
  return v.IsEmptyOrNull() ? 0 : v.AsDouble();
}

bool TField::AsBoolean() const {
  const Variant v = AsVariant();
  return v.IsEmptyOrNull() ? false : v.AsBoolean();
}

double TField::AsDateTime() const {
  if (sourceType_ == dtDateTime && fieldNo_ > 0) {
    double stamp = 0;
    if (!dataSet_.GetFieldData(*this, &stamp, sizeof stamp)) return 0;
    return stamp / 86400000.0 - kTimeStampDayOffset;
  }
  const Variant v = AsVariant();
  return v.IsEmptyOrNull() ? 0 : v.AsDate();
}

void TField::SetAsVariant(const Variant& value) { dataSet_.SetFieldValue(*this, value); }

void TField::AddChildField(std::unique_ptr<TField> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
}

TDataSetField::~TDataSetField() {
  if (nested_) nested_->SetDataSetField(nullptr);
}

void* TField::RecordBuffer() { return const_cast<void*>(dataSet_.ActiveRecord()); }
bool TField::Filtering() const { return dataSet_.State() == dsFilter; }
bool TField::Editing() const { return dataSet_.State() == dsEdit || dataSet_.State() == dsInsert; }
std::uint32_t TField::ReadBlob(void* record, std::uint32_t position, std::uint32_t count, void* destination) {
  return dataSet_.ReadBlob(fieldNo_, record, position, count, destination);
}
void TField::WriteBlob(void* record, std::uint32_t position, std::uint32_t count, const void* source) {
  dataSet_.WriteBlob(fieldNo_, record, position, count, source);
}
void TField::TruncateBlob(void* record, std::uint32_t size) { dataSet_.TruncateBlob(fieldNo_, record, size); }
std::uint32_t TField::GetBlobSize(void* record) { return dataSet_.GetBlobSize(fieldNo_, record); }
void TField::FieldChanged() { dataSet_.FieldChanged(*this); }

}  // namespace da
