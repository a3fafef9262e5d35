#pragma once
// The statement half of the direct network call protocol: a statement's state, its preparation
// (statement type and bind names found by the Oracle lexer), cursors, the combined
// parse/bind/execute/fetch call, bind values, row decoding into the caller's buffers, describe,
// and the reply messages of a statement call.
//
// Every count the server sends is checked before anything is written: more rows than asked,
// an array element count outside the array, a bind request naming another number of binds, a
// cursor value under 2 bytes or NUMBER bytes beyond 21 raise EDBError 1 (and, since the rest of
// the reply can no longer be found, close the connection: NetSession.h); an integer or float
// that its target cannot hold fails the call with Oracle error 1455 or 1426 once the reply has
// been read to its end, so the next call reads its own reply.
//
// Ownership: the statement owns its bind, define and column lists; the buffers the items point
// to belong to the caller and must stay valid (and as large as the item's size times the rows or
// elements) while calls run. The session is the caller's and must outlive the statement. One
// thread at a time.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "oracle/net/NetSession.h"

namespace ora {

enum TNetStatementType : int {
  kStmtOther = 0, kStmtSelect = 1, kStmtUpdate = 2, kStmtDelete = 3, kStmtInsert = 4, kStmtBegin = 8,
  kStmtDeclare = 9
};

// External data type codes the protocol treats apart.
enum TNetDataType : std::uint16_t {
  kTypeVarchar2 = 1, kTypeNumber = 2, kTypeInteger = 3, kTypeFloat = 4, kTypeString = 5, kTypeVarnum = 6,
  kTypeLong = 8, kTypeDate = 12, kTypeRaw = 23, kTypeLongRaw = 24, kTypeChar = 96, kTypeCharZ = 97,
  kTypeCursor = 102, kTypeClob = 112, kTypeBlob = 113, kTypeBfile = 114, kTypeResultSet = 116
};

// Piece codes of the dynamic callbacks.
enum TNetPiece : std::uint8_t { kOnePiece = 0, kFirstPiece = 1, kNextPiece = 2, kLastPiece = 3 };

// Callbacks of dynamic binds and defines, shaped as the call interface's. `item` is the item's
// Handle. An input callback hands out the bytes of one piece and says through `piece` whether it
// was the last; an output callback hands out room (its size in **length, which then receives the
// count written).
using TNetInCallback = std::int32_t (*)(void* context, void* item, std::uint32_t iteration, std::uint32_t index,
                                        void** buffer, std::uint32_t* length, std::uint8_t* piece, void** indicator);
using TNetOutCallback = std::int32_t (*)(void* context, void* item, std::uint32_t iteration, std::uint32_t index,
                                         void** buffer, std::uint32_t** length, std::uint8_t* piece, void** indicator,
                                         std::uint16_t** returnCode);

// A bind (by name or position) or a define (by position).
struct TNetItem {
  virtual ~TNetItem() = default;

  std::string name;
  std::uint16_t type = 0;
  void* value = nullptr;
  std::int32_t maxSize = 0;
  std::int16_t* indicator = nullptr;
  std::uint16_t* length = nullptr;
  // Distances between array elements (or fetched rows); 0 means packed: the value size, 2, 2.
  std::uint32_t valueSkip = 0, indicatorSkip = 0, lengthSkip = 0;
  TNetInCallback inCallback = nullptr;
  void* inContext = nullptr;
  TNetOutCallback outCallback = nullptr;
  void* outContext = nullptr;
  // PL/SQL table binds: the array's room (0 for a plain bind) and where its element count goes.
  std::uint32_t maxArrayLength = 0;
  std::uint32_t* arrayLength = nullptr;
  // What callbacks receive as the item; the item itself unless its owner says otherwise.
  void* handle = nullptr;

  bool IsArray() const { return maxArrayLength > 0; }
  void* Handle() { return handle ? handle : this; }
};

struct TNetColumn {
  std::string name;
  std::uint16_t type = 0;
  std::uint16_t size = 0;
  std::uint8_t precision = 0;
  std::int16_t scale = 0;
  bool nullable = true;
};

// What a LOB locator holds.
struct TNetLob {
  TBytes locator;
  std::uint16_t type = 0;
  bool empty = false;
};

class TNetStatementState {
 public:
  static constexpr std::uint8_t kFnOpenCursor = 2, kFnCloseCursor = 8, kFnDescribeOld = 43, kFnAllInOne = 71,
                                kFnDescribe = 98;
  static constexpr std::uint32_t kOptParse = 1, kOptDefines = 16, kOptBinds = 8, kOptExecute = 32,
                                 kOptFetch = 64, kOptBlock = 0x400, kOptNotBlock = 0x8000;
  static constexpr std::uint32_t kModeCommitOnSuccess = 32;
  static constexpr std::size_t kLongestOldDescribeNames = 960;

  explicit TNetStatementState(TNetSession* session = nullptr) : session_(session) {}
  // Closes the cursor when it has one (best effort).
  virtual ~TNetStatementState();
  TNetStatementState(const TNetStatementState&) = delete;
  TNetStatementState& operator=(const TNetStatementState&) = delete;

  // Frees the lists, finds the statement type and the binds; an INSERT or UPDATE with RETURNING
  // is rewritten as a block.
  void Prepare(const std::string& sql);

  int Execute(TNetError& error, std::uint32_t iterations, std::uint32_t mode);
  int Fetch(TNetError& error, std::uint32_t rows);
  int Describe(TNetError& error);
  int CloseCursor(TNetError& error);

  // Lower steps, also used by the emulation layer.
  int OpenCursor(TNetError& error);
  // The combined call; `sql` is sent when not null.
  int ExecuteAllInOne(std::uint32_t options, const std::string* sql, TNetError& error, bool withBinds,
                      bool withDefines);

  TNetSession* Session() const { return session_; }
  void SetSession(TNetSession* session) { session_ = session; }
  const std::string& Sql() const { return sql_; }
  int StatementType() const { return type_; }
  std::uint32_t CursorNumber() const { return cursor_; }
  void SetCursorNumber(std::uint32_t cursor) { cursor_ = cursor; }
  const TNetStatus& LastStatus() const { return status_; }
  std::uint32_t RowsFetchedInLastCall() const { return currentRow_; }

  std::vector<std::unique_ptr<TNetItem>>& Binds() { return binds_; }
  std::vector<std::unique_ptr<TNetItem>>& Defines() { return defines_; }
  std::vector<TNetColumn>& Columns() { return columns_; }
  // The define at a 1-based position, made when missing.
  TNetItem& DefineAt(std::size_t position);

 protected:
  // Items made by Prepare and DefineAt; the emulation layer makes its own handle objects.
  virtual std::unique_ptr<TNetItem> NewItem() { return std::make_unique<TNetItem>(); }
  // The statement whose handle a buffer of a cursor item holds, and the locator a LOB item's
  // buffer holds; by default the buffers hold TNetStatementState* and TNetLob*.
  virtual TNetStatementState* CursorIn(void* slot) { return *static_cast<TNetStatementState**>(slot); }
  virtual TNetLob* LobIn(void* slot) { return *static_cast<TNetLob**>(slot); }

 private:
  TNetSession& Live();
  // TNetSession::Call on the session, or Guard when there is none.
  template <class Body>
  int Guarded(TNetError& error, Body&& body);
  void FreeLists();
  void WriteDescriptor(const TNetItem& item);
  void WriteBindValues(const std::vector<bool>* requested);
  void WriteValue(TNetItem& item, std::uint32_t index, bool& deferred);
  void WriteLong(TNetItem& item, std::uint32_t index);
  int ReadCallReply(TNetError& error);
  void ReadRowHeader();
  void ReadBindRequest(std::vector<bool>& sends, std::vector<bool>& receives);
  void DecodeRow(const std::vector<TNetItem*>& items, std::uint32_t row);
  void DecodeValue(TNetItem& item, std::uint32_t index, std::uint32_t callIndex);
  int DescribeNew(TNetError& error);
  int DescribeOld(TNetError& error);
  TNetColumn ReadColumn();

  TNetSession* session_;
  std::string sql_;
  std::uint32_t cursor_ = 0;
  int type_ = kStmtOther;
  TNetStatus status_;
  std::uint32_t rowsToFetch_ = 0;
  std::uint32_t iterations_ = 1;
  std::uint32_t currentRow_ = 0;
  std::uint32_t currentIteration_ = 0;
  bool executing_ = false;
  // The first value of the reply being read that failed to convert; raised at its end.
  std::exception_ptr deferred_;
  std::vector<std::unique_ptr<TNetItem>> defines_;
  std::vector<std::unique_ptr<TNetItem>> binds_;
  std::vector<TNetColumn> columns_;
};

}  // namespace ora
