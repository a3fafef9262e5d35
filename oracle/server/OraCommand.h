#pragma once
// TOCICommand: the Oracle implementation of the framework's server command: one SQL text with
// its parameter descriptions (TOraParamDesc), prepared, bound and executed on the server cursor
// of a TOraCursor in the connection's command call style. The connection's internal command, the
// SQL component and the record set each own one.
//
// What it does: the cursor states; prepare (line breaks of the text made single line feeds, the
// parse-error offset mapped back to the text as set); the parameter scan (":name" outside
// strings and comments, names compared without regard to case, up to a TRIGGER keyword);
// execution in the calling thread or, with NonBlocking, on a worker thread (OraWorker.h), in the
// modes default, scrollable, describe only and commit on success; automatic commit; the ROWID of
// the last changed row (OraRowId.h); the SQL function code (fc* below).
//
// Binding (OraBinding.cpp), by name, or by position for a parameter without a name: texts,
// numbers, dates, raw values and cursors from the parameter's buffer, as PL/SQL tables and as
// DML arrays; LONG and LONG RAW values (dtMemo, dtBlob: a TBlob bound with SetObject) in pieces
// during the execution, through the bind callbacks or the piece information calls (the old
// interface's statuses -3129 and -3130 included); LOBs and files (TOraLob, TOraFile: the content
// of an input LOB is written after the execution, an output LOB read, before the commit);
// timestamps and intervals (TOraTimeStamp, TOraInterval). Object types raise "Data type is not
// supported." until the object layer binds them.
//
// Threads: the command lock (taken only while NonBlocking is on) serialises a background
// execution against the thread that owns the command; client-library calls go through the
// connection's LockedCall.
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "dataaccess/FieldDesc.h"
#include "dataaccess/VtAccess.h"
#include "oracle/client/OciTypes.h"
#include "oracle/server/OraCursor.h"
#include "oracle/server/OraParamDesc.h"

namespace da {
class TBlob;
}

namespace ora {

class TOCIConnection;
class TOraWorker;

// SQL function codes, in the numbering of the old interface.
inline constexpr std::uint16_t fcInsert = 3;
inline constexpr std::uint16_t fcSelect = 4;
inline constexpr std::uint16_t fcUpdate = 5;
inline constexpr std::uint16_t fcDelete = 9;
inline constexpr std::uint16_t fcExplain = 27;
inline constexpr std::uint16_t fcPLSQL = 34;

// How the library writes one column of a row: external type, bytes of room, where the value
// starts in the buffer (after a 16-bit length the library fills, for raw values), and whether it
// is an object or REF (the buffer then holds the addresses the library writes through).
struct TDefineForm {
  ub2 sqlType = 0;
  sb4 size = 0;
  ub4 valueOffset = 0;
  bool lengthPrefix = false;
  bool object = false;
};

class TOCICommand : public da::TVtCommand {
 public:
  TOCICommand();
  ~TOCICommand() override;
  TOCICommand(const TOCICommand&) = delete;
  TOCICommand& operator=(const TOCICommand&) = delete;

  void Prepare() override;
  void Unprepare() override;
  bool GetPrepared() override { return GetCursorState() >= csPrepared; }
  void Execute(int iterations = 1) override;
  void SetConnection(da::TVtConnection* connection) override;
  void SetSQL(const std::string& text) override;
  int GetCursorState() override { return cursor_->GetState(); }
  void SetCursorState(int state) override;
  da::TParamDesc* AddParam() override;
  bool SetProp(int id, const da::TPropValue& value) override;
  bool GetProp(int id, da::TPropValue& value) override;

  void BreakExec();
  TOraCursor* GetCursor() const { return cursor_; }
  // Switches to another cursor (a REF CURSOR's): the command takes a reference to it.
  void SetCursor(TOraCursor* cursor);
  bool IsOwnCursor() const { return cursor_ == ownCursor_; }
  bool ReturnsRows() const;
  TOraParamDesc* GetOraParam(int index) const { return static_cast<TOraParamDesc*>(GetParam(index)); }
  TOCIConnection* GetOCIConnection() const { return connection_; }

  void CheckSession();  // "Session is not defined" / "Session is not connected"
  void CheckActive();   // "Cursor must be opened" while csInactive
  void CheckOCI();
  void CheckOCI73();
  void CheckOCI80();
  void Check(sword status);

  // The external type (SQLT) of a data type in the command's call style; "Data type is not
  // supported." for a combination the call style does not have.
  ub2 GetSQLType(da::TDataType type, bool asString) const;
  void ParseSQL();
  // The ROWID text of the last changed row (extended, restricted or logical form); empty while
  // inactive and when the statement changed no row.
  std::string GetRowId();
  std::uint8_t GetCallStyle() const { return callStyle_; }
  std::uint16_t GetSQLFunctionCode() const { return sqlFunctionCode_; }
  std::int32_t GetRowsProcessed() const { return rowsProcessed_; }
  std::int32_t RowsFetched = 0;  // written by the record set's fetch

  void Lock();
  void Unlock();

  // ---- describe, define and fetch: the record set's side of the command (OraCommandFetch.cpp) ----
  // Describes result column `column` (1-based) of the current cursor into field (name, type,
  // length, scale, size in the record, nullability); false when the result has no such column.
  // flat: texts and raw values of 32 bytes or more stay in the record; longStrings: texts of 256
  // bytes or more stay strings rather than memos. "Data type is not supported." for other types.
  bool DescribeField(int column, da::TFieldDesc& field, bool flat, bool longStrings);
  // Defines column `column` into buffer (its form by the field's type, see DefineFormOf) with its
  // indicator; the array form for rows bufferSkip and indicatorSkip bytes apart. handle, when
  // given, keeps the column's define handle: nullptr asks for a new one, a handle of the same
  // execution is defined again (so that defining each fetch does not pile handles up).
  void DefineField(int column, const da::TFieldDesc& field, void* buffer, sb2* indicator,
                   OCIDefine** handle = nullptr);
  void DefineArrayField(int column, const da::TFieldDesc& field, void* buffer, sb2* indicator, ub4 bufferSkip,
                        ub4 indicatorSkip, OCIDefine** handle = nullptr);
  // A LONG or LONG RAW column in pieces. The handle interface's dynamic define: callback(context,
  // ...) is asked for a buffer per row and piece, naming the define handle kept in handle. The old
  // interface: the row fetch asks for each piece (FetchPiece gives OCI_NEED_DATA), GetPieceInfo
  // hands back context as the handle, SetPieceInfo takes the buffer; the indicator is written
  // at indicator.
  void DefinePiecewise(int column, const da::TFieldDesc& field, void* context, OCICallbackDefine callback,
                       OCIDefine** handle, sb2* indicator = nullptr);
  // Fetches up to rows rows (orientation OCI_FETCH_NEXT, _LAST or _ABSOLUTE at offset) and returns
  // how many rows this call added; RowsFetched follows the library's row count, which is checked
  // against the rows asked. The end of the rows finishes a cursor that is not scrollable.
  int Fetch(int rows, ub2 orientation, sb4 offset);
  // One row: OCI_SUCCESS a row, OCI_NO_DATA the end, OCI_NEED_DATA a LONG piece is wanted.
  sword FetchPiece(ub2 orientation, sb4 offset);
  void FinishFetch();
  TDefineForm DefineFormOf(const da::TFieldDesc& field) const;

  // For the record set, which executes, describes and fetches through the command:
  // one execution call in a mode (OCI_DEFAULT, OCI_STMT_SCROLLABLE_READONLY, OCI_DESCRIBE_ONLY,
  // OCI_COMMIT_ON_SUCCESS; the old interface executes in the default mode only), returning the
  // status (0; OCI_NEED_DATA; the old interface's -3129, -3130 and -3123 as they come);
  sword Exec(ub4 mode);
  // every parameter bound, in list order (state csBound);
  void BindParams();
  // the execution with its LONG pieces, LOB parameters and commit.
  void InternalExecute();

  // One piece exchange of the running statement (handle, direction, iteration, index and piece
  // code; the old interface gives the context of its piecewise define or bind, if any, as the handle
  // and an unknown direction), under the connection lock.
  void GetPieceInfo(void*& handle, ub1& direction, ub4& iteration, ub4& index, ub1& piece);
  void SetPieceInfo(void* handle, void* buffer, ub4& length, ub1 piece);

  bool ParamCheck = true;
  bool NonBlocking = false;
  bool FieldsAsString = false;
  bool CacheLobs = true;
  bool FetchRowId = false;
  std::string RowId;

 private:
  void DoExecute();
  void EndExecute(bool succeeded);
  void BindParam(TOraParamDesc* param);
  // After a fetch: the end of the rows finishes a cursor that is not scrollable, else fetching.
  void MarkFetched(bool end);
  std::uint16_t MappedErrorOffset() const;

  // The LONG values of a piecewise execution, until it ends (status 0) or fails.
  sword TransferPieces(sword status);
  sword TransferPieces7(sword status, ub1 piece);
  bool WantsPieces(sword status) const;
  // The pieces of one value for the bind the library asked about (handle; piece: the code it
  // asked for). On return, while status still wants pieces, handle, direction and piece hold
  // the library's next request.
  void SendPieces(da::TBlob& blob, sword& status, void*& handle, ub1& direction, ub1& piece);
  void ReceivePieces(da::TBlob& blob, sword& status, void*& handle, ub1& direction, ub1& piece);
  // Reported to the connection's warning handler (TOCIConnection::Warn); the call goes on.
  void Warning(const char* text);
  // The LOB parameters after an execution that changed rows.
  void MoveLobParams();
  // After an execution: output objects and REFs take what the library put in their place.
  void TakeObjectParams();
  TOraParamDesc* ParamOfBind(const void* bind) const;
  static sb4 InBindCallback(void* context, OCIBind* bind, ub4 iteration, ub4 index, void** buffer, ub4* length,
                            ub1* piece, void** indicator);
  static sb4 OutBindCallback(void* context, OCIBind* bind, ub4 iteration, ub4 index, void** buffer, ub4** length,
                             ub1* piece, void** indicator, ub2** returnCode);

  TOraCursor* ownCursor_;
  TOraCursor* cursor_;
  TOCIConnection* connection_ = nullptr;
  OCIError* errorHandle_ = nullptr;
  std::uint8_t callStyle_;
  std::uint16_t sqlFunctionCode_ = 0;
  std::int32_t rowsProcessed_ = 0;
  std::uint16_t errorOffset_ = 0;
  std::int32_t iterations_ = 1;
  std::recursive_mutex commandLock_;  // recursive: a fetch step holds it around the command's own calls
  std::unique_ptr<TOraWorker> worker_;
  std::uint8_t scratch_[4] = {};  // what a NULL parameter of unknown type binds
  std::exception_ptr callbackError_;  // raised in a bind callback, which cannot raise through the library
};

// The command lock for a stretch of calls (taken only while NonBlocking is on).
class TCommandLock {
 public:
  explicit TCommandLock(TOCICommand& c) : c_(c) { c_.Lock(); }
  ~TCommandLock() { c_.Unlock(); }
  TCommandLock(const TCommandLock&) = delete;
  TCommandLock& operator=(const TCommandLock&) = delete;

 private:
  TOCICommand& c_;
};

// The longest LONG value a bind announces.
inline constexpr sb4 kMaxLongSize = 2147483647;

// Carriage returns outside quoted strings dropped before a line feed and made line feeds
// elsewhere. With offset not -1 (an offset in the converted text), the copy stops at the source
// character that makes that position and offset becomes that character's offset in text.
std::string ConvertSQLLineBreaks(const std::string& text, int& offset);

}  // namespace ora
