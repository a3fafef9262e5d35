#pragma once
// Record stores over Oracle object values, which the nested-table dataset opens for a field:
// - TRefData shows the object a TOraRef points to as a store of at most one record: its one
//   top-level field "REF" (hidden) holds the REF, and the object's attributes are its child
//   fields, read and written through the REF (which pins the object). UpdateRecord marks the
//   object updated and flushes it to the server.
// - TTableData shows the elements of a TOraArray or TOraNestTable as records, fetching one
//   element at a time (deleted elements of a nested table are passed over) and writing changes
//   back into the collection: PutRecord stores the values, an insertion appends an element at the
//   end of the collection, a deletion deletes the element's index. An object element's BLOB and
//   CLOB attributes written since the record was read go into the element then, each in one
//   temporary LOB, so that the element (what a copy at edit, a cancel, a re-open and the parent's
//   collection read) holds them.
//
// An item of a TTableData keeps only the element's object (for object elements, with a reference
// of its own) and the element's index; values are read from and written to the collection.
//
// Ownership: each store holds a counted reference on its REF or collection. One thread at a time.
#include <cstdint>
#include <string>

#include "dataaccess/Blob.h"
#include "dataaccess/MemData.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraObject.h"
#include "oracle/values/OraValueObjects.h"

namespace ora {

// The value of an attribute field kept in a value object (LOB, file, timestamp, interval) of the
// record's object, or nullptr for a field of another kind. Shared by both stores below.
da::TSharedObject* AttributeValueObject(const da::TFieldDesc& field, const da::TFieldDesc& root,
                                        const std::string& path, const void* record);
// Such an attribute's value as a query's column gives it: a CLOB's text, a BLOB's or file's bytes,
// a timestamp's date-time, an interval's text; Null for a null value.
da::Variant AttributeValueVariant(da::TSharedObject* value, da::TDataType type);
// Writes a variant into a timestamp or interval attribute as a query's column of the type takes
// one, and stores it into the record's object, whose instance the element or REF is.
void PutAttributeTimeValue(const da::TFieldDesc& field, const da::TFieldDesc& root, const std::string& path,
                           void* record, const da::Variant& value);

// Attribute fields of LOB, file, timestamp and interval types read and written through their value
// objects, as a record set's columns of those types are.
template <class Base>
class TAttributeValueStore : public Base {
 public:
  da::TSharedObject* ChildValueObject(int fieldNo, const void* record) override {
    const da::TFieldDesc& field = this->FieldAt(fieldNo);
    if (!field.HasParent() || !record) return nullptr;
    return AttributeValueObject(field, this->RootField(field), this->ChildPath(field), record);
  }
  da::Variant GetFieldAsVariant(int fieldNo, const void* record) override {
    if (da::TSharedObject* value = ChildValueObject(fieldNo, record))
      return AttributeValueVariant(value, this->FieldAt(fieldNo).DataType);
    return Base::GetFieldAsVariant(fieldNo, record);
  }
  // A LOB attribute takes the value whole, as a blob column's write does; a timestamp or interval
  // attribute as such a column does. A LOB's content stays in its value object, marked modified,
  // until the record is stored (StoreModifiedLobs): a write of many pieces makes one server value.
  void PutFieldAsVariant(int fieldNo, void* record, const da::Variant& value) override {
    const da::TFieldDesc& field = this->FieldAt(fieldNo);
    if (field.HasParent() && (IsTimeStampDataType(field.DataType) || IsIntervalDataType(field.DataType))) {
      PutAttributeTimeValue(field, this->RootField(field), this->ChildPath(field), record, value);
      return;
    }
    if (da::TBlob* blob = ChangedBlob(fieldNo, record)) {
      std::string bytes;
      if (value.IsByteArray()) {
        bytes.assign(value.AsBytes().begin(), value.AsBytes().end());
      } else if (!value.IsEmptyOrNull()) {
        bytes = value.AsString();
      }
      blob->Truncate(0);
      if (!bytes.empty()) blob->Write(0, static_cast<std::uint32_t>(bytes.size()), bytes.data());
      return;
    }
    Base::PutFieldAsVariant(fieldNo, record, value);
  }
  std::uint32_t ReadBlob(int fieldNo, const void* record, std::uint32_t position, std::uint32_t count,
                         void* dest) override {
    if (da::TBlob* blob = AttributeBlob(fieldNo, record)) return blob->Read(position, count, dest);
    return Base::ReadBlob(fieldNo, record, position, count, dest);
  }
  std::uint32_t GetBlobSize(int fieldNo, const void* record) override {
    if (da::TBlob* blob = AttributeBlob(fieldNo, record)) return blob->Size();
    return Base::GetBlobSize(fieldNo, record);
  }
  void WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, const void* source) override {
    if (da::TBlob* blob = ChangedBlob(fieldNo, record)) return blob->Write(position, count, source);
    Base::WriteBlob(fieldNo, record, position, count, source);
  }
  void TruncateBlob(int fieldNo, void* record, std::uint32_t size) override {
    if (da::TBlob* blob = ChangedBlob(fieldNo, record)) return blob->Truncate(size);
    Base::TruncateBlob(fieldNo, record, size);
  }

 private:
  // The attribute's LOB, its content read when it is still on the server.
  da::TBlob* AttributeBlob(int fieldNo, const void* record) {
    auto* blob = dynamic_cast<da::TBlob*>(ChildValueObject(fieldNo, record));
    if (blob) blob->CheckValue();
    return blob;
  }
  // The same for a change: a BLOB or CLOB is marked modified.
  da::TBlob* ChangedBlob(int fieldNo, const void* record) {
    da::TBlob* blob = AttributeBlob(fieldNo, record);
    if (blob && IsLobDataType(this->FieldAt(fieldNo).DataType)) static_cast<TOraLob*>(blob)->SetModified(true);
    return blob;
  }
};

// Kept in memory as one item holding the REF (with a reference of its own), so that a dataset can
// hold the store and walk, mark and find its record as it does any other.
class TRefData : public TAttributeValueStore<da::TMemData> {
 public:
  TRefData() = default;
  ~TRefData() override;

  void SetRef(TOraRef* ref);
  TOraRef* GetRef() const { return ref_; }

  void InitFields() override;
  void Reopen() override;
  bool IsComplexFieldType(da::TDataType type) const override;
  void GetRecord(void* record) override;
  void GetNextRecord(void* record) override;
  void GetPriorRecord(void* record) override;
  void PutRecord(const void* record) override;
  void AppendRecord(const void*) override {}
  void InsertRecord(const void* record) override { AppendRecord(record); }
  void UpdateRecord(const void* record) override;
  void DeleteRecord() override {}
  void CreateComplexFields(void* record, bool withBlobs) override;
  void FreeComplexFields(void* record, bool withBlobs) override;
  void CopyComplexFields(const void* source, void* dest, bool withBlobs) override;

 protected:
  void InternalPrepare() override;
  void InternalOpen() override;
  void InternalInitFields() override;

 private:
  TOraRef* ref_ = nullptr;
};

class TTableData : public TAttributeValueStore<da::TMemData> {
 public:
  TTableData() = default;
  ~TTableData() override;

  void SetTable(TOraArray* table);
  TOraArray* GetTable() const { return table_; }

  void InitFields() override;
  void Reopen() override;
  // An empty list is not the end yet: the elements come on demand.
  void SetToBegin() override;
  bool IsBlobFieldType(da::TDataType type) const override;
  bool IsComplexFieldType(da::TDataType type) const override;
  void GetRecord(void* record) override;
  void GetNextRecord(void* record) override;
  void PutRecord(const void* record) override;
  void InsertRecord(const void* record) override;
  void AppendRecord(const void* record) override { InsertRecord(record); }
  void CancelRecord(void* record) override;
  void CreateComplexFields(void* record, bool withBlobs) override;
  void FreeComplexFields(void* record, bool withBlobs) override;
  void CopyComplexFields(const void* source, void* dest, bool withBlobs) override;
  bool Fetch(bool fetchBack = false) override;

  // Where an item keeps its element's index (after the element's object).
  static constexpr std::uint32_t kIndexOffset = sizeof(void*);
  static constexpr std::uint32_t kItemRecordSize = kIndexOffset + sizeof(std::int32_t);
  std::int32_t NextIndex() const { return nextIndex_; }

 protected:
  void InternalOpen() override;
  void InternalInitFields() override;
  bool InternalAppend(const void* record) override;
  void InternalDelete() override;
  void InternalUpdate() override {}

 private:
  bool ObjectElements() const;
  std::int32_t ItemIndex(da::TItemHeader* item) const;

  TOraArray* table_ = nullptr;
  std::int32_t nextIndex_ = -1;
};

}  // namespace ora
