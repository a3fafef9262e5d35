#include "oracle/components/OraFields.h"

#include <cstring>

#include "dataaccess/MemDS.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"
#include "oracle/components/OraNestedTable.h"
#include "oracle/components/OraParams.h"

namespace ora {

using da::Variant;

da::TSharedObject* RecordObject(const da::TField& field) {
  if (auto* nested = dynamic_cast<TOraNestedTable*>(&field.DataSet()))
    if (da::TSharedObject* value = nested->AttributeValueObject(field)) return value;
  auto* ds = dynamic_cast<da::TMemDataSet*>(&field.DataSet());
  if (!ds || field.FieldNo() <= 0) return nullptr;
  const void* record = ds->ActiveRecord();
  if (!record) return nullptr;
  da::TData& data = ds->Data();
  if (field.FieldNo() > data.GetFieldCount()) return nullptr;
  const da::TFieldDesc& desc = data.FieldAt(field.FieldNo());
  // An object's attribute has no place of its own in the record: only its store can name its value.
  if (desc.HasParent()) return data.ChildValueObject(field.FieldNo(), record);
  if (!data.IsComplexFieldType(desc.DataType)) return nullptr;
  da::TSharedObject* object = nullptr;
  std::memcpy(&object, static_cast<const std::uint8_t*>(record) + desc.Offset, sizeof(object));
  return object;
}

da::TFieldClass OraFieldClass(da::TFieldType type) {
  switch (static_cast<int>(type)) {
    case ftBFile: return &TBFileField::Create;
    case ftLabel: return &TLabelField::Create;
    case da::ftTimeStamp: case ftTimeStampTZ: case ftTimeStampLTZ: return &TOraTimeStampField::Create;
    case ftIntervalYM: case ftIntervalDS: return &TOraIntervalField::Create;
    case da::ftCursor: return &TCursorField::Create;
    case da::ftDataSet: return &TOraDataSetField::Create;
    case da::ftReference: return &TOraReferenceField::Create;
    default: return nullptr;
  }
}

namespace {
TOraTimeStamp* TimeStampOf(const da::TField& f) { return dynamic_cast<TOraTimeStamp*>(RecordObject(f)); }
TOraInterval* IntervalOf(const da::TField& f) { return dynamic_cast<TOraInterval*>(RecordObject(f)); }

// The field's format in the timestamp while the scope lasts.
class TFormatScope {
 public:
  TFormatScope(TOraTimeStamp* ts, const std::string& format) : ts_(ts) {
    if (!ts_ || ts_->GetFormat() == format) {
      ts_ = nullptr;
      return;
    }
    before_ = ts_->GetFormat();
    ts_->SetFormat(format);
  }
  ~TFormatScope() {
    if (ts_) ts_->SetFormat(before_);
  }
  TFormatScope(const TFormatScope&) = delete;
  TFormatScope& operator=(const TFormatScope&) = delete;

 private:
  TOraTimeStamp* ts_;
  std::string before_;
};
}  // namespace

// ---- TOraTimeStampField ----

bool TOraTimeStampField::IsNull() const {
  TOraTimeStamp* ts = TimeStampOf(*this);
  return !ts || ts->IsNull();
}

std::string TOraTimeStampField::AsString() const {
  TOraTimeStamp* ts = TimeStampOf(*this);
  if (!ts || ts->IsNull()) return std::string();
  TFormatScope format(ts, Format);
  return ts->GetAsString();
}

Variant TOraTimeStampField::AsVariant() const { return IsNull() ? Variant::Null() : Variant(AsString()); }

double TOraTimeStampField::AsDateTime() const {
  TOraTimeStamp* ts = TimeStampOf(*this);
  return ts && !ts->IsNull() ? ts->GetAsDateTime() : 0;
}

void TOraTimeStampField::SetAsString(std::string_view value) { SetAsVariant(Variant(std::string(value))); }

void TOraTimeStampField::SetAsDateTime(double dayNumber) { SetAsVariant(Variant::Date(dayNumber)); }

// The value goes the way of every field's value, through the dataset (its state and the field's
// read-only flag checked) into the record store, which writes it into the timestamp in the record
// or in the record's object; a text is read in the field's format.
void TOraTimeStampField::SetAsVariant(const Variant& value) {
  TFormatScope format(TimeStampOf(*this), Format);
  da::TField::SetAsVariant(value);
}

// ---- TOraIntervalField ----

bool TOraIntervalField::IsNull() const {
  TOraInterval* iv = IntervalOf(*this);
  return !iv || iv->IsNull();
}

std::string TOraIntervalField::AsString() const {
  TOraInterval* iv = IntervalOf(*this);
  if (!iv || iv->IsNull()) return std::string();
  iv->LeadPrecision = static_cast<std::uint8_t>(LeadPrecision);
  iv->FracPrecision = static_cast<std::uint8_t>(FracPrecision);
  return iv->GetAsString();
}

Variant TOraIntervalField::AsVariant() const { return IsNull() ? Variant::Null() : Variant(AsString()); }

void TOraIntervalField::SetAsString(std::string_view value) { SetAsVariant(Variant(std::string(value))); }

// As a timestamp's: through the dataset into the record store.
void TOraIntervalField::SetAsVariant(const Variant& value) {
  if (TOraInterval* iv = IntervalOf(*this)) {
    iv->LeadPrecision = static_cast<std::uint8_t>(LeadPrecision);
    iv->FracPrecision = static_cast<std::uint8_t>(FracPrecision);
  }
  da::TField::SetAsVariant(value);
}

// ---- TBFileField ----

bool TBFileField::IsNull() const {
  auto* file = dynamic_cast<TOraFile*>(RecordObject(*this));
  return !file || (file->GetFileDir().empty() && file->GetFileName().empty());
}

std::string TBFileField::Text() const { return IsNull() ? "(BFile)" : "(BFILE)"; }

}  // namespace ora
