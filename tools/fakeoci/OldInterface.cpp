// The old interface: logon data areas and cursor data areas over the same sessions and cursors.
// Calls return 0 or the negated Oracle error number, which also goes into the area's return code;
// the end of the rows is status 4 (return code 1403). Exported by the libfakeoci7 variant only.
#include <algorithm>
#include <cstring>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

struct OldCursor {
  CdaDef* lda = nullptr;
  Cursor cursor;
};

struct OldState {
  std::map<const CdaDef*, ServerSession*> logons;
  std::map<const CdaDef*, std::unique_ptr<OldCursor>> cursors;
  std::map<int, std::string> texts;  // the last text of each error code, for oerhms
};

OldState& State() {
  static OldState state;
  return state;
}

sword FailCda(CdaDef* cda, const Status& status) {
  State().texts[status.code] = status.text;
  if (cda) {
    cda->rc = static_cast<ub2>(status.code);
    cda->v2_rc = static_cast<sb2>(-status.code);
  }
  return status.code == 1403 ? 4 : -status.code;
}

sword FailCda(CdaDef* cda, const Injected& injected) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  return FailCda(cda, injected.text.empty() ? Error(injected.code) : Error(injected.code, injected.text));
}

sword ResultCda(CdaDef* cda, const Status& status) {
  if (status.Ok()) {
    if (cda) cda->rc = 0;
    return 0;
  }
  return FailCda(cda, status);
}

ServerSession* SessionOfLda(const CdaDef* lda) {
  auto it = State().logons.find(lda);
  return it == State().logons.end() ? nullptr : it->second;
}

OldCursor* CursorOf(const CdaDef* cda) {
  auto it = State().cursors.find(cda);
  return it == State().cursors.end() ? nullptr : it->second.get();
}

ServerSession* SessionOfCursor(const CdaDef* cda) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cda);
  return c ? SessionOfLda(c->lda) : nullptr;
}

std::string Name(const OraText* p, sword len) { return TextArg(p, len < 0 ? -1 : len); }

sword BindOld(const char* entry, CdaDef* cda, const std::string& name, ub4 position, ub1* progv, sword progvl,
              sword ftype, sb2* indp, ub2* alen, ub2* arcode) {
  if (auto e = Enter(entry, (name.empty() ? "pos=" + std::to_string(position) : "name=" + name) +
                                " type=" + std::to_string(ftype) + " size=" + std::to_string(progvl)))
    return FailCda(cda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cda);
  if (!c) return FailCda(cda, Error(1001, "invalid cursor"));
  const bool known = name.empty() ? position >= 1 && position <= c->cursor.Placeholders().size()
                                  : c->cursor.HasPlaceholder(name);
  if (!known) return FailCda(cda, Error(1036));
  c->cursor.Bind({.name = name,
                  .position = position,
                  .value = progv,
                  .size = progvl,
                  .type = static_cast<ub2>(ftype),
                  .ind = indp,
                  .alen = alen,
                  .rcode = arcode});
  return ResultCda(cda, {});
}

sword FetchOld(const char* entry, CdaDef* cda, sword nrows) {
  if (auto e = Enter(entry, "rows=" + std::to_string(nrows), SessionOfCursor(cda))) return FailCda(cda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cda);
  if (!c) return FailCda(cda, Error(1001, "invalid cursor"));
  ub4 got = 0;
  Status s = c->cursor.Fetch(nrows > 0 ? static_cast<ub4>(nrows) : 1, got);
  cda->rpc = c->cursor.RowCount();
  return ResultCda(cda, s);
}

}  // namespace

Cursor* OldCursorOf(const CdaDef* cda) {
  OldCursor* c = CursorOf(cda);
  return c ? &c->cursor : nullptr;
}

sword OldResult(CdaDef* cda, const Status& status) { return ResultCda(cda, status); }

sword OldFail(CdaDef* cda, const Injected& injected) { return FailCda(cda, injected); }

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_OCI7 sword olog(CdaDef* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl, OraText* conn,
                        sword connl, ub4 mode) {
  std::string user = Name(uid, uidl), password = Name(pswd, pswdl), server = Name(conn, connl);
  if (password.empty() && user.find('/') != std::string::npos) {  // "user/password@server" in one text
    std::string all = user;
    user = all.substr(0, all.find('/'));
    password = all.substr(all.find('/') + 1);
    if (auto at = password.find('@'); at != std::string::npos) {
      server = password.substr(at + 1);
      password.resize(at);
    }
  }
  if (auto e = Enter("olog", "user=" + user + " password=" + password + " server=" + server +
                                 " mode=" + std::to_string(mode)))
    return FailCda(lda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!lda || !hda) return FailCda(lda, Error(1012));
  if (user.empty()) return FailCda(lda, Error(1017));
  if (SessionOfLda(lda)) return FailCda(lda, Error(1019, "unable to allocate memory in the user side"));
  State().logons[lda] = NewSession(user);
  return ResultCda(lda, {});
}

FAKEOCI_OCI7 sword ologof(CdaDef* lda) {
  if (auto e = Enter("ologof", "")) return FailCda(lda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  ServerSession* session = SessionOfLda(lda);
  if (!session) return FailCda(lda, Error(1012));
  RollbackWork();
  std::erase_if(State().cursors, [lda](const auto& entry) { return entry.second->lda == lda; });
  EndSession(session);
  State().logons.erase(lda);
  return ResultCda(lda, {});
}

FAKEOCI_OCI7 sword oerhms(CdaDef* lda, sb2 rcode, OraText* buf, sword bufsiz) {
  Enter("oerhms", "rc=" + std::to_string(rcode));
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  (void)lda;
  const int code = rcode < 0 ? -rcode : rcode;
  auto it = State().texts.find(code);
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  std::string text = prefix + (it != State().texts.end() ? it->second : Error(code).text) + "\n";
  if (bufsiz > 0) CopyOut(text, buf, static_cast<std::size_t>(bufsiz));
  return static_cast<sword>(text.size());
}

FAKEOCI_OCI7 sword ocom(CdaDef* lda) {
  if (auto e = Enter("ocom", "", SessionOfLda(lda))) return FailCda(lda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!SessionOfLda(lda)) return FailCda(lda, Error(1012));
  return ResultCda(lda, CommitWork());
}

FAKEOCI_OCI7 sword orol(CdaDef* lda) {
  if (auto e = Enter("orol", "", SessionOfLda(lda))) return FailCda(lda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!SessionOfLda(lda)) return FailCda(lda, Error(1012));
  return ResultCda(lda, RollbackWork());
}

FAKEOCI_OCI7 sword obreak(CdaDef* lda) {
  if (auto e = Enter("obreak", "")) return FailCda(lda, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  ServerSession* session = SessionOfLda(lda);
  if (!session) return FailCda(lda, Error(1012));
  BreakSession(session);
  return ResultCda(lda, {});
}

FAKEOCI_OCI7 sword opinit(ub4 mode) {
  Enter("opinit", "mode=" + std::to_string(mode));
  return 0;
}

FAKEOCI_OCI7 sword oopen(CdaDef* cursor, CdaDef* lda, OraText*, sword, sword, OraText*, sword) {
  if (auto e = Enter("oopen", "")) return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!cursor || !SessionOfLda(lda)) return FailCda(cursor, Error(1012));
  auto c = std::make_unique<OldCursor>();
  c->lda = lda;
  State().cursors[cursor] = std::move(c);
  return ResultCda(cursor, {});
}

FAKEOCI_OCI7 sword oclose(CdaDef* cursor) {
  if (auto e = Enter("oclose", "")) return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!CursorOf(cursor)) return FailCda(cursor, Error(1001, "invalid cursor"));
  State().cursors.erase(cursor);
  return ResultCda(cursor, {});
}

FAKEOCI_OCI7 sword oparse(CdaDef* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg) {
  std::string sql = TextArg(sqlstm, sqllen);
  while (!sql.empty() && sql.back() == '\0') sql.pop_back();
  if (auto e = Enter("oparse", "sql=" + sql + " defer=" + std::to_string(defflg) + " lng=" + std::to_string(lngflg)))
    return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  Status s = c->cursor.Prepare(sql);
  cursor->fc = static_cast<ub1>(c->cursor.FunctionCode());
  cursor->peo = 0;
  cursor->wrn = 0;
  return ResultCda(cursor, s);
}

FAKEOCI_OCI7 sword oexn(CdaDef* cursor, sword iters, sword rowoff) {
  if (auto e = Enter("oexn", "iters=" + std::to_string(iters) + " rowoff=" + std::to_string(rowoff),
                     SessionOfCursor(cursor)))
    return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  ServerSession* session = c ? SessionOfLda(c->lda) : nullptr;
  if (!c || !session) return FailCda(cursor, Error(1001, "invalid cursor"));
  if (rowoff != 0) return FailCda(cursor, Error(3115));
  // A query's rows come with ofen.
  Status s = c->cursor.Execute(*session, c->cursor.IsQuery() ? 0 : static_cast<ub4>(iters > 0 ? iters : 0), 0);
  cursor->rpc = c->cursor.RowCount();
  cursor->peo = c->cursor.ErrorOffset();
  // The ROWID of the row an INSERT made, as OCIRowidToChar tells it: object 1, file 1.
  const auto rowid = static_cast<std::uint64_t>(c->cursor.LastRowid());
  cursor->rid.rd.rcs4 = rowid ? 1 : 0;
  cursor->rid.rd.rcs5 = rowid ? 1 : 0;
  cursor->rid.rcs7 = static_cast<ub4>(rowid / 65536);
  cursor->rid.rcs8 = static_cast<ub2>(rowid % 65536);
  return ResultCda(cursor, s);
}

FAKEOCI_OCI7 sword oexec(CdaDef* cursor) { return oexn(cursor, 1, 0); }

// Arrays of structures (opcode 1) and values moved in pieces during the execution (opcode 0,
// whose context ogetpi hands back).
FAKEOCI_OCI7 sword obindps(CdaDef* cursor, ub1 opcode, OraText* sqlvar, sb4 sqlvl, ub1* pvctx, sb4 progvl, sword ftype,
                           sword, sb2* indp, ub2* alenp, ub2* rcodep, sb4 pvSkip, sb4 indSkip, sb4 alenSkip,
                           sb4 rcSkip, ub4 maxsiz, ub4* cursiz, OraText*, sb4, sword) {
  const std::string name = Name(sqlvar, sqlvl);
  if (auto e = Enter("obindps", "opcode=" + std::to_string(opcode) + " name=" + name + " type=" + std::to_string(ftype) +
                                    " size=" + std::to_string(progvl) +
                                    (maxsiz ? " max=" + std::to_string(maxsiz) : std::string())))
    return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  if (!c->cursor.HasPlaceholder(name)) return FailCda(cursor, Error(1036));
  if (opcode > 1) return FailCda(cursor, Error(1010, "invalid OCI operation"));
  BindSlot* slot = c->cursor.Bind({.name = name,
                                   .value = opcode == 1 ? pvctx : nullptr,
                                   .size = progvl,
                                   .type = static_cast<ub2>(ftype),
                                   .ind = indp,
                                   .alen = opcode == 1 ? alenp : nullptr,
                                   .rcode = opcode == 1 ? rcodep : nullptr,
                                   .maxArray = opcode == 1 ? maxsiz : 0,
                                   .curElements = opcode == 1 ? cursiz : nullptr,
                                   .valueSkip = static_cast<ub4>(std::max<sb4>(pvSkip, 0)),
                                   .indSkip = static_cast<ub4>(std::max<sb4>(indSkip, 0)),
                                   .alenSkip = static_cast<ub4>(std::max<sb4>(alenSkip, 0)),
                                   .rcodeSkip = static_cast<ub4>(std::max<sb4>(rcSkip, 0))});
  slot->atExec = opcode == 0;
  slot->context = opcode == 0 ? pvctx : nullptr;
  return ResultCda(cursor, {});
}

FAKEOCI_OCI7 sword ogetpi(CdaDef* cursor, ub1* piecep, void** ctxpp, ub4* iterp, ub4* indexp) {
  if (auto e = Enter("ogetpi", "")) return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  PieceRequest request;
  ub1 fetchPiece = 0;
  void* fetchContext = nullptr;
  if (c->cursor.PendingFetchPiece(fetchPiece, fetchContext)) {  // a LONG column of a fetch
    if (piecep) *piecep = fetchPiece;
    if (ctxpp) *ctxpp = fetchContext;
  } else if (!c->cursor.PendingPiece(request)) {
    return FailCda(cursor, Error(1010, "invalid OCI operation"));
  }
  if (request.slot) {
    if (piecep) *piecep = request.piece;
    if (ctxpp) *ctxpp = request.slot->context;
  }
  if (iterp) *iterp = 0;
  if (indexp) *indexp = 0;
  return ResultCda(cursor, {});
}

FAKEOCI_OCI7 sword osetpi(CdaDef* cursor, ub1 piece, void* bufp, ub4* lenp) {
  if (auto e = Enter("osetpi", "piece=" + std::to_string(piece) +
                                   " length=" + (lenp ? std::to_string(*lenp) : std::string("-"))))
    return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  ub1 fetchPiece = 0;
  void* fetchContext = nullptr;
  if (c->cursor.PendingFetchPiece(fetchPiece, fetchContext)) return ResultCda(cursor, c->cursor.SetFetchPiece(bufp, lenp));
  return ResultCda(cursor, c->cursor.SetPiece(nullptr, bufp, lenp, piece, nullptr));
}

FAKEOCI_OCI7 sword obndrv(CdaDef* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype, sword,
                          sb2* indp, OraText*, sword, sword) {
  return BindOld("obndrv", cursor, Name(sqlvar, sqlvl), 0, progv, progvl, ftype, indp, nullptr, nullptr);
}

FAKEOCI_OCI7 sword obndra(CdaDef* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype, sword,
                          sb2* indp, ub2* alen, ub2* arcode, ub4, ub4*, OraText*, sword, sword) {
  return BindOld("obndra", cursor, Name(sqlvar, sqlvl), 0, progv, progvl, ftype, indp, alen, arcode);
}

FAKEOCI_OCI7 sword obndrn(CdaDef* cursor, sword sqlvn, ub1* progv, sword progvl, sword ftype, sword, sb2* indp,
                          OraText*, sword, sword) {
  return BindOld("obndrn", cursor, std::string(), static_cast<ub4>(sqlvn), progv, progvl, ftype, indp, nullptr,
                 nullptr);
}

FAKEOCI_OCI7 sword odefin(CdaDef* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword, sb2* indp, OraText*,
                          sword, sword, ub2* rlen, ub2* rcode) {
  if (auto e = Enter("odefin", "pos=" + std::to_string(pos) + " type=" + std::to_string(ftype) +
                                   " size=" + std::to_string(bufl)))
    return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  if (pos < 1) return FailCda(cursor, Error(1007));
  c->cursor.Define({.position = static_cast<ub4>(pos),
                    .value = buf,
                    .size = bufl,
                    .type = static_cast<ub2>(ftype),
                    .ind = indp,
                    .rlen = rlen,
                    .rcode = rcode});
  return ResultCda(cursor, {});
}

FAKEOCI_OCI7 sword odescr(CdaDef* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl, sb4* dsize,
                          sb2* prec, sb2* scale, sb2* nullok) {
  if (auto e = Enter("odescr", "pos=" + std::to_string(pos))) return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  const auto& columns = c->cursor.Columns();
  if (pos < 1 || static_cast<std::size_t>(pos) > columns.size()) return FailCda(cursor, Error(1007));
  const Column& col = columns[static_cast<std::size_t>(pos - 1)];
  if (dbsize) *dbsize = col.size;
  if (dbtype) *dbtype = static_cast<sb2>(col.type);
  if (cbuf && cbufl && *cbufl > 0) {
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(*cbufl), col.name.size());
    std::memcpy(cbuf, col.name.data(), n);
    *cbufl = static_cast<sb4>(n);
  }
  if (dsize) *dsize = col.size;
  if (prec) *prec = col.precision;
  if (scale) *scale = col.scale;
  if (nullok) *nullok = col.nullable;
  return ResultCda(cursor, {});
}

FAKEOCI_OCI7 sword ofen(CdaDef* cursor, sword nrows) { return FetchOld("ofen", cursor, nrows); }

FAKEOCI_OCI7 sword ofetch(CdaDef* cursor) { return FetchOld("ofetch", cursor, 1); }

FAKEOCI_OCI7 sword ocan(CdaDef* cursor) {
  if (auto e = Enter("ocan", "")) return FailCda(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  OldCursor* c = CursorOf(cursor);
  if (!c) return FailCda(cursor, Error(1001, "invalid cursor"));
  c->cursor.Close();
  return ResultCda(cursor, {});
}
