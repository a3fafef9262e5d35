// Statement handles: prepare, bind, define, execute, fetch.
#include <algorithm>
#include <cstdlib>

#include "tools/fakeoci/FakeOci.h"

using namespace fakeoci;

namespace {

ServerSession* SessionOfStmt(const void* stmtp) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  return stmt && stmt->svc ? stmt->svc->Live() : nullptr;
}

ServerSession* SessionOfSvc(const void* svchp) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  return svc ? svc->Live() : nullptr;
}

// The milliseconds a "sleep <ms>" answer holds the statement prepared on stmtp; 0 for any other.
int SleepOf(const void* stmtp) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!stmt || !stmt->prepared) return 0;
  const std::optional<Script> script = ScriptFor(stmt->cursor.Sql());
  if (!script || script->answer.rfind("sleep ", 0) != 0) return 0;
  return std::max(0, std::atoi(script->answer.c_str() + 6));
}

template <class T, class Slot>
T* HandleFor(StmtHandle* stmt, Slot* slot) {
  return static_cast<T*>(AddHandle(std::make_unique<T>(stmt, slot)));
}

sword Bind(const char* entry, OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const std::string& name, ub4 position,
           void* valuep, sb4 valueSize, ub2 type, void* indp, ub2* alenp, ub2* rcodep, ub4 maxArray, ub4* curElements,
           ub4 mode) {
  std::string details = (name.empty() ? "pos=" + std::to_string(position) : "name=" + name) +
                        " type=" + std::to_string(type) + " size=" + std::to_string(valueSize);
  if (maxArray) details += " max=" + std::to_string(maxArray);
  if (mode) details += " mode=" + std::to_string(mode);
  if (auto e = Enter(entry, details)) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!stmt || !bindp) return OCI_INVALID_HANDLE;
  if (!stmt->prepared) return Fail(errhp, Error(24337, "statement handle not prepared"));
  const bool known = name.empty() ? position >= 1 && position <= stmt->cursor.Placeholders().size()
                                  : stmt->cursor.HasPlaceholder(name);
  if (!known) return Fail(errhp, Error(1036));
  BindSlot* slot = stmt->cursor.Bind({.name = name,
                                      .position = position,
                                      .value = valuep,
                                      .size = valueSize,
                                      .type = type,
                                      .ind = static_cast<sb2*>(indp),
                                      .alen = alenp,
                                      .rcode = rcodep,
                                      .maxArray = maxArray,
                                      .curElements = curElements});
  slot->atExec = (mode & OCI_DATA_AT_EXEC) != 0;
  slot->handle = HandleFor<BindHandle>(stmt, slot);
  *bindp = static_cast<OCIBind*>(slot->handle);
  return OCI_SUCCESS;
}

}  // namespace

FAKEOCI_OCI8 sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* text, ub4 length, ub4 language,
                                  ub4 mode) {
  std::string sql = text ? std::string(reinterpret_cast<const char*>(text), length) : std::string();
  while (!sql.empty() && sql.back() == '\0') sql.pop_back();  // a counted terminator is no part of it
  if (auto e = Enter("OCIStmtPrepare", "sql=" + sql)) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!stmt || !text) return OCI_INVALID_HANDLE;
  (void)language;
  (void)mode;
  FreeChildren(stmt);  // its binds, defines and descriptors point into the old cursor
  stmt->prepared = true;
  return Result(errhp, stmt->cursor.Prepare(sql));
}

FAKEOCI_OCI8 sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                                 sb4 placehLen, void* valuep, sb4 valueSize, ub2 type, void* indp, ub2* alenp,
                                 ub2* rcodep, ub4 maxArray, ub4* curElements, ub4 mode) {
  std::string name = TextArg(placeholder, placehLen);
  if (name.empty()) name = ":";
  return Bind("OCIBindByName", stmtp, bindp, errhp, name, 0, valuep, valueSize, type, indp, alenp, rcodep, maxArray,
              curElements, mode);
}

FAKEOCI_OCI8 sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                                sb4 valueSize, ub2 type, void* indp, ub2* alenp, ub2* rcodep, ub4 maxArray,
                                ub4* curElements, ub4 mode) {
  return Bind("OCIBindByPos", stmtp, bindp, errhp, std::string(), position, valuep, valueSize, type, indp, alenp,
              rcodep, maxArray, curElements, mode);
}

FAKEOCI_OCI8 sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                                        ub4 rcskip) {
  if (auto e = Enter("OCIBindArrayOfStruct", "skip=" + std::to_string(pvskip) + "," + std::to_string(indskip)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* bind = Live<BindHandle>(bindp, OCI_HTYPE_BIND);
  if (!bind) return OCI_INVALID_HANDLE;
  bind->slot->valueSkip = pvskip;
  bind->slot->indSkip = indskip;
  bind->slot->alenSkip = alskip;
  bind->slot->rcodeSkip = rcskip;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, void* valuep,
                                  sb4 valueSize, ub2 type, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode) {
  if (auto e = Enter("OCIDefineByPos", "pos=" + std::to_string(position) + " type=" + std::to_string(type) +
                                           " size=" + std::to_string(valueSize) +
                                           (mode ? " mode=" + std::to_string(mode) : std::string())))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!stmt || !defnp) return OCI_INVALID_HANDLE;
  if (position < 1) return Fail(errhp, Error(1007));
  DefineSlot* slot = stmt->cursor.Define({.position = position,
                                          .value = valuep,
                                          .size = valueSize,
                                          .type = type,
                                          .ind = static_cast<sb2*>(indp),
                                          .rlen = rlenp,
                                          .rcode = rcodep});
  // A redefine may pass the handle of an earlier define of the statement, which is reused.
  auto* again = *defnp ? Live<DefineHandle>(*defnp, OCI_HTYPE_DEFINE) : nullptr;
  if (again && again->parent == stmt) {
    again->slot = slot;
    return OCI_SUCCESS;
  }
  *defnp = reinterpret_cast<OCIDefine*>(HandleFor<DefineHandle>(stmt, slot));
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 rlskip,
                                          ub4 rcskip) {
  if (auto e = Enter("OCIDefineArrayOfStruct", "skip=" + std::to_string(pvskip) + "," + std::to_string(indskip)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* define = Live<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  if (!define) return OCI_INVALID_HANDLE;
  define->slot->valueSkip = pvskip;
  define->slot->indSkip = indskip;
  define->slot->rlenSkip = rlskip;
  define->slot->rcodeSkip = rcskip;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                                  const OCISnapshot*, OCISnapshot*, ub4 mode) {
  if (auto e = Enter("OCIStmtExecute", "iters=" + std::to_string(iters) + " mode=" + std::to_string(mode),
                     SessionOfSvc(svchp)))
    return Fail(errhp, *e);
  // A statement that takes its time on the server: other sessions, and a break, go on meanwhile.
  if (const int ms = SleepOf(stmtp)) {
    if (auto e = Sleep(SessionOfSvc(svchp), ms)) return Fail(errhp, *e);
  }
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!svc || !stmt) return OCI_INVALID_HANDLE;
  if (!stmt->prepared) return Fail(errhp, Error(24337, "statement handle not prepared"));
  ServerSession* session = svc->Live();
  if (!session) return Fail(errhp, Error(1012));
  if (rowoff != 0) return Fail(errhp, Error(3115));
  stmt->svc = svc;
  return Result(errhp, stmt->cursor.Execute(*session, iters, mode));
}

namespace {

sword Fetch(const char* entry, OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 offset) {
  std::string details = "rows=" + std::to_string(nrows) + " orientation=" + std::to_string(orientation);
  if (offset) details += " offset=" + std::to_string(offset);
  if (auto e = Enter(entry, details, SessionOfStmt(stmtp))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!stmt) return OCI_INVALID_HANDLE;
  ub4 got = 0;
  if (stmt->cursor.Scrollable()) return Result(errhp, stmt->cursor.FetchScroll(nrows, orientation, offset, got));
  // Forward fetching only, as from a cursor that is not scrollable.
  if (orientation != 0 && orientation != OCI_FETCH_NEXT) return Fail(errhp, Error(24391, "invalid fetch operation"));
  return Result(errhp, stmt->cursor.Fetch(nrows, got));
}

}  // namespace

FAKEOCI_OCI8 sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
  return Fetch("OCIStmtFetch", stmtp, errhp, nrows, orientation, 0);
}

FAKEOCI_OCI8 sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 offset, ub4) {
  return Fetch("OCIStmtFetch2", stmtp, errhp, nrows, orientation, offset);
}
