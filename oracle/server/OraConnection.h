#pragma once
// TOCIConnection: the Oracle implementation of the framework's server connection. It logs on and
// off through the client library's entry-point table (OraCall.h) in one of two call styles: the
// old interface (a logon data area and a host data area) or the handle interface (service
// context, server and session handles, and an error handle of its own). Besides that it keeps
// the session's NLS settings, the client character set and bytes per character, the server
// version, the longest string a bind may carry, commit, rollback and break, the connection lock,
// and one internal command for the SQL it sends itself (the version block, ALTER SESSION, the
// session block).
//
// Errors: CheckStatus turns a status into EOraError, after the error handler (prOnError,
// SetErrorHandler) has had the chance to make it the silent abort (da::EAbort) instead. A call
// made under the connection lock has its error read from the library before the lock is given
// back (LockedCall), so that two threads on one connection never see each other's errors; each
// connection reads from its own error handle, so two connections never do either.
//
// Warnings (a LONG value's pieces that do not match the parameters in the old interface; the call
// goes on) go to the warning handler (SetWarningHandler) of whoever owns the connection; without
// one they are dropped. The connection shows nothing itself.
//
// Threads: the connection lock (recursive, taken only while ThreadSafety is on) serialises the
// client-library calls of commands, binds, fetches and Commit. Rollback, BreakExec, Connect and
// Disconnect take no lock; BreakExec may be called from any thread to interrupt a call another
// thread has in progress. Everything else is for the thread that owns the session.
//
// The background services handed in (OraWorker.h) are where the end of a statement run in the
// background is handled and where its error is shown.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dataaccess/VtAccess.h"
#include "oracle/client/FunctionRef.h"
#include "oracle/client/OciTypes.h"
#include "oracle/OraError.h"
#include "oracle/server/OraWorker.h"

namespace ora {

class TOCICommand;

enum TConnectMode : std::uint8_t { cmNormal, cmSysOper, cmSysDBA };

using TOraErrorHandler = std::function<void(EOraError& error, bool& fail)>;
// Called on the thread of the call that met the warning.
using TOraWarningHandler = std::function<void(const std::string& text)>;

// An error read from the client library, kept until it is raised.
struct TOraStatusInfo {
  bool raise = false;
  int code = 0;
  std::string message;
};

// The NLS settings a user may set, in table order.
inline constexpr int kNlsDateLanguage = 0, kNlsDateFormat = 1, kNlsTimeStampFormat = 2, kNlsTimeStampTZFormat = 3;
inline constexpr int kNlsCount = 4;

class TOCIConnection : public da::TVtConnection {
 public:
  explicit TOCIConnection(TBackgroundServices background = {});
  ~TOCIConnection() override;
  TOCIConnection(const TOCIConnection&) = delete;
  TOCIConnection& operator=(const TOCIConnection&) = delete;

  void Connect(const std::string& connectString) override;
  void Disconnect() override;
  void StartTransaction() override { Commit(); }  // Oracle opens transactions by itself
  void Commit() override;
  void Rollback() override;
  bool SetProp(int id, const da::TPropValue& value) override;
  bool GetProp(int id, da::TPropValue& value) override;
  // prOnError: the error event, called with each error and a fail flag that it may clear to turn
  // the error into the silent abort (as SetErrorHandler does).
  bool SetEventProp(int id, da::TEventMethod method) override;
  std::unique_ptr<da::TVtCommand> CreateCommand() override;
  // A new TOCIRecordSet bound to this connection.
  std::unique_ptr<da::TVtRecordSet> CreateRecordSet() override;

  void SetErrorHandler(TOraErrorHandler handler) { errorHandler_ = std::move(handler); }
  void SetWarningHandler(TOraWarningHandler handler) { warningHandler_ = std::move(handler); }
  // To the warning handler, if any.
  void Warn(const std::string& text) const {
    if (warningHandler_) warningHandler_(text);
  }
  void BreakExec();
  // 0 the client's default, OCI73 or OCI80; a change disconnects first.
  void SetCallStyle(std::uint8_t style);
  std::uint8_t GetCallStyle() const { return callStyle_; }
  // The call style commands use: the logon's, or OCI73 after a handle logon to a server before 8.
  std::uint8_t GetCommandCallStyle() const { return commandCallStyle_; }
  void CheckOCI();    // "OCI is not inizialized" unless the call style is OCI73 or OCI80
  void CheckOCI80();  // "Need Oracle 8 Call Interface" unless it is OCI80

  void Check(sword status);
  void CheckStatus(std::uint8_t callStyle, sword status);
  // The error of a failed status in a call style, read at once; raise says whether to raise it.
  TOraStatusInfo ReadStatus(std::uint8_t callStyle, sword status);
  [[noreturn]] void RaiseStatus(const TOraStatusInfo& info);
  // One client-library call under the connection lock; a status that is neither 0 nor among
  // pass has its error read before the lock is given back, and is raised after.
  sword LockedCall(std::uint8_t callStyle, TFunctionRef<sword()> call, std::initializer_list<sword> pass = {});

  // The connection lock itself (whatever ThreadSafety says, so that a pair always matches).
  void Busy();
  void Release();

  LdaDef* GetLDA();
  OCISvcCtx* GetSvcCtx();
  OCIError* GetErrorHandle() const;
  OCIEnv* GetEnvironment() const;

  std::string GetServerVersion();
  std::uint16_t GetMaxStringSize();
  void GetSessionParameters();
  void SetSessionParameter(const std::string& name, const std::string& value);
  void SetNlsParameter(int index, const std::string& text);
  std::string GetNlsParameter(int index);
  TOCICommand* GetInternalCommand();

  int GetLastErrorCode() const { return lastErrorCode_; }
  void SetLastErrorCode(int code) { lastErrorCode_ = code; }
  std::uint16_t GetCharsetId() const { return charsetId_; }

  bool ThreadSafety = true;
  TConnectMode ConnectMode = cmNormal;
  bool EnableIntegers = true;
  std::string InternalName;
  std::string Charset;
  std::uint16_t CharLength = 1;
  // Direct network mode only (milliseconds): the bound of the connect and logon as a whole, and
  // of each wait for a reply during a call (0: as long as the server works).
  int ConnectTimeoutMs = 60000;
  int ReceiveTimeoutMs = 0;

  const TBackgroundServices& Background() const { return background_; }

 private:
  struct NlsEntry {
    const char* name;
    std::string value;
    bool set = false;
  };

  void ConnectOCI7();
  void ConnectOCI8();
  void FreeOCI8Handles();

  const TBackgroundServices background_;
  std::recursive_mutex lock_;
  std::uint16_t maxStringSize_ = 0;
  std::uint8_t callStyle_ = 0;
  std::uint8_t commandCallStyle_ = 0;
  std::atomic<int> lastErrorCode_{0};  // written by whichever thread saw the error
  TOraErrorHandler errorHandler_;
  TOraWarningHandler warningHandler_;
  std::unique_ptr<TOCICommand> internalCommand_;
  std::string serverVersion_;
  std::uint16_t charsetId_ = 0;
  bool autoCharLength_ = false;
  std::array<NlsEntry, kNlsCount> nls_;
  std::unique_ptr<CdaDef> lda_;
  bool ldaFromSvcCtx_ = false;
  std::vector<ub1> hda_;
  OCISvcCtx* svc_ = nullptr;
  OCIServer* server_ = nullptr;
  OCISession* session_ = nullptr;
  OCIError* err_ = nullptr;
  OCIEnv* env_ = nullptr;
};

// The connection lock around one stretch of calls, taken only while ThreadSafety is on (and
// given back even if ThreadSafety changes meanwhile).
class TBusy {
 public:
  explicit TBusy(TOCIConnection& c) : c_(c.ThreadSafety ? &c : nullptr) {
    if (c_) c_->Busy();
  }
  ~TBusy() {
    if (c_) c_->Release();
  }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

 private:
  TOCIConnection* c_;
};

// The version number in a server banner: the run of digits and dots around the first "." that
// follows a digit ("... Release 11.2.0.1.0 - Production" gives 11.2.0.1.0); empty when none.
std::string ParseServerVersion(const std::string& banner);

}  // namespace ora
