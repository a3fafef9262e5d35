#pragma once
// TData: the abstract record store. It owns the field descriptors and its string heap, lays out a
// record buffer from the descriptors (each field at its Offset, then the NULL indicators: one byte
// a field here), reads and writes typed field values and variants in a record buffer, keeps the
// complex values of a record (blobs, variants, heap strings) alive, and parses and evaluates the
// filter expression. Navigation, record storage, bookmarks and cached updates are virtual:
// TMemData keeps the rows in memory, server record sets fill it by fetching.
//
// A store with records of its own form overrides FieldSize, GetIndicatorSize, GetNull, SetNull
// and the two date conversions: every NULL flag and every date of a record is read and written
// through them (also by blob writes, variants, filters and locate).
//
// Value formats of GetFieldByNo / PutFieldByNo are the dataset's buffer formats: strings
// NUL-terminated, dates as time-stamp forms (see DateTimeToInternal), references as pointers.
//
// Ownership: a record buffer owns the references it holds; they are given up by FreeComplexFields,
// never by freeing the objects directly. Buffers come from AllocRecBuf and go back by FreeRecBuf.
// One store is used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/DataTypes.h"
#include "dataaccess/FieldDesc.h"
#include "dataaccess/StringHeap.h"
#include "dataaccess/Variant.h"

namespace da {

class TBlob;
class TSharedObject;
class TFilterExpression;

// Update statuses of cached updates, and the bit of each in an item-type set.
enum TItemStatus : std::uint8_t { isUnmodified = 0, isUpdated = 1, isAppended = 2, isDeleted = 3 };
using TItemTypes = std::uint8_t;
constexpr TItemTypes ItemTypeBit(TItemStatus s) { return static_cast<TItemTypes>(1u << s); }

enum TUpdateKind : std::uint8_t { ukModify = 0, ukInsert = 1, ukDelete = 2 };
// 5 means "not applied".
enum TUpdateAction : std::uint8_t { uaFail = 0, uaAbort = 1, uaSkip = 2, uaRetry = 3, uaApplied = 4, uaNone = 5 };

// A position that survives navigation. Item and Serial are meaningful only to the store that made
// it, and only while RefreshStamp is that store's; Order is the record number (-1 for none).
struct TRecBookmark {
  std::int32_t RefreshStamp = 0;
  void* Item = nullptr;
  std::int32_t Order = -1;
  std::uint32_t Serial = 0;
};

// Date forms of the dataset buffer (DateTimeToInternal / InternalToDateTime).
enum TDateFormat : int {
  dfTimeStampMSecs = 0,  // double: time-stamp days x 86400000 + milliseconds
  dfDayNumber = 1,       // double: the stored day number
  dfTime = 2,            // int32: milliseconds since midnight
  dfDate = 3,            // int32: days since 0001-01-01, that day being 1
};

class TData {
 public:
  TData();
  virtual ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  // ---- state ----
  TFieldDescs Fields;
  bool AutoInitFields = true;
  bool TrimFixedChar = false;
  bool KeepEmptyStrings = false;
  bool FilterCaseInsensitive = false;
  bool FilterNoPartialCompare = false;
  // Record filter of the owner, beside the filter expression; true keeps the record.
  std::function<bool(const void* record)> FilterFunc;
  std::function<void()> OnAppend, OnDelete, OnUpdate;
  std::function<void(TUpdateKind, TUpdateAction&)> OnApplyRecord;

  TStringHeap& StringHeap() { return *stringHeap_; }
  std::uint32_t RecordSize() const { return recordSize_; }
  std::uint32_t DataSize() const { return dataSize_; }
  bool Active() const { return active_; }
  bool Prepared() const { return prepared_; }
  bool HasComplexFields() const { return hasComplexFields_; }
  bool CachedUpdates() const { return cachedUpdates_; }
  TItemTypes FilterItemTypes() const { return filterItemTypes_; }
  std::int32_t RecNoOffset() const { return recNoOffset_; }

  // ---- lifecycle ----
  virtual void Open();
  virtual void Close();
  virtual void Prepare();
  virtual void UnPrepare();
  virtual void Reopen();
  virtual void InitFields();
  virtual void InitData();
  virtual void FreeData();

  // ---- fields ----
  int GetFieldCount() const { return Fields.Count(); }
  TFieldDesc* FindField(std::string_view name) const { return Fields.FindField(name); }
  TFieldDesc& FieldByName(std::string_view name) const { return Fields.FieldByName(name); }
  TFieldDesc& FieldAt(int fieldNo) const;  // 1-based; assertion outside 1 .. count
  // Bytes a top-level field of the type takes in the record.
  static std::uint16_t FieldSizeOf(TDataType type, std::uint16_t length);
  // Bytes a top-level field of the type takes in this store's records (FieldSizeOf unless the
  // store keeps a type in its own form, as a 7-byte date).
  virtual std::uint16_t FieldSize(TDataType type, std::uint16_t length) const { return FieldSizeOf(type, length); }
  // Appends a top-level descriptor with its Size from FieldSize (for stores whose owner describes
  // the fields itself, with AutoInitFields off); call InitFields afterwards.
  TFieldDesc& AddField(std::string name, TDataType type, std::uint16_t length = 0, bool required = false);
  // Adds the child descriptors of an object, REF, array or table descriptor (depth first).
  void InitObjectFields(TObjectType* type, TFieldDesc* parent);

  bool HasFields(std::initializer_list<TDataType> types) const;
  bool HasBlobFields() const;
  virtual bool IsBlobFieldType(TDataType type) const;
  virtual bool IsComplexFieldType(TDataType type) const;

  // Typed access. destSize is the destination's capacity in bytes. 0 means the field's own value
  // size (ValueSize) for the types kept in the record, and the whole value for the heap types
  // (dtExtString: up to twice its length plus one with line-end conversion). A read never
  // writes beyond a capacity given.
  void GetFieldByNo(int fieldNo, const void* record, bool& isBlank, void* dest = nullptr, std::size_t destSize = 0);
  // A nullptr source makes the field NULL; so does an empty dtString or dtWideString text unless
  // KeepEmptyStrings is on.
  void PutFieldByNo(int fieldNo, void* record, const void* source);
  // The dataset's write of a value: PutFieldAsVariant under the rules of PutFieldByNo (an empty
  // text into a dtString or dtWideString field makes it NULL unless KeepEmptyStrings is on).
  void PutFieldValue(int fieldNo, void* record, const Variant& value);
  // Bytes GetFieldByNo writes for a field kept in the record with destSize 0.
  std::size_t ValueSize(const TFieldDesc& field) const;

  virtual bool GetNull(int fieldNo, const void* record);
  virtual void SetNull(int fieldNo, void* record, bool value);
  virtual Variant GetFieldAsVariant(int fieldNo, const void* record);
  virtual void PutFieldAsVariant(int fieldNo, void* record, const Variant& value);
  // The value object (a LOB, timestamp, ...) an attribute field of the record's object holds, for
  // stores whose objects keep such values; nullptr otherwise.
  virtual TSharedObject* ChildValueObject(int fieldNo, const void* record) {
    (void)fieldNo, (void)record;
    return nullptr;
  }

  // Every read and write of a date, time or date-time field goes through these two, so that a
  // store may keep its own date form (the Oracle DATE) in its records.
  virtual void DateTimeToInternal(const void* source, void* dest, int format) const;
  virtual void InternalToDateTime(void* dest, const void* source, int format) const;

  // ---- record buffers and complex values ----
  std::uint8_t* AllocRecBuf() const;
  static void FreeRecBuf(std::uint8_t* record);
  void InitRecord(void* record);
  void EditRecord(void* record);
  void PostRecord(void* record);
  // Ends cached mode on the record's blobs, keeping their values (after the record was stored).
  void CommitBlobs(void* record);
  virtual void CancelRecord(void* record);
  // Create, free and copy handle the framework's own complex types only (dtBlob, dtMemo,
  // dtVariant and the heap types): a store that adds types to its blob or complex set creates,
  // frees and copies their values in its overrides and calls these for the rest; it closes
  // itself in its own destructor, since the base's close there no longer reaches the overrides.
  // AddRef takes a reference on every complex value, the subclass's shared objects included.
  virtual void CreateComplexFields(void* record, bool withBlobs);
  virtual void FreeComplexFields(void* record, bool withBlobs);
  virtual void CopyComplexFields(const void* source, void* dest, bool withBlobs);
  virtual void AddRefComplexFields(void* record);
  TBlob* GetBlob(int fieldNo, const void* record) const;
  virtual std::uint32_t ReadBlob(int fieldNo, const void* record, std::uint32_t position, std::uint32_t count,
                                 void* dest);
  // Both switch the blob to cached mode first, so that the change can be cancelled with the record.
  virtual void WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count, const void* source);
  virtual void TruncateBlob(int fieldNo, void* record, std::uint32_t size);
  virtual std::uint32_t GetBlobSize(int fieldNo, const void* record);

  // ---- navigation and records (TMemData and the server stores) ----
  virtual bool GetEOF() const { return eof_; }
  virtual bool GetBOF() const { return bof_; }
  virtual std::int32_t GetRecordCount() const { return -1; }
  virtual std::int32_t GetRecNo() const { return -1; }
  virtual void SetRecNo(std::int32_t) {}
  virtual void SetToBegin();
  virtual void SetToEnd();
  virtual void GetRecord(void* record) = 0;
  virtual void GetNextRecord(void* record) = 0;
  virtual void GetPriorRecord(void* record) = 0;
  virtual void PutRecord(const void* record) = 0;
  virtual void AppendRecord(const void* record) = 0;
  virtual void InsertRecord(const void* record) = 0;
  virtual void UpdateRecord(const void* record) = 0;
  virtual void DeleteRecord() = 0;

  virtual void GetBookmark(TRecBookmark& bookmark);
  virtual void SetToBookmark(const TRecBookmark& bookmark);
  virtual bool BookmarkValid(const TRecBookmark* bookmark) const;
  virtual int CompareBookmarks(const TRecBookmark* first, const TRecBookmark* second) const;

  // ---- cached updates ----
  virtual void SetCachedUpdates(bool value) { cachedUpdates_ = value; }
  virtual void SetFilterItemTypes(TItemTypes value) { filterItemTypes_ = value; }
  virtual TItemStatus GetUpdateStatus() const { return isUnmodified; }
  virtual TUpdateAction GetUpdateResult() const { return uaNone; }
  virtual bool GetUpdatesPending() const { return false; }
  // Buffers of the owner through which ApplyUpdates hands each change to OnApplyRecord.
  virtual void SetCacheRecBuf(void* newBuf, void* oldBuf) { (void)newBuf, (void)oldBuf; }
  virtual void ApplyUpdates() {}
  virtual void CommitUpdates() {}
  virtual void CancelUpdates() {}
  virtual void RestoreUpdates() {}
  virtual void RevertRecord() {}
  virtual void GetOldRecord(void* record) { (void)record; }
  virtual void DoApplyRecord(TUpdateKind kind, TUpdateAction& action);

  // ---- filter ----
  const std::string& FilterText() const { return filterText_; }
  // Parses the text at once when the store is open, else when it opens.
  void SetFilterText(std::string text);
  void ParseFilter(std::string_view text);
  void FreeFilter();
  bool IsFiltered() const { return static_cast<bool>(FilterFunc) || filter_ != nullptr; }
  // Whether the parsed expression holds for the record (true without an expression).
  bool EvalFilter(const void* record);
  // The store re-applies its filter (counts and numbering); nothing in the base.
  virtual void FilterUpdated() {}

 protected:
  virtual void InternalPrepare() {}
  virtual void InternalUnPrepare() {}
  virtual void InternalOpen() {}
  virtual void InternalClose() {}
  virtual void InternalInitFields() {}
  virtual int GetIndicatorSize() const { return GetFieldCount(); }
  virtual bool GetConvertEOL() const { return false; }
  // The record about to be inserted (not yet stored); false refuses the insertion.
  virtual bool InternalAppend(const void* record);
  virtual void InternalDelete();
  virtual void InternalUpdate();

  virtual void GetField(const TFieldDesc& field, const void* record, void* dest, std::size_t destSize);
  virtual void PutField(const TFieldDesc& field, void* record, const void* source);
  void GetChildField(const TFieldDesc& field, const void* record, void* dest, bool& isBlank);
  void PutChildField(const TFieldDesc& field, void* record, const void* source);
  std::string ChildPath(const TFieldDesc& field) const;
  const TFieldDesc& RootField(const TFieldDesc& field) const;

  void MakeUniqueNames();

  bool bof_ = true;
  bool eof_ = true;
  std::int32_t recordCount_ = 0;
  std::int32_t recNoOffset_ = 0;
  bool cachedUpdates_ = false;
  TItemTypes filterItemTypes_ = 0;
  std::unique_ptr<TFilterExpression> filter_;

 private:
  std::unique_ptr<TStringHeap> stringHeap_;
  std::uint32_t recordSize_ = 0;
  std::uint32_t dataSize_ = 0;
  bool active_ = false;
  bool prepared_ = false;
  bool hasComplexFields_ = false;
  std::string filterText_;
};

// Module services: hooks around long operations and the application's name; unset by default.
extern void (*StartWaitProc)();
extern void (*StopWaitProc)();
extern std::string (*GetAppNameProc)();
// A new value of the process-wide refresh counter (starts at 1), drawn each time a store resets its data.
std::int32_t NextRefreshStamp();
void StartWait();
void StopWait();
std::string GetAppName();

}  // namespace da
