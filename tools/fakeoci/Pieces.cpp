// Values moved in pieces during an execution through the handle interface: dynamic binds with
// their callbacks, and the piece information a caller exchanges when it registered none. The old
// interface's piece calls are in OldInterface.cpp, over the same cursor.
#include "tools/fakeoci/FakeOci.h"

using namespace fakeoci;

FAKEOCI_OCI8 sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp, void* octxp,
                                  OCICallbackOutBind ocbfp) {
  if (auto e = Enter("OCIBindDynamic", std::string(icbfp ? "in" : "") + (ocbfp ? " out" : ""))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* bind = Live<BindHandle>(bindp, OCI_HTYPE_BIND);
  if (!bind) return OCI_INVALID_HANDLE;
  bind->slot->inCallback = icbfp;
  bind->slot->inContext = ictxp;
  bind->slot->outCallback = ocbfp;
  bind->slot->outContext = octxp;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIStmtGetPieceInfo(OCIStmt* stmtp, OCIError* errhp, void** hndlpp, ub4* typep, ub1* in_outp,
                                       ub4* iterp, ub4* idxp, ub1* piecep) {
  if (auto e = Enter("OCIStmtGetPieceInfo", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* stmt = Live<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (!stmt || !hndlpp || !typep || !in_outp || !iterp || !idxp || !piecep) return OCI_INVALID_HANDLE;
  PieceRequest request;
  if (!stmt->cursor.PendingPiece(request)) return Fail(errhp, Error(24338, "statement handle not executed"));
  *hndlpp = request.slot->handle;
  *typep = OCI_HTYPE_BIND;
  *in_outp = request.direction;
  *iterp = 0;
  *idxp = 0;
  *piecep = request.piece;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIStmtSetPieceInfo(void* hndlp, ub4 type, OCIError* errhp, const void* bufp, ub4* alenp, ub1 piece,
                                       const void* indp, ub2* rcodep) {
  if (auto e = Enter("OCIStmtSetPieceInfo", "piece=" + std::to_string(piece) +
                                                " length=" + (alenp ? std::to_string(*alenp) : std::string("-"))))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* bind = type == OCI_HTYPE_BIND ? Live<BindHandle>(hndlp, OCI_HTYPE_BIND) : nullptr;
  auto* stmt = bind ? Live<StmtHandle>(bind->parent, OCI_HTYPE_STMT) : nullptr;
  if (!stmt) return OCI_INVALID_HANDLE;
  if (rcodep) *rcodep = 0;
  return Result(errhp, stmt->cursor.SetPiece(bind->slot, bufp, alenp, piece,
                                             static_cast<sb2*>(const_cast<void*>(indp))));
}
