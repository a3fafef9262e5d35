#pragma once
// fakeoci: a stand-in for the Oracle client library, so that the Oracle layer can be tested
// without an Oracle client. It is a shared library exporting, under their own names, the entry
// points the Oracle layer calls, written from the client library's published behaviour: handles
// with attributes, error handles carrying a code and a text, statements with binds and defines
// (with skips), array fetch and describe, LONG values moved in pieces (bind callbacks or piece
// information), RETURNING ... INTO, LOB and file locators, datetime and interval descriptors with
// Oracle format models, and the old interface's logon and cursor data areas.
// SQL is answered by an in-memory SQLite database shared by every session of the process, and by
// answers for what SQLite cannot say: the server's version banner and version block, the session's
// NLS block, ALTER SESSION, and whatever a test scripts. A control interface (FakeOciControl.h)
// lets a test script answers (also a statement that takes its time until a break), fail the n-th
// call of an entry, hold or delay a call until a break, and read the call log.
//
// Build variants (CMakeLists.txt), one compiled source; a variant differs only in what it
// exports (a version script hides the groups its class lacks) and in VariantClass():
//   libfakeoci9.so   a 9-class client: the handle interface, object, 8.1 and 9 groups; reports
//                    its version through OCIClientVersion (19.3.0.0.0)
//   libfakeoci81.so  an 8.1-class client: no 9 group, no OCIClientVersion (the file name tells)
//   libfakeoci7.so   libfakeoci9.so that also exports the old interface (olog, oopen, ...)
//
// Files, by concern:
//   Control.cpp       the control interface, the call log, injected failures, holds and delays
//   Handles.cpp       handles and descriptors, attributes, error handles, environments
//   Session.cpp       server attach, sessions, version banner, break, transactions
//   Statements.cpp    statement handles: prepare, bind, define, execute, fetch, describe
//   OldInterface.cpp  the old interface over the same cursors
//   Cursor.cpp        the server-side cursor both interfaces drive
//   Database.cpp      the SQLite database, server sessions' state, built-in and scripted answers
//   Values.cpp        external data types to and from SQLite values; the DATE encoder
//   Pieces.cpp        values moved in pieces during an execution: dynamic binds and the
//                     piece information of the handle interface (the old interface's piece
//                     calls and piecewise binds are in OldInterface.cpp)
//   Lobs.cpp          the server's LOBs and files, LOB and file locators and their calls
//   DateTimes.cpp     datetime and interval descriptors, their calls and Oracle format models
//   Scroll.cpp        scrollable cursors: fetches by orientation over the whole result
//   Defines.cpp       LONG values piece by piece into defines (dynamic defines, and the old
//                     interface's piecewise defines with its piece calls during a fetch), the old
//                     interface's array defines, misreported counts a test asks for
//   RefCursors.cpp    cursors a PL/SQL block opens for its caller
//   ObjectTypes.cpp   object types a test defines, their layout and describe (Objects.h)
//   ObjectValues.cpp  instances, strings, numbers, collections, REFs, pin and flush (Objects.h)
//   CompositeBinds.cpp  object and REF binds (OCIBindObject) and PL/SQL index-by table binds, in
//                     the forms a statement sees them: JSON text, "TABLE:rowid", a JSON array
//
// Adding an entry point:
//   1. it must be in oracle/OciEntryList.h: every entry is declared from there with C linkage, so
//      a definition whose prototype differs does not compile;
//   2. define it in the file of its concern, marked with its group's export macro below;
//   3. begin it with Enter(...) so that it is logged and a test can fail, hold or delay it;
//   4. report errors with Fail(...) (handle interface) or FailCda(...) (old interface).
// Entries the Oracle layer does not call yet are simply not defined: the layer then sees them as
// not exported, as it would with a client that lacks them.
//
// Threads: every entry may be called from any thread. The call log and the test's settings have
// a lock of their own; the database and all handles share the engine lock, which a held or
// delayed call does not hold while it waits.
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "oracle/client/OciEntryList.h"

// Every entry point is declared with its published prototype.
extern "C" {
#define FAKEOCI_DECLARE(group, ret, name, params) ret name params;
ORA_OCI_ENTRIES(FAKEOCI_DECLARE)
#undef FAKEOCI_DECLARE
}

// The group markers are what the variants' version scripts are made from (CMakeLists.txt reads
// them): an entry of the 9 or old group must begin its line with its marker.
#define FAKEOCI_EXPORT extern "C" __attribute__((visibility("default")))
#define FAKEOCI_OCI8 FAKEOCI_EXPORT
#define FAKEOCI_OCI81 FAKEOCI_EXPORT
#define FAKEOCI_OCI9 FAKEOCI_EXPORT
#define FAKEOCI_OCI7 FAKEOCI_EXPORT

struct sqlite3;
struct sqlite3_stmt;

namespace fakeoci {

// The client class this variant stands for: 9, or 8 for the 8.1-class client (Variant.cpp).
int VariantClass();

using namespace ora;  // the numeric constants of the published interface

// ---- values ----
struct Value {
  enum Kind { Null, Int, Real, Text, Blob } kind = Null;
  std::int64_t i = 0;
  double r = 0;
  std::string s;  // text, or the bytes of a blob

  static Value OfInt(std::int64_t v) { return {Int, v, 0, {}}; }
  static Value OfReal(double v) { return {Real, 0, v, {}}; }
  static Value OfText(std::string v) { return {Text, 0, 0, std::move(v)}; }
  static Value OfBlob(std::string v) { return {Blob, 0, 0, std::move(v)}; }
  std::string AsText() const;
};

// An Oracle error: code 0 is success, 1403 "no data found", 24345 a truncation (success with info).
// Codes 3129 and 3130 are no errors but a piecewise execution asking for the next input piece or
// output buffer (OCI_NEED_DATA, or the old interface's -3129 and -3130).
struct Status {
  int code = 0;
  std::string text;
  bool Ok() const { return code == 0; }
};
Status Error(int code);                          // with the standard text of the code
Status Error(int code, std::string text);

// Converting between an external (SQLT) buffer and a value. Lengths are checked against the
// buffer's size; a truncated text or raw value gives Status 24345 and the full length in the
// indicator, as the library does.
// Descriptor types (LOB and file locators, datetimes, intervals) take the address of the
// descriptor pointer as their buffer and ignore the size.
Value FromExternal(ub2 type, const void* buffer, sb4 size, const sb2* ind, const ub2* alen, Status& status);
Status ToExternal(const Value& v, ub2 type, void* buffer, sb4 size, sb2* ind, ub2* rlen, ub2* rcode);
bool IsDescriptorType(ub2 type);
// DATE: "YYYY-MM-DD HH:MM:SS" (a negative year before Christ) to and from the 7 bytes.
bool DateTextToBytes(const std::string& text, ub1* bytes);
std::string DateBytesToText(const ub1* bytes);

// ---- the server: sessions and answers ----
struct ServerSession {
  int id = 0;
  std::string user;
  std::map<std::string, std::string> nls;  // NLS_DATE_FORMAT -> value, upper-case names
  std::atomic<bool> breakRequested{false};
  int callsInProgress = 0;  // guarded by the control lock
};

struct Column {
  std::string name;
  ub2 type = SQLT_CHR;
  ub2 size = 0;
  sb2 precision = 0;
  sb1 scale = 0;
  ub1 nullable = 1;
  std::string schemaName, typeName;  // of a named type or REF column
};

struct BindSlot {
  std::string name;  // upper case, without the colon; empty for a bind by position
  ub4 position = 0;
  void* value = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  sb2* ind = nullptr;
  ub2* alen = nullptr;
  ub2* rcode = nullptr;
  ub4 maxArray = 0;
  ub4* curElements = nullptr;
  ub4 valueSkip = 0, indSkip = 0, alenSkip = 0, rcodeSkip = 0;
  ub2 charsetId = 0;
  // A value moved in pieces during the execution (a data-at-execution bind, or the old
  // interface's piecewise bind): the callbacks when registered, else piece by piece through
  // the piece information calls.
  bool atExec = false;
  void* context = nullptr;  // what the old interface's piece information returns
  OCICallbackInBind inCallback = nullptr;
  void* inContext = nullptr;
  OCICallbackOutBind outCallback = nullptr;
  void* outContext = nullptr;
  void* handle = nullptr;  // the bind handle given out for it
  Value pieces = {};       // the input value its pieces made
  // A named type or REF (OCIBindObject): where the instance (or REF) pointer and the pointer to
  // its indicator structure lie, and the type.
  void** objects = nullptr;
  void** objectInds = nullptr;
  const void* objectType = nullptr;
};

inline constexpr int kNeedInputPiece = 3129;
inline constexpr int kNeedOutputPiece = 3130;

// The piece a piecewise execution waits for.
struct PieceRequest {
  BindSlot* slot = nullptr;
  ub1 direction = 0;  // OCI_PARAM_IN, OCI_PARAM_OUT
  ub1 piece = 0;      // OCI_FIRST_PIECE or OCI_NEXT_PIECE
};

struct DefineSlot {
  ub4 position = 0;
  void* value = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  sb2* ind = nullptr;
  ub2* rlen = nullptr;
  ub2* rcode = nullptr;
  ub4 valueSkip = 0, indSkip = 0, rlenSkip = 0, rcodeSkip = 0;
  ub2 charsetId = 0;  // the client character set the caller asked for (texts are moved as they are)
  // A dynamic define (OCIDefineDynamic): values go piece by piece into the callback's buffers.
  OCICallbackDefine callback = nullptr;
  void* callbackContext = nullptr;
  void* handle = nullptr;  // the define handle the callback is told
  // The old interface's piecewise define (odefinps opcode 0): values go into buffers the caller
  // hands over piece by piece (osetpi), with context handed back by ogetpi.
  bool pieces = false;
  void* context = nullptr;
  // A named type or REF (OCIDefineObject): where the instance or REF pointers and the indicator
  // structure pointers of the rows go.
  void** objects = nullptr;
  void** objectInds = nullptr;
  const void* objectType = nullptr;
};

// The server-side cursor that a statement handle or an old-interface cursor area drives.
class Cursor {
 public:
  Cursor() = default;
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  Status Prepare(const std::string& sql);
  // Runs the statement; a statement with values in pieces returns kNeedInputPiece or
  // kNeedOutputPiece until every piece has moved, each call after SetPiece taking the next.
  Status Execute(ServerSession& session, ub4 iterations, ub4 mode);
  // The piece the execution waits for; false when it waits for none.
  bool PendingPiece(PieceRequest& request) const;
  // The caller's buffer for the pending piece: for input its length bytes and the piece code,
  // for output its room in *length (the length written goes there). The slot, when given, must
  // be the one waiting. An indicator, when given, replaces the bind's own for this value.
  Status SetPiece(const BindSlot* slot, const void* buffer, ub4* length, ub1 piece, sb2* ind);
  // Fills up to rows rows into the defines; 1403 when fewer came (got tells how many). With a
  // define of the old interface's pieces (Defines.cpp) one row at a time: kNeedOutputPiece for
  // each piece of its LONG columns in position order (every column asks a first piece, a NULL
  // or empty one too), each later call delivering into the buffer given by SetFetchPiece.
  Status Fetch(ub4 rows, ub4& got);
  // The piece such a fetch waits for, and the define's context; false when it waits for none.
  bool PendingFetchPiece(ub1& piece, void*& context) const;
  Status SetFetchPiece(void* buffer, ub4* length);
  void Close();  // forget the result, keep the statement text and slots

  // Binds by name (any case, with or without the colon) or, without a name, by position
  // (1-based); defines by position. A new slot replaces the old one of the same name or position.
  BindSlot* Bind(BindSlot slot);
  DefineSlot* Define(DefineSlot slot);
  bool HasPlaceholder(const std::string& upperName) const;

  const std::string& Sql() const { return sql_; }
  ub2 StatementType() const { return stmtType_; }
  ub2 FunctionCode() const { return fnCode_; }
  ub4 RowCount() const { return rowCount_; }
  ub2 ErrorOffset() const { return errorOffset_; }
  const std::vector<Column>& Columns() const { return columns_; }
  const std::vector<std::string>& Placeholders() const { return placeholders_; }
  bool IsQuery() const { return stmtType_ == OCI_STMT_SELECT; }
  std::int64_t LastRowid() const { return lastRowid_; }
  // A cursor executed scrollable holds its whole result and fetches by orientation (Scroll.cpp).
  bool Scrollable() const { return scrollable_; }
  Status FetchScroll(ub4 rows, ub2 orientation, sb4 offset, ub4& got);

 private:
  Status PutRow(const std::vector<Value>& row, ub4 r);
  Status ReadAllRows();
  // A row whose LONG columns move in the old interface's pieces (Defines.cpp).
  struct PieceFetch {
    bool active = false;
    std::vector<Value> row;
    std::size_t define = 0;  // the define (index) whose value is moving
    std::size_t offset = 0;  // bytes of it delivered
    ub1 asked = 0;
    bool given = false;
    void* buffer = nullptr;
    ub4* length = nullptr;
  };
  bool HasPieceDefines() const;
  Status FetchInPieces(ub4 rows, ub4& got);
  Status NextPieceColumn(std::size_t from);

  // The exchange of a piecewise execution, kept between the calls that make it.
  struct Exchange {
    enum Phase { None, In, Out } phase = None;
    ServerSession* session = nullptr;
    ub4 iterations = 0, mode = 0;
    std::vector<BindSlot*> inputs;  // in bind order
    std::size_t next = 0;
    std::string gathered;
    bool gatheredNull = false;
    std::vector<std::pair<BindSlot*, Value>> outputs;
    std::size_t nextOut = 0;
    std::size_t offset = 0;  // of the output value being delivered
    ub1 asked = 0;
    bool given = false;      // SetPiece was called for the pending piece
    const void* buffer = nullptr;
    ub4* length = nullptr;
    ub1 piece = 0;
    sb2* ind = nullptr;
    Status status;           // of the statement, reported when the last piece has moved
  };

  Status Abandon(Status status);  // ends a piecewise execution that failed
  Status GatherInputs();
  Status GatherByCallback(BindSlot& slot);
  Status Run();
  Status DeliverOutputs();
  Status DeliverByCallback(BindSlot& slot, const Value& value);
  Status Finish();
  Status RunQuery(const std::string& text);
  Status RunDml(const std::string& text, ub4 iterations);
  Status RunIntoOutBinds(const std::string& text);
  Status WriteOutBinds(const std::map<std::string, Value>& values);
  // One out value into the bind named, at element iteration; a piecewise bind keeps it for the
  // output pieces.
  Status WriteOut(const std::string& name, const Value& value, ub4 iteration);
  Status BindInputs(sqlite3_stmt* stmt, ub4 iteration);
  Status StepRow(std::vector<Value>& row, bool& haveRow);
  void Describe();

  std::string sql_;
  ub2 stmtType_ = 0;
  ub2 fnCode_ = 0;
  ub2 errorOffset_ = 0;
  std::vector<std::string> placeholders_;
  std::deque<BindSlot> binds_;  // deques: the bind and define handles point into them
  std::deque<DefineSlot> defines_;
  std::vector<Column> columns_;
  sqlite3_stmt* query_ = nullptr;
  std::optional<std::vector<Value>> pending_;  // a row read ahead for the describe
  std::vector<Value> row_;                     // the row being fetched, its room kept
  bool exhausted_ = false;
  ub4 rowCount_ = 0;
  std::int64_t lastRowid_ = 0;  // of the row the last INSERT made; 0 when none
  bool scrollable_ = false;
  std::vector<std::vector<Value>> allRows_;  // the result of a scrollable cursor
  ub4 position_ = 0;                         // its current row, 1-based; 0 before the first
  Exchange exchange_;
  PieceFetch pieceFetch_;
};

// The statement type (OCI_STMT_*) and old-interface function code of a SQL text.
void ClassifySql(const std::string& sql, ub2& stmtType, ub2& fnCode);
// The distinct placeholder names of a text (upper case, without the colon), in text order;
// quoted strings and comments hold none.
std::vector<std::string> ScanPlaceholders(const std::string& sql);

// The database. Every use holds the engine lock.
std::recursive_mutex& EngineLock();
sqlite3* Db();
void ResetDatabase();
// Runs SQLite SQL as it stands (a test's seeding); 0 or SQLite's error code.
int ExecRaw(const std::string& sql);
// The settings a test may change (fakeoci_set): banner, version, char_length, ...
std::string Setting(const std::string& name);
void SetSetting(const std::string& name, const std::string& value);
void ResetSettings();

// Scripted answers (fakeoci_script), tried before the built-in ones.
struct Script {
  std::string match;   // upper-case text the SQL must contain
  // "error <code> <text>" | "sql <SQLite text>" | "out NAME=value;NAME" | "outsql <SQLite query>" | "ok"
  // | "sleep <ms>"
  std::string answer;
};
void AddScript(Script script);
void ResetScripts();
// The latest script whose match the SQL contains (any case); none when no script matches.
std::optional<Script> ScriptFor(const std::string& sql);

// ServerSession lifetime (logon / logoff).
ServerSession* NewSession(const std::string& user);
void EndSession(ServerSession* session);
bool SessionLive(const ServerSession* session);
int CharsetIdOf(const std::string& name);  // NLS_CHARSET_ID; 0 for an unknown name
// Session-level transaction handling over the one database.
void BeginWorkIfNeeded();
Status CommitWork();
Status RollbackWork();
// Transaction statements given as text: "SAVEPOINT s" opens the work when none is open,
// "ROLLBACK TO [SAVEPOINT] s" undoes the work after it (ORA-01086 for a savepoint the work does
// not hold), "ROLLBACK [WORK]" and "COMMIT [WORK]" end the work. Nothing for other texts.
std::optional<Status> RunTransactionText(const std::string& upperSql);

// ---- calls: log, injected failures, holds ----
struct Injected {
  int code;
  std::string text;
};
// The start of every entry: writes "entry details" to the call log, counts the call and applies
// what the test set for the entry: an injected failure is returned; a hold or delay waits here
// (not holding the engine lock) and returns ORA-01013 when the session's call is broken.
std::optional<Injected> Enter(const char* entry, const std::string& details, ServerSession* session = nullptr);
// A line of the call log that is no entry (a callback the library made, a piece it moved).
void Note(const std::string& line);
// Breaks the call a session has in progress (held, delayed or sleeping); a sleep the session
// begins after a break that found no call ends at once.
void BreakSession(ServerSession* session);
// A statement answered "sleep <ms>": waits ms milliseconds (not holding the engine lock) unless
// the session is broken first, then returns ORA-01013; a release ends it too. Counts as a held
// call for fakeoci_wait_held.
std::optional<Injected> Sleep(ServerSession* session, int ms);
void ResetControl();

// ---- handles ----
struct ErrorHandle;
struct Handle {
  explicit Handle(ub4 type, Handle* parent) : type(type), parent(parent) {}
  virtual ~Handle() = default;
  const ub4 type;  // OCI_HTYPE_* or OCI_DTYPE_*
  Handle* parent;
};

struct EnvHandle : Handle {
  using Handle::Handle;
  ub4 mode = 0;
};

struct ErrorHandle : Handle {
  using Handle::Handle;
  int code = 0;
  std::string text;
};

struct ServerHandle : Handle {
  using Handle::Handle;
  std::string dblink;
  std::string internalName;
  bool attached = false;
};

struct SessionHandle : Handle {
  using Handle::Handle;
  ~SessionHandle() override {
    if (live) EndSession(live);
  }
  std::string user, password;
  ServerSession* live = nullptr;
};

struct SvcCtxHandle : Handle {
  using Handle::Handle;
  ServerHandle* server = nullptr;
  SessionHandle* session = nullptr;
  ub2 charsetId = 0;
  ServerSession* Live() const { return session ? session->live : nullptr; }
};

struct StmtHandle : Handle {
  using Handle::Handle;
  Cursor cursor;
  SvcCtxHandle* svc = nullptr;  // of the last execution
  bool prepared = false;
};

struct BindHandle : Handle {
  BindHandle(Handle* parent, BindSlot* slot) : Handle(OCI_HTYPE_BIND, parent), slot(slot) {}
  BindSlot* slot;
};

struct DefineHandle : Handle {
  DefineHandle(Handle* parent, DefineSlot* slot) : Handle(OCI_HTYPE_DEFINE, parent), slot(slot) {}
  DefineSlot* slot;
};

struct RowidDescriptor : Handle {
  using Handle::Handle;
  std::int64_t rowid = 0;
  // What clients before 9 hand out as the descriptor (OCIRowidContent8): the ROWID's bytes, made
  // by Fill when a statement gives its ROWID.
  OCIRowidContent8 view{nullptr, 0};
  std::vector<ub1> bytes;
  // The bytes of the physical ROWID of `rowid`, or of a logical one with the key bytes given.
  void Fill(const std::string& logicalKey);
};

// A LOB locator (OCI_DTYPE_LOB) or file locator (OCI_DTYPE_FILE).
struct LobLocator : Handle {
  using Handle::Handle;
  enum State { Uninit, Empty, Server, File } state = Uninit;
  std::int64_t lob = 0;  // Server: the server LOB's id
  std::string dir, file;  // File: the directory alias and file name
  bool open = false;      // File: opened for reading
};

// TIMESTAMP (68), WITH TIME ZONE (69), WITH LOCAL TIME ZONE (70).
struct DateTimeValue {
  int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  ub4 fsec = 0;        // nanoseconds
  int tzMinutes = 0;   // offset from UTC
};
struct DateTimeDescriptor : Handle {
  using Handle::Handle;
  bool set = false;  // holds a value
  DateTimeValue value;
};

// INTERVAL YEAR TO MONTH (62), DAY TO SECOND (63): a sign and the fields, each 0 or above.
struct IntervalValue {
  bool negative = false;
  std::int64_t years = 0, months = 0, days = 0, hours = 0, minutes = 0, seconds = 0;
  ub4 fsec = 0;  // nanoseconds
};
struct IntervalDescriptor : Handle {
  using Handle::Handle;
  bool set = false;
  IntervalValue value;
};

struct ParamDescriptor : Handle {
  ParamDescriptor(Handle* parent, Column column) : Handle(OCI_DTYPE_PARAM, parent), column(std::move(column)) {}
  Column column;
};

// Live handles by address: a freed or foreign pointer is found nowhere and gets
// OCI_INVALID_HANDLE instead of being read. Freeing a handle frees the handles it parents.
Handle* FindHandle(const void* p);
template <class T>
T* Live(const void* p, ub4 type) {
  Handle* h = FindHandle(p);
  return h && h->type == type ? static_cast<T*>(h) : nullptr;
}
Handle* AddHandle(std::unique_ptr<Handle> h);
// A handle the caller knows by another address than its own (found by that address).
void* AddHandleAt(std::unique_ptr<Handle> h, const void* key);
void FreeHandle(Handle* h);
void FreeChildren(Handle* parent);
int CountHandles(ub4 type);  // 0 counts every type
void ResetHandles();

// Fills the error handle (when live) and returns OCI_ERROR; 1403 returns OCI_NO_DATA and 24345
// OCI_SUCCESS_WITH_INFO.
sword Fail(OCIError* errhp, const Status& status);
sword Fail(OCIError* errhp, const Injected& injected);
sword Result(OCIError* errhp, const Status& status);  // OCI_SUCCESS for an Ok status, else Fail

// ---- LOBs (Lobs.cpp) ----
// The server's LOBs by id: a BLOB or CLOB column holds the id of its LOB, made by EMPTY_BLOB(),
// EMPTY_CLOB(), TO_BLOB(value) or TO_CLOB(value); LOB_DATA(id) and LOB_LENGTH(id) read one back.
// A BFILE column holds BFILENAME('DIR', 'file'): the text "bfile:DIR:file"; the setting
// "directory_DIR" names the folder of the directory alias DIR. LOB contents live beside the
// database: a rollback does not undo what a LOB write did.
std::int64_t NewLob(bool clob, bool temporary, std::string data);
const std::string* LobData(std::int64_t id);  // nullptr for an unknown id
void RegisterLobFunctions(sqlite3* db);
void ResetLobs();
Status LocatorToExternal(const Value& v, ub2 type, void* buffer, sb2* ind);
Value LocatorFromExternal(ub2 type, const void* buffer, Status& status);

// ---- datetimes and intervals (DateTimes.cpp) ----
// Values in SQLite: "YYYY-MM-DD HH:MM:SS.fffffffff" (" +HH:MM" after it WITH TIME ZONE);
// intervals "+Y-MM" and "+D HH:MM:SS.fffffffff".
Status DateTimeToExternal(const Value& v, ub2 type, void* buffer, sb2* ind);
Value DateTimeFromExternal(ub2 type, const void* buffer, Status& status);

// Copies a text into a caller's buffer of size bytes: cut to size - 1 and terminated, unless the
// test asked for unterminated texts, when the buffer is filled to the brim without a terminator.
void CopyOut(const std::string& text, OraText* buffer, std::size_t size);

// Text of a (pointer, length) argument, where a negative length means NUL-terminated.
std::string TextArg(const OraText* p, sb4 len);

// ---- binds beyond plain values (CompositeBinds.cpp) ----
// The value of an object or REF bind (its stored text) or of a PL/SQL index-by table bind (a JSON
// array of its current elements); false for a plain bind, which the caller reads itself.
bool CompositeBindValue(const BindSlot& slot, Value& value, Status& status);
// Writes an out value into such a bind: a new instance or REF from the stored text, or the
// elements of a JSON array with the table's current count; false for a plain bind.
bool WriteCompositeBind(BindSlot& slot, const Value& value, Status& status);

// ---- results beyond plain values (Scroll.cpp, Dynamic.cpp, ObjectTypes.cpp, ObjectValues.cpp) ----
// A LONG value handed to a dynamic define's callback piece by piece, for row r of the fetch.
Status PutDynamic(const DefineSlot& define, const Value& value, ub4 r);
// A named type or REF value (its stored text) made into an instance or REF for row r.
Status PutObject(const DefineSlot& define, const Value& value, ub4 r);
// A declared column type beyond the plain ones: a registered object type, "REF <type>", or
// "SQLT_<n>" (any external type code, for tests); its column form.
bool ExtendedColumn(const std::string& declared, Column& column);
// Attributes and parameters the basic handles do not answer: the environment of a service
// context, describe parameters of object types, the type names of a column (ObjectTypes.cpp).
std::optional<sword> ExtendedAttrGet(Handle* handle, void* attributep, ub4* sizep, ub4 attrtype);
std::optional<sword> ExtendedParamGet(Handle* handle, OCIError* errhp, void** parmdpp, ub4 pos);
// Opens the query on the statement handle (or cursor area) an out bind of a cursor names.
Status OpenRefCursor(const BindSlot& slot, const std::string& query, ServerSession& session);
// What a test asked the stand-in to misreport: extra rows in row counts, extra bytes in lengths,
// extra elements in collection sizes.
ub4 RowCountBias();
ub4 LengthBias();
ub4 CollectionSizeBias();  // elements more than a collection holds (OCICollSize, OCITableSize)
// The old interface's cursors, for the entries defined beside OldInterface.cpp.
Cursor* OldCursorOf(const CdaDef* cda);
sword OldResult(CdaDef* cda, const Status& status);
sword OldFail(CdaDef* cda, const Injected& injected);

}  // namespace fakeoci
