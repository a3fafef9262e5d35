#pragma once
// TOCIRecordSet: the Oracle record store behind a query, the framework's record set bound to a
// TOCICommand. It executes the command (in the calling thread, or on a worker with the command's
// NonBlocking), describes the result columns into fields with the Oracle type map, keeps a 16-bit
// Oracle indicator per field as the records' NULL flags (-1 NULL) and DATE columns as the 7-byte
// Oracle DATE, creates the objects complex columns need in every record, and fetches rows:
//
// - array fetch: FetchRows rows in one client call straight into a block of record items (one
//   define per column, rows an item apart); texts, raw values and long texts kept outside the
//   record pass through a fetch buffer. UniDirectional reuses one block (memory stays flat).
// - row by row: scrollable cursors (a window of FetchRows rows; backward and absolute fetches;
//   bookmarks by position in the result), and the old interface's LONG columns.
// - LONG and LONG RAW columns arrive piece by piece into their blobs: through the handle
//   interface's dynamic define, or row by row through the old interface's piece calls.
// - FetchAll, AutoClose (unprepare once the last row is in), the fetch hook (which may cancel),
//   and the result cursor of a PL/SQL block (its first REF CURSOR parameter).
//
// Every count the client library reports (rows, lengths, callback rows) is checked against what
// was asked and the buffer that holds it before a record is built from it.
//
// Ownership: the record set owns its command (made by CreateCommand) and its rows; the connection
// outlives it. Threads: one owner thread; with NonBlocking one worker at a time executes or
// fetches all, serialised by the command lock, while the owner waits on the fetch event.
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "dataaccess/VtAccess.h"
#include "oracle/client/OciTypes.h"
#include "oracle/server/OraEvent.h"

namespace ora {

class TOCICommand;
class TOCIConnection;
class TOraCursor;
class TOraWorker;

inline constexpr int prAutoClose = 55;
inline constexpr int prDeferredLobRead = 61;

class TOCIRecordSet : public da::TVtRecordSet {
 public:
  TOCIRecordSet();
  ~TOCIRecordSet() override;

  void Open() override;
  std::unique_ptr<da::TVtCommand> CreateCommand() override;
  void SetCommand(std::unique_ptr<da::TVtCommand> command) override;
  void SetConnection(da::TVtConnection* connection) override;
  bool CanFetchBack() override;
  void ExecCommand() override;
  void ExecuteCommand() override;
  void FetchAllRows() override;
  bool SetProp(int id, const da::TPropValue& value) override;
  void Reopen() override;
  void InitFields() override;
  void FreeData() override;

  bool Fetch(bool fetchBack = false) override;
  bool GetEOF() const override;
  void SetToBegin() override;
  void SetToEnd() override;
  void GetBookmark(da::TRecBookmark& bookmark) override;
  void SetToBookmark(const da::TRecBookmark& bookmark) override;

  std::uint16_t FieldSize(da::TDataType type, std::uint16_t length) const override;
  bool GetNull(int fieldNo, const void* record) override;
  void SetNull(int fieldNo, void* record, bool value) override;
  da::Variant GetFieldAsVariant(int fieldNo, const void* record) override;
  void PutFieldAsVariant(int fieldNo, void* record, const da::Variant& value) override;
  void DateTimeToInternal(const void* source, void* dest, int format) const override;
  void InternalToDateTime(void* dest, const void* source, int format) const override;
  bool IsBlobFieldType(da::TDataType type) const override;
  bool IsComplexFieldType(da::TDataType type) const override;
  void CreateComplexFields(void* record, bool withBlobs) override;
  void FreeComplexFields(void* record, bool withBlobs) override;
  void CopyComplexFields(const void* source, void* dest, bool withBlobs) override;

  TOCICommand* GetOCICommand();
  TOraCursor* GetResultCursor() const { return resultCursor_; }

  bool AutoClose = false;
  bool DeferredLobRead = false;

  // Position bookkeeping of the rows held (see the fetching): rows of the result before the
  // first one held, the 1-based number of the last one held, whether the end was reached.
  std::int32_t RowsBefore() const { return countBefore_; }
  std::int32_t LastRowHeld() const { return lastRow_; }
  bool AllFetched() const { return allFetched_; }

 protected:
  void InternalPrepare() override;
  void InternalUnPrepare() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFields() override;
  int GetIndicatorSize() const override { return 2 * GetFieldCount(); }
  void GetField(const da::TFieldDesc& field, const void* record, void* dest, std::size_t destSize) override;

 private:
  // How a top-level column reaches its record.
  enum class TColumnKind : std::uint8_t {
    Direct,      // defined straight into the record
    HeapString,  // dtExtString: through the fetch buffer into the string heap
    HeapBytes,   // dtExtVarBytes: likewise, as length and bytes
    LongString,  // a long text kept as a memo: through the fetch buffer into one blob piece
    Long,        // LONG, LONG RAW: piecewise into the blob
    Object,      // object, collection or REF: the library writes the instance pointer
    Handle,      // cursor, LOB, file, timestamp, interval: the library writes through a handle
  };
  struct TColumn {
    int fieldNo = 0;
    int column = 0;
    TColumnKind kind = TColumnKind::Direct;
    std::uint32_t slot = 0;      // offset in a fetch-buffer row
    std::uint32_t slotSize = 0;
    OCIDefine* define = nullptr;  // its define handle in the current execution
  };

  void FindResultCursor();
  void FindCommandKind();
  void StartExecThread();
  void DoExecCommand();
  void EndExecCommand(bool succeeded);
  void FreeFetchBuffer();
  void UnPrepareAfterLastRow();
  void DropRows();
  // The define handles belong to one execution of the statement.
  void ForgetDefines();

  // Fetching (OraRecordSetFetch.cpp).
  bool FetchArray();
  bool FetchRow(bool fetchBack);
  bool FetchRowInto(bool fetchBack, ub2 orientation, sb4 offset);
  // The old interface's LONG columns of the row being fetched, piece by piece into their blobs;
  // the final status of the row.
  sword FetchLongPieces(std::uint8_t* record, ub2 orientation, sb4 offset);
  da::TBlockHeader* TakeBlock(bool& fresh);
  void PrepareRecord(std::uint8_t* record, std::uint8_t* slots);
  void DefineColumns(std::uint8_t* firstRecord, std::uint8_t* slots, ub4 recordSkip, ub4 slotSkip);
  void CompleteRecord(std::uint8_t* record, std::uint8_t* slots);
  // A LOB, file, timestamp or interval after its row arrived (isNull: the record's indicator).
  void CompleteHandle(const da::TFieldDesc& field, void* value, bool isNull);
  void LinkRowItem(da::TItemHeader* item, bool fetchBack);
  void RenumberWindow();
  std::int32_t PositionOf(da::TItemHeader* item) const;
  void FetchAllInThread();
  template <class F>
  auto FetchWithCallbacks(F fetch);
  static sb4 DefineCallback(void* context, OCIDefine* define, ub4 iteration, void** buffer, ub4** length,
                            ub1* piece, void** indicator, ub2** returnCode);
  sb4 OnDefinePiece(OCIDefine* define, ub4 iteration, void** buffer, ub4** length, ub1* piece, void** indicator);

  std::uint8_t* Record(da::TItemHeader* item) const;
  sb2* Indicator(void* record, int fieldNo) const;
  // Sets a record about to be fetched into to NULL in every column (its data zeroed first unless
  // PrepareRecord laid it out).
  void MarkRowNull(std::uint8_t* record, bool prepared);

  TOCICommand* command_ = nullptr;
  TOCIConnection* connection_ = nullptr;
  TOraCursor* resultCursor_ = nullptr;  // not counted: its owner (the command or a parameter) keeps it
  std::unique_ptr<TOraWorker> worker_;
  mutable TOraEvent fetchEvent_{true};
  bool deferExecThread_ = false;  // while Open runs: a background execution waits for its end
  bool execThreadDue_ = false;

  std::vector<TColumn> columns_;
  std::vector<std::uint8_t> fetchBuffer_;
  std::uint32_t fetchRowSize_ = 0;
  bool rowByRow_ = false;

  // The rows the running fetch fills: a block of the array fetch or the one item of a row fetch.
  da::TBlockHeader* fillingBlock_ = nullptr;
  da::TItemHeader* fillingItem_ = nullptr;
  std::uint32_t fillingRows_ = 0;
  std::exception_ptr callbackError_;  // raised by a define callback, reported after the fetch
  // The block UniDirectional reuses, and the buffers the defines point at now.
  da::TBlockHeader* reuseBlock_ = nullptr;
  const void* definedFor_ = nullptr;

  bool lastFetchBack_ = false;
  std::int32_t countBefore_ = 0;
  std::int32_t lastRow_ = 0;
  bool allFetched_ = false;
};

}  // namespace ora
