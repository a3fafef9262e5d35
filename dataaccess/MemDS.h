#pragma once
// TMemDataSet: the dataset over a record store. It keeps no rows of its own: it owns a store
// (a TMemData unless a subclass makes its server record set in CreateIRecordSet) and maps every
// dataset operation onto it: field definitions from the store's descriptors, reads and writes of
// the current record, bookmarks, navigation, insert/edit/post/cancel/delete, filtering by text or
// event, find, locate and lookup through a TRecordLocator, blob streams, refresh and cached updates.
//
// Two-phase creation: the store is made after construction, when it is first needed (Data(),
// opening, preparing), through the virtual CreateIRecordSet, which hands it to the virtual
// SetIRecordSet; a subclass's overrides are reached. A subclass's constructor may also hand its
// store to SetIRecordSet itself.
//
// In the browse state fields are read from the store's record in place; an edit or insert works
// on a buffer of the dataset's own until it is posted or cancelled. Blob and memo fields are
// written through the blob's cached mode, so that Cancel and the store's CancelUpdates undo them.
// The store's change hooks call PerformAppend, PerformUpdate and PerformDelete (nothing here; the
// SQL dataset runs statements) unless LocalUpdate is set. Cached updates are applied through
// OnUpdateRecord / OnUpdateError.
//
// Ownership: the dataset owns the store and every buffer. One thread at a time.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "dataaccess/DataSet.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordLocator.h"

namespace da {

// The application's exception handler, used by InternalHandleException when set (otherwise the
// error is shown in an error box). Set once at start-up.
extern void (*HandleExceptionProc)(const std::exception& error);

class TMemDataSet : public TDataSet {
 public:
  using TUpdateRecordEvent = std::function<void(TDataSet&, TUpdateKind, TUpdateAction&)>;
  using TUpdateErrorEvent = std::function<void(TDataSet&, const EDatabaseError&, TUpdateKind, TUpdateAction&)>;

  TMemDataSet();
  ~TMemDataSet() override;

  // The store, made through CreateIRecordSet when there is none yet.
  TMemData& Data() {
    if (!data_) MakeRecordSet();
    return *data_;
  }

  bool CachedUpdates() const { return cachedUpdates_; }
  // "Cannot perform this operation on an open dataset" while open.
  void SetCachedUpdates(bool value);
  bool LocalUpdate = false;
  bool LocalConstraints = true;
  TUpdateRecordEvent OnUpdateRecord;
  TUpdateErrorEvent OnUpdateError;
  void Assign(const TMemDataSet& source);

  // Cached updates of the store, driven from the dataset: the apply lends the store two buffers
  // and hands each change to the apply-record hook.
  void ApplyUpdates();
  void CommitUpdates();
  void CancelUpdates();
  TItemStatus UpdateStatus();

  virtual void Prepare();
  virtual void UnPrepare();
  // Brings FieldDefs up to date; a closed store describes its fields (TData::InitFields) first.
  void InitFieldDefs();
  // Shows the exception being handled (call inside a catch): the application's handler when one
  // is installed, else an error box; the silent abort shows nothing.
  virtual void InternalHandleException();

  int RecordCount() override;
  int RecNo() override;
  void SetRecNo(int value) override;

  bool GetFieldData(const TField& field, void* buffer, std::size_t capacity) override;
  Variant GetFieldValue(const TField& field) override;
  void SetFieldValue(TField& field, const Variant& value) override;
  const void* ActiveRecord() const override;

  TBookmark GetBookmark() override;
  bool BookmarkValid(const TBookmark& bookmark) override { return Data().BookmarkValid(&bookmark); }
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override { return Data().CompareBookmarks(&a, &b); }

  // Locate with the store's options (lxCaseInsensitive, lxPartialKey, ...).
  bool LocateEx(std::string_view keyFields, const std::vector<Variant>& keyValues, bool restorePosition,
                TLocateExOptions options);

  std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
  std::uint32_t ReadBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, void* dest) override;
  void WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, const void* source) override;
  void TruncateBlob(int fieldNo, void* record, std::uint32_t size) override;
  std::uint32_t GetBlobSize(int fieldNo, void* record) override;

 protected:
  virtual void CreateIRecordSet();
  // Keeps the store (nullptr drops it), passes CachedUpdates and points its hooks at this dataset.
  virtual void SetIRecordSet(std::unique_ptr<TMemData> data);
  TMemData* DataOrNull() const { return data_.get(); }
  virtual void CreateFieldDefsFromData();
  virtual TFieldType GetFieldType(TDataType dataType) { return DataTypeToFieldType(dataType); }
  // Integer and float fields get the value range of their store descriptor's precision and scale.
  virtual void SetNumberRange(const TFieldDef& def);
  void FieldsCreated() override;
  // Set by a subclass: give numeric fields their value range at open.
  bool NumberRange = false;
  // Set by a subclass before opening: the spare buffer (old values, the record a lookup reads)
  // holds its own references on the complex values it shows, so that they outlive a change of
  // the stored record while the buffer is read. Browsing reads stored records in place and needs none.
  bool BufferRefs = false;
  // Applies the record being posted: in the edit state the update hook, otherwise the append hook
  // (both honour LocalUpdate). The kind and action are for overrides.
  virtual void DoApplyRecord(TUpdateKind kind, TUpdateAction& action);
  // Frees the values the spare buffer holds and reopens the store (TData::Reopen).
  void InternalRefresh() override;
  // Object view: object and array fields take their store descriptor's object type name.
  void BindObjectTypes(TField& field);
  // Each reports whether it wrote the change (the SQL dataset's statement ran); nothing here.
  virtual bool PerformAppend() { return false; }
  virtual bool PerformDelete() { return false; }
  virtual bool PerformUpdate() { return false; }
  // The locate steps, by default the store's own (see TRecordLocator).
  virtual bool FieldToBuffer(const Variant& value, std::vector<std::uint8_t>& buffer, const TFieldDesc& field,
                             TDataType& bufferType);
  virtual bool CompareFieldValue(const void* key, TDataType keyType, TLocateExOptions options, const void* record,
                                 const TFieldDesc& field);

  void OpenCursor() override;
  void CloseCursor() override;
  bool InternalFirst() override;
  bool InternalLast() override;
  bool InternalNext() override;
  bool InternalPrior() override;
  bool HasCurrentRecord() override { return Data().CurrentRecordPtr() != nullptr; }
  // A record the filter hides since the bookmark was taken: the next one shown becomes current.
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  void InternalInsert(bool append) override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void FilterChanged(bool renumber) override;
  bool FindRecord(bool restart, bool goForward) override;
  bool LocateRecord(std::string_view keyFields, const std::vector<Variant>& keyValues,
                    TLocateOptions options) override;
  bool LookupRecord(std::string_view keyFields, const std::vector<Variant>& keyValues, std::string_view resultFields,
                    std::vector<Variant>& values) override;

 private:
  class Locator;
  void ActivateFilters();
  void InstallFilters(bool forSearch);
  void DeactivateFilters();
  void FreeEditBuffer();
  // Refills the spare buffer: drops the references it holds, fills it, takes new ones (BufferRefs).
  template <typename Fill>
  void FillSpare(Fill fill);
  void DropSpareRefs();
  // Child definitions of an object (one per attribute) or array definition (one per element,
  // named "0", "1", ..., at most kMaxArrayChildDefs), recursively; path holds the types above.
  void AddChildDefs(TFieldDef& def, const TObjectType* type, const std::string& actualName,
                    std::vector<const TObjectType*>& path);
  // A blob or memo field of the edit or insert buffer: the value replaces the blob's in cached mode.
  void WriteBlobValue(int fieldNo, void* record, const Variant& value);
  static constexpr int kMaxArrayChildDefs = 100;
  void ApplyRecordHook(TUpdateKind kind, TUpdateAction& action);
  void MakeRecordSet();

  std::unique_ptr<TMemData> data_;
  std::unique_ptr<Locator> locator_;
  bool cachedUpdates_ = false;
  bool insertPending_ = false;
  bool editPending_ = false;
  bool appending_ = false;
  std::uint8_t* editBuffer_ = nullptr;   // the edit or insert record
  std::uint8_t* spareBuffer_ = nullptr;  // old values; the record a lookup reads
  std::uint8_t* applyNew_ = nullptr;     // lent to the store during ApplyUpdates
  std::uint8_t* applyOld_ = nullptr;
  const void* filterRecord_ = nullptr;
  bool applying_ = false;
  bool spareRefs_ = false;  // the spare buffer holds references on its complex values
};

}  // namespace da
