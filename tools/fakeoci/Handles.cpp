// Handles and descriptors, their attributes, error handles and environments.
#include <cstring>
#include <unordered_map>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

std::unordered_map<const void*, std::unique_ptr<Handle>>& Handles() {
  static std::unordered_map<const void*, std::unique_ptr<Handle>> handles;
  return handles;
}

const char* TypeName(ub4 type) {
  switch (type) {
    case OCI_HTYPE_ENV: return "env";
    case OCI_HTYPE_ERROR: return "error";
    case OCI_HTYPE_SVCCTX: return "svcctx";
    case OCI_HTYPE_STMT: return "stmt";
    case OCI_HTYPE_BIND: return "bind";
    case OCI_HTYPE_DEFINE: return "define";
    case OCI_HTYPE_SERVER: return "server";
    case OCI_HTYPE_SESSION: return "session";
    case OCI_DTYPE_PARAM: return "param";
    case OCI_DTYPE_LOB: return "lob";
    case OCI_DTYPE_ROWID: return "rowid";
    case OCI_DTYPE_FILE: return "file";
    case OCI_DTYPE_INTERVAL_YM: case OCI_DTYPE_INTERVAL_DS: return "interval";
    case OCI_DTYPE_TIMESTAMP: case OCI_DTYPE_TIMESTAMP_TZ: case OCI_DTYPE_TIMESTAMP_LTZ: return "timestamp";
    default: return "other";
  }
}

std::string Details(ub4 type) { return "type=" + std::to_string(type) + " (" + TypeName(type) + ")"; }

std::unique_ptr<Handle> MakeHandle(ub4 type, Handle* parent) {
  switch (type) {
    case OCI_HTYPE_ENV: return std::make_unique<EnvHandle>(type, parent);
    case OCI_HTYPE_ERROR: return std::make_unique<ErrorHandle>(type, parent);
    case OCI_HTYPE_SVCCTX: return std::make_unique<SvcCtxHandle>(type, parent);
    case OCI_HTYPE_STMT: return std::make_unique<StmtHandle>(type, parent);
    case OCI_HTYPE_SERVER: return std::make_unique<ServerHandle>(type, parent);
    case OCI_HTYPE_SESSION: return std::make_unique<SessionHandle>(type, parent);
    case OCI_HTYPE_DESCRIBE: return std::make_unique<Handle>(type, parent);
    default: return nullptr;
  }
}

// Copies an attribute value of n bytes out, with its size when asked.
sword Put(void* attributep, ub4* sizep, const void* value, ub4 n) {
  if (!attributep) return OCI_INVALID_HANDLE;
  std::memcpy(attributep, value, n);
  if (sizep) *sizep = n;
  return OCI_SUCCESS;
}

template <class T>
sword PutValue(void* attributep, ub4* sizep, T value) {
  return Put(attributep, sizep, &value, sizeof value);
}

std::string AttrText(const void* attributep, ub4 size) {
  return attributep ? std::string(static_cast<const char*>(attributep), size) : std::string();
}

sword EnvCreate(const char* entry, OCIEnv** envp, ub4 mode) {
  if (auto e = Enter(entry, "mode=" + std::to_string(mode))) return OCI_ERROR;
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!envp) return OCI_INVALID_HANDLE;
  auto* env = static_cast<EnvHandle*>(AddHandle(MakeHandle(OCI_HTYPE_ENV, nullptr)));
  env->mode = mode;
  *envp = reinterpret_cast<OCIEnv*>(env);
  return OCI_SUCCESS;
}

sword FreeOf(const char* entry, void* p, ub4 type) {
  Enter(entry, Details(type));
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Handle* h = FindHandle(p);
  if (!h || h->type != type) return OCI_INVALID_HANDLE;
  FreeHandle(h);
  return OCI_SUCCESS;
}

}  // namespace

Handle* FindHandle(const void* p) {
  auto& handles = Handles();
  auto it = handles.find(p);
  return it == handles.end() ? nullptr : it->second.get();
}

Handle* AddHandle(std::unique_ptr<Handle> h) {
  Handle* p = h.get();
  Handles()[p] = std::move(h);
  return p;
}

void FreeChildren(Handle* parent) {
  std::vector<Handle*> children;
  for (auto& [key, child] : Handles())
    if (child->parent == parent) children.push_back(child.get());
  for (Handle* child : children) FreeHandle(child);
}

void* AddHandleAt(std::unique_ptr<Handle> h, const void* key) {
  Handles()[key] = std::move(h);
  return const_cast<void*>(key);
}

void FreeHandle(Handle* h) {
  FreeChildren(h);
  auto& handles = Handles();
  if (handles.erase(h) != 0) return;
  for (auto it = handles.begin(); it != handles.end(); ++it) {
    if (it->second.get() == h) {
      handles.erase(it);
      return;
    }
  }
}

void RowidDescriptor::Fill(const std::string& logicalKey) {
  bytes.clear();
  if (!logicalKey.empty()) {
    bytes.push_back(2);
    bytes.insert(bytes.end(), logicalKey.begin(), logicalKey.end());
  } else {
    // The same numbers the text call gives: object 1, file 1, then block and row of the row id.
    const auto n = static_cast<std::uint64_t>(rowid);
    auto put = [this](std::uint64_t v, int count) {
      for (int i = count - 1; i >= 0; --i) bytes.push_back(static_cast<ub1>(v >> (8 * i)));
    };
    bytes.push_back(1);
    put(1, 4);
    put(1, 2);
    put(n / 65536, 4);
    put(n % 65536, 2);
  }
  view = {bytes.data(), static_cast<unsigned short>(bytes.size())};
}

int CountHandles(ub4 type) {
  int n = 0;
  for (auto& [key, h] : Handles())
    if (type == 0 || h->type == type) ++n;
  return n;
}

void ResetHandles() { Handles().clear(); }

sword Fail(OCIError* errhp, const Status& status) {
  if (status.code == kNeedInputPiece || status.code == kNeedOutputPiece) return OCI_NEED_DATA;
  if (auto* err = Live<ErrorHandle>(errhp, OCI_HTYPE_ERROR)) {
    err->code = status.code;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", status.code);
    err->text = prefix + status.text + "\n";
  }
  if (status.code == 1403) return OCI_NO_DATA;
  if (status.code == 24345) return OCI_SUCCESS_WITH_INFO;
  return OCI_ERROR;
}

sword Fail(OCIError* errhp, const Injected& injected) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  return Fail(errhp, Error(injected.code, injected.text.empty() ? Error(injected.code).text : injected.text));
}

sword Result(OCIError* errhp, const Status& status) { return status.Ok() ? OCI_SUCCESS : Fail(errhp, status); }

}  // namespace fakeoci

using namespace fakeoci;

// The library's own word on its version: 9-class builds only, as older clients had no such call.
FAKEOCI_OCI9 void OCIClientVersion(sword* major, sword* minor, sword* update, sword* patch, sword* portUpdate) {
  Enter("OCIClientVersion", "");
  if (major) *major = 19;
  if (minor) *minor = 3;
  if (update) *update = 0;
  if (patch) *patch = 0;
  if (portUpdate) *portUpdate = 0;
}

FAKEOCI_OCI81 sword OCIEnvCreate(OCIEnv** envp, ub4 mode, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn, std::size_t,
                                 void**) {
  return EnvCreate("OCIEnvCreate", envp, mode);
}

FAKEOCI_OCI8 sword OCIInitialize(ub4 mode, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn) {
  if (Enter("OCIInitialize", "mode=" + std::to_string(mode))) return OCI_ERROR;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIEnvInit(OCIEnv** envp, ub4 mode, std::size_t, void**) {
  return EnvCreate("OCIEnvInit", envp, mode);
}

FAKEOCI_OCI8 sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, std::size_t, void**) {
  if (Enter("OCIHandleAlloc", Details(type))) return OCI_ERROR;
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* env = Live<EnvHandle>(parenth, OCI_HTYPE_ENV);
  if (!env || !hndlpp) return OCI_INVALID_HANDLE;
  auto h = MakeHandle(type, env);
  if (!h || type == OCI_HTYPE_ENV) return OCI_INVALID_HANDLE;
  *hndlpp = AddHandle(std::move(h));
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIHandleFree(void* hndlp, ub4 type) { return FreeOf("OCIHandleFree", hndlp, type); }

FAKEOCI_OCI8 sword OCIDescriptorFree(void* descp, ub4 type) { return FreeOf("OCIDescriptorFree", descp, type); }

FAKEOCI_OCI8 sword OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, std::size_t, void**) {
  if (Enter("OCIDescriptorAlloc", Details(type))) return OCI_ERROR;
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* env = Live<EnvHandle>(parenth, OCI_HTYPE_ENV);
  if (!env || !descpp) return OCI_INVALID_HANDLE;
  std::unique_ptr<Handle> desc;
  switch (type) {
    case OCI_DTYPE_ROWID: desc = std::make_unique<RowidDescriptor>(type, env); break;
    case OCI_DTYPE_LOB: case OCI_DTYPE_FILE: desc = std::make_unique<LobLocator>(type, env); break;
    case OCI_DTYPE_TIMESTAMP: case OCI_DTYPE_TIMESTAMP_TZ: case OCI_DTYPE_TIMESTAMP_LTZ:
      desc = std::make_unique<DateTimeDescriptor>(type, env);
      break;
    case OCI_DTYPE_INTERVAL_YM: case OCI_DTYPE_INTERVAL_DS: desc = std::make_unique<IntervalDescriptor>(type, env); break;
    default: return OCI_INVALID_HANDLE;  // the other descriptors are not kept
  }
  // Clients before 9 read the ROWID's bytes straight from the descriptor.
  if (VariantClass() < 9 && type == OCI_DTYPE_ROWID) {
    auto* rowid = static_cast<RowidDescriptor*>(desc.get());
    *descpp = AddHandleAt(std::move(desc), &rowid->view);
    return OCI_SUCCESS;
  }
  *descpp = AddHandle(std::move(desc));
  return OCI_SUCCESS;
}

// The extended ROWID text: data object, file, block and row in the server's base-64 digits.
FAKEOCI_OCI9 sword OCIRowidToChar(OCIRowid* rowidDesc, OraText* outbfp, ub2* outbflp, OCIError* errhp) {
  if (auto e = Enter("OCIRowidToChar", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* rowid = Live<RowidDescriptor>(rowidDesc, OCI_DTYPE_ROWID);
  if (!rowid || !outbflp) return OCI_INVALID_HANDLE;
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto digits = [](std::uint64_t value, int count) {
    std::string text(static_cast<std::size_t>(count), 'A');
    for (int i = count - 1; i >= 0; --i, value /= 64) text[static_cast<std::size_t>(i)] = kDigits[value % 64];
    return text;
  };
  const auto n = static_cast<std::uint64_t>(rowid->rowid);
  const std::string text = digits(1, 6) + digits(1, 3) + digits(n / 65536, 6) + digits(n % 65536, 3);
  if (*outbflp < text.size()) {
    *outbflp = static_cast<ub2>(text.size());
    return Fail(errhp, Error(1410, "invalid ROWID"));
  }
  std::memcpy(outbfp, text.data(), text.size());
  *outbflp = static_cast<ub2>(text.size());
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp, ub4 bufsiz, ub4 type) {
  Enter("OCIErrorGet", "record=" + std::to_string(recordno));
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* err = type == OCI_HTYPE_ERROR ? Live<ErrorHandle>(hndlp, OCI_HTYPE_ERROR) : nullptr;
  if (!err) return OCI_INVALID_HANDLE;
  // "error_records": "none" a failure leaves no record; "bare" its record has no number and no text.
  const std::string records = Setting("error_records");
  if (err->code == 0 || recordno != 1 || records == "none") return OCI_NO_DATA;
  if (records == "bare") {
    if (bufp && bufsiz) *bufp = 0;
    return OCI_SUCCESS;
  }
  if (errcodep) *errcodep = err->code;
  CopyOut(err->text, bufp, bufsiz);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                              OCIError* errhp) {
  std::string details = "htype=" + std::to_string(trghndltyp) + " attr=" + std::to_string(attrtype);
  const bool textual = attrtype == OCI_ATTR_USERNAME || attrtype == OCI_ATTR_PASSWORD ||
                       attrtype == OCI_ATTR_INTERNAL_NAME;
  if (textual && attributep) details += " value=" + AttrText(attributep, size);
  if (attrtype == OCI_ATTR_CHARSET_ID && attributep) details += " value=" + std::to_string(*static_cast<ub2*>(attributep));
  if (auto e = Enter("OCIAttrSet", details)) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Handle* h = FindHandle(trgthndlp);
  if (!h || h->type != trghndltyp) return OCI_INVALID_HANDLE;
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<SvcCtxHandle*>(h);
      if (attrtype == OCI_ATTR_SERVER) {
        svc->server = Live<ServerHandle>(attributep, OCI_HTYPE_SERVER);
        return svc->server ? OCI_SUCCESS : OCI_INVALID_HANDLE;
      }
      if (attrtype == OCI_ATTR_SESSION) {
        svc->session = Live<SessionHandle>(attributep, OCI_HTYPE_SESSION);
        return svc->session ? OCI_SUCCESS : OCI_INVALID_HANDLE;
      }
      if (attrtype == OCI_ATTR_CHARSET_ID && attributep) {
        svc->charsetId = *static_cast<ub2*>(attributep);
        return OCI_SUCCESS;
      }
      break;
    }
    case OCI_HTYPE_SERVER:
      if (attrtype == OCI_ATTR_INTERNAL_NAME) {
        static_cast<ServerHandle*>(h)->internalName = AttrText(attributep, size);
        return OCI_SUCCESS;
      }
      break;
    case OCI_HTYPE_SESSION:
      if (attrtype == OCI_ATTR_USERNAME) {
        static_cast<SessionHandle*>(h)->user = AttrText(attributep, size);
        return OCI_SUCCESS;
      }
      if (attrtype == OCI_ATTR_PASSWORD) {
        static_cast<SessionHandle*>(h)->password = AttrText(attributep, size);
        return OCI_SUCCESS;
      }
      break;
    case OCI_DTYPE_LOB:
      if (attrtype == OCI_ATTR_LOBEMPTY) {
        // An empty LOB to insert: the locator is initialised without a server LOB.
        auto* loc = static_cast<LobLocator*>(h);
        loc->state = LobLocator::Empty;
        loc->lob = 0;
        return OCI_SUCCESS;
      }
      break;
    case OCI_HTYPE_BIND:
      if (attrtype == OCI_ATTR_CHARSET_ID && attributep) {
        static_cast<BindHandle*>(h)->slot->charsetId = *static_cast<ub2*>(attributep);
        return OCI_SUCCESS;
      }
      break;
    case OCI_HTYPE_DEFINE:
      if (attrtype == OCI_ATTR_CHARSET_ID && attributep) {
        static_cast<DefineHandle*>(h)->slot->charsetId = *static_cast<ub2*>(attributep);
        return OCI_SUCCESS;
      }
      break;
    default: break;
  }
  return Fail(errhp, Error(24315));
}

FAKEOCI_OCI8 sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                              OCIError* errhp) {
  if (auto e = Enter("OCIAttrGet", "htype=" + std::to_string(trghndltyp) + " attr=" + std::to_string(attrtype)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Handle* h = FindHandle(trgthndlp);
  if (!h || h->type != trghndltyp) return OCI_INVALID_HANDLE;
  if (auto r = ExtendedAttrGet(h, attributep, sizep, attrtype)) return *r;
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<SvcCtxHandle*>(h);
      if (attrtype == OCI_ATTR_SERVER) return PutValue<void*>(attributep, sizep, svc->server);
      if (attrtype == OCI_ATTR_SESSION) return PutValue<void*>(attributep, sizep, svc->session);
      if (attrtype == OCI_ATTR_ENV) return PutValue<void*>(attributep, sizep, svc->parent);
      break;
    }
    case OCI_HTYPE_STMT: {
      const Cursor& c = static_cast<StmtHandle*>(h)->cursor;
      switch (attrtype) {
        case OCI_ATTR_ROW_COUNT: return PutValue<ub4>(attributep, sizep, c.RowCount());
        case OCI_ATTR_SQLFNCODE: return PutValue<ub2>(attributep, sizep, c.FunctionCode());
        case OCI_ATTR_PARAM_COUNT: return PutValue<ub4>(attributep, sizep, static_cast<ub4>(c.Columns().size()));
        case OCI_ATTR_STMT_TYPE: return PutValue<ub2>(attributep, sizep, c.StatementType());
        case OCI_ATTR_PARSE_ERROR_OFFSET: return PutValue<ub2>(attributep, sizep, c.ErrorOffset());
        case OCI_ATTR_ROWID: {
          auto* rowid = Live<RowidDescriptor>(attributep, OCI_DTYPE_ROWID);
          if (!rowid) return OCI_INVALID_HANDLE;
          if (c.LastRowid() == 0) return OCI_NO_DATA;
          rowid->rowid = c.LastRowid();
          rowid->Fill(Setting("logical_rowid"));
          return OCI_SUCCESS;
        }
        default: break;
      }
      break;
    }
    case OCI_DTYPE_PARAM: {
      const Column& c = static_cast<ParamDescriptor*>(h)->column;
      switch (attrtype) {
        case OCI_ATTR_DATA_SIZE: return PutValue<ub2>(attributep, sizep, c.size);
        case OCI_ATTR_DATA_TYPE: return PutValue<ub2>(attributep, sizep, c.type);
        case OCI_ATTR_NAME: {
          // A pointer into the descriptor, valid while it lives.
          PutValue<const OraText*>(attributep, nullptr, reinterpret_cast<const OraText*>(c.name.c_str()));
          if (sizep) *sizep = static_cast<ub4>(c.name.size());
          return OCI_SUCCESS;
        }
        case OCI_ATTR_PRECISION: return PutValue<sb2>(attributep, sizep, c.precision);
        case OCI_ATTR_SCALE: return PutValue<sb1>(attributep, sizep, c.scale);
        case OCI_ATTR_IS_NULL: return PutValue<ub1>(attributep, sizep, c.nullable);
        default: break;
      }
      break;
    }
    default: break;
  }
  return Fail(errhp, Error(24315));
}

FAKEOCI_OCI8 sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos) {
  if (auto e = Enter("OCIParamGet", "pos=" + std::to_string(pos))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (Handle* h = htype != OCI_HTYPE_STMT ? FindHandle(hndlp) : nullptr)
    if (auto r = ExtendedParamGet(h, errhp, parmdpp, pos)) return *r;
  auto* stmt = htype == OCI_HTYPE_STMT ? Live<StmtHandle>(hndlp, OCI_HTYPE_STMT) : nullptr;
  if (!stmt || !parmdpp) return OCI_INVALID_HANDLE;
  const auto& columns = stmt->cursor.Columns();
  if (pos < 1 || pos > columns.size()) return Fail(errhp, Error(24334, "no descriptor for this position"));
  *parmdpp = AddHandle(std::make_unique<ParamDescriptor>(stmt, columns[pos - 1]));
  return OCI_SUCCESS;
}
