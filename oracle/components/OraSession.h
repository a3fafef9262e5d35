#pragma once
// TOraSession: the Oracle connection component, a TCustomDAConnection whose server connection is
// a TOCIConnection. It adds the Oracle logon settings (Home, ConnectMode, ThreadSafety), the
// session options (character set, date format and language, integers, the old call interface,
// and Net: the direct network client in place of a client library), the connect string
// user/password@server, a statement runner (ExecSQL), transaction ids and savepoints through
// PL/SQL, and the Oracle errors after which the session is gone (IsFatalError: such an error
// disconnects the session before it is raised, so that the next connect starts afresh).
//
// Process-wide: every session is listed (TSessionList, locked for each access); the first one
// made is the default session, which datasets and SQL components without a session use while
// DefaultSessionFallback is on. Home and Options.Net are process-wide in effect: changing either
// on one session disconnects every session, unloads the client library and gives every session
// the new value.
//
// Ownership: the session owns its options, its Oracle connection (through the base) and its
// internal SQL component. Threads: the session is used from one thread at a time; ThreadSafety
// makes the Oracle connection serialise the client calls of its commands and fetches, which the
// program relies on when timer threads run scripts through one session (each holding the
// session for the length of its script). Changing Home or Net runs on the main thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DAConnection.h"
#include "dataaccess/Variant.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraConnection.h"
#include "platform/ThreadAnnotations.h"

namespace ora {

class TOraSession;
class TOraSQL;
class TOraDataSet;

class TOraSessionOptions : public da::TDAConnectionOptions {
 public:
  explicit TOraSessionOptions(TOraSession* owner);

  bool NeverConnect = false;
  bool UseOCI7() const { return useOCI7_; }
  void SetUseOCI7(bool value);
  bool Net() const { return net_; }
  void SetNet(bool value);
  bool EnableIntegers() const { return enableIntegers_; }
  void SetEnableIntegers(bool value);
  std::string Charset() const;
  void SetCharset(const std::string& value);
  int CharLength() const;
  void SetCharLength(int value);  // 0..6 (0: as the server's character set says)
  std::string DateFormat() const;
  void SetDateFormat(const std::string& value);
  std::string DateLanguage() const;
  void SetDateLanguage(const std::string& value);
  bool ConvertEOL() const;
  void SetConvertEOL(bool value);
  // Direct network mode (milliseconds): the connect and logon end with an error after
  // ConnectTimeout (default 60000); a call waits for the server as long as it works unless
  // ReceiveTimeout (default 0: none) bounds each wait for its reply. Both take effect at the next
  // connect; a client library keeps its own settings.
  int ConnectTimeout() const;
  void SetConnectTimeout(int milliseconds);
  int ReceiveTimeout() const;
  void SetReceiveTimeout(int milliseconds);
  // Copies NeverConnect, UseOCI7, Charset, CharLength, DateFormat, DateLanguage and the timeouts.
  void AssignTo(da::TDAConnectionOptions& dest) const override;

 private:
  friend class TOraSession;
  TOraSession& Session() const;
  bool useOCI7_ = false;
  bool net_ = false;
  bool enableIntegers_ = true;
};

class TOraSession : public da::TCustomDAConnection {
 public:
  using TConnectChangeEvent = std::function<void(TOraSession& sender, bool connected)>;

  TOraSession();
  ~TOraSession() override;
  std::string ClassName() const override { return "TOraSession"; }

  TOraSessionOptions& Options() { return static_cast<TOraSessionOptions&>(da::TCustomDAConnection::Options()); }
  TOCIConnection& OCIConnection();
  // Interrupts the call another thread has in progress on this session, which then fails with
  // the server's cancel error (ORA-01013); nothing when not connected. Any thread, no lock: the
  // caller keeps the session from being connected or disconnected meanwhile.
  void BreakExec();

  bool Debug() const { return debug_; }
  void SetDebug(bool value);
  bool ThreadSafety() const { return threadSafety_; }
  void SetThreadSafety(bool value);
  TConnectMode ConnectMode() const { return connectMode_; }
  void SetConnectMode(TConnectMode value);
  TOracleHome Home() const { return home_; }
  void SetHome(TOracleHome value);
  bool ConnectPrompt() const { return LoginPrompt; }
  void SetConnectPrompt(bool value) { LoginPrompt = value; }
  TConnectChangeEvent OnConnectChange;
  // A warning of the connection's calls (TOCIConnection::Warn), on the calling thread; the call
  // goes on. Whoever owns the session decides whether the user sees it.
  std::function<void(TOraSession& sender, const std::string& text)> OnWarning;

  // user[/password][@server]
  std::string GetConnectString() const override;
  void SetConnectString(const std::string& value) override;

  // Runs text with the values given for its parameters, in order (parameters beyond them are
  // NULL); a parameter named Result of unknown type is made a string. Returns the value of
  // Result, or Null.
  da::Variant ExecSQL(const std::string& text, const std::vector<da::Variant>& params = {});

  void StartTransaction() override;
  bool InTransaction() override;
  void Savepoint(const std::string& name);
  void RollbackToSavepoint(const std::string& name);
  // True for the errors after which the session is gone: 28, 1012, 3113, 3114, 12203, 12571.
  bool IsFatalError(const da::EDAError& error) const override;
  std::string ServerVersion();
  // The compile errors of the CREATE ... statement sql, one line each ("No errors" when none);
  // text is left as it is for any other statement.
  void GetCompileErrors(const std::string& sql, std::string& text);

  da::TSQLMonitorClass SQLMonitorClass() const override;
  // The session never prompts: it has no connect dialog.
  da::TConnectDialogClass ConnectDialogClass() const override { return nullptr; }
  std::unique_ptr<da::TCustomDADataSet> CreateDataSet() override;
  std::unique_ptr<da::TCustomDASQL> CreateSQL() override;
  void SetConnected(bool value) override;
  void AssignTo(TOraSession& dest);

  // The internal SQL component (made on first use).
  TOraSQL& InternalSQL();

  // A fatal error ends the server session at once, inside the failing call, but the clients
  // (datasets, SQL components) are told only once that call has unwound: the component that ran
  // it calls this after catching the error, and a connect calls it before anything else. Until
  // then the session reads as disconnected.
  void FinishLostConnection();
  bool ConnectionLost() const { return lost_; }

 protected:
  void CreateIConnection() override;
  std::unique_ptr<da::TDAConnectionOptions> CreateOptions() override {
    return std::make_unique<TOraSessionOptions>(this);
  }
  void DoConnect() override;
  void DoDisconnect() override;

 private:
  friend class TOraSessionOptions;
  // Sets the call style the options and the process-wide state call for.
  void ApplyCallStyle();
  // The server connection's error event.
  void OnServerError(const da::EDAError& error, bool& fail);

  bool debug_ = false;
  bool disconnecting_ = false;
  bool lost_ = false;
  bool reportingError_ = false;
  bool endingSession_ = false;
  bool threadSafety_ = true;
  TConnectMode connectMode_ = cmNormal;
  TOracleHome home_ = ohDefault;
  std::unique_ptr<TOraSQL> sql_;
};

// ---- process-wide ----
// The sessions alive, in order of creation; each access takes the list's lock.
class TSessionList {
 public:
  int Count() const;
  TOraSession* Items(int index) const;  // nullptr out of range
  std::vector<TOraSession*> Snapshot() const;

 private:
  friend class TOraSession;
  void Add(TOraSession* session);
  void Remove(TOraSession* session);
  mutable plat::Mutex lock_;
  std::vector<TOraSession*> items_ GUARDED_BY(lock_);
};
TSessionList& Sessions();
// The first session made (then the next listed when it goes), or nullptr.
TOraSession* DefaultSession();
// Datasets and SQL components without a session use the default session.
extern bool DefaultSessionFallback;

}  // namespace ora
