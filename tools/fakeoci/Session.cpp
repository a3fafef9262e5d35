// Server attach, sessions, the version banner, break and transactions of the handle interface.
#include "tools/fakeoci/FakeOci.h"

using namespace fakeoci;

namespace {

// The server session behind a service context, found under the engine lock.
ServerSession* SessionOf(const void* svchp) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  return svc ? svc->Live() : nullptr;
}

}  // namespace

FAKEOCI_OCI8 sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblinkLen, ub4 mode) {
  const std::string link = TextArg(dblink, dblinkLen);
  if (auto e = Enter("OCIServerAttach", "dblink=" + link + " mode=" + std::to_string(mode))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* server = Live<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
  if (!server) return OCI_INVALID_HANDLE;
  server->dblink = link;
  server->attached = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode) {
  if (auto e = Enter("OCIServerDetach", "mode=" + std::to_string(mode))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* server = Live<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
  if (!server) return OCI_INVALID_HANDLE;
  if (!server->attached) return Fail(errhp, Error(24327, "need explicit attach before authenticating a user"));
  server->attached = false;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode) {
  if (auto e = Enter("OCISessionBegin", "cred=" + std::to_string(credt) + " mode=" + std::to_string(mode)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  auto* session = Live<SessionHandle>(usrhp, OCI_HTYPE_SESSION);
  if (!svc || !session) return OCI_INVALID_HANDLE;
  if (!svc->server || !svc->server->attached) return Fail(errhp, Error(24327, "need explicit attach before authenticating a user"));
  if (credt == OCI_CRED_RDBMS && session->user.empty()) return Fail(errhp, Error(1017));
  if (session->live) return Fail(errhp, Error(24309, "already connected to a server"));
  session->live = NewSession(credt == OCI_CRED_EXT ? std::string("OPS$EXTERNAL") : session->user);
  svc->session = session;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode) {
  if (auto e = Enter("OCISessionEnd", "mode=" + std::to_string(mode))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  auto* session = usrhp ? Live<SessionHandle>(usrhp, OCI_HTYPE_SESSION) : (svc ? svc->session : nullptr);
  if (!svc || !session) return OCI_INVALID_HANDLE;
  if (!session->live) return Fail(errhp, Error(1012));
  RollbackWork();  // a session ended without commit loses its work
  EndSession(session->live);
  session->live = nullptr;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1 hndltype) {
  if (auto e = Enter("OCIServerVersion", "htype=" + std::to_string(hndltype))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Handle* h = FindHandle(hndlp);
  if (!h || h->type != hndltype) return OCI_INVALID_HANDLE;
  const ServerHandle* server = hndltype == OCI_HTYPE_SVCCTX ? static_cast<SvcCtxHandle*>(h)->server
                               : hndltype == OCI_HTYPE_SERVER ? static_cast<ServerHandle*>(h)
                                                              : nullptr;
  if (!server || !server->attached) return Fail(errhp, Error(3114));
  CopyOut(Setting("banner"), bufp, bufsz);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIBreak(void* hndlp, OCIError* errhp) {
  if (auto e = Enter("OCIBreak", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Handle* h = FindHandle(hndlp);
  if (!h || (h->type != OCI_HTYPE_SVCCTX && h->type != OCI_HTYPE_SERVER)) return OCI_INVALID_HANDLE;
  if (h->type == OCI_HTYPE_SVCCTX) {
    if (ServerSession* live = static_cast<SvcCtxHandle*>(h)->Live()) BreakSession(live);
  }
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) {
  if (auto e = Enter("OCITransCommit", "flags=" + std::to_string(flags), SessionOf(svchp))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (!svc) return OCI_INVALID_HANDLE;
  if (!svc->Live()) return Fail(errhp, Error(1012));
  return Result(errhp, CommitWork());
}

FAKEOCI_OCI8 sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) {
  if (auto e = Enter("OCITransRollback", "flags=" + std::to_string(flags), SessionOf(svchp))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (!svc) return OCI_INVALID_HANDLE;
  if (!svc->Live()) return Fail(errhp, Error(1012));
  return Result(errhp, RollbackWork());
}
