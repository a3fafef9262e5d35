#include "oracle/components/OraObjectStores.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordBuffer.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraValueObjects.h"

namespace ora {

namespace {

constexpr const char* kModule = "OraObjects";

bool IsObjectOrRef(da::TDataType t) { return t == da::dtObject || t == da::dtReference; }

// New objects for the top-level object and REF fields of a record; freeing releases them.
void CreateObjects(da::TData& store, void* record, OCISvcCtx* svcCtx) {
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *store.Fields.Items(i);
    if (f.HasParent() || !IsObjectOrRef(f.DataType)) continue;
    auto* type = static_cast<TOraType*>(f.ObjectType());
    TOraObject* object = f.DataType == da::dtReference ? new TOraRef(type) : new TOraObject(type);
    if (f.DataType == da::dtObject && svcCtx) object->AllocObject(svcCtx);
    da::WritePointer(static_cast<std::uint8_t*>(record) + f.Offset, object);
  }
}

void FreeObjects(da::TData& store, void* record) {
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *store.Fields.Items(i);
    if (f.HasParent() || !IsObjectOrRef(f.DataType)) continue;
    auto* slot = static_cast<std::uint8_t*>(record) + f.Offset;
    da::Release(static_cast<da::TSharedObject*>(da::ReadPointer(slot)));
    da::WritePointer(slot, nullptr);
  }
}

void CopyObjects(da::TData& store, const void* source, void* dest) {
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *store.Fields.Items(i);
    if (f.HasParent() || !IsObjectOrRef(f.DataType)) continue;
    auto* from = static_cast<TOraObject*>(da::ReadPointer(static_cast<const std::uint8_t*>(source) + f.Offset));
    auto* to = static_cast<TOraObject*>(da::ReadPointer(static_cast<std::uint8_t*>(dest) + f.Offset));
    if (from && to) to->Assign(*from);
  }
}

}  // namespace

da::TSharedObject* AttributeValueObject(const da::TFieldDesc& field, const da::TFieldDesc& root,
                                        const std::string& path, const void* record) {
  const da::TDataType t = field.DataType;
  if (!IsDescriptorDataType(t)) return nullptr;
  auto* object = static_cast<TOraObject*>(da::ReadPointer(static_cast<const std::uint8_t*>(record) + root.Offset));
  if (!object) return nullptr;
  // The value objects take their null flag from the instance's indicator, as a fetch gives it.
  if (IsTimeStampDataType(t)) {
    TOraTimeStamp* ts = object->GetAttrAsTimeStamp(path);
    ts->SetIsNull(object->AttrIsNull(path));
    return ts;
  }
  if (IsIntervalDataType(t)) {
    TOraInterval* interval = object->GetAttrAsInterval(path);
    interval->SetIsNull(object->AttrIsNull(path));
    return interval;
  }
  return object->GetAttrAsLob(path);
}

da::Variant AttributeValueVariant(da::TSharedObject* value, da::TDataType type) {
  if (IsTimeStampDataType(type) || IsIntervalDataType(type)) return GetTimeValueVariant(type, value);
  auto* lob = static_cast<TOraLob*>(value);
  lob->CheckValue();
  if (lob->Size() == 0) return da::Variant::Null();
  const std::string content = lob->GetAsString();
  if (type == dtOraClob) return da::Variant(content);
  return da::Variant(std::vector<std::uint8_t>(content.begin(), content.end()));
}

void PutAttributeTimeValue(const da::TFieldDesc& field, const da::TFieldDesc& root, const std::string& path,
                           void* record, const da::Variant& value) {
  auto* object = static_cast<TOraObject*>(da::ReadPointer(static_cast<const std::uint8_t*>(record) + root.Offset));
  da::DAAssert(object != nullptr, kModule, "The record holds no object");
  SetTimeValueVariant(field.DataType, AttributeValueObject(field, root, path, record), value);
  object->StoreAttrChild(path);
}

// ---------------------------------------------------------------------------------------------
// TRefData

TRefData::~TRefData() {
  try {
    Close();
  } catch (...) {
  }
  da::Release(ref_);
}

void TRefData::SetRef(TOraRef* ref) {
  if (ref == ref_) return;
  if (ref) ref->AddRef();
  da::Release(ref_);
  ref_ = ref;
}

void TRefData::InternalPrepare() {
  if (!ref_) throw da::Exception("Reference is not defined");
}

void TRefData::InternalOpen() {
  eof_ = false;
  InitFields();
  // A NULL or dangling REF shows no record.
  if (!ref_ || ref_->GetIsNull()) return;
  da::TItemHeader* item = AppendItem();
  auto* slot = static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(item));
  ref_->AddRef();
  da::WritePointer(slot, ref_);
  if (!OmitRecord(item)) ++recordCount_;
  SetCurrentItem(nullptr);
}

void TRefData::InitFields() {
  da::TMemData::InitFields();
  // The item keeps only the REF.
  BlockManager().RecordSize = sizeof(void*);
}

void TRefData::Reopen() {
  FreeData();
  InitData();
  InternalOpen();
}

void TRefData::InternalInitFields() {
  if (!ref_) return;
  auto* type = ref_->GetOraType();
  auto desc = std::make_unique<da::TFieldDesc>();
  desc->Name = desc->ActualName = "REF";
  desc->DataType = type ? type->DataType : da::dtObject;
  desc->Size = sizeof(void*);
  desc->SetObjectType(type);
  desc->FieldNo = 1;
  desc->HiddenObject = true;
  da::TFieldDesc& added = Fields.Add(std::move(desc));
  InitObjectFields(type, &added);
}

bool TRefData::IsComplexFieldType(da::TDataType type) const {
  return da::TMemData::IsComplexFieldType(type) || IsObjectOrRef(type);
}

void TRefData::GetRecord(void* record) {
  // The record borrows the item's REF: the item keeps the reference.
  if (!CurrentItem() || bof_ || eof_ || !ref_) return;
  da::WritePointer(static_cast<std::uint8_t*>(record) + FieldAt(1).Offset, ref_);
  SetNull(1, record, false);
}

void TRefData::GetNextRecord(void* record) {
  da::TMemData::GetNextRecord(nullptr);
  if (record) GetRecord(record);
}

void TRefData::GetPriorRecord(void* record) {
  da::TMemData::GetPriorRecord(nullptr);
  if (record) GetRecord(record);
}

void TRefData::PutRecord(const void* record) {
  da::DAAssert(da::ReadPointer(static_cast<const std::uint8_t*>(record) + FieldAt(1).Offset) == ref_, kModule, "The record holds another REF");
}

void TRefData::UpdateRecord(const void*) {
  da::DAAssert(ref_ != nullptr, kModule);
  ref_->MarkUpdate();
  ref_->Flush();
}

void TRefData::CreateComplexFields(void* record, bool withBlobs) {
  da::TMemData::CreateComplexFields(record, withBlobs);
  CreateObjects(*this, record, ref_ ? ref_->GetSvcCtx() : nullptr);
}

void TRefData::FreeComplexFields(void* record, bool withBlobs) {
  FreeObjects(*this, record);
  da::TMemData::FreeComplexFields(record, withBlobs);
}

void TRefData::CopyComplexFields(const void* source, void* dest, bool withBlobs) {
  da::TMemData::CopyComplexFields(source, dest, withBlobs);
  CopyObjects(*this, source, dest);
}

// ---------------------------------------------------------------------------------------------
// TTableData

TTableData::~TTableData() {
  try {
    Close();
  } catch (...) {
  }
  da::Release(table_);
}

void TTableData::SetTable(TOraArray* table) {
  if (table == table_) return;
  if (table) table->AddRef();
  da::Release(table_);
  table_ = table;
}

bool TTableData::ObjectElements() const {
  return table_ && table_->GetOraType() && table_->GetOraType()->GetAttributes(0)->DataType == da::dtObject;
}

std::int32_t TTableData::ItemIndex(da::TItemHeader* item) const {
  return da::ReadValue<std::int32_t>(static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(item)) + kIndexOffset);
}

void TTableData::InternalOpen() {
  eof_ = false;
  nextIndex_ = -1;
  InitFields();
}

void TTableData::Reopen() {
  FreeData();
  InitData();
  InternalOpen();
}

void TTableData::SetToBegin() {
  da::TMemData::SetToBegin();
  if (!FirstItem()) eof_ = false;
}

void TTableData::InitFields() {
  da::TMemData::InitFields();
  // An item keeps only the element's object and index.
  BlockManager().RecordSize = kItemRecordSize;
}

void TTableData::InternalInitFields() {
  if (!table_ || !table_->GetOraType()) return;
  TOraType* type = table_->GetOraType();
  const da::TAttribute& element = *type->GetAttributes(0);
  if (element.DataType == da::dtObject) {
    auto* elementType = element.ObjectType();
    auto desc = std::make_unique<da::TFieldDesc>();
    desc->Name = desc->ActualName = element.Name;
    desc->DataType = elementType ? elementType->DataType : da::dtObject;
    desc->Size = sizeof(void*);
    desc->SetObjectType(elementType);
    desc->FieldNo = 1;
    desc->HiddenObject = true;
    da::TFieldDesc& added = Fields.Add(std::move(desc));
    InitObjectFields(elementType, &added);
    return;
  }
  InitObjectFields(type, nullptr);
  if (Fields.Count() == 0) return;
  da::TFieldDesc& first = *Fields.Items(0);
  switch (element.DataType) {
    case da::dtString: first.Size = static_cast<std::uint16_t>(element.Length + 1); break;
    case da::dtInt32: first.Size = 4; break;
    case da::dtFloat: case da::dtDateTime: first.Size = 8; break;
    default: da::DAAssert(false, kModule, "Unknown element type");
  }
}

bool TTableData::IsBlobFieldType(da::TDataType type) const {
  return da::TMemData::IsBlobFieldType(type) || type == dtOraBlob || type == dtOraClob || type == dtBFile ||
         type == dtCFile;
}

bool TTableData::IsComplexFieldType(da::TDataType type) const {
  return da::TMemData::IsComplexFieldType(type) || da::IsObjectDataType(type);
}

bool TTableData::Fetch(bool) {
  if (!table_ || !table_->CheckAlloc(false) || table_->GetIsNull()) return false;
  const std::int32_t next = table_->NextIndex(nextIndex_);
  if (next < 0) return false;
  nextIndex_ = next;
  da::TItemHeader* item = AppendItem();
  auto* record = static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(item));
  std::memset(record, 0, kItemRecordSize);
  da::WriteValue<std::int32_t>(record + kIndexOffset, next);
  if (ObjectElements()) {
    TOraObject* object = table_->GetElementObject(next);
    object->AddRef();
    da::WritePointer(record, object);
  }
  if (!OmitRecord(item)) ++recordCount_;
  return true;
}

void TTableData::GetNextRecord(void* record) {
  if (eof_) return;
  da::TItemHeader* item;
  if (bof_ && !CurrentItem()) {
    if (!FirstItem()) Fetch(false);
    item = FirstItem();
  } else {
    da::TItemHeader* current = CurrentItem();
    if (current && !current->Next) Fetch(false);
    item = current ? current->Next : FirstItem();
  }
  if (!item) {
    SetCurrentItem(nullptr);
    eof_ = true;
    return;
  }
  bof_ = false;
  SetCurrentItem(item);
  if (record) GetRecord(record);
}

void TTableData::GetRecord(void* record) {
  da::TItemHeader* item = CurrentItem();
  if (!item || GetBOF() || GetEOF() || !table_) return;
  const std::int32_t index = ItemIndex(item);
  auto* out = static_cast<std::uint8_t*>(record);
  const da::TFieldDesc& field = FieldAt(1);
  std::uint8_t* value = out + field.Offset;
  const da::TDataType type = table_->GetOraType()->GetAttributes(0)->DataType;
  if (type == da::dtObject) {
    da::WritePointer(value, da::ReadPointer(da::TBlockManager::GetRecordPtr(item)));
    SetNull(1, record, false);
    return;
  }
  const bool isNull = table_->ElementIsNull(index);
  SetNull(1, record, isNull);
  if (isNull) return;
  switch (type) {
    case da::dtString: {
      const std::string text = table_->GetElementString(index);
      const std::size_t n = std::min<std::size_t>(text.size(), table_->GetOraType()->GetAttributes(0)->Length);
      std::memcpy(value, text.data(), n);
      value[n] = 0;
      break;
    }
    case da::dtInt32: da::WriteValue(value, table_->GetElementInteger(index)); break;
    case da::dtFloat: da::WriteValue(value, table_->GetElementFloat(index)); break;
    case da::dtDateTime: da::WriteValue(value, table_->GetElementDate(index)); break;
    default: da::DAAssert(false, kModule, "Unknown element type");
  }
}

void TTableData::PutRecord(const void* record) {
  da::TItemHeader* item = CurrentItem();
  da::DAAssert(item != nullptr, kModule);
  const std::int32_t index = ItemIndex(item);
  const auto* in = static_cast<const std::uint8_t*>(record);
  const da::TFieldDesc& field = FieldAt(1);
  const std::uint8_t* value = in + field.Offset;
  const da::TDataType type = table_->GetOraType()->GetAttributes(0)->DataType;
  if (type == da::dtObject) {
    // LOB attributes written since the record was read go into the element now, once each.
    if (auto* object = static_cast<TOraObject*>(da::ReadPointer(value))) object->StoreModifiedLobs();
    // As in every store, the item takes over the record's reference and its previous object's
    // reference passes to the caller's buffer: editing swaps the live object into the edit buffer
    // and a copy into the item, posting swaps them back and frees the copy.
    da::WritePointer(static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(item)), da::ReadPointer(value));
    return;
  }
  if (GetNull(1, record)) {
    table_->SetElementNull(index, true);
    return;
  }
  switch (type) {
    case da::dtString:
      table_->SetElementString(index, std::string(reinterpret_cast<const char*>(value), ::strnlen(reinterpret_cast<const char*>(value), field.Size)));
      break;
    case da::dtInt32: table_->SetElementInteger(index, da::ReadValue<std::int32_t>(value)); break;
    case da::dtFloat: table_->SetElementFloat(index, da::ReadValue<double>(value)); break;
    case da::dtDateTime: table_->SetElementDate(index, da::ReadValue<double>(value)); break;
    default: da::DAAssert(false, kModule, "Unknown element type");
  }
}

bool TTableData::InternalAppend(const void* record) {
  da::DAAssert(table_ != nullptr, kModule);
  table_->CheckAlloc(true);
  const da::TAttribute& element = *table_->GetOraType()->GetAttributes(0);
  OCIColl* collection = table_->Collection();
  OCIEnv* env = table_->GetEnv();
  OCIInd nullInd = OCI_IND_NULL;
  switch (element.DataType) {
    case da::dtString: case da::dtInt32: case da::dtFloat: case da::dtDateTime:
      table_->AppendElement();
      break;
    case da::dtObject: {
      auto* object = static_cast<TOraObject*>(da::ReadPointer(static_cast<const std::uint8_t*>(record) + FieldAt(1).Offset));
      da::DAAssert(object != nullptr, kModule);
      object->CheckAlloc(true);
      // The collection takes a copy of the instance: LOB attributes written are stored first.
      object->StoreModifiedLobs();
      Check(OCICollAppend(env, hOCIError, object->GetInstance(), object->GetIndicator() ? object->GetIndicator() : &nullInd,
                          collection));
      break;
    }
    default: da::DAAssert(false, kModule, "Unknown element type");
  }
  nextIndex_ = table_->GetSize() - 1;
  auto* item = static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(CurrentItem()));
  std::memset(item, 0, kItemRecordSize);
  da::WriteValue<std::int32_t>(item + kIndexOffset, nextIndex_);
  if (element.DataType == da::dtObject) {
    // The record's object now stands for the stored element; the collection keeps it as its child
    // and the item takes over the record's reference.
    auto* object = static_cast<TOraObject*>(da::ReadPointer(static_cast<const std::uint8_t*>(record) + FieldAt(1).Offset));
    table_->BindElementObject(nextIndex_, object);
    da::WritePointer(item, object);
  }
  return true;
}

void TTableData::InsertRecord(const void* record) {
  // A new element goes at the end of the collection, wherever the cursor is.
  da::TItemHeader* const previous = CurrentItem();
  da::TItemHeader* item = AppendItem();
  SetCurrentItem(item);
  bool accepted = false;
  try {
    accepted = InternalAppend(record);
  } catch (...) {
    DeleteItem(item);
    SetCurrentItem(previous);
    throw;
  }
  if (!accepted) {
    DeleteItem(item);
    SetCurrentItem(previous);
    return;
  }
  PutRecord(record);
  bof_ = eof_ = false;
  ++recordCount_;
}

void TTableData::InternalDelete() {
  da::TItemHeader* item = CurrentItem();
  da::DAAssert(item != nullptr, kModule);
  auto* table = dynamic_cast<TOraNestTable*>(table_);
  if (!table) RaiseError("Elements of a varying array cannot be deleted");
  table->DeleteElement(ItemIndex(item));
}

void TTableData::CancelRecord(void* record) {
  da::TItemHeader* item = CurrentItem();
  if (item && ObjectElements()) {
    // The edit buffer holds the live element and the item the copy taken at edit: the copy's
    // values go back into the element, and the element returns to the item with the buffer's
    // reference, so the item keeps reading the collection.
    auto* slot = static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(item));
    std::uint8_t* edited = static_cast<std::uint8_t*>(record) + FieldAt(1).Offset;
    auto* live = static_cast<TOraObject*>(da::ReadPointer(edited));
    auto* copy = static_cast<TOraObject*>(da::ReadPointer(slot));
    if (live && copy && live != copy) {
      table_->SetElementObject(ItemIndex(item), *copy);
      table_->BindElementObject(ItemIndex(item), live);
      da::WritePointer(slot, live);
      da::WritePointer(edited, nullptr);
      copy->Release();
    }
  }
  da::TMemData::CancelRecord(record);
}

void TTableData::CreateComplexFields(void* record, bool withBlobs) {
  da::TMemData::CreateComplexFields(record, withBlobs);
  CreateObjects(*this, record, table_ ? table_->GetSvcCtx() : nullptr);
}

void TTableData::FreeComplexFields(void* record, bool withBlobs) {
  FreeObjects(*this, record);
  da::TMemData::FreeComplexFields(record, withBlobs);
}

void TTableData::CopyComplexFields(const void* source, void* dest, bool withBlobs) {
  da::TMemData::CopyComplexFields(source, dest, withBlobs);
  CopyObjects(*this, source, dest);
}

}  // namespace ora
