#pragma once
// TDataSet: the dataset base that the record-store dataset (TMemDataSet) builds on, in place of the
// platform's. It owns the dataset's state machine (inactive, browse, edit, insert and the internal
// states in which fields are read from another buffer), the cursor flags BOF and EOF, the field
// definitions and fields, the filter settings, and the events around every change of state, in the
// platform's order:
//   Open:   BeforeOpen, AfterOpen, AfterScroll        Close:  BeforeClose, AfterClose
//   Insert: BeforeInsert, BeforeScroll, OnNewRecord, AfterInsert, AfterScroll
//   Edit:   BeforeEdit, AfterEdit                     Post:   BeforePost, AfterPost
//   Cancel: BeforeCancel, AfterCancel
//   Delete: BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
//   moves (First, Next, Prior, Last, bookmarks, locate, find): BeforeScroll, AfterScroll
//   Refresh: BeforeRefresh, AfterRefresh (the cursor goes to the first record of the new rows)
// Each event is raised by a virtual Do... operation (DoBeforeInsert, DoAfterScroll, ...) that a
// subclass may override, calling the base to keep the event.
// OnStateChange follows every change of State. Every move that lands on a record computes its
// calculated and lookup fields (lookups first, then OnCalcFields) before AfterScroll; so does a
// change of a data field while editing when AutoCalcFields is set. A move in the edit or insert state posts a modified
// record and cancels an unmodified one first.
//
// Data events go to the dataset's data sources (DataSource.h): state changes, moves, changes of
// records and fields; while controls are disabled (DisableControls, counted) they are held back,
// and the last EnableControls sends one state change and one dataset change in their place. A
// move also sends deParentScroll to every open nested dataset (one whose DataSetField is a field
// of this dataset). A detail dataset names its master's source with GetDataSource.
//
// Where the rows live, and how a record is read, written, located and filtered, is the
// subclass's: the protected virtual operations below. Errors are EDatabaseError with the
// platform's texts. One thread at a time; events run on the caller's thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/BlobStream.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/Data.h"
#include "dataaccess/DataSource.h"
#include "dataaccess/Field.h"
#include "dataaccess/Variant.h"

namespace da {

enum TDataSetState : std::uint8_t {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue,
  dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

using TLocateOptions = std::uint8_t;
inline constexpr TLocateOptions loCaseInsensitive = 1;
inline constexpr TLocateOptions loPartialKey = 2;
using TFilterOptions = std::uint8_t;
inline constexpr TFilterOptions foCaseInsensitive = 1;
inline constexpr TFilterOptions foNoPartialCompare = 2;

using TBookmark = TRecBookmark;

// Field names of a list separated by ";", blanks trimmed, empty names dropped.
std::vector<std::string> SplitNames(std::string_view names);


class TDataSet {
 public:
  using TNotifyEvent = std::function<void(TDataSet&)>;
  using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

  TDataSet() = default;
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  TNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit, AfterEdit,
      BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll,
      BeforeRefresh, AfterRefresh, OnNewRecord, OnStateChange;
  // Fills the calculated fields of the record being calculated (State dsCalcFields): data fields
  // read that record, calculated fields are written into its calculated-fields area.
  TNotifyEvent OnCalcFields;
  bool AutoCalcFields = true;

  // Calculated and lookup fields, declared while the dataset is closed and made at every open
  // after the data fields. A lookup's key fields name fields of this dataset, its lookup key
  // fields and result field fields of lookupDataSet; at open an incomplete declaration raises
  // "Lookup information for field '%s' is incomplete" and a lookup into this dataset itself
  // "Circular datalinks are not allowed". "Cannot perform this operation on an open dataset".
  void AddCalculatedField(std::string name, TFieldType type, int size = 0);
  void AddLookupField(std::string name, TFieldType type, int size, TDataSet* lookupDataSet, std::string keyFields,
                      std::string lookupKeyFields, std::string lookupResultField);
  void ClearCalculatedFields();

  // ---- opening ----
  void Open();
  void Close();
  void SetActive(bool value) { value ? Open() : Close(); }
  bool Active() const { return state_ != dsInactive; }
  TDataSetState State() const { return state_; }

  // ---- navigation ----
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return bof_ && eof_; }
  // Block reading: a positive size puts an open dataset into the dsBlockRead state, in which a
  // scan reads data fields as usual but calculated fields are neither computed nor shown; 0 or
  // less goes back to browsing (the current record's calculated fields computed anew). A pending
  // edit or insert is posted (modified) or cancelled first. Closing resets the size to 0.
  // "Cannot perform this operation on a closed dataset" for a positive size on a closed dataset.
  int BlockReadSize() const { return blockReadSize_; }
  virtual void SetBlockReadSize(int value);
  virtual int RecordCount() = 0;
  virtual int RecNo() = 0;
  virtual void SetRecNo(int value) = 0;

  // Re-reads the rows (InternalRefresh) and goes to the first record; "Cannot perform this
  // operation on a closed dataset" when closed. A pending edit is posted or cancelled first.
  void Refresh();

  // ---- data sources and controls ----
  void DisableControls() { ++disableCount_; }
  // The last call sends what was held back: a state change when the state changed, and a dataset change.
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  // Sends a data event to the data sources (held back while controls are disabled).
  virtual void DataEvent(TDataEvent event, std::intptr_t info = 0);
  // The master's source of a detail dataset (nullptr here).
  virtual TDataSource* GetDataSource() const { return nullptr; }
  // Whether source leads to this dataset, directly or through the master chain: a master source
  // that does would make a circle.
  bool IsLinkedTo(const TDataSource* source) const;
  const std::vector<TDataSource*>& DataSources() const { return sources_; }

  // ---- nested datasets ----
  // The parent's field whose rows this dataset shows (nullptr for a dataset of its own). Setting
  // registers the dataset with the field's dataset, which then sends it deParentScroll.
  TDataSetField* DataSetField() const { return dataSetField_; }
  virtual void SetDataSetField(TDataSetField* field);
  const std::vector<TDataSet*>& NestedDataSets() const { return nested_; }

  // ---- object view ----
  // With ObjectView, object and array fields get child fields and the names of their object
  // types; with SparseArrays too, the elements of an array of objects get theirs. Set while closed.
  bool ObjectView = false;
  bool SparseArrays = false;

  // ---- changes ----
  void Insert() { BeginInsert(false); }
  void Append() { BeginInsert(true); }
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  bool ReadOnly = false;
  virtual bool CanModify() const { return !ReadOnly; }

  // ---- fields ----
  std::vector<TFieldDef>& FieldDefs() { return fieldDefs_; }
  // The class a field of the type is made of (TField; TDataSetField for ftDataSet). A driver's
  // dataset overrides it for its own field types.
  virtual TFieldClass GetFieldClass(TFieldType type) const;
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) { return *fields_.at(static_cast<std::size_t>(index)); }
  TField* FindField(std::string_view name);
  // EDatabaseError "Field '%s' not found" when missing.
  TField& FieldByName(std::string_view name);

  // Field data of the record the state selects (see ActiveRecord); false when NULL or when there
  // is no record. buffer may be nullptr to ask for NULL only; capacity bounds what is written.
  virtual bool GetFieldData(const TField& field, void* buffer, std::size_t capacity) = 0;
  virtual Variant GetFieldValue(const TField& field) = 0;
  virtual void SetFieldValue(TField& field, const Variant& value) = 0;
  // The record buffer the current state reads and writes (nullptr when there is none).
  virtual const void* ActiveRecord() const = 0;

  // ---- bookmarks ----
  virtual TBookmark GetBookmark() = 0;
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark& bookmark) = 0;
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) = 0;

  // ---- filter, find, locate, lookup ----
  const std::string& Filter() const { return filterText_; }
  void SetFilter(std::string text) { SetFilterData(std::move(text), filterOptions_); }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  void SetFilterOptions(TFilterOptions options) { SetFilterData(filterText_, options); }
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool value);
  const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
  void SetOnFilterRecord(TFilterRecordEvent handler);

  bool FindFirst() { return Find(true, true); }
  bool FindNext() { return Find(false, true); }
  bool FindPrior() { return Find(false, false); }
  bool FindLast() { return Find(true, false); }
  bool Found() const { return found_; }

  // keyFields are names separated by ";", one value each.
  bool Locate(std::string_view keyFields, const std::vector<Variant>& keyValues, TLocateOptions options);
  // Null unless a record matches; the current record stays. resultFields: names separated by ";";
  // several give a variant array of their values, indexed from 0.
  Variant Lookup(std::string_view keyFields, const std::vector<Variant>& keyValues, std::string_view resultFields);
  std::vector<Variant> LookupValues(std::string_view keyFields, const std::vector<Variant>& keyValues,
                                    std::string_view resultFields);

  // ---- blobs ----
  virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) = 0;
  virtual std::uint32_t ReadBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, void* dest) = 0;
  virtual void WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, const void* source) = 0;
  virtual void TruncateBlob(int fieldNo, void* record, std::uint32_t size) = 0;
  virtual std::uint32_t GetBlobSize(int fieldNo, void* record) = 0;

  // Called by a field after its value changed.
  virtual void FieldChanged(TField& field);

 protected:
  // The events, each raised by its operation (see the header comment).
  virtual void DoBeforeOpen() { Fire(BeforeOpen, *this); }
  virtual void DoAfterOpen() { Fire(AfterOpen, *this); }
  virtual void DoBeforeClose() { Fire(BeforeClose, *this); }
  virtual void DoAfterClose() { Fire(AfterClose, *this); }
  virtual void DoBeforeInsert() { Fire(BeforeInsert, *this); }
  virtual void DoAfterInsert() { Fire(AfterInsert, *this); }
  virtual void DoBeforeEdit() { Fire(BeforeEdit, *this); }
  virtual void DoAfterEdit() { Fire(AfterEdit, *this); }
  virtual void DoBeforePost() { Fire(BeforePost, *this); }
  virtual void DoAfterPost() { Fire(AfterPost, *this); }
  virtual void DoBeforeCancel() { Fire(BeforeCancel, *this); }
  virtual void DoAfterCancel() { Fire(AfterCancel, *this); }
  virtual void DoBeforeDelete() { Fire(BeforeDelete, *this); }
  virtual void DoAfterDelete() { Fire(AfterDelete, *this); }
  virtual void DoBeforeScroll() { Fire(BeforeScroll, *this); }
  virtual void DoAfterScroll() { Fire(AfterScroll, *this); }
  virtual void DoBeforeRefresh() { Fire(BeforeRefresh, *this); }
  virtual void DoAfterRefresh() { Fire(AfterRefresh, *this); }
  virtual void DoOnNewRecord() { Fire(OnNewRecord, *this); }
  // Re-reads the rows of an open dataset; the cursor is put on the first record afterwards.
  virtual void InternalRefresh() = 0;
  // Makes the fields from the definitions (at open); object view adds child fields.
  virtual void CreateFields();

  // Cursor: OpenCursor prepares the rows and fills FieldDefs; the base then makes the fields.
  virtual void OpenCursor() = 0;
  virtual void CloseCursor() = 0;
  // After the fields were made from the definitions at open (value ranges and the like).
  virtual void FieldsCreated() {}
  // Moves: false when there is no record in that direction; the cursor then stays where it was
  // (or, at the first or last move of an empty dataset, on no record).
  virtual bool InternalFirst() = 0;
  virtual bool InternalLast() = 0;
  virtual bool InternalNext() = 0;
  virtual bool InternalPrior() = 0;
  // Whether the cursor is on a record now (after a change by the subclass).
  virtual bool HasCurrentRecord() = 0;
  virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;

  virtual void InternalInsert(bool append) = 0;
  virtual void InternalEdit() = 0;
  virtual void InternalPost() = 0;
  virtual void InternalCancel() = 0;
  virtual void InternalDelete() = 0;

  // Filter settings changed (text, options, switch or event); the subclass applies them.
  virtual void FilterChanged(bool renumber) = 0;
  // Moves to the next record (forward) or the previous one that the filter settings accept, also
  // when the dataset is not filtered; from the first or last when restarting. False: not moved.
  virtual bool FindRecord(bool restart, bool goForward) = 0;
  virtual bool LocateRecord(std::string_view keyFields, const std::vector<Variant>& keyValues,
                            TLocateOptions options) = 0;
  virtual bool LookupRecord(std::string_view keyFields, const std::vector<Variant>& keyValues,
                            std::string_view resultFields, std::vector<Variant>& values) = 0;

  void SetState(TDataSetState state);
  // An internal state for reading another buffer (filter, calculated fields, old values): no events,
  // the modified flag kept. Returns the state to restore with RestoreState.
  TDataSetState SetTempState(TDataSetState state) {
    const TDataSetState old = state_;
    state_ = state;
    return old;
  }
  void RestoreState(TDataSetState state) { state_ = state; }
  void DestroyFields() {
    fields_.clear();
    calcFieldCount_ = 0;
  }
  // Goes to the first record after the rows changed under the cursor (open, filter, refresh).
  void MoveToFirst();
  // Re-reads BOF/EOF after a change moved the cursor (and the calculated fields of the record).
  void Resync();
  // The cursor landed on another record (or none): its calculated fields are computed anew.
  void RecordMoved() {
    if (calcFieldCount_ != 0 && state_ != dsBlockRead) CalculateCurrent();
  }
  // Computes the calculated and lookup fields of record into area: lookups first, then
  // OnCalcFields, all in the dsCalcFields state with record as the record being calculated.
  void CalculateFields(const void* record, std::vector<Variant>& area);
  // While alive, the dataset is in the dsCalcFields state reading record and area.
  class CalcScope {
   public:
    CalcScope(TDataSet& dataSet, const void* record, std::vector<Variant>& area);
    ~CalcScope();
    CalcScope(const CalcScope&) = delete;
    CalcScope& operator=(const CalcScope&) = delete;

   private:
    TDataSet& dataSet_;
    TDataSetState state_;
    const void* record_;
    std::vector<Variant>* area_;
  };
  // A calculated or lookup field's value in the area the state selects (browse, edit and insert:
  // the current record's; dsCalcFields: the record being calculated; otherwise none: Null).
  Variant GetCalcValue(const TField& field) const;
  // Writes a calculated field of the area the state selects, converted to the field's type.
  void SetCalcValue(const TField& field, const Variant& value);
  int CalcFieldCount() const { return calcFieldCount_; }
  // The record the dsCalcFields state reads data fields from.
  const void* calcRecord_ = nullptr;
  std::vector<Variant> spareCalc_;  // the calculated fields of a lookup's record
  static void Fire(const TNotifyEvent& event, TDataSet& self) {
    if (event) event(self);
  }
  [[noreturn]] static void DatabaseError(const std::string& text) { throw EDatabaseError(text); }

  bool bof_ = true;
  bool eof_ = true;
  bool filtered_ = false;
  std::string filterText_;
  TFilterOptions filterOptions_ = 0;
  TFilterRecordEvent onFilterRecord_;

 private:
  void BeginInsert(bool append);
  void SetFilterData(std::string text, TFilterOptions options);
  bool Find(bool restart, bool goForward);
  void CheckActive() const;
  void CheckInactive() const;
  void CalculateCurrent();
  void CalcLookupValue(const TField& field, std::vector<Variant>& area);
  void AddChildFields(TField& field, const TFieldDef& def);
  friend class TDataSource;
  void AddDataSource(TDataSource* source) { sources_.push_back(source); }
  void RemoveDataSource(TDataSource* source);
  // After a move: deDataSetScroll (distance) or deDataSetChange (0), then deParentScroll to the nested.
  void Scrolled(TDataEvent event, int distance = 0);

  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool found_ = false;
  int blockReadSize_ = 0;
  std::vector<TFieldDef> fieldDefs_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<TFieldDef> calcDefs_;
  int calcFieldCount_ = 0;
  std::vector<Variant> activeCalc_;  // the current record's calculated fields
  std::vector<Variant>* calcTarget_ = nullptr;
  int disableCount_ = 0;
  bool pendingChange_ = false;          // a data event held back while controls were disabled
  bool pendingState_ = false;           // a state change held back
  std::vector<TDataSource*> sources_;
  TDataSetField* dataSetField_ = nullptr;
  std::vector<TDataSet*> nested_;
};

}  // namespace da
