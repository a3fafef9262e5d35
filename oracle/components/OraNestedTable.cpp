#include "oracle/components/OraNestedTable.h"

#include <memory>

#include "oracle/components/OraDataSet.h"
#include "oracle/components/OraFields.h"
#include "oracle/values/OraObject.h"
#include "oracle/components/OraObjectStores.h"
#include "oracle/components/OraParams.h"
#include "oracle/components/OraSession.h"

namespace ora {

TOraNestedTable::TOraNestedTable() { ObjectView = true; }

TOraNestedTable::~TOraNestedTable() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; the store goes with the dataset.
  }
}

void TOraNestedTable::CreateIRecordSet() { SetIRecordSet(std::make_unique<TTableData>()); }

void TOraNestedTable::UseObject(TOraArray* table, TOraRef* ref) {
  table_ = table;
  ref_ = ref;
  if (ref) {
    auto* store = dynamic_cast<TRefData*>(&Data());
    if (!store) {
      SetIRecordSet(std::make_unique<TRefData>());
      store = static_cast<TRefData*>(&Data());
    }
    store->SetRef(ref);
    return;
  }
  auto* store = dynamic_cast<TTableData*>(&Data());
  if (!store) {
    SetIRecordSet(std::make_unique<TTableData>());
    store = static_cast<TTableData*>(&Data());
  }
  store->SetTable(table);
}

void TOraNestedTable::SetTable(TOraArray* table) {
  if (table == table_ && !ref_) {
    if (Active()) Refresh();
    return;
  }
  const bool wasActive = Active();
  Close();
  UnPrepare();
  UseObject(table, nullptr);
  if (wasActive && table) Open();
}

void TOraNestedTable::SetRef(TOraRef* ref) {
  if (ref == ref_) {
    if (Active()) Refresh();
    return;
  }
  const bool wasActive = Active();
  Close();
  UnPrepare();
  UseObject(nullptr, ref);
  if (wasActive && ref) Open();
}

void TOraNestedTable::SetDataSetField(da::TDataSetField* field) {
  da::TMemDataSet::SetDataSetField(field);
  if (auto* parent = field ? dynamic_cast<da::TMemDataSet*>(&field->DataSet()) : nullptr)
    Data().TrimFixedChar = parent->Data().TrimFixedChar;
  if (!field) {
    Close();
    UseObject(nullptr, nullptr);
  }
}

void TOraNestedTable::ReadParentObject() {
  da::TDataSetField* field = DataSetField();
  if (!field) return;
  auto* parent = dynamic_cast<da::TMemDataSet*>(&field->DataSet());
  if (!parent) return;
  const da::TFieldDesc& desc = parent->Data().FieldAt(field->FieldNo());
  if (desc.DataType != da::dtTable && desc.DataType != da::dtArray && desc.DataType != da::dtReference)
    throw da::EDatabaseError("Field type should be Object");
  da::TSharedObject* object = RecordObject(*field);
  if (desc.DataType == da::dtReference) {
    UseObject(nullptr, dynamic_cast<TOraRef*>(object));
  } else {
    UseObject(dynamic_cast<TOraArray*>(object), nullptr);
  }
}

void TOraNestedTable::OpenCursor() {
  if (da::TDataSetField* field = DataSetField()) {
    if (!field->DataSet().Active()) field->DataSet().Open();
    ReadParentObject();
  } else if (!table_ && !ref_) {
    throw da::EDatabaseError("Missing DataSetField property");
  }
  if (!table_ && !ref_) throw da::EDatabaseError("Missing DataSetField property");
  da::TMemDataSet::OpenCursor();
}

void TOraNestedTable::DataEvent(da::TDataEvent event, std::intptr_t info) {
  if (event == da::deParentScroll && Active() && DataSetField()) {
    ReadParentObject();
    Refresh();
    return;
  }
  da::TMemDataSet::DataEvent(event, info);
}

template <class F>
auto TOraNestedTable::WithElementRecord(F read) -> decltype(read(static_cast<const void*>(nullptr))) {
  da::TMemData* store = &Data();
  // The record only borrows the item's element object or REF (the item keeps the reference), so
  // freeing the buffer must not release it.
  std::unique_ptr<std::uint8_t[]> record(store->AllocRecBuf());
  store->GetRecord(record.get());
  return read(record.get());
}

bool TOraNestedTable::BrowsingElements() {
  return State() == da::dsBrowse && Data().CurrentRecordPtr();
}

da::Variant TOraNestedTable::GetFieldValue(const da::TField& field) {
  if (field.FieldNo() <= 0 || !BrowsingElements()) return da::TMemDataSet::GetFieldValue(field);
  return WithElementRecord([&](const void* record) { return Data().GetFieldAsVariant(field.FieldNo(), record); });
}

da::TSharedObject* TOraNestedTable::AttributeValueObject(const da::TField& field) {
  if (field.FieldNo() <= 0) return nullptr;
  // The value object belongs to the element's object, which outlives the record read for it.
  if (BrowsingElements())
    return WithElementRecord([&](const void* record) { return Data().ChildValueObject(field.FieldNo(), record); });
  const void* record = ActiveRecord();
  return record ? Data().ChildValueObject(field.FieldNo(), record) : nullptr;
}

da::TFieldType TOraNestedTable::GetFieldType(da::TDataType dataType) { return OraDataTypeToFieldType(dataType); }

da::TFieldClass TOraNestedTable::GetFieldClass(da::TFieldType type) const {
  if (da::TFieldClass cls = OraFieldClass(type)) return cls;
  return da::TMemDataSet::GetFieldClass(type);
}

bool TOraNestedTable::CanModify() const {
  if (ref_) return false;
  if (da::TDataSetField* field = DataSetField()) return field->DataSet().CanModify();
  return table_ != nullptr && !ReadOnly;
}

void TOraNestedTable::MarkParentChanged() {
  da::TDataSetField* field = DataSetField();
  if (!field) return;
  da::TDataSet& parent = field->DataSet();
  if (parent.State() != da::dsEdit && parent.State() != da::dsInsert) parent.Edit();
  parent.SetModified(true);
  field->SetModified(true);
}

void TOraNestedTable::DoAfterPost() {
  MarkParentChanged();
  da::TMemDataSet::DoAfterPost();
}

void TOraNestedTable::DoBeforeDelete() {
  da::TMemDataSet::DoBeforeDelete();
  MarkParentChanged();
}

void TOraNestedTable::DoBeforeInsert() {
  if (da::TDataSetField* field = DataSetField())
    if (field->DataSet().State() == da::dsInsert) field->DataSet().Post();
  da::TMemDataSet::DoBeforeInsert();
}

}  // namespace ora
