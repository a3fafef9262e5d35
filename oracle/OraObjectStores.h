#pragma once
// Record stores over Oracle object values, which the nested-table dataset opens for a field:
// - TRefData shows the object a TOraRef points to as a store of at most one record: its one
//   top-level field "REF" (hidden) holds the REF, and the object's attributes are its child
//   fields, read and written through the REF (which pins the object). UpdateRecord marks the
//   object updated and flushes it to the server.
// - TTableData shows the elements of a TOraArray or TOraNestTable as records, fetching one
//   element at a time (deleted elements of a nested table are passed over) and writing changes
//   back into the collection: PutRecord stores the values, an insertion appends an element at the
//   end of the collection, a deletion deletes the element's index.
//
// An item of a TTableData keeps only the element's object (for object elements, with a reference
// of its own) and the element's index; values are read from and written to the collection.
//
// Ownership: each store holds a counted reference on its REF or collection. One thread at a time.
#include <cstdint>

#include "dataaccess/MemData.h"
#include "oracle/OraObject.h"

namespace ora {

class TRefData : public da::TData {
 public:
  TRefData() = default;
  ~TRefData() override;

  void SetRef(TOraRef* ref);
  TOraRef* GetRef() const { return ref_; }

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
  void GetBookmark(da::TRecBookmark&) override {}
  void SetToBookmark(const da::TRecBookmark&) override { bof_ = eof_ = false; }

 protected:
  void InternalPrepare() override;
  void InternalOpen() override;
  void InternalInitFields() override;

 private:
  TOraRef* ref_ = nullptr;
};

class TTableData : public da::TMemData {
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
