#pragma once
// The Oracle layer's door to the client library: finding it, loading it, reading its version,
// deciding which generations of the call interface may be used, binding its entry points into
// the one process-wide table below, creating the process-wide environment and error handle, and
// turning statuses into Oracle error texts and EOraError.
//
// Every other module of the Oracle layer calls Oracle only through the table: ora::OCIAttrGet(...)
// and so on, one function pointer per entry of OciEntryList.h. An entry that is not bound (its
// group is not possible with this client, or the library does not export it) raises Exception
// "OCI function is not linked" when called. The direct network client re-points part of the table.
//
// Finding the library, in this order:
//   1. OCIDLL when the program has set it, else the environment variable ORASCHEME_OCIDLL, else
//      the value "OCIDLL" of SOFTWARE\ORACLE in the settings store (plat::Registry);
//   2. the Oracle home chosen by OracleHome among the homes the store knows (ALL_HOMES\ID0..ID5);
//      by default the one DEFAULT_HOME names, else the value ORACLE_HOME, else the first slot:
//      inside it lib/libclntsh.so, then libclntsh.so in the home itself (a flat client folder),
//      else the highest libclntsh.so.N.M of either folder;
//   3. the loader's own search for libclntsh.so.
// The client's version comes from the library's own OCIClientVersion export when it has one,
// else from the version suffix of the library file's real name (libclntsh.so.19.1 gives 19.1).
//
// State is process-wide, on purpose: the client library has one environment per process, which
// the value objects, commands and sessions all reach through the free functions below, and a
// library unloaded for one owner is gone for every other; an object per session would only hide
// that sharing. OCIInit is serialised by a lock of its own; DetectOCI, LoadOCI and
// FreeOCI take no lock: they run inside OCIInit, or on the main thread while no session is
// connected. The table's pointers are written only there.
#include <atomic>
#include <cstdint>
#include <string>

#include "oracle/client/OciEntryList.h"

namespace ora {

// ---- the entry-point table ----
#define ORA_OCI_DECLARE_ENTRY(group, ret, name, params) extern name##_t name;
ORA_OCI_ENTRIES(ORA_OCI_DECLARE_ENTRY)
#undef ORA_OCI_DECLARE_ENTRY

namespace detail {
#define ORA_OCI_DECLARE_STUB(group, ret, name, params) ret name##_NotLinked params;
ORA_OCI_ENTRIES(ORA_OCI_DECLARE_STUB)
#undef ORA_OCI_DECLARE_STUB
}  // namespace detail

// True when the entry leads somewhere other than the not-linked stub.
#define ORA_OCI_LINKED(name) (::ora::name != &::ora::detail::name##_NotLinked)

// ---- detection results and settings ----
enum TOracleHome : std::uint8_t { ohDefault, ohHome0, ohHome1, ohHome2, ohHome3, ohHome4, ohHome5 };

// Bits of PossibleOCICallStyles.
inline constexpr std::uint8_t csOCI7 = 2;
inline constexpr std::uint8_t csOCI8 = 4;
inline constexpr std::uint8_t csOCI81 = 8;
inline constexpr std::uint8_t csOCI9 = 16;

// Values of OCICallStyle.
inline constexpr std::uint8_t OCI73 = 1;
inline constexpr std::uint8_t OCI80 = 2;

struct TOracleHomeSlot {
  std::string Path;
  std::string Name;
};

inline constexpr int kOracleHomeSlots = 6;
inline constexpr const char* kOCIDllEnvVar = "ORASCHEME_OCIDLL";
inline constexpr const char* kDefaultOCIDll = "libclntsh.so";

extern std::string OCIDLL;            // the library to load; after a failed search the text the message shows
extern std::string OracleHomePath;    // folder of the chosen home, no trailing "/" and no final "/lib"
extern std::string OCIClientVersion;  // "19.3.0.0.0", "8.1.7", ...
extern std::uint8_t OCIVersion;       // 0 none, 1 client 7.3, 2 client 8.0, 3 client 8.1, 4 client 9 and later
extern std::uint8_t OCICallStyle;     // 0 not decided, OCI73, OCI80
extern std::uint8_t PossibleOCICallStyles;
extern bool OCIObjectMode;
extern bool OCIThreaded;
extern bool OCIMutexed;
extern bool OCIShared;
extern bool OCIEvents;
extern std::atomic<bool> OCIInited;
extern bool OCI7Threaded;
extern OCIEnv* hOCIEnv;
extern OCIError* hOCIError;
extern void* OCILibrary;
extern TOracleHome OracleHome;
extern TOracleHomeSlot OracleHomes[kOracleHomeSlots];
extern int OracleHomeCount;
extern int DefaultOracleHome;
extern bool OracleLite;

// ---- operations ----
// Raises da::Exception with the message: the layer's own failures.
[[noreturn]] void RaiseError(const std::string& message);

// Finds the library (the order above) and, when the file's name tells its version, decides the
// version and call styles. Raises "Cannot find OCI DLL: <what>" when an explicitly chosen home
// holds no library, "OCI version <v> is not supported" for a client before 7.3.
void DetectOCI();
// DetectOCI, load, settle the version from the library itself, bind the table. Raises
// "Cannot load OCI DLL: <path>" with the loader's reason on a second line.
void LoadOCI();
// Undoes OCIInit and LoadOCI: every entry back to the not-linked stub, the library unloaded, the
// detection results forgotten, so that the next OCIInit detects again.
void FreeOCI();
bool OCILoaded();
// Loads the library when needed and creates the environment and the error handle, once.
// Raises "Can't initialize OCI. Error <status>" when the library refuses.
void OCIInit();
void OCIFinish();
// The old interface prepared for threads (only when the library exports it).
void OCI7Init(bool threaded);
bool IsOCI7Threaded();

void CheckOCI80();  // "Need Oracle 8 Call Interface" unless OCICallStyle is OCI80
void CheckOCI81();  // "Need Oracle 8i Call Interface" unless bit csOCI81 is possible
void CheckOCI90();  // "Need Oracle 9 Call Interface" unless bit csOCI9 is possible

// The Oracle error number (positive) and message for a status; a null error handle means
// hOCIError. The message is read from the handle at once: call it before anything else may use
// the handle.
int GetOraError(sword status, std::string& message, OCIError* errhp = nullptr);
int GetOraErrorCode(sword status, OCIError* errhp = nullptr);
// Nothing for OCI_SUCCESS and OCI_SUCCESS_WITH_INFO; otherwise raises EOraError.
void Check(sword status, OCIError* errhp = nullptr);

[[noreturn]] void OCINotLinked();
// The library's export of that name, or nullptr.
void* GetOCIProc(const char* name);

// The version text of a library file: the digits and dots after ".so." in its name, or when the
// name has none, in the name of the file its symbolic links lead to; empty when neither has.
std::string GetFileVersionText(const std::string& fileName);
// Numeric comparison of dotted version texts ("19.0" > "8", "8.1.7" == "8.1.7.0.0"); each part's
// leading digits count, missing parts are 0. Negative, 0 or positive.
int CompareVersions(const std::string& a, const std::string& b);
// Sets OCIVersion, OCICallStyle (when still 0) and PossibleOCICallStyles from a version text.
void DecideCallStyles(const std::string& version);

}  // namespace ora
