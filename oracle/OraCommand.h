#pragma once
// TOCICommand: the Oracle implementation of the framework's server command: one SQL text with
// its parameter descriptions (TOraParamDesc), prepared, bound and executed on the server cursor
// of a TOraCursor in the connection's command call style. The connection's internal command, the
// SQL component and the record set each own one.
//
// What it does: the cursor states; prepare (line breaks of the text made single line feeds, the
// parse-error offset mapped back to the text); the parameter scan (":name" outside strings and
// comments, up to a TRIGGER keyword); execution in the calling thread or, with NonBlocking, on a
// worker thread (OraThread.h); automatic commit; the ROWID of the last changed row; binding of
// parameters with buffers (texts, numbers, dates, raw values, cursors), also as PL/SQL tables and
// DML arrays. Values that need objects of their own (LONG pieces, LOBs, files, object types,
// timestamps, intervals) raise "Data type is not supported." when bound.
//
// Threads: the command lock (taken only while NonBlocking is on) serialises a background
// execution against the thread that owns the command; client-library calls go through the
// connection's LockedCall.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "dataaccess/VtAccess.h"
#include "oracle/OciTypes.h"
#include "oracle/OraCursor.h"
#include "oracle/OraParamDesc.h"

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
  std::string GetRowId();
  std::uint8_t GetCallStyle() const { return callStyle_; }
  std::uint16_t GetSQLFunctionCode() const { return sqlFunctionCode_; }
  std::int32_t GetRowsProcessed() const { return rowsProcessed_; }
  std::int32_t RowsFetched = 0;  // written by the record set's fetch

  void Lock();
  void Unlock();

  bool ParamCheck = true;
  bool NonBlocking = false;
  bool FieldsAsString = false;
  bool CacheLobs = true;
  bool FetchRowId = false;
  std::string RowId;

 private:
  void DoExecute();
  void EndExecute(bool succeeded);
  sword Exec(ub4 mode);
  void InternalExecute();
  void BindParams();
  void BindParam(TOraParamDesc* param);
  std::uint16_t MappedErrorOffset() const;

  TOraCursor* ownCursor_;
  TOraCursor* cursor_;
  TOCIConnection* connection_ = nullptr;
  OCIError* errorHandle_ = nullptr;
  std::uint8_t callStyle_;
  std::uint16_t sqlFunctionCode_ = 0;
  std::int32_t rowsProcessed_ = 0;
  std::uint16_t errorOffset_ = 0;
  std::int32_t iterations_ = 1;
  std::mutex commandLock_;
  std::unique_ptr<TOraWorker> worker_;
  std::uint8_t scratch_[4] = {};  // what a NULL parameter of unknown type binds
};

// Carriage returns outside quoted strings dropped before a line feed and made line feeds
// elsewhere. With offset not -1 (an offset in the converted text), the copy stops at the source
// character that makes that position and offset becomes that character's offset in text.
std::string ConvertSQLLineBreaks(const std::string& text, int& offset);

}  // namespace ora
