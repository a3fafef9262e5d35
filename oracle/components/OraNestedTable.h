#pragma once
// TOraNestedTable: a dataset over the nested table, VARRAY or REF held in a field of a parent
// dataset (DataSetField), or over a collection or REF object given directly (SetTable, SetRef).
// Its store is a table store (TTableData: one record per element) or a REF store (TRefData: the
// referenced object's one record, none for a NULL REF). When the parent moves, the object of the
// parent's current record is read anew; a posted or deleted element marks the parent's record changed. A REF's object
// cannot be changed through it.
//
// Errors (EDatabaseError): "Field type should be Object" for a parent field that is no nested
// table or REF, "Missing DataSetField property" without field and object. Ownership: the stores
// hold their own references on the objects; the dataset refers to its parent field. One thread.
#include "dataaccess/MemDS.h"
#include "dataaccess/SharedObject.h"

namespace ora {

class TOraArray;
class TOraRef;

class TOraNestedTable : public da::TMemDataSet {
 public:
  TOraNestedTable();
  ~TOraNestedTable() override;

  void SetDataSetField(da::TDataSetField* field) override;
  // A new object closes the dataset and reopens it when it was open; the same one refreshes.
  void SetTable(TOraArray* table);
  void SetRef(TOraRef* ref);
  TOraArray* Table() const { return table_; }
  TOraRef* Ref() const { return ref_; }
  bool CanModify() const override;
  void DataEvent(da::TDataEvent event, std::intptr_t info = 0) override;
  // A table store's item holds only its element: browsing reads the element's record from it.
  da::Variant GetFieldValue(const da::TField& field) override;
  // The value object (LOB, file, timestamp, interval) of an object attribute field in the current
  // record; nullptr for other fields.
  da::TSharedObject* AttributeValueObject(const da::TField& field);
  // The Oracle field types and classes, as the Oracle datasets have them.
  da::TFieldType GetFieldType(da::TDataType dataType) override;
  da::TFieldClass GetFieldClass(da::TFieldType type) const override;

 protected:
  void CreateIRecordSet() override;
  void OpenCursor() override;
  void DoAfterPost() override;
  void DoBeforeDelete() override;
  void DoBeforeInsert() override;

 private:
  void ReadParentObject();
  // In browse state a store's item holds only its element or REF: its record is read for a look.
  bool BrowsingElements();
  template <class F>
  auto WithElementRecord(F read) -> decltype(read(static_cast<const void*>(nullptr)));
  // Puts the object into the store of its kind (a new store when the kind changes).
  void UseObject(TOraArray* table, TOraRef* ref);
  void MarkParentChanged();

  TOraArray* table_ = nullptr;  // held by the store
  TOraRef* ref_ = nullptr;
};

}  // namespace ora
