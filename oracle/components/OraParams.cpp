#include "oracle/components/OraParams.h"

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "oracle/server/OraCursor.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/OraError.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraObject.h"
#include "foundation/objects/OlvStringList.h"
#include "oracle/OraConsts.h"

namespace ora {

using da::TFieldType;
using da::Variant;

da::TFieldType OraDataTypeToFieldType(da::TDataType dataType) {
  switch (dataType) {
    case dtRowId: return da::ftString;
    case dtCursor: return da::ftCursor;
    case dtOraBlob: return da::ftOraBlob;
    case dtOraClob: return da::ftOraClob;
    case dtBFile: case dtCFile: return ftBFile;
    case dtLabel: return ftLabel;
    case dtFixedChar: return da::ftFixedChar;
    case dtUndefined: return da::ftUnknown;
    case dtTimeStamp: return da::ftTimeStamp;
    case dtTimeStampTZ: return ftTimeStampTZ;
    case dtTimeStampLTZ: return ftTimeStampLTZ;
    case dtIntervalYM: return ftIntervalYM;
    case dtIntervalDS: return ftIntervalDS;
    default: return da::DataTypeToFieldType(dataType);
  }
}

da::TDataType OraFieldTypeToDataType(da::TFieldType fieldType) {
  switch (static_cast<int>(fieldType)) {
    case ftBFile: return dtBFile;
    case ftLabel: return dtLabel;
    case ftIntervalYM: return dtIntervalYM;
    case ftIntervalDS: return dtIntervalDS;
    case ftTimeStampTZ: return dtTimeStampTZ;
    case ftTimeStampLTZ: return dtTimeStampLTZ;
    // The platform's types that only the Oracle layer has data types for.
    case da::ftCursor: return dtCursor;
    case da::ftOraBlob: return dtOraBlob;
    case da::ftOraClob: return dtOraClob;
    case da::ftTimeStamp: return dtTimeStamp;
    case da::ftFixedChar: return dtFixedChar;
    default: return da::FieldTypeToDataType(fieldType);
  }
}

bool IsLobFieldType(TFieldType type) {
  return type == da::ftBlob || type == da::ftMemo || type == da::ftOraBlob || type == da::ftOraClob || type == ftBFile;
}

namespace {

bool IsTimeStampType(TFieldType t) { return t == da::ftTimeStamp || t == ftTimeStampTZ || t == ftTimeStampLTZ; }
bool IsIntervalType(TFieldType t) { return t == ftIntervalYM || t == ftIntervalDS; }
bool IsArrayAllowed(TFieldType t) {
  return t == da::ftString || t == da::ftInteger || t == da::ftFloat || t == da::ftDateTime || t == da::ftFixedChar;
}
// Object types whose instances the object layer binds; a parameter of one keeps what it is given.
bool IsObjectInstanceType(TFieldType t) {
  return t == da::ftADT || t == da::ftArray || t == da::ftReference || t == da::ftDataSet;
}

}  // namespace

bool IsObjectFieldType(TFieldType type) {
  return IsLobFieldType(type) || type == da::ftCursor || IsTimeStampType(type) || IsIntervalType(type) ||
         IsObjectInstanceType(type);
}

// ---- TOraParam ----

TOraParam::~TOraParam() { ReleaseObject(); }

void TOraParam::ReleaseObject() {
  da::Release(object_);
  object_ = nullptr;
}

void TOraParam::CreateObject() {
  const TFieldType t = DataType();
  if (t == da::ftBlob || t == da::ftMemo) {
    object_ = new da::TBlob();
  } else if (t == da::ftOraBlob || t == da::ftOraClob) {
    object_ = new TOraLob(nullptr);
  } else if (t == ftBFile) {
    object_ = new TOraFile(nullptr);
  } else if (t == da::ftCursor) {
    object_ = new TOraCursor();
  } else if (IsTimeStampType(t)) {
    object_ = new TOraTimeStamp(OraFieldTypeToDataType(t));
  } else if (IsIntervalType(t)) {
    object_ = new TOraInterval(OraFieldTypeToDataType(t));
  } else if (IsObjectInstanceType(t)) {
    // Without a type until the caller gives one (or another object through SetObject).
    object_ = NewOraObject(OraFieldTypeToDataType(t), nullptr);
  }
}

namespace {

// The parameter's object, after a parameter of unknown type took the type asked for.
template <class T>
T* TypedObject(TOraParam& p, TFieldType unknownBecomes, std::initializer_list<TFieldType> fits) {
  if (p.DataType() == da::ftUnknown) p.SetDataType(unknownBecomes);
  for (TFieldType t : fits)
    if (p.DataType() == t) return dynamic_cast<T*>(p.Object());
  return nullptr;
}

}  // namespace

da::TBlob* TOraParam::AsBlobObject() {
  return TypedObject<da::TBlob>(*this, da::ftBlob, {da::ftBlob, da::ftMemo, da::ftOraBlob, da::ftOraClob});
}
TOraFile* TOraParam::AsBFile() { return TypedObject<TOraFile>(*this, ftBFile, {ftBFile}); }
TOraObject* TOraParam::AsObject() { return TypedObject<TOraObject>(*this, da::ftADT, {da::ftADT}); }
TOraArray* TOraParam::AsArray() { return TypedObject<TOraArray>(*this, da::ftArray, {da::ftArray, da::ftDataSet}); }
TOraNestTable* TOraParam::AsTable() { return TypedObject<TOraNestTable>(*this, da::ftDataSet, {da::ftDataSet}); }

void TOraParam::AssignStrings(const olv::TStringList& lines) {
  SetDataType(da::ftMemo);
  SetValue(Variant(lines.Text()));
}

void TOraParam::AssignPersistent(IStreamPersist& source) {
  const TFieldType t = DataType();
  if (t != da::ftBlob && t != da::ftMemo && t != da::ftOraBlob && t != da::ftOraClob)
    throw EOraError(0, SUnsupportedDataType);
  da::TMemoryStream stream;
  source.SaveToStream(stream);
  AsBlob()->LoadFromStream(stream);
  Bound = true;
}

void TOraParam::SetDataType(TFieldType value) {
  if (value == DataType()) return;
  if (IsObjectFieldType(DataType())) ReleaseObject();
  da::TParam::SetDataType(value);
  if (IsObjectFieldType(value)) CreateObject();
}

void TOraParam::SetSubDataType(TSubFieldType value) {
  subDataType_ = value;
  if (value == stOraBlob) SetDataType(da::ftOraBlob);
  if (value == stOraClob) SetDataType(da::ftOraClob);
}

da::TBlob* TOraParam::AsBlob() const {
  return IsLobFieldType(DataType()) ? static_cast<da::TBlob*>(object_) : nullptr;
}
TOraLob* TOraParam::AsOraLob() const {
  const TFieldType t = DataType();
  return t == da::ftOraBlob || t == da::ftOraClob || t == ftBFile ? static_cast<TOraLob*>(object_) : nullptr;
}
TOraFile* TOraParam::AsOraFile() const { return DataType() == ftBFile ? static_cast<TOraFile*>(object_) : nullptr; }
TOraCursor* TOraParam::AsCursor() const {
  return DataType() == da::ftCursor ? static_cast<TOraCursor*>(object_) : nullptr;
}
TOraTimeStamp* TOraParam::AsTimeStamp() const {
  return IsTimeStampType(DataType()) ? static_cast<TOraTimeStamp*>(object_) : nullptr;
}
TOraInterval* TOraParam::AsInterval() const {
  return IsIntervalType(DataType()) ? static_cast<TOraInterval*>(object_) : nullptr;
}

void TOraParam::SetObject(da::TSharedObject* object) {
  if (object) object->AddRef();
  ReleaseObject();
  object_ = object;
  da::TParam::SetValue(Variant("Object"));
}

Variant TOraParam::Value() const {
  if (da::TBlob* blob = AsBlob()) return Variant(blob->GetAsString());
  // Timestamps and intervals keep their value in their object: it reads as a date-time or a text.
  if (TOraTimeStamp* ts = AsTimeStamp()) return ts->IsNull() ? Variant::Null() : Variant::Date(ts->GetAsDateTime());
  if (TOraInterval* iv = AsInterval()) return iv->IsNull() ? Variant::Null() : Variant(iv->GetAsString());
  return da::TParam::Value();
}

void TOraParam::SetValue(const Variant& value) {
  if (DataType() == da::ftUnknown && !value.IsEmptyOrNull() && !value.IsArray()) {
    if (!value.IsByteArray()) {
      da::TParam::SetValue(value);  // takes the value's type
      return;
    }
    // Bytes keep their value in the BLOB object a byte array's type owns, which is what is bound.
    SetDataType(da::ftBlob);
  }
  if (da::TBlob* blob = AsBlob()) {
    blob->Clear();
    if (!value.IsEmptyOrNull()) blob->SetAsString(value.IsByteArray()
                                                      ? std::string(value.AsBytes().begin(), value.AsBytes().end())
                                                      : value.AsString());
    Bound = true;
    return;
  }
  if (TOraTimeStamp* ts = AsTimeStamp()) {
    ts->SetAsVariant(value);
    Bound = true;
    return;
  }
  if (TOraInterval* iv = AsInterval()) {
    iv->SetAsVariant(value);
    Bound = true;
    return;
  }
  da::TParam::SetValue(value);
}

bool TOraParam::IsNull() const {
  if (da::TBlob* blob = AsBlob()) return blob->Size() == 0;
  if (TOraTimeStamp* ts = AsTimeStamp()) return ts->IsNull();
  if (TOraInterval* iv = AsInterval()) return iv->IsNull();
  if (DataType() == da::ftString || DataType() == da::ftFixedChar) {
    const Variant v = da::TParam::Value();
    return v.IsEmptyOrNull() || (!v.IsArray() && v.AsString().empty());
  }
  return da::TParam::IsNull();
}

void TOraParam::Clear() {
  if (da::TBlob* blob = AsBlob()) {
    blob->Clear();
    Bound = true;
  } else if (TOraTimeStamp* ts = AsTimeStamp()) {
    ts->SetIsNull(true);
    Bound = true;
  } else if (TOraInterval* iv = AsInterval()) {
    iv->SetIsNull(true);
    Bound = true;
  } else {
    da::TParam::Clear();
  }
}

void TOraParam::SetTable(bool value) {
  if (value && !IsArrayAllowed(DataType())) throw da::EDatabaseError("This type cannot consist in table");
  if (!value && table_) {
    const Variant v = da::TParam::Value();
    if (v.IsArray()) da::TParam::SetValue(v.ArrayCount() > 0 ? v.ArrayItem(v.ArrayLowBound()) : Variant());
  }
  table_ = value;
}

int TOraParam::Length() const {
  const Variant v = da::TParam::Value();
  return v.IsArray() ? v.ArrayHighBound() : 1;
}

void TOraParam::SetLength(int value) {
  Variant v = da::TParam::Value();
  if (value < 2) {
    if (v.IsArray()) da::TParam::SetValue(v.ArrayCount() > 0 ? v.ArrayItem(v.ArrayLowBound()) : Variant());
    return;
  }
  if (DataType() == da::ftUnknown) throw da::EDatabaseError("Unknown type of parameter " + Name + ".");
  if (!IsArrayAllowed(DataType())) throw da::EDatabaseError("Type is not allowed in DML array");
  if (v.IsArray()) {
    v.RedimArray(value);
  } else {
    Variant array = Variant::CreateArray(1, value);
    array.SetArrayItem(1, v);
    v = array;
  }
  da::TParam::SetValue(v);
}

Variant TOraParam::ItemValue(int index) {
  if (index < 1) throw da::EDatabaseError("Index of array is not range");
  if (index > Length()) SetLength(index);
  const Variant v = da::TParam::Value();
  return v.IsArray() ? v.ArrayItem(index) : v;
}

void TOraParam::SetItemValue(int index, const Variant& value) {
  if (index < 1) throw da::EDatabaseError("Index of array is not range");
  if (index > Length()) SetLength(index);
  Variant v = da::TParam::Value();
  if (!v.IsArray()) {
    da::TParam::SetValue(value);
    return;
  }
  v.SetArrayItem(index, value);
  da::TParam::SetValue(v);
}

void TOraParam::Assign(const da::TParam& source) {
  if (&source == this) return;
  const auto* ora = dynamic_cast<const TOraParam*>(&source);
  if (!source.Name.empty() || Name.empty()) Name = source.Name;
  if (ParamType == da::ptUnknown || ora) ParamType = source.ParamType;
  SetDataType(source.DataType());
  Size = source.Size;
  if (ora) {
    table_ = ora->table_;
    subDataType_ = ora->subDataType_;
    // The value object is shared, as the original parameter's value is the same object.
    if (ora->object_ && IsObjectFieldType(DataType())) {
      if (ora->object_ != object_) {
        ora->object_->AddRef();
        ReleaseObject();
        object_ = ora->object_;
      }
      Bound = source.Bound;
      return;
    }
  }
  if (source.IsNull()) {
    if (source.Bound) {
      Clear();
    } else {
      da::TParam::SetValue(Variant());
      Bound = false;
    }
  } else {
    SetValue(source.Value());
    Bound = source.Bound;
  }
}

void TOraParam::AssignField(const da::TField& field) {
  TFieldType type = field.DataType();
  if (type == da::ftMemo && field.Size() >= 256) type = da::ftString;
  Name = field.FieldName();
  SetDataType(type);
  if (field.IsNull()) {
    Clear();
  } else {
    SetValue(field.AsVariant());
  }
}

void TOraParam::FreeServerParts() {
  if (TOraLob* lob = AsOraLob()) {
    lob->FreeLob();
  } else if (TOraTimeStamp* ts = AsTimeStamp()) {
    ts->FreeDateTime();
  } else if (TOraInterval* iv = AsInterval()) {
    iv->FreeInterval();
  } else if (TOraCursor* cursor = AsCursor()) {
    cursor->FreeCursor();
  }
}

void TOraParams::FreeServerParts() {
  for (int i = 0; i < Count(); ++i) Items(i).FreeServerParts();
}

// ---- the monitor's texts ----

namespace {

// The object of an object, REF, VARRAY or nested-table parameter, or nullptr.
TOraObject* ObjectOf(const TOraParam& p) {
  return IsObjectInstanceType(p.DataType()) ? dynamic_cast<TOraObject*>(p.Object()) : nullptr;
}

std::string TypeNameOf(const TOraParam& p) {
  const TOraObject* object = ObjectOf(p);
  const da::TObjectType* type = object ? object->ObjectType() : nullptr;
  return type && !type->Name.empty() ? type->Name : "unknown";
}

}  // namespace

bool MonitorDataTypeText(const TOraParam& param, std::string& text) {
  const TOraParam* p = &param;
  switch (static_cast<int>(p->DataType())) {
    case da::ftADT: text = "OBJECT:" + TypeNameOf(*p); return true;
    case da::ftArray: text = "ARRAY:" + TypeNameOf(*p); return true;
    case da::ftReference: text = "Ref:" + TypeNameOf(*p); return true;
    case da::ftDataSet: text = "TABLE:" + TypeNameOf(*p); return true;
    case ftIntervalYM: text = "INTERVAL YEAR TO MONTH"; return true;
    case ftIntervalDS: text = "INTERVAL DAY TO SECOND"; return true;
    case ftTimeStampTZ: text = "TIMESTAMP WITH TIME ZONE"; return true;
    case ftTimeStampLTZ: text = "TIMESTAMP WITH LOCAL TIME ZONE"; return true;
    default: return false;
  }
}

bool MonitorValueText(const TOraParam& param, std::string& text) {
  const TOraParam* p = &param;
  if (p->Table()) {
    text = "<PL/SQL TABLE[" + std::to_string(p->Length()) + "]>";
    return true;
  }
  if (p->DataType() != da::ftBytes && p->DataType() != da::ftVarBytes && p->da::TParam::Value().IsArray()) {
    text = "<ARRAY[" + std::to_string(p->Length()) + "]>";
    return true;
  }
  if (p->IsNull()) return false;  // "<NULL>"
  const TFieldType type = p->DataType();
  if (type == ftBFile) {
    TOraFile* file = p->AsOraFile();
    text = "<BFileName('" + file->GetFileDir() + "' ,'" + file->GetFileName() + "')>";
  } else if (type == da::ftOraBlob || type == da::ftOraClob) {
    text = "<LOB:" + std::to_string(p->AsOraLob()->Size()) + ">";
  } else if (TOraTimeStamp* ts = p->AsTimeStamp()) {
    text = ts->GetAsString();
  } else if (TOraInterval* iv = p->AsInterval()) {
    text = iv->GetAsString();
  } else if (TOraObject* object = ObjectOf(*p)) {
    if (type == da::ftADT) {
      text = "<OBJECT of " + TypeNameOf(*p) + ">";
    } else if (type == da::ftReference) {
      text = "<REF of " + TypeNameOf(*p) + ">";
    } else {
      const auto* array = static_cast<TOraArray*>(object);
      text = (type == da::ftArray ? "<VARRAY[" : "<TABLE[") +
             std::to_string(const_cast<TOraArray*>(array)->GetSize()) + "]>";
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace ora
