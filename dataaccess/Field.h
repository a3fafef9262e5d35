#pragma once
// Field definitions and fields of a dataset: TFieldDef describes a column as the dataset offers
// it (name, field type, size, attributes), TField is the live column through which values of the
// dataset's current record are read and written with the As... accessors. Field types map to and
// from the record store's data type codes with DataTypeToFieldType and FieldTypeToDataType.
//
// Ownership: a dataset owns its definitions and fields; a field refers to its dataset, which
// outlives it. Reads and writes go through the dataset's state rules (TDataSet::GetFieldData,
// TDataSet::SetFieldData). One thread, the dataset's.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/BlobStream.h"
#include "dataaccess/DataTypes.h"
#include "dataaccess/Variant.h"

namespace da {

class TDataSet;

enum TFieldType : std::uint8_t {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
  ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle,
  ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT, ftArray, ftReference, ftDataSet,
  ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid
};

// Where a field's value comes from: the store (data), the dataset's OnCalcFields handler
// (calculated), or another dataset's record found by key (lookup). Calculated and lookup fields
// have no field number; their values live in the dataset's calculated-fields area.
enum TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// "Unknown data type." (assertion) for a code without a field type.
TFieldType DataTypeToFieldType(TDataType dataType);
TDataType FieldTypeToDataType(TFieldType fieldType);

struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  int Precision = 0;
  int FieldNo = 0;  // 1-based, the store's field number
  bool Required = false;
  bool ReadOnly = false;
  bool Hidden = false;
  bool Fixed = false;
  TDataType SourceType = dtUnknown;  // the store's data type
  std::vector<TFieldDef> ChildDefs;  // object attributes or array elements
  // Calculated and lookup fields only. A lookup field shows LookupResultField of the record of
  // LookupDataSet whose LookupKeyFields equal this dataset's KeyFields (names separated by ";").
  TFieldKind FieldKind = fkData;
  TDataSet* LookupDataSet = nullptr;
  std::string KeyFields, LookupKeyFields, LookupResultField;
};

// A field is also the blob-stream side of its column (TBlobStreamField), so the dataset hands out
// a TBlobStream over the field itself.
class TField : public TBlobStreamField {
 public:
  TField(TDataSet& dataSet, const TFieldDef& def);

  TDataSet& DataSet() const { return dataSet_; }
  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return dataType_; }
  TDataType SourceType() const { return sourceType_; }
  int Size() const { return size_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  bool Calculated() const { return fieldKind_ == fkCalculated || fieldKind_ == fkLookup; }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  const std::string& KeyFields() const { return keyFields_; }
  const std::string& LookupKeyFields() const { return lookupKeyFields_; }
  const std::string& LookupResultField() const { return lookupResultField_; }
  // The field's slot in the calculated-fields area (-1 for a data field).
  int CalcIndex() const { return calcIndex_; }
  void SetCalcIndex(int index) { calcIndex_ = index; }
  bool IsBlob() const { return dataType_ == ftBlob || dataType_ == ftMemo; }

  std::string DisplayLabel;
  std::string DefaultExpression;
  bool Required = false;
  double MinValue = 0, MaxValue = 0;  // numeric range; both 0: none
  int Precision = 0;
  void SetReadOnly(bool value) { readOnly_ = value; }

  bool IsNull() const;
  Variant AsVariant() const;
  std::string AsString() const;
  std::int32_t AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  double AsDateTime() const;  // day number

  void SetAsVariant(const Variant& value);
  void SetAsString(std::string_view value) { SetAsVariant(Variant(std::string(value))); }
  void SetAsInteger(std::int32_t value) { SetAsVariant(Variant(value)); }
  void SetAsFloat(double value) { SetAsVariant(Variant(value)); }
  void SetAsBoolean(bool value) { SetAsVariant(Variant(value)); }
  void SetAsDateTime(double dayNumber) { SetAsVariant(Variant::Date(dayNumber)); }
  void Clear() { SetAsVariant(Variant::Null()); }

  // TBlobStreamField
  int FieldNo() const override { return fieldNo_; }  // 0 for a calculated field
  // The display label when one is set, else the field name.
  std::string DisplayName() const override { return DisplayLabel.empty() ? name_ : DisplayLabel; }
  bool ReadOnly() const override { return readOnly_; }
  bool Modified() const override { return modified_; }
  void SetModified(bool modified) override { modified_ = modified; }
  void* RecordBuffer() override;
  bool Filtering() const override;
  bool Editing() const override;
  std::uint32_t ReadBlob(void* record, std::uint32_t position, std::uint32_t count, void* destination) override;
  void WriteBlob(void* record, std::uint32_t position, std::uint32_t count, const void* source) override;
  void TruncateBlob(void* record, std::uint32_t size) override;
  std::uint32_t GetBlobSize(void* record) override;
  void FieldChanged() override;

 private:
  TDataSet& dataSet_;
  std::string name_;
  TFieldType dataType_;
  TDataType sourceType_;
  int size_;
  int fieldNo_;
  TFieldKind fieldKind_;
  TDataSet* lookupDataSet_;
  std::string keyFields_, lookupKeyFields_, lookupResultField_;
  int calcIndex_ = -1;
  bool readOnly_ = false;
  bool modified_ = false;
};

}  // namespace da
