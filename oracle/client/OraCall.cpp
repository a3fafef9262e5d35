#include "oracle/client/OraCall.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <type_traits>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "oracle/OraConsts.h"
#include "oracle/OraError.h"
#include "platform/Registry.h"
#include "platform/ThreadAnnotations.h"

namespace ora {

// ---- the table, every entry starting at its stub ----
namespace detail {
#define ORA_OCI_DEFINE_STUB(group, ret, name, params) \
  ret name##_NotLinked params { OCINotLinked(); }
ORA_OCI_ENTRIES(ORA_OCI_DEFINE_STUB)
#undef ORA_OCI_DEFINE_STUB
}  // namespace detail

#define ORA_OCI_DEFINE_ENTRY(group, ret, name, params) name##_t name = &detail::name##_NotLinked;
ORA_OCI_ENTRIES(ORA_OCI_DEFINE_ENTRY)
#undef ORA_OCI_DEFINE_ENTRY

std::string OCIDLL;
std::string OracleHomePath;
std::string OCIClientVersion;
std::uint8_t OCIVersion = 0;
std::uint8_t OCICallStyle = 0;
std::uint8_t PossibleOCICallStyles = 0;
bool OCIObjectMode = true;
bool OCIThreaded = true;
bool OCIMutexed = true;
bool OCIShared = false;
bool OCIEvents = false;
std::atomic<bool> OCIInited{false};
bool OCI7Threaded = false;
OCIEnv* hOCIEnv = nullptr;
OCIError* hOCIError = nullptr;
void* OCILibrary = nullptr;
TOracleHome OracleHome = ohDefault;
TOracleHomeSlot OracleHomes[kOracleHomeSlots];
int OracleHomeCount = 0;
int DefaultOracleHome = -1;
bool OracleLite = false;

namespace {

namespace fs = std::filesystem;

// Makes OCIInit's once-only set-up exclusive. What it sets up are the globals above, read by
// every call without a lock once OCIInited says they are there, so they are not marked as guarded.
plat::Mutex& InitLock() {
  static plat::Mutex lock;
  return lock;
}

constexpr const char* kOracleKey = "SOFTWARE\\ORACLE";
constexpr const char* kAllHomesKey = "SOFTWARE\\ORACLE\\ALL_HOMES";
constexpr const char* kLibName = "libclntsh.so";

// The library's own word on its version (clients from 10.2 on export it).
using OCIClientVersionFn = void (*)(sword*, sword*, sword*, sword*, sword*);

std::string Trim(std::string s) {
  auto blank = [](unsigned char c) { return c <= ' '; };
  while (!s.empty() && blank(static_cast<unsigned char>(s.back()))) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && blank(static_cast<unsigned char>(s[i]))) ++i;
  return s.substr(i);
}

std::string ToUpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A string value of the settings store, without a terminating zero; nothing when absent.
std::optional<std::string> ReadString(plat::Registry& reg, const std::string& key, const char* name) {
  auto value = reg.GetValue(plat::Registry::kLocalMachine, key, name);
  if (!value) return std::nullopt;
  std::string text = value->data;
  if (auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

// Where DetectOCI looked before it left the library's bare name to the loader; empty otherwise.
std::string fallbackSearch;

[[noreturn]] void RaiseCannotFindOCI() {
  std::string kept = OCIDLL;
  OCIDLL.clear();
  RaiseError("Cannot find OCI DLL: " + kept);
}

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);  // follows links
}

// The version suffix of a file name "libclntsh.so.N[.M...]", or empty.
std::string VersionSuffix(const std::string& fileName) {
  const std::string prefix = std::string(kLibName) + ".";
  if (fileName.compare(0, prefix.size(), prefix) != 0) return {};
  std::string suffix = fileName.substr(prefix.size());
  if (suffix.empty() || suffix.front() == '.' || suffix.back() == '.') return {};
  for (char c : suffix)
    if (!(c == '.' || (c >= '0' && c <= '9'))) return {};
  return suffix;
}

// Inside a home: lib/libclntsh.so, then libclntsh.so in the home, else the highest versioned
// libclntsh.so.N.M of either folder (the lib folder winning a tie).
std::string FindLibraryInHome(const std::string& home) {
  const fs::path dirs[] = {fs::path(home) / "lib", fs::path(home)};
  for (const auto& dir : dirs)
    if (IsFile(dir / kLibName)) return (dir / kLibName).string();
  std::string best, bestVersion;
  for (const auto& dir : dirs) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      std::string version = VersionSuffix(name);
      if (version.empty() || !IsFile(it->path())) continue;
      if (best.empty() || CompareVersions(version, bestVersion) > 0) {
        best = it->path().string();
        bestVersion = version;
      }
    }
  }
  return best;
}

void ReadHomes(plat::Registry& reg) {
  OracleHomeCount = 0;
  DefaultOracleHome = -1;
  for (auto& slot : OracleHomes) slot = {};
  for (int i = 0; i < kOracleHomeSlots; ++i) {
    std::string key = std::string(kAllHomesKey) + "\\ID" + std::to_string(i);
    if (!reg.KeyExists(plat::Registry::kLocalMachine, key)) continue;
    if (auto path = ReadString(reg, key, "PATH")) OracleHomes[i].Path = *path;
    if (auto name = ReadString(reg, key, "NAME")) OracleHomes[i].Name = *name;
    ++OracleHomeCount;
  }
  if (OracleHomeCount > 1) {
    if (auto def = ReadString(reg, kAllHomesKey, "DEFAULT_HOME")) {
      for (int j = 0; j < kOracleHomeSlots; ++j) {
        if (!OracleHomes[j].Name.empty() && ToUpperAscii(OracleHomes[j].Name) == ToUpperAscii(*def)) {
          DefaultOracleHome = j;
          break;
        }
      }
    }
  }
}

// The folder of a library path, without a final "/lib".
std::string HomeOfLibrary(const std::string& lib) {
  auto slash = lib.rfind('/');
  if (slash == std::string::npos) return {};
  std::string home = lib.substr(0, slash);
  if (home.size() >= 4 && home.compare(home.size() - 4, 4, "/lib") == 0) home.resize(home.size() - 4);
  return home;
}

// The first digits of a dotted version part, as a number (0 when there are none).
long PartValue(const std::string& text, std::size_t& pos) {
  long value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (value < 100000000) value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  while (pos < text.size() && text[pos] != '.') ++pos;
  if (pos < text.size()) ++pos;
  return value;
}

// A client library offers every core call of one of its interfaces; any other library loaded by
// mistake (a file under a client's name, a wrong path in the environment) misses some. The first
// core call of the handle interface it misses, or nothing for a client library.
const char* MissingCoreEntry(void* handle) {
  static const char* const handleCore[] = {"OCIHandleAlloc", "OCIErrorGet",    "OCIServerAttach",
                                           "OCISessionBegin", "OCIStmtPrepare", "OCIStmtExecute"};
  static const char* const oldCore[] = {"olog", "oopen", "oparse", "oexec"};
  auto firstMissing = [handle](const auto& names) -> const char* {
    for (const char* name : names)
      if (!::dlsym(handle, name)) return name;
    return nullptr;
  };
  const char* missing = firstMissing(handleCore);
  if (missing && !firstMissing(oldCore)) return nullptr;  // a client of the old interface only
  return missing;
}

// The entry the calling thread last saw fail: a failure whose error record has no text still
// names its call. Cleared by every call that succeeds (or gives no status), so that a failure
// reported by something else (the network client re-points entries) is never pinned on it.
thread_local const char* tFailedCall = nullptr;

template <const char* Name, typename F>
struct TTracedEntry;
template <const char* Name, typename R, typename... A>
struct TTracedEntry<Name, R (*)(A...)> {
  static inline R (*real)(A...) = nullptr;
  static R Call(A... args) {
    if constexpr (std::is_same_v<R, sword>) {
      const sword status = real(args...);
      tFailedCall = status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO ? nullptr : Name;
      return status;
    } else {
      tFailedCall = nullptr;
      return real(args...);
    }
  }
};

#define ORA_OCI_ENTRY_NAME(group, ret, name, params) constexpr char name##_Name[] = #name;
ORA_OCI_ENTRIES(ORA_OCI_ENTRY_NAME)
#undef ORA_OCI_ENTRY_NAME

void BindTable() {
  const bool oci7 = PossibleOCICallStyles & csOCI7;
  const bool oci8 = PossibleOCICallStyles & csOCI8;
  const bool obj = oci8 && OCIObjectMode;
  const bool oci81 = PossibleOCICallStyles & csOCI81;
  const bool oci9 = PossibleOCICallStyles & csOCI9;
  auto wanted = [&](TOCIGroup g) {
    switch (g) {
      case TOCIGroup::OCI7: return oci7;
      case TOCIGroup::OCI8: return oci8;
      case TOCIGroup::OBJ: return obj;
      case TOCIGroup::OCI81: return oci81;
      case TOCIGroup::OCI9: return oci9;
    }
    return false;
  };
#define ORA_OCI_BIND(group, ret, name, params)                                       \
  {                                                                                  \
    using Traced = TTracedEntry<name##_Name, name##_t>;                              \
    void* proc = wanted(TOCIGroup::group) ? GetOCIProc(#name) : nullptr;             \
    Traced::real = reinterpret_cast<name##_t>(proc);                                 \
    name = proc ? &Traced::Call : &detail::name##_NotLinked;                         \
  }
  ORA_OCI_ENTRIES(ORA_OCI_BIND)
#undef ORA_OCI_BIND
}

void ResetTable() {
#define ORA_OCI_RESET(group, ret, name, params) name = &detail::name##_NotLinked;
  ORA_OCI_ENTRIES(ORA_OCI_RESET)
#undef ORA_OCI_RESET
}

}  // namespace

void RaiseError(const std::string& message) { throw da::Exception(message); }

void OCINotLinked() { RaiseError(SOCINotLinked); }

void* GetOCIProc(const char* name) {
  if (!OCILibrary) return nullptr;
  return ::dlsym(OCILibrary, name);
}

int CompareVersions(const std::string& a, const std::string& b) {
  std::size_t pa = 0, pb = 0;
  while (pa < a.size() || pb < b.size()) {
    long va = pa < a.size() ? PartValue(a, pa) : 0;
    long vb = pb < b.size() ? PartValue(b, pb) : 0;
    if (va != vb) return va < vb ? -1 : 1;
  }
  return 0;
}

std::string GetFileVersionText(const std::string& fileName) {
  std::string version = VersionSuffix(fs::path(fileName).filename().string());
  if (!version.empty()) return version;
  std::error_code ec;
  fs::path real = fs::canonical(fs::path(fileName), ec);
  return ec ? std::string() : VersionSuffix(real.filename().string());
}

void DecideCallStyles(const std::string& version) {
  std::size_t pos = 0;
  long major = PartValue(version, pos);
  long minor = PartValue(version, pos);
  if (version.empty() || version[0] < '0' || version[0] > '9') major = -1;
  PossibleOCICallStyles = 0;
  if (major == 7 && minor == 3) {
    PossibleOCICallStyles = csOCI7;
    OCIVersion = 1;
    OCICallStyle = OCI73;
    return;
  }
  if (major == 8) {
    PossibleOCICallStyles = csOCI7 | csOCI8;
    OCIVersion = 2;
    if (minor >= 1) {
      PossibleOCICallStyles |= csOCI81;
      OCIVersion = 3;
    }
  } else if (major >= 9) {
    // Every later client offers what a 9 client offers.
    PossibleOCICallStyles = csOCI7 | csOCI8 | csOCI81 | csOCI9;
    OCIVersion = 4;
  } else {
    RaiseError("OCI version " + version + " is not supported");
  }
  if (OCICallStyle == 0) OCICallStyle = OCI80;
}

void DetectOCI() {
  plat::Registry& reg = plat::Registry::Default();
  ReadHomes(reg);
  fallbackSearch.clear();

  const bool oracleKey = reg.KeyExists(plat::Registry::kLocalMachine, kOracleKey);
  if (OCIDLL.empty()) {
    if (const char* env = std::getenv(kOCIDllEnvVar); env && *env) {
      OCIDLL = Trim(env);
    } else if (oracleKey) {
      if (auto value = ReadString(reg, kOracleKey, "OCIDLL")) OCIDLL = Trim(*value);
    }
  }

  if (!OCIDLL.empty()) {
    OracleHomePath = HomeOfLibrary(OCIDLL);
  } else {
    const bool explicitHome = OracleHome != ohDefault;
    if (explicitHome) {
      const int n = OracleHome - ohHome0;
      OracleHomePath = OracleHomes[n].Path;
      if (OracleHomePath.empty()) {
        OCIDLL = "in Home" + std::to_string(n);
        RaiseCannotFindOCI();
      }
    } else {
      OracleHomePath.clear();
      if (OracleHomeCount >= 1 && DefaultOracleHome != -1) OracleHomePath = OracleHomes[DefaultOracleHome].Path;
      if (OracleHomePath.empty() && oracleKey) {
        if (auto home = ReadString(reg, kOracleKey, "ORACLE_HOME")) OracleHomePath = *home;
      }
      // Without a default, the first home the store knows.
      for (int i = 0; i < kOracleHomeSlots && OracleHomePath.empty(); ++i) OracleHomePath = OracleHomes[i].Path;
    }
    while (OracleHomePath.size() > 1 && OracleHomePath.back() == '/') OracleHomePath.pop_back();
    if (!OracleHomePath.empty()) OCIDLL = FindLibraryInHome(OracleHomePath);
    if (OCIDLL.empty()) {
      if (explicitHome) {
        OCIDLL = OracleHomePath + "/lib/" + kLibName + "*";
        RaiseCannotFindOCI();
      }
      OCIDLL = kDefaultOCIDll;
      // Said when the loader cannot find it either: a user without a client learns where to put one.
      fallbackSearch = std::string("Searched: ") + kOCIDllEnvVar + " and the settings store's OCIDLL (neither set); " +
                       (OracleHomePath.empty()
                            ? std::string("no Oracle home (none from ORACLE_HOME, /etc/oratab or the settings store)")
                            : "the Oracle home " + OracleHomePath + " (no lib/" + kLibName + "*)") +
                       "; then the system's library path";
    }
  }

  OracleLite = false;
  if (oracleKey) {
    if (auto lite = ReadString(reg, kOracleKey, "OLITE")) OracleLite = lite->compare(0, 3, "YES") == 0;
  }

  // A bare name is left to the loader, which alone knows the file: the version waits for it.
  OCIClientVersion = OCIDLL.find('/') == std::string::npos ? std::string() : GetFileVersionText(OCIDLL);
  if (!OCIClientVersion.empty()) DecideCallStyles(OCIClientVersion);
}

void LoadOCI() {
  DetectOCI();
  ::dlerror();
  void* handle = ::dlopen(OCIDLL.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = ::dlerror();
    std::string name = OCIDLL;
    OCIDLL.clear();
    std::string text = "Cannot load OCI DLL: " + name + "\n" + (reason ? reason : "unknown reason");
    if (!fallbackSearch.empty()) text += "\n" + fallbackSearch;
    RaiseError(text);
  }
  if (const char* missing = MissingCoreEntry(handle)) {
    std::string name = OCIDLL;
    ::dlclose(handle);
    OCIDLL.clear();
    RaiseError(name + " is not an Oracle client library (it has no " + missing + ")");
  }
  OCILibrary = handle;

  std::string version;
  if (auto fn = reinterpret_cast<OCIClientVersionFn>(::dlsym(handle, "OCIClientVersion"))) {
    sword major = 0, minor = 0, update = 0, patch = 0, port = 0;
    fn(&major, &minor, &update, &patch, &port);
    if (major > 0) {
      version = std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(update) + "." +
                std::to_string(patch) + "." + std::to_string(port);
    }
  }
  if (version.empty()) version = OCIClientVersion;
  if (version.empty()) {
    // Found by the loader: its own record of the file names the version.
    struct link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) version = GetFileVersionText(map->l_name);
  }
  if (version.empty()) {
    std::string name = OCIDLL;
    FreeOCI();
    OCIDLL = name;
    RaiseCannotFindOCI();
  }
  if (version != OCIClientVersion) {
    OCIClientVersion = version;
    OCICallStyle = 0;
    try {
      DecideCallStyles(version);
    } catch (...) {
      FreeOCI();
      throw;
    }
  }
  BindTable();
}

void FreeOCI() {
  if (OCIInited) OCIFinish();
  OCIInited = false;
  OCI7Threaded = false;
  if (OCILibrary) {
    ResetTable();
    ::dlclose(OCILibrary);
    OCILibrary = nullptr;
  }
  ResetTable();
  OCIDLL.clear();
  OCIClientVersion.clear();
  OracleHomePath.clear();
  OCIVersion = 0;
  OCICallStyle = 0;
  PossibleOCICallStyles = 0;
}

bool OCILoaded() { return OCILibrary != nullptr; }

void OCI7Init(bool threaded) {
  if (!threaded) return;
  OCI7Threaded = true;
  if (ORA_OCI_LINKED(opinit)) opinit(0);
}

bool IsOCI7Threaded() { return OCI7Threaded; }

void OCIInit() {
  plat::MutexLock guard(InitLock());
  if (OCIInited) return;
  if (!OCILoaded()) LoadOCI();
  if (PossibleOCICallStyles & csOCI8) {
    ub4 mode = OCI_OBJECT;
    if (OCIThreaded && CompareVersions(OCIClientVersion, "8.0.4.0.0") > 0) mode += OCI_THREADED;
    const bool from814 = CompareVersions(OCIClientVersion, "8.1.4.0.0") >= 0;
    if (OCIShared && from814) mode += OCI_SHARED;
    if (OCIEvents && from814) mode += OCI_EVENTS;
    sword status;
    if (PossibleOCICallStyles & csOCI81) {
      if (OCIThreaded && !OCIMutexed) mode += OCI_NO_MUTEX;
      status = OCIEnvCreate(&hOCIEnv, mode, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    } else {
      ub4 envMode = OCIThreaded && !OCIMutexed && CompareVersions(OCIClientVersion, "8.1.4.0.0") <= 0
                        ? OCI_ENV_NO_MUTEX
                        : OCI_DEFAULT;
      status = OCIInitialize(mode, nullptr, nullptr, nullptr, nullptr);
      if (status == OCI_SUCCESS) status = OCIEnvInit(&hOCIEnv, envMode, 0, nullptr);
    }
    if (status == OCI_SUCCESS)
      status = OCIHandleAlloc(hOCIEnv, reinterpret_cast<void**>(&hOCIError), OCI_HTYPE_ERROR, 0, nullptr);
    if (status != OCI_SUCCESS) {
      if (hOCIEnv) OCIHandleFree(hOCIEnv, OCI_HTYPE_ENV);
      hOCIEnv = nullptr;
      hOCIError = nullptr;
      RaiseError("Can't initialize OCI. Error " + std::to_string(status));
    }
    OCIInited = true;
  }
  if (PossibleOCICallStyles & csOCI7) {
    if (OCIThreaded) OCI7Init(true);
    OCIInited = true;
  }
}

void OCIFinish() {
  if (OCIInited && (PossibleOCICallStyles & csOCI8)) {
    if (hOCIError) OCIHandleFree(hOCIError, OCI_HTYPE_ERROR);
    if (hOCIEnv) OCIHandleFree(hOCIEnv, OCI_HTYPE_ENV);
    hOCIError = nullptr;
    hOCIEnv = nullptr;
    OCIInited = false;
  }
}

void CheckOCI80() {
  if (OCICallStyle != OCI80) RaiseError(SNeedOCI80);
}

void CheckOCI81() {
  if (!(PossibleOCICallStyles & csOCI81)) RaiseError(SNeedOCI81);
}

void CheckOCI90() {
  if (!(PossibleOCICallStyles & csOCI9)) RaiseError(SNeedOCI90);
}

int GetOraError(sword status, std::string& message, OCIError* errhp) {
  CheckOCI80();
  if (!errhp) errhp = hOCIError;
  switch (status) {
    case OCI_SUCCESS: return 0;
    case OCI_NEED_DATA: message = "OCI_NEED_DATA"; return OCI_NEED_DATA;
    case OCI_INVALID_HANDLE: message = "OCI_INVALID_HANDLE"; return 2;
    case OCI_SUCCESS_WITH_INFO:
    case OCI_ERROR:
    case OCI_NO_DATA: {
      const char* failedCall = tFailedCall;  // before the error record is asked for
      // One byte more than the library is told, so that a text it leaves unterminated ends here.
      char buffer[513] = {};
      sb4 code = status;
      sword result = OCIErrorGet(errhp, 1, nullptr, &code, reinterpret_cast<OraText*>(buffer), 512, OCI_HTYPE_ERROR);
      message.assign(buffer, ::strnlen(buffer, 512));
      // A failed call whose error record is missing or has neither text nor error number: the
      // message says which call failed and how, not a made-up "ORA--1".
      if (status == OCI_ERROR && (result == OCI_NO_DATA || (result == OCI_SUCCESS && message.empty() && code <= 0))) {
        message = std::string(failedCall ? failedCall : "A call of the client library") +
                  " failed with status -1 (OCI_ERROR); the client library gave no error text";
        return 1;
      }
      switch (result) {
        case OCI_ERROR:
          if (message.compare(0, 4, "ORA-") == 0) {
            std::string digits = message.substr(4, 5);
            char* end = nullptr;
            long n = std::strtol(digits.c_str(), &end, 10);
            if (!digits.empty() && end == digits.c_str() + digits.size()) code = static_cast<sb4>(n);
          }
          break;
        case OCI_SUCCESS:
          if (message.empty()) message = "ORA-" + std::to_string(code);
          break;
        case OCI_SUCCESS_WITH_INFO: message = "OCI_SUCCESS_WITH_INFO"; break;
        case OCI_NO_DATA: message = "OCI_NO_DATA"; break;
        default: break;
      }
      return code < 0 ? -code : code;
    }
    default:
      message = "Unknown error: ORA-" + std::to_string(status);
      return status < 0 ? -status : status;
  }
}

int GetOraErrorCode(sword status, OCIError* errhp) {
  std::string message;
  return GetOraError(status, message, errhp);
}

void Check(sword status, OCIError* errhp) {
  if (status == OCI_SUCCESS) return;
  std::string message;
  int code = GetOraError(status, message, errhp);
  if (status == OCI_SUCCESS_WITH_INFO) return;
  while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ') message.pop_back();
  throw EOraError(code, message);
}

}  // namespace ora
