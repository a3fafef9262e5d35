// The server's LOBs and files, LOB and file locators and the calls on them.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

struct LobValue {
  bool clob = false;
  bool temporary = false;
  std::string data;
};

struct LobStore {
  std::map<std::int64_t, LobValue> lobs;
  std::int64_t nextId = 1;
};

LobStore& Store() {
  static LobStore store;
  return store;
}

LobValue* FindLob(std::int64_t id) {
  auto it = Store().lobs.find(id);
  return it == Store().lobs.end() ? nullptr : &it->second;
}

constexpr const char* kBfilePrefix = "bfile:";

std::string BfileText(const std::string& dir, const std::string& file) { return kBfilePrefix + dir + ":" + file; }

bool ParseBfile(const std::string& text, std::string& dir, std::string& file) {
  if (text.rfind(kBfilePrefix, 0) != 0) return false;
  const std::size_t colon = text.find(':', std::char_traits<char>::length(kBfilePrefix));
  if (colon == std::string::npos) return false;
  dir = text.substr(6, colon - 6);
  file = text.substr(colon + 1);
  return true;
}

std::string UpperAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The server file a file locator names; false (with the error) when its directory is unknown or
// missing.
bool FilePath(const LobLocator& loc, const char* operation, std::filesystem::path& path, Status& status) {
  const std::string folder = Setting("directory_" + UpperAscii(loc.dir));
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    status = Error(22285, std::string("non-existent directory or file for ") + operation + " operation");
    return false;
  }
  path = std::filesystem::path(folder) / loc.file;
  return true;
}

LobLocator* LiveLocator(const void* p) {
  Handle* h = FindHandle(p);
  return h && (h->type == OCI_DTYPE_LOB || h->type == OCI_DTYPE_FILE) ? static_cast<LobLocator*>(h) : nullptr;
}

bool LiveSession(OCISvcCtx* svchp) {
  auto* svc = Live<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  return svc && svc->Live();
}

void TextResult(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

std::string ArgBytes(sqlite3_value* v) {
  const void* p = sqlite3_value_blob(v);
  return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
}

void EmptyBlobFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_int64(ctx, NewLob(false, false, {}));
}

void EmptyClobFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_int64(ctx, NewLob(true, false, {}));
}

void ToBlobFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_int64(ctx, NewLob(false, false, ArgBytes(argv[0])));
}

void ToClobFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_int64(ctx, NewLob(true, false, ArgBytes(argv[0])));
}

void LobDataFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::string* data = LobData(sqlite3_value_int64(argv[0]));
  if (!data) return sqlite3_result_null(ctx);
  sqlite3_result_blob(ctx, data->data(), static_cast<int>(data->size()), SQLITE_TRANSIENT);
}

void LobLengthFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::string* data = LobData(sqlite3_value_int64(argv[0]));
  if (!data) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(data->size()));
}

void BfilenameFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  TextResult(ctx, BfileText(UpperAscii(ArgBytes(argv[0])), ArgBytes(argv[1])));
}

}  // namespace

std::int64_t NewLob(bool clob, bool temporary, std::string data) {
  LobStore& s = Store();
  const std::int64_t id = s.nextId++;
  s.lobs[id] = {clob, temporary, std::move(data)};
  return id;
}

const std::string* LobData(std::int64_t id) {
  const LobValue* lob = FindLob(id);
  return lob ? &lob->data : nullptr;
}

void ResetLobs() { Store() = LobStore{}; }

void RegisterLobFunctions(sqlite3* db) {
  struct Function {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
  };
  static const Function functions[] = {
      {"EMPTY_BLOB", 0, EmptyBlobFunction}, {"EMPTY_CLOB", 0, EmptyClobFunction},
      {"TO_BLOB", 1, ToBlobFunction},       {"TO_CLOB", 1, ToClobFunction},
      {"LOB_DATA", 1, LobDataFunction},     {"LOB_LENGTH", 1, LobLengthFunction},
      {"BFILENAME", 2, BfilenameFunction},
  };
  for (const Function& f : functions)
    sqlite3_create_function(db, f.name, f.args, SQLITE_UTF8, nullptr, f.fn, nullptr, nullptr);
}

Status LocatorToExternal(const Value& v, ub2 type, void* buffer, sb2*) {
  const bool file = type == SQLT_BFILEE || type == SQLT_CFILEE;
  LobLocator* loc = LiveLocator(*static_cast<void**>(buffer));
  if (!loc || loc->type != (file ? OCI_DTYPE_FILE : OCI_DTYPE_LOB)) return Error(22275);
  if (file) {
    std::string dir, name;
    if (v.kind != Value::Text || !ParseBfile(v.s, dir, name)) return Error(932);
    loc->state = LobLocator::File;
    loc->dir = dir;
    loc->file = name;
    loc->open = false;
    return {};
  }
  // A CLOB column has SQLite's text affinity, which keeps the LOB's number as its text.
  std::int64_t id = v.i;
  if (v.kind == Value::Text) {
    char* end = nullptr;
    id = std::strtoll(v.s.c_str(), &end, 10);
    if (v.s.empty() || *end) return Error(932);
  } else if (v.kind != Value::Int) {
    return Error(932);
  }
  if (!FindLob(id)) return Error(932);
  loc->state = LobLocator::Server;
  loc->lob = id;
  return {};
}

Value LocatorFromExternal(ub2 type, const void* buffer, Status& status) {
  const LobLocator* loc = LiveLocator(*static_cast<void* const*>(buffer));
  if (!loc || loc->state == LobLocator::Uninit) {
    status = Error(22275);
    return {};
  }
  switch (loc->state) {
    case LobLocator::Empty: return Value::OfInt(NewLob(type == SQLT_CLOB, false, {}));
    case LobLocator::Server: return Value::OfInt(loc->lob);
    case LobLocator::File: return Value::OfText(BfileText(loc->dir, loc->file));
    default: return {};
  }
}

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_OCI8 sword OCILobLocatorIsInit(OCIEnv*, OCIError* errhp, const OCILobLocator* locp, boolean* is_init) {
  if (auto e = Enter("OCILobLocatorIsInit", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const LobLocator* loc = LiveLocator(locp);
  if (!loc || !is_init) return OCI_INVALID_HANDLE;
  *is_init = loc->state != LobLocator::Uninit;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobCharSetForm(OCIEnv*, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm) {
  if (auto e = Enter("OCILobCharSetForm", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const LobLocator* loc = LiveLocator(locp);
  if (!loc || !csfrm) return OCI_INVALID_HANDLE;
  const LobValue* lob = loc->state == LobLocator::Server ? FindLob(loc->lob) : nullptr;
  *csfrm = lob && lob->clob ? SQLCS_IMPLICIT : 0;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp) {
  if (auto e = Enter("OCILobGetLength", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(locp);
  if (!loc || !lenp) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  switch (loc->state) {
    case LobLocator::Empty: *lenp = 0; return OCI_SUCCESS;
    case LobLocator::Server: {
      const LobValue* lob = FindLob(loc->lob);
      if (!lob) return Fail(errhp, Error(22275));
      *lenp = static_cast<ub4>(lob->data.size());
      return OCI_SUCCESS;
    }
    case LobLocator::File: {
      std::filesystem::path path;
      Status s;
      if (!FilePath(*loc, "GETLENGTH", path, s)) return Fail(errhp, s);
      std::error_code ec;
      const auto size = std::filesystem::file_size(path, ec);
      if (ec) return Fail(errhp, Error(22288, "file or LOB operation GETLENGTH failed"));
      *lenp = static_cast<ub4>(size);
      return OCI_SUCCESS;
    }
    default: return Fail(errhp, Error(22275));
  }
}

FAKEOCI_OCI8 sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset, void* bufp,
                              ub4 bufl, void*, OCICallbackLobRead, ub2, ub1 csfrm) {
  if (auto e = Enter("OCILobRead", "amount=" + (amtp ? std::to_string(*amtp) : std::string("-")) +
                                       " offset=" + std::to_string(offset) + " form=" + std::to_string(csfrm)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(locp);
  if (!loc || !amtp || (!bufp && bufl)) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  if (offset < 1) return Fail(errhp, Error(24801, "illegal parameter value in OCI lob function"));
  // "lob_reads_empty": every read comes back empty, as from a LOB that shrank under the reader.
  const ub4 wanted = Setting("lob_reads_empty") == "1" ? 0 : std::min(*amtp ? *amtp : bufl, bufl);
  const std::size_t from = offset - 1;
  switch (loc->state) {
    case LobLocator::Empty: *amtp = 0; return OCI_SUCCESS;
    case LobLocator::Server: {
      const LobValue* lob = FindLob(loc->lob);
      if (!lob) return Fail(errhp, Error(22275));
      const std::size_t n = from >= lob->data.size() ? 0 : std::min<std::size_t>(wanted, lob->data.size() - from);
      if (n) std::memcpy(bufp, lob->data.data() + from, n);
      *amtp = static_cast<ub4>(n) + (n ? LengthBias() : 0);  // "lie_lengths": a piece reported too long
      return OCI_SUCCESS;
    }
    case LobLocator::File: {
      if (!loc->open) return Fail(errhp, Error(22289));
      std::filesystem::path path;
      Status s;
      if (!FilePath(*loc, "FILEREAD", path, s)) return Fail(errhp, s);
      std::ifstream in(path, std::ios::binary);
      in.seekg(static_cast<std::streamoff>(from));
      in.read(static_cast<char*>(bufp), wanted);
      *amtp = static_cast<ub4>(std::max<std::streamsize>(in.gcount(), 0));
      return OCI_SUCCESS;
    }
    default: return Fail(errhp, Error(22275));
  }
}

FAKEOCI_OCI8 sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                               void* bufp, ub4 buflen, ub1 piece, void*, OCICallbackLobWrite, ub2, ub1 csfrm) {
  if (auto e = Enter("OCILobWrite", "amount=" + (amtp ? std::to_string(*amtp) : std::string("-")) + " offset=" +
                                        std::to_string(offset) + " piece=" + std::to_string(piece) +
                                        " form=" + std::to_string(csfrm)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(locp);
  if (!loc || !amtp || (!bufp && buflen)) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  LobValue* lob = loc->state == LobLocator::Server ? FindLob(loc->lob) : nullptr;
  if (!lob) return Fail(errhp, Error(22275));
  if (offset < 1 || piece != OCI_ONE_PIECE) return Fail(errhp, Error(24801, "illegal parameter value in OCI lob function"));
  const std::size_t n = std::min(*amtp ? *amtp : buflen, buflen);
  const std::size_t from = offset - 1;
  // A write past the end fills the gap, with blanks in a CLOB and zero bytes in a BLOB.
  if (lob->data.size() < from + n) lob->data.resize(from + n, lob->clob ? ' ' : '\0');
  if (n) std::memcpy(lob->data.data() + from, bufp, n);
  *amtp = static_cast<ub4>(n);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen) {
  if (auto e = Enter("OCILobTrim", "length=" + std::to_string(newlen))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(locp);
  if (!loc) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  LobValue* lob = loc->state == LobLocator::Server ? FindLob(loc->lob) : nullptr;
  if (!lob) return Fail(errhp, Error(22275));
  if (newlen > lob->data.size()) return Fail(errhp, Error(22926));
  lob->data.resize(newlen);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobCreateTemporary(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub2, ub1 csfrm,
                                         ub1 lobtype, boolean, OCIDuration duration) {
  if (auto e = Enter("OCILobCreateTemporary", "type=" + std::to_string(lobtype) + " form=" + std::to_string(csfrm) +
                                                  " duration=" + std::to_string(duration)))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(locp);
  if (!loc || loc->type != OCI_DTYPE_LOB) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  if (lobtype != OCI_TEMP_BLOB && lobtype != OCI_TEMP_CLOB) return Fail(errhp, Error(24801, "illegal parameter value in OCI lob function"));
  loc->state = LobLocator::Server;
  loc->lob = NewLob(lobtype == OCI_TEMP_CLOB, true, {});
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobFileExists(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, boolean* flag) {
  if (auto e = Enter("OCILobFileExists", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(filep);
  if (!loc || loc->type != OCI_DTYPE_FILE || !flag) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  if (loc->state != LobLocator::File) return Fail(errhp, Error(22275));
  std::filesystem::path path;
  Status s;
  if (!FilePath(*loc, "FILEEXISTS", path, s)) return Fail(errhp, s);
  std::error_code ec;
  *flag = std::filesystem::is_regular_file(path, ec);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, ub1 mode) {
  if (auto e = Enter("OCILobFileOpen", "mode=" + std::to_string(mode))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(filep);
  if (!loc || loc->type != OCI_DTYPE_FILE) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  if (loc->state != LobLocator::File) return Fail(errhp, Error(22275));
  if (mode != OCI_FILE_READONLY) return Fail(errhp, Error(24801, "illegal parameter value in OCI lob function"));
  std::filesystem::path path;
  Status s;
  if (!FilePath(*loc, "FILEOPEN", path, s)) return Fail(errhp, s);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return Fail(errhp, Error(22288));
  loc->open = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep) {
  if (auto e = Enter("OCILobFileClose", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(filep);
  if (!loc || loc->type != OCI_DTYPE_FILE) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  loc->open = false;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobFileIsOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, boolean* flag) {
  if (auto e = Enter("OCILobFileIsOpen", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  LobLocator* loc = LiveLocator(filep);
  if (!loc || loc->type != OCI_DTYPE_FILE || !flag) return OCI_INVALID_HANDLE;
  if (!LiveSession(svchp)) return Fail(errhp, Error(1012));
  *flag = loc->open;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCILobFileGetName(OCIEnv*, OCIError* errhp, const OCILobLocator* filep, OraText* dir_alias,
                                     ub2* d_length, OraText* filename, ub2* f_length) {
  if (auto e = Enter("OCILobFileGetName", std::string(dir_alias ? "dir" : "") + (filename ? " file" : "")))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const LobLocator* loc = LiveLocator(filep);
  if (!loc || loc->type != OCI_DTYPE_FILE) return OCI_INVALID_HANDLE;
  if (loc->state != LobLocator::File) return Fail(errhp, Error(22275));
  auto put = [](const std::string& text, OraText* buffer, ub2* length) {
    if (!buffer || !length) return;
    const std::size_t n = std::min<std::size_t>(text.size(), *length);
    std::memcpy(buffer, text.data(), n);
    *length = static_cast<ub2>(n);
  };
  put(loc->dir, dir_alias, d_length);
  put(loc->file, filename, f_length);
  return OCI_SUCCESS;
}
