// The LOB entries of the emulated call interface: the server's dbms_lob package, called through
// PL/SQL blocks on a statement of their own. Each status goes through Check, so a failure raises
// EOraError as a client library's status would through the caller's own check.
#include <algorithm>
#include <cstring>

#include "oracle/client/OraCall.h"
#include "oracle/net/NetCallInterface.h"
#include "oracle/net/NetEntries.h"
#include "oracle/net/NetHandle.h"

namespace ora::netentry {
namespace {

constexpr std::int32_t kEndOfLob = 1403;  // no data found: the read began past the end

// One block on a statement of its own, freed whatever happens.
class TLobBlock {
 public:
  TLobBlock(OCISvcCtx* context, OCIError* error, const char* sql) : context_(context), error_(error) {
    Check(HandleAlloc(hOCIEnv, &statement_, OCI_HTYPE_STMT, 0, nullptr), error_);
    Check(StmtPrepare(Statement(), error_, reinterpret_cast<const OraText*>(sql), ub4(std::strlen(sql)),
                      OCI_NTV_SYNTAX, OCI_DEFAULT),
          error_);
  }
  ~TLobBlock() { HandleFree(statement_, OCI_HTYPE_STMT); }
  TLobBlock(const TLobBlock&) = delete;
  TLobBlock& operator=(const TLobBlock&) = delete;

  void Bind(ub4 position, void* value, sb4 size, ub2 type) {
    OCIBind* bind = nullptr;
    Check(BindByPos(Statement(), &bind, error_, position, value, size, type, &indicator_, nullptr, nullptr, 0, nullptr,
                    OCI_DEFAULT),
          error_);
  }
  void BindInteger(ub4 position, sb4& value) { Bind(position, &value, sizeof value, SQLT_INT); }
  // The locator by its handle: a pointer-sized slot here, 4 bytes on the wire.
  void BindLocator(ub4 position, OCILobLocator*& locator, ub2 lobType) { Bind(position, &locator, 4, lobType); }
  // :2, :3 and :4 of the read and write blocks: the chunk's amount, its 1-based offset, its bytes.
  void BindChunk(sb4& amount, sb4& offset, void* bytes, ub4 chunk, ub2 bufferType) {
    BindInteger(2, amount);
    BindInteger(3, offset);
    Bind(4, bytes, sb4(chunk), bufferType);
  }
  sword Execute() { return StmtExecute(context_, Statement(), error_, 1, 0, nullptr, nullptr, OCI_DEFAULT); }
  OCIError* Error() const { return error_; }

 private:
  OCIStmt* Statement() const { return static_cast<OCIStmt*>(statement_); }

  OCISvcCtx* context_;
  OCIError* error_;
  void* statement_ = nullptr;
  sb2 indicator_ = 0;  // every value is given
};

TNetLobLocator* LocatorOf(const OCILobLocator* locator) { return NetHandleAs<TNetLobLocator>(locator); }

// The type a locator is bound with; one the server never typed counts as a BLOB.
ub2 LobTypeOf(const TNetLobLocator& locator) { return locator.Lob.type ? locator.Lob.type : ub2(kTypeBlob); }

// A chunk's buffer is text for a CLOB, raw bytes otherwise.
ub2 BufferTypeOf(const TNetLobLocator& locator) { return LobTypeOf(locator) == kTypeClob ? SQLT_AFC : SQLT_BIN; }

// How much of the buffer a call moves: the buffer, or less when the caller asks for less.
ub4 LimitOf(const ub4* amount, ub4 bufferLength) {
  return amount && *amount > 0 ? std::min(*amount, bufferLength) : bufferLength;
}

}  // namespace

sword LobGetLength(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* length) {
  TNetLobLocator* l = LocatorOf(locator);
  if (!l || !length) return OCI_INVALID_HANDLE;
  TLobBlock block(context, error, "begin :1 := dbms_lob.getLength(:2); end;");
  sb4 result = 0;
  block.BindInteger(1, result);
  block.BindLocator(2, locator, LobTypeOf(*l));
  Check(block.Execute(), error);
  *length = ub4(std::max<sb4>(result, 0));
  return OCI_SUCCESS;
}

sword LobTrim(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4 length) {
  TNetLobLocator* l = LocatorOf(locator);
  if (!l) return OCI_INVALID_HANDLE;
  TLobBlock block(context, error, "begin dbms_lob.trim(:1,:2); end;");
  sb4 newLength = sb4(length);
  block.BindLocator(1, locator, LobTypeOf(*l));
  block.BindInteger(2, newLength);
  Check(block.Execute(), error);
  return OCI_SUCCESS;
}

sword LobRead(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
              ub4 bufferLength, void*, OCICallbackLobRead, ub2, ub1) {
  TNetLobLocator* l = LocatorOf(locator);
  TNetErrorHandle* e = NetHandleAs<TNetErrorHandle>(error);
  if (!l || !e || (!buffer && bufferLength > 0)) return OCI_INVALID_HANDLE;
  const ub4 limit = LimitOf(amount, bufferLength);
  TLobBlock block(context, error, "begin dbms_lob.read(:1,:2,:3,:4); end;");
  block.BindLocator(1, locator, LobTypeOf(*l));
  ub4 total = 0;
  while (total < limit) {
    const ub4 chunk = std::min(kNetLobChunk, limit - total);
    sb4 got = sb4(chunk);
    sb4 at = sb4(offset + total);
    block.BindChunk(got, at, static_cast<std::uint8_t*>(buffer) + total, chunk, BufferTypeOf(*l));
    const sword status = block.Execute();
    if (status != OCI_SUCCESS && e->Error.code == kEndOfLob) break;
    Check(status, error);
    // The server may claim more than was asked: only the chunk's room was written.
    const ub4 read = ub4(std::clamp<sb4>(got, 0, sb4(chunk)));
    total += read;
    if (read < chunk && read < kNetLobChunk) break;
  }
  if (amount) *amount = total;
  return OCI_SUCCESS;
}

sword LobWrite(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
               ub4 bufferLength, ub1, void*, OCICallbackLobWrite, ub2, ub1) {
  TNetLobLocator* l = LocatorOf(locator);
  if (!l || (!buffer && bufferLength > 0)) return OCI_INVALID_HANDLE;
  const ub4 limit = LimitOf(amount, bufferLength);
  TLobBlock block(context, error, "begin dbms_lob.write(:1,:2,:3,:4); end;");
  block.BindLocator(1, locator, LobTypeOf(*l));
  ub4 total = 0;
  while (total < limit) {
    const ub4 chunk = std::min(kNetLobChunk, limit - total);
    sb4 count = sb4(chunk);
    sb4 at = sb4(offset + total);
    block.BindChunk(count, at, static_cast<std::uint8_t*>(buffer) + total, chunk, BufferTypeOf(*l));
    Check(block.Execute(), error);
    total += chunk;
  }
  if (amount) *amount = total;
  return OCI_SUCCESS;
}

}  // namespace ora::netentry
