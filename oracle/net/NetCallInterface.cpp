#include "oracle/net/NetCallInterface.h"

#include <cstring>

#include "oracle/OraConsts.h"
#include "oracle/client/OraCall.h"
#include "oracle/net/NetEntries.h"
#include "oracle/net/NetHandle.h"
#include "oracle/net/NetStatementHandle.h"
#include "oracle/net/NetText.h"

namespace ora {
namespace {

constexpr const char* SNotSupported = "Function is not supported";
constexpr std::int32_t kNotBound = 1036;  // illegal variable name/number
constexpr int kFirstOracle8Version = 8001;

// An entry the network client cannot answer: it raises at once, whatever it is called with.
template <class F>
struct TNotSupported;
template <class R, class... A>
struct TNotSupported<R (*)(A...)> {
  static R Call(A...) { RaiseError(SNotSupported); }
};

TNetError* ErrorOf(OCIError* handle) {
  TNetErrorHandle* error = NetHandleAs<TNetErrorHandle>(handle);
  return error ? &error->Error : nullptr;
}

// A text handed in with a length; a negative length means "up to the zero byte".
std::string TextIn(const OraText* text, sb4 length) {
  const char* chars = reinterpret_cast<const char*>(text);
  if (!chars) return {};
  return length < 0 ? std::string(chars) : TextOfLength(chars, std::uint32_t(length));
}

// What a bind or define call gives; skips and callbacks from an earlier call are forgotten.
void StoreItem(TNetItem& item, void* value, sb4 size, ub2 type, void* indicator, ub2* length) {
  item.valueSkip = item.indicatorSkip = item.lengthSkip = 0;
  item.inCallback = nullptr;
  item.outCallback = nullptr;
  item.type = type;
  item.value = value;
  item.maxSize = size;
  item.indicator = static_cast<std::int16_t*>(indicator);
  item.length = length;
}

sword Unbound(TNetError& error) {
  // No text: the caller's message becomes "ORA-" and the number.
  error = {kNotBound, {}};
  return OCI_ERROR;
}

// What a bind call stores, and the bind's handle handed back; an unknown bind is 1036.
sword StoreBind(TNetBind* found, TNetError& error, OCIBind** handle, void* value, sb4 size, ub2 type, void* indicator,
                ub2* length, ub4 maxArrayLength, ub4* arrayLength) {
  if (!found) return Unbound(error);
  TNetBind& bind = *found;
  StoreItem(bind, value, size, type, indicator, length);
  bind.maxArrayLength = maxArrayLength;
  bind.arrayLength = arrayLength;
  *handle = reinterpret_cast<OCIBind*>(static_cast<TNetHandle*>(found));
  return OCI_SUCCESS;
}

// The skips between array elements of a bind or define.
template <class T>
sword StoreSkips(void* handle, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip) {
  T* item = NetHandleAs<T>(handle);
  if (!item) return OCI_INVALID_HANDLE;
  item->valueSkip = valueSkip;
  item->indicatorSkip = indicatorSkip;
  item->lengthSkip = lengthSkip;
  return OCI_SUCCESS;
}

sword Free(void* handle) {
  auto* h = static_cast<TNetHandle*>(handle);
  if (!h) return OCI_INVALID_HANDLE;
  if (!h->FreedWithOwner()) delete h;
  return OCI_SUCCESS;
}

}  // namespace

namespace netentry {

sword EnvCreate(OCIEnv** env, ub4, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn, std::size_t, void**) {
  if (env) *env = nullptr;  // the network client keeps no environment state
  return OCI_SUCCESS;
}

sword HandleAlloc(const void* parent, void** handle, ub4 type, std::size_t, void**) {
  if (!handle) return OCI_INVALID_HANDLE;
  void* owner = const_cast<void*>(parent);
  TNetHandle* made = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR: made = new TNetErrorHandle(owner); break;
    case OCI_HTYPE_SVCCTX: made = new TNetServiceContext(owner); break;
    case OCI_HTYPE_STMT: made = new TNetStatement(owner); break;
    case OCI_HTYPE_SERVER: made = new TNetServerHandle(owner); break;
    case OCI_HTYPE_SESSION: made = new TNetSessionHandle(owner); break;
    default: return OCI_INVALID_HANDLE;
  }
  *handle = made;
  return OCI_SUCCESS;
}

sword HandleFree(void* handle, ub4) { return Free(handle); }

sword DescriptorAlloc(const void* parent, void** descriptor, ub4 type, std::size_t, void**) {
  if (!descriptor) return OCI_INVALID_HANDLE;
  void* owner = const_cast<void*>(parent);
  switch (type) {
    case OCI_DTYPE_LOB:
    case OCI_DTYPE_FILE: *descriptor = static_cast<TNetHandle*>(new TNetLobLocator(owner)); return OCI_SUCCESS;
    case OCI_DTYPE_ROWID: *descriptor = static_cast<TNetHandle*>(new TNetRowid(owner)); return OCI_SUCCESS;
    default: return OCI_INVALID_HANDLE;
  }
}

sword DescriptorFree(void* descriptor, ub4) { return Free(descriptor); }

sword AttrGet(const void* handle, ub4, void* value, ub4* size, ub4 attribute, OCIError*) {
  TNetHandle* h = NetHandleAs<TNetHandle>(handle);
  return h ? h->AttrGet(attribute, value, size) : OCI_INVALID_HANDLE;
}

sword AttrSet(void* handle, ub4, void* value, ub4 size, ub4 attribute, OCIError* error) {
  TNetHandle* h = NetHandleAs<TNetHandle>(handle);
  return h ? h->AttrSet(attribute, value, size, ErrorOf(error)) : OCI_INVALID_HANDLE;
}

sword ParamGet(const void* handle, ub4, OCIError* error, void** parameter, ub4 position) {
  TNetHandle* h = NetHandleAs<TNetHandle>(handle);
  if (!h || !parameter) return OCI_INVALID_HANDLE;
  TNetHandle* found = nullptr;
  const sword result = h->ParamGet(position, found, ErrorOf(error));
  if (result == OCI_SUCCESS) *parameter = found;
  return result;
}

sword ErrorGet(void* handle, ub4 record, OraText*, sb4* code, OraText* buffer, ub4 size, ub4 type) {
  TNetErrorHandle* error = type == OCI_HTYPE_ERROR ? NetHandleAs<TNetErrorHandle>(handle) : nullptr;
  if (!error) return OCI_INVALID_HANDLE;
  if (code) *code = error->Error.code;
  if (error->Error.code == 0 || record != 1) return OCI_NO_DATA;
  CopyTerminated(error->Error.text, reinterpret_cast<char*>(buffer), size);
  return OCI_SUCCESS;
}

sword ServerAttach(OCIServer* server, OCIError*, const OraText* text, sb4 length, ub4) {
  TNetServerHandle* s = NetHandleAs<TNetServerHandle>(server);
  if (!s) return OCI_INVALID_HANDLE;
  s->ServerText = TextIn(text, length);  // the logon connects; attaching sends nothing
  return OCI_SUCCESS;
}

sword ServerDetach(OCIServer*, OCIError*, ub4) { return OCI_SUCCESS; }

sword ServerVersion(void* handle, OCIError*, OraText* buffer, ub4 size, ub1 type) {
  if (type != OCI_HTYPE_SVCCTX) return OCI_SUCCESS;
  TNetServiceContext* context = NetHandleAs<TNetServiceContext>(handle);
  if (!context) return OCI_INVALID_HANDLE;
  const char* text = context->Session().ServerVersion() < kFirstOracle8Version ? "Oracle7" : "Oracle8";
  CopyTerminated(text, reinterpret_cast<char*>(buffer), size);
  return OCI_SUCCESS;
}

sword SessionBegin(OCISvcCtx* context, OCIError* error, OCISession* session, ub4, ub4) {
  TNetServiceContext* c = NetHandleAs<TNetServiceContext>(context);
  TNetSessionHandle* s = NetHandleAs<TNetSessionHandle>(session);
  TNetError* e = ErrorOf(error);
  if (!c || !s || !e) return OCI_INVALID_HANDLE;
  c->SetSessionHandle(s);
  return c->Logon(*e);
}

sword SessionEnd(OCISvcCtx* context, OCIError* error, OCISession*, ub4) {
  TNetServiceContext* c = NetHandleAs<TNetServiceContext>(context);
  TNetError* e = ErrorOf(error);
  if (!c || !e) return OCI_INVALID_HANDLE;
  return c->Session().Logoff(*e);
}

sword Break(void* handle, OCIError* error) {
  TNetServiceContext* c = NetHandleAs<TNetServiceContext>(handle);
  TNetError* e = ErrorOf(error);
  if (!c || !e) return OCI_INVALID_HANDLE;
  return c->Session().Break(*e);
}

sword TransCommit(OCISvcCtx* context, OCIError* error, ub4) {
  TNetServiceContext* c = NetHandleAs<TNetServiceContext>(context);
  TNetError* e = ErrorOf(error);
  if (!c || !e) return OCI_INVALID_HANDLE;
  return c->Session().Commit(*e);
}

sword TransRollback(OCISvcCtx* context, OCIError* error, ub4) {
  TNetServiceContext* c = NetHandleAs<TNetServiceContext>(context);
  TNetError* e = ErrorOf(error);
  if (!c || !e) return OCI_INVALID_HANDLE;
  return c->Session().Rollback(*e);
}

sword StmtPrepare(OCIStmt* statement, OCIError* error, const OraText* text, ub4 length, ub4, ub4) {
  TNetStatement* s = NetHandleAs<TNetStatement>(statement);
  TNetError* e = ErrorOf(error);
  if (!s || !e) return OCI_INVALID_HANDLE;
  return s->PrepareText(StatementText(reinterpret_cast<const char*>(text), length), *e);
}

sword StmtExecute(OCISvcCtx* context, OCIStmt* statement, OCIError* error, ub4 iterations, ub4,
                  const OCISnapshot*, OCISnapshot*, ub4 mode) {
  TNetServiceContext* c = NetHandleAs<TNetServiceContext>(context);
  TNetStatement* s = NetHandleAs<TNetStatement>(statement);
  TNetError* e = ErrorOf(error);
  if (!c || !s || !e) return OCI_INVALID_HANDLE;
  return s->ExecuteOn(*c, *e, iterations, mode);
}

sword StmtFetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2, ub4) {
  TNetStatement* s = NetHandleAs<TNetStatement>(statement);
  TNetError* e = ErrorOf(error);
  if (!s || !e) return OCI_INVALID_HANDLE;
  return s->FetchRows(*e, rows);
}

sword BindByName(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name, sb4 nameLength,
                 void* value, sb4 size, ub2 type, void* indicator, ub2* length, ub2*, ub4 maxArrayLength,
                 ub4* arrayLength, ub4) {
  TNetStatement* s = NetHandleAs<TNetStatement>(statement);
  TNetError* e = ErrorOf(error);
  if (!s || !e || !bind) return OCI_INVALID_HANDLE;
  return StoreBind(s->BindNamed(TextIn(name, nameLength)), *e, bind, value, size, type, indicator, length,
                   maxArrayLength, arrayLength);
}

sword BindByPos(OCIStmt* statement, OCIBind** bind, OCIError* error, ub4 position, void* value, sb4 size, ub2 type,
                void* indicator, ub2* length, ub2*, ub4 maxArrayLength, ub4* arrayLength, ub4) {
  TNetStatement* s = NetHandleAs<TNetStatement>(statement);
  TNetError* e = ErrorOf(error);
  if (!s || !e || !bind) return OCI_INVALID_HANDLE;
  return StoreBind(s->BindAt(position), *e, bind, value, size, type, indicator, length, maxArrayLength, arrayLength);
}

sword BindArrayOfStruct(OCIBind* bind, OCIError*, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip, ub4) {
  return StoreSkips<TNetBind>(bind, valueSkip, indicatorSkip, lengthSkip);
}

sword BindDynamic(OCIBind* bind, OCIError*, void* inContext, OCICallbackInBind in, void* outContext,
                  OCICallbackOutBind out) {
  TNetBind* b = NetHandleAs<TNetBind>(bind);
  if (!b) return OCI_INVALID_HANDLE;
  b->SetCallbacks(inContext, in, outContext, out);
  return OCI_SUCCESS;
}

sword DefineByPos(OCIStmt* statement, OCIDefine** define, OCIError*, ub4 position, void* value, sb4 size, ub2 type,
                  void* indicator, ub2* length, ub2*, ub4) {
  TNetStatement* s = NetHandleAs<TNetStatement>(statement);
  if (!s || !define || position < 1) return OCI_INVALID_HANDLE;
  TNetDefine& d = s->DefineHandleAt(position);
  StoreItem(d, value, size, type, indicator, length);
  *define = reinterpret_cast<OCIDefine*>(static_cast<TNetHandle*>(&d));
  return OCI_SUCCESS;
}

sword DefineArrayOfStruct(OCIDefine* define, OCIError*, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip, ub4) {
  return StoreSkips<TNetDefine>(define, valueSkip, indicatorSkip, lengthSkip);
}

sword DefineDynamic(OCIDefine* define, OCIError*, void* context, OCICallbackDefine callback) {
  TNetDefine* d = NetHandleAs<TNetDefine>(define);
  if (!d) return OCI_INVALID_HANDLE;
  d->SetCallback(context, callback);
  return OCI_SUCCESS;
}

sword LobLocatorIsInit(OCIEnv*, OCIError*, const OCILobLocator* locator, boolean* isInit) {
  TNetLobLocator* l = NetHandleAs<TNetLobLocator>(locator);
  if (!l || !isInit) return OCI_INVALID_HANDLE;
  *isInit = l->Lob.locator.empty() ? 0 : 1;
  return OCI_SUCCESS;
}

sword LobCharSetForm(OCIEnv*, OCIError*, const OCILobLocator*, ub1*) {
  // The form is not known to the network client: success with information, nothing written.
  return OCI_SUCCESS_WITH_INFO;
}

}  // namespace netentry

void InitNet() {
  // Entries left alone must not lead into a library about to be unloaded.
  if (OCILoaded() || OCIInited) FreeOCI();
#define ORA_NET_ENTRY(name, emulation) name = &netentry::emulation;
  ORA_NET_ENTRY(OCIEnvCreate, EnvCreate)
  ORA_NET_ENTRY(OCIHandleAlloc, HandleAlloc)
  ORA_NET_ENTRY(OCIHandleFree, HandleFree)
  ORA_NET_ENTRY(OCIDescriptorAlloc, DescriptorAlloc)
  ORA_NET_ENTRY(OCIDescriptorFree, DescriptorFree)
  ORA_NET_ENTRY(OCIAttrGet, AttrGet)
  ORA_NET_ENTRY(OCIAttrSet, AttrSet)
  ORA_NET_ENTRY(OCIParamGet, ParamGet)
  ORA_NET_ENTRY(OCIErrorGet, ErrorGet)
  ORA_NET_ENTRY(OCIServerAttach, ServerAttach)
  ORA_NET_ENTRY(OCIServerDetach, ServerDetach)
  ORA_NET_ENTRY(OCISessionBegin, SessionBegin)
  ORA_NET_ENTRY(OCISessionEnd, SessionEnd)
  ORA_NET_ENTRY(OCIServerVersion, ServerVersion)
  ORA_NET_ENTRY(OCIBreak, Break)
  ORA_NET_ENTRY(OCITransCommit, TransCommit)
  ORA_NET_ENTRY(OCITransRollback, TransRollback)
  ORA_NET_ENTRY(OCIStmtPrepare, StmtPrepare)
  ORA_NET_ENTRY(OCIStmtExecute, StmtExecute)
  ORA_NET_ENTRY(OCIStmtFetch, StmtFetch)
  ORA_NET_ENTRY(OCIBindByName, BindByName)
  ORA_NET_ENTRY(OCIBindByPos, BindByPos)
  ORA_NET_ENTRY(OCIDefineByPos, DefineByPos)
  ORA_NET_ENTRY(OCIBindArrayOfStruct, BindArrayOfStruct)
  ORA_NET_ENTRY(OCIDefineArrayOfStruct, DefineArrayOfStruct)
  ORA_NET_ENTRY(OCIBindDynamic, BindDynamic)
  ORA_NET_ENTRY(OCIDefineDynamic, DefineDynamic)
  ORA_NET_ENTRY(OCILobLocatorIsInit, LobLocatorIsInit)
  ORA_NET_ENTRY(OCILobCharSetForm, LobCharSetForm)
  ORA_NET_ENTRY(OCILobGetLength, LobGetLength)
  ORA_NET_ENTRY(OCILobRead, LobRead)
  ORA_NET_ENTRY(OCILobWrite, LobWrite)
  ORA_NET_ENTRY(OCILobTrim, LobTrim)
#undef ORA_NET_ENTRY
#define ORA_NET_UNSUPPORTED(name) name = &TNotSupported<name##_t>::Call;
  ORA_NET_UNSUPPORTED(OCIBindObject)
  ORA_NET_UNSUPPORTED(OCIDefineObject)
  ORA_NET_UNSUPPORTED(OCIDescribeAny)
  ORA_NET_UNSUPPORTED(OCIInitialize)
  ORA_NET_UNSUPPORTED(OCILdaToSvcCtx)
  ORA_NET_UNSUPPORTED(OCIPasswordChange)
  ORA_NET_UNSUPPORTED(OCIStmtFetch2)
  ORA_NET_UNSUPPORTED(OCIStmtGetPieceInfo)
  ORA_NET_UNSUPPORTED(OCIStmtSetPieceInfo)
  ORA_NET_UNSUPPORTED(OCISvcCtxToLda)
  ORA_NET_UNSUPPORTED(OCILobAppend)
  ORA_NET_UNSUPPORTED(OCILobAssign)
  ORA_NET_UNSUPPORTED(OCILobCharSetId)
  ORA_NET_UNSUPPORTED(OCILobCopy)
  ORA_NET_UNSUPPORTED(OCILobDisableBuffering)
  ORA_NET_UNSUPPORTED(OCILobEnableBuffering)
  ORA_NET_UNSUPPORTED(OCILobErase)
  ORA_NET_UNSUPPORTED(OCILobFileClose)
  ORA_NET_UNSUPPORTED(OCILobFileExists)
  ORA_NET_UNSUPPORTED(OCILobFileGetName)
  ORA_NET_UNSUPPORTED(OCILobFileIsOpen)
  ORA_NET_UNSUPPORTED(OCILobFileOpen)
  ORA_NET_UNSUPPORTED(OCILobFileSetName)
  ORA_NET_UNSUPPORTED(OCILobFlushBuffer)
  ORA_NET_UNSUPPORTED(OCILobIsEqual)
  ORA_NET_UNSUPPORTED(OCILobLoadFromFile)
  ORA_NET_UNSUPPORTED(OCILobCreateTemporary)
#undef ORA_NET_UNSUPPORTED

  OCIVersion = 3;
  OCICallStyle = OCI80;
  PossibleOCICallStyles = csOCI8;
  sword status = OCIEnvCreate(&hOCIEnv, OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  if (status == OCI_SUCCESS)
    status = OCIHandleAlloc(hOCIEnv, reinterpret_cast<void**>(&hOCIError), OCI_HTYPE_ERROR, 0, nullptr);
  if (status != OCI_SUCCESS) {
    FreeOCI();
    RaiseError(SCannotInitNet);
  }
  OCIInited = true;
}

void FinishNet() {
  // FreeOCI (the session component's first step) has usually freed the error handle already;
  // done here too, nothing of the mode stays behind.
  FreeOCI();
}

bool NetInited() { return OCIEnvCreate == &netentry::EnvCreate; }

IOciBackEnd& NetCallInterface() {
  class TNetCallInterface : public IOciBackEnd {
   public:
    void Init() override { InitNet(); }
    void Finish() override { FinishNet(); }
  };
  static TNetCallInterface client;
  return client;
}

}  // namespace ora
