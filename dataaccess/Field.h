#pragma once
// Field definitions and fields of a dataset: TFieldDef describes a column as the dataset offers
// it (name, field type, size, attributes), TField is the live column through which values of the
// dataset's current record are read and written with the As... accessors. Field types map to and
// from the record store's data type codes with DataTypeToFieldType and FieldTypeToDataType.
//
// Fields can be subclassed: a dataset makes each field through the class its GetFieldClass names
// for the field type (a driver's own field classes, such as a timestamp field), and the value
// accessors are virtual. An object (ADT) or array field of a dataset in object view owns child
// fields for its attributes or elements. A TDataSetField is the field of a nested dataset.
//
// Ownership: a dataset owns its definitions and fields; a field owns its child fields and refers
// to its dataset, which outlives it. Reads and writes go through the dataset's state rules
// (TDataSet::GetFieldData, TDataSet::SetFieldValue). One thread, the dataset's.
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
  ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};
// A driver's own field types lie above the platform's (the Oracle layer's from 100 up); they pass
// through a TFieldType as their number.

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
  std::vector<TFieldDef> ChildDefs;  // object attributes or array elements (FieldNo: the store's child)
  // Calculated and lookup fields only. A lookup field shows LookupResultField of the record of
  // LookupDataSet whose LookupKeyFields equal this dataset's KeyFields (names separated by ";").
  TFieldKind FieldKind = fkData;
  TDataSet* LookupDataSet = nullptr;
  std::string KeyFields, LookupKeyFields, LookupResultField;
};

// A field is also the blob-stream side of its column (TBlobStreamField), so the dataset hands out
// a TBlobStream over the field itself.
class TField;
// A field class: makes a field of its class for a dataset and a definition.
using TFieldClass = std::unique_ptr<TField> (*)(TDataSet& dataSet, const TFieldDef& def);

class TField : public TBlobStreamField {
 public:
  TField(TDataSet& dataSet, const TFieldDef& def);
  // The base field class.
  static std::unique_ptr<TField> Create(TDataSet& dataSet, const TFieldDef& def) {
    return std::make_unique<TField>(dataSet, def);
  }

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
  // Where the value comes from, "TABLE.COLUMN"; empty when not known.
  std::string Origin;
  bool Required = false;
  // Shown by data-aware views (a driver hides its own helper columns).
  bool Visible = true;
  double MinValue = 0, MaxValue = 0;  // numeric range; both 0: none
  int Precision = 0;
  void SetReadOnly(bool value) { readOnly_ = value; }

  virtual bool IsNull() const;
  virtual Variant AsVariant() const;
  virtual std::string AsString() const;
  virtual std::int32_t AsInteger() const;
  virtual double AsFloat() const;
  virtual bool AsBoolean() const;
  virtual double AsDateTime() const;  // day number
  // The text shown for the value (AsString unless a field class shows something else).
  virtual std::string Text() const { return AsString(); }

  virtual void SetAsVariant(const Variant& value);
  virtual void SetAsString(std::string_view value) { SetAsVariant(Variant(std::string(value))); }
  virtual void SetAsInteger(std::int32_t value) { SetAsVariant(Variant(value)); }
  virtual void SetAsFloat(double value) { SetAsVariant(Variant(value)); }
  virtual void SetAsBoolean(bool value) { SetAsVariant(Variant(value)); }
  virtual void SetAsDateTime(double dayNumber) { SetAsVariant(Variant::Date(dayNumber)); }
  virtual void Clear() { SetAsVariant(Variant::Null()); }

  // Object and array fields: the store's object type name (set in object view), and the child
  // fields of the attributes or elements, in order. A child field knows its parent.
  std::string ObjectType;
  int ChildFieldCount() const { return static_cast<int>(children_.size()); }
  TField& ChildFields(int index) const { return *children_.at(static_cast<std::size_t>(index)); }
  TField* ParentField() const { return parent_; }
  void AddChildField(std::unique_ptr<TField> child);

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
  TField* parent_ = nullptr;
  std::vector<std::unique_ptr<TField>> children_;
};

// The field that holds a nested dataset's rows (a nested table): the dataset whose DataSetField
// it is reads its rows from this field of the parent's current record. Its value is not shown.
class TDataSetField : public TField {
 public:
  using TField::TField;
  ~TDataSetField() override;
  static std::unique_ptr<TField> Create(TDataSet& dataSet, const TFieldDef& def) {
    return std::make_unique<TDataSetField>(dataSet, def);
  }
  TDataSet* NestedDataSet() const { return nested_; }
  std::string Text() const override { return "(DataSet)"; }

 private:
  friend class TDataSet;
  TDataSet* nested_ = nullptr;
};

}  // namespace da
