// Cursors opened by a PL/SQL block for its caller: an out bind of a statement handle (the handle
// interface's result set) is opened on the query the test's script names.
#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

Status OpenRefCursor(const BindSlot& slot, const std::string& query, ServerSession& session) {
  if (slot.type != SQLT_RSET || !slot.value) return Error(3115);
  auto* stmt = Live<StmtHandle>(*static_cast<OCIStmt**>(slot.value), OCI_HTYPE_STMT);
  if (!stmt) return Error(1001, "invalid cursor");
  FreeChildren(stmt);
  Status s = stmt->cursor.Prepare(query);
  if (!s.Ok()) return s;
  stmt->prepared = true;
  s = stmt->cursor.Execute(session, 0, 0);
  if (s.Ok() && slot.ind) *slot.ind = 0;
  return s;
}

}  // namespace fakeoci
