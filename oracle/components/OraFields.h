#pragma once
// The Oracle field classes for the types the framework's fields do not cover, and the field class
// a dataset makes for each Oracle field type (OraFieldClass):
// - TOraTimeStampField (timestamps with and without zone): value as date-time, text in Format
//   (the default format when empty), variant as the text; an empty text clears;
// - TOraIntervalField: text with LeadPrecision and FracPrecision; an empty text clears;
// - TBFileField: a blob field over a server file, null while the file names no directory and
//   file; its text "(BFile)", upper-cased when not null;
// - TCursorField, TLabelField (always Null), TOraDataSetField ("(DataSet)") and
//   TOraReferenceField ("(Reference)"), both upper-cased when not null.
// A field reads the value object of the dataset's active record (RecordObject); a value written
// goes, as every field's does, through the dataset into its record store. One thread.
#include <string>

#include "dataaccess/Field.h"

namespace da {
class TSharedObject;
}

namespace ora {

// The value object (LOB, file, timestamp, interval, cursor, object) a field of the dataset's
// active record holds; nullptr when there is no record or the field holds none.
da::TSharedObject* RecordObject(const da::TField& field);
// The class for an Oracle field type, or nullptr for the platform's default one.
da::TFieldClass OraFieldClass(da::TFieldType type);

class TOraTimeStampField : public da::TField {
 public:
  using da::TField::TField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TOraTimeStampField>(ds, def);
  }
  std::string Format;
  bool IsNull() const override;
  da::Variant AsVariant() const override;
  std::string AsString() const override;
  double AsDateTime() const override;
  void SetAsString(std::string_view value) override;
  void SetAsDateTime(double dayNumber) override;
  void SetAsVariant(const da::Variant& value) override;
};

class TOraIntervalField : public da::TField {
 public:
  using da::TField::TField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TOraIntervalField>(ds, def);
  }
  int LeadPrecision = 2;
  int FracPrecision = 6;
  bool IsNull() const override;
  da::Variant AsVariant() const override;
  std::string AsString() const override;
  void SetAsString(std::string_view value) override;
  void SetAsVariant(const da::Variant& value) override;
};

class TBFileField : public da::TField {
 public:
  using da::TField::TField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TBFileField>(ds, def);
  }
  bool AutoRefresh = true;
  bool IsNull() const override;
  std::string Text() const override;
};

class TCursorField : public da::TField {
 public:
  using da::TField::TField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TCursorField>(ds, def);
  }
};

class TLabelField : public da::TField {
 public:
  using da::TField::TField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TLabelField>(ds, def);
  }
  bool IsNull() const override { return true; }
  da::Variant AsVariant() const override { return da::Variant::Null(); }
};

class TOraDataSetField : public da::TDataSetField {
 public:
  using da::TDataSetField::TDataSetField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TOraDataSetField>(ds, def);
  }
  std::string Text() const override { return IsNull() ? "(DataSet)" : "(DATASET)"; }
};

// A REF can be opened as a dataset of its own (the referenced object's one record).
class TOraReferenceField : public da::TDataSetField {
 public:
  using da::TDataSetField::TDataSetField;
  static std::unique_ptr<da::TField> Create(da::TDataSet& ds, const da::TFieldDef& def) {
    return std::make_unique<TOraReferenceField>(ds, def);
  }
  std::string Text() const override { return IsNull() ? "(Reference)" : "(REFERENCE)"; }
};

}  // namespace ora
