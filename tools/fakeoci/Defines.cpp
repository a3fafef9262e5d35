// Values that do not arrive in one buffer: LONG values through a dynamic define's callback, or
// through the old interface's piecewise defines and piece calls, piece by piece; the old
// interface's array defines; and the misreports a test may ask for.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

// Clients from 8.1.6 up to 9 wrote a dynamic define's indicator 2 bytes further for each row of
// the array; "define_indicator_step" = "1" makes the stand-in one of them.
bool StepsIndicators() { return Setting("define_indicator_step") == "1"; }

}  // namespace

ub4 RowCountBias() { return static_cast<ub4>(std::atoi(Setting("lie_row_count").c_str())); }

ub4 LengthBias() { return static_cast<ub4>(std::atoi(Setting("lie_lengths").c_str())); }

ub4 CollectionSizeBias() { return static_cast<ub4>(std::atoi(Setting("lie_collection_size").c_str())); }

Status PutDynamic(const DefineSlot& define, const Value& value, ub4 r) {
  const std::string data = value.kind == Value::Null ? std::string()
                           : (define.type == SQLT_LBI || define.type == SQLT_BIN) && value.kind == Value::Blob
                               ? value.s
                               : value.AsText();
  std::size_t done = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* rcode = nullptr;
    const sb4 rc = define.callback(define.callbackContext, static_cast<OCIDefine*>(define.handle), r, &buffer, &length,
                                   &piece, &indicator, &rcode);
    if (rc != OCI_CONTINUE) return Error(24343, "user defined callback error");
    if (!length || (!buffer && *length > 0)) return Error(3115);
    const std::size_t n = std::min<std::size_t>(*length, data.size() - done);
    if (n) std::memcpy(buffer, data.data() + done, n);
    done += n;
    *length = static_cast<ub4>(n) + LengthBias();
    if (indicator) {
      auto* ind = static_cast<char*>(indicator) + (StepsIndicators() ? 2u * r : 0u);
      const sb2 v = value.kind == Value::Null ? -1 : 0;
      std::memcpy(ind, &v, sizeof v);
    }
    if (rcode) *rcode = 0;
    piece = OCI_NEXT_PIECE;
    if (n == 0 && done < data.size()) return Error(3115);  // a buffer without room
  } while (done < data.size());
  return {};
}

bool Cursor::HasPieceDefines() const {
  return std::any_of(defines_.begin(), defines_.end(), [](const DefineSlot& d) { return d.pieces; });
}

Status Cursor::NextPieceColumn(std::size_t from) {
  PieceFetch& x = pieceFetch_;
  for (x.define = from; x.define < defines_.size(); ++x.define) {
    if (!defines_[x.define].pieces) continue;
    x.offset = 0;
    x.asked = OCI_FIRST_PIECE;
    x.given = false;
    return Error(kNeedOutputPiece);
  }
  // Every piece moved: the other columns of the row go as usual.
  x.active = false;
  Status s = PutRow(x.row, 0);
  if (s.Ok() || s.code == 24345) rowCount_ += 1 + RowCountBias();
  return s;
}

Status Cursor::FetchInPieces(ub4 rows, ub4& got) {
  PieceFetch& x = pieceFetch_;
  if (!x.active) {
    if (rows != 1) return Error(3115);  // values in pieces come a row at a time
    if (!query_ && !pending_) return Error(1002);
    bool have = false;
    Status s = StepRow(x.row, have);
    if (!s.Ok()) return s;
    if (!have) return Error(1403);
    for (const DefineSlot& d : defines_)
      if (d.position < 1 || d.position > x.row.size()) return Error(1007);
    x.active = true;
    return NextPieceColumn(0);
  }
  if (!x.given) return Error(1010, "invalid OCI operation");  // no buffer for the piece asked
  const DefineSlot& d = defines_[x.define];
  const Value& v = x.row[d.position - 1];
  const std::string data = v.kind == Value::Null                      ? std::string()
                           : d.type == SQLT_LBI && v.kind == Value::Blob ? v.s
                                                                        : v.AsText();
  const ub4 room = x.length ? *x.length : 0;
  if (!x.buffer && room > 0) return Error(3115);
  const std::size_t n = std::min<std::size_t>(room, data.size() - x.offset);
  if (n) std::memcpy(x.buffer, data.data() + x.offset, n);
  x.offset += n;
  if (x.length) *x.length = static_cast<ub4>(n) + LengthBias();
  if (d.ind) {
    const sb2 ind = v.kind == Value::Null ? -1 : 0;
    std::memcpy(d.ind, &ind, sizeof ind);
  }
  x.given = false;
  if (x.offset < data.size()) {
    if (n == 0) return Error(3115);  // a buffer without room
    x.asked = OCI_NEXT_PIECE;
    return Error(kNeedOutputPiece);
  }
  Status s = NextPieceColumn(x.define + 1);
  if (!x.active) got = 1;
  return s;
}

bool Cursor::PendingFetchPiece(ub1& piece, void*& context) const {
  if (!pieceFetch_.active) return false;
  piece = pieceFetch_.asked;
  context = defines_[pieceFetch_.define].context;
  return true;
}

Status Cursor::SetFetchPiece(void* buffer, ub4* length) {
  pieceFetch_.given = true;
  pieceFetch_.buffer = buffer;
  pieceFetch_.length = length;
  return {};
}

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_OCI8 sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp) {
  if (auto e = Enter("OCIDefineDynamic", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* define = Live<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  if (!define || !ocbfp) return OCI_INVALID_HANDLE;
  define->slot->callback = ocbfp;
  define->slot->callbackContext = octxp;
  define->slot->handle = defnp;
  return OCI_SUCCESS;
}

FAKEOCI_OCI7 sword odefinps(CdaDef* cursor, ub1 opcode, sword pos, ub1* bufctx, sb4 bufl, sword ftype, sword, sb2* indp,
                            OraText*, sb4, sword, ub2* rlenp, ub2* rcodep, sb4 bufSkip, sb4 indSkip, sb4 lenSkip,
                            sb4 rcSkip) {
  if (auto e = Enter("odefinps", "op=" + std::to_string(opcode) + " pos=" + std::to_string(pos) +
                                     " type=" + std::to_string(ftype) + " size=" + std::to_string(bufl) +
                                     " skip=" + std::to_string(bufSkip) + "," + std::to_string(indSkip)))
    return OldFail(cursor, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Cursor* c = OldCursorOf(cursor);
  if (!c) return OldResult(cursor, Error(1001, "invalid cursor"));
  if (pos < 1 || bufSkip < 0 || indSkip < 0 || lenSkip < 0 || rcSkip < 0) return OldResult(cursor, Error(1007));
  if (opcode > 1) return OldResult(cursor, Error(1010, "invalid OCI operation"));
  if (opcode == 0) {  // the value in pieces: bufctx is the context ogetpi hands back
    DefineSlot* slot = c->Define({.position = static_cast<ub4>(pos),
                                  .size = bufl,
                                  .type = static_cast<ub2>(ftype),
                                  .ind = indp,
                                  .rlen = rlenp,
                                  .rcode = rcodep});
    slot->pieces = true;
    slot->context = bufctx;
    return OldResult(cursor, {});
  }
  c->Define({.position = static_cast<ub4>(pos),
             .value = bufctx,
             .size = bufl,
             .type = static_cast<ub2>(ftype),
             .ind = indp,
             .rlen = rlenp,
             .rcode = rcodep,
             .valueSkip = static_cast<ub4>(bufSkip),
             .indSkip = static_cast<ub4>(indSkip),
             .rlenSkip = static_cast<ub4>(lenSkip),
             .rcodeSkip = static_cast<ub4>(rcSkip)});
  return OldResult(cursor, {});
}
