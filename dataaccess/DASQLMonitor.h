#pragma once
// TCustomDASQLMonitor: the SQL monitor component. The components report every connect,
// disconnect, commit, rollback, prepare, execute and error through the static event operations
// below, each given the monitor class of the connection (TCustomDAConnection::SQLMonitorClass);
// when that class has an active monitor, the monitor formats the event as a text and hands it,
// by its Options, to four outlets:
//   moDialog      the debug-dialog hook (DebugDialogProc), for prepare and execute, before the action;
//   moSQLMonitor  the development tools' SQL monitor (a client made by SQLMonitorClientFactory),
//                 filtered by TraceFlags, before the action;
//   moQuelmon     the external monitor program (IQuelmon from QuelmonFactory), before and after;
//   moCustom      OnSQL, before the action (errors at once); with moCustom, the dialog only for
//                 objects whose Debug is on.
// moHandled tags every text with " [Name$address; Connection$address] ". The development tools'
// monitor and the external monitor program have no counterpart on Linux: their factories are
// outlets with nothing installed, so those options cost nothing unless a test installs one.
// Without an active monitor of the class, nothing is formatted and nothing is sent.
//
// The base class has no active monitor; a database layer's own monitor (the Oracle layer's
// TOraSQLMonitor) has a process-wide one.
// Events are delivered on the thread that runs the action; the outlets are not locked.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DAComponent.h"
#include "dataaccess/DAErrors.h"

namespace plat {
class Registry;
}

namespace da {

class TParam;
class TParams;
class TCustomDASQLMonitor;

enum TDATraceFlag : std::uint8_t {
  tfQPrepare, tfQExecute, tfQFetch, tfError, tfStmt, tfConnect, tfTransact, tfBlob, tfService, tfMisc, tfParams
};
using TDATraceFlags = std::uint16_t;
constexpr TDATraceFlags TraceBit(TDATraceFlag f) { return static_cast<TDATraceFlags>(1u << f); }

enum TMonitorOption : std::uint8_t { moDialog, moSQLMonitor, moQuelmon, moCustom, moHandled };
using TMonitorOptions = std::uint8_t;
constexpr TMonitorOptions MonitorBit(TMonitorOption o) { return static_cast<TMonitorOptions>(1u << o); }
inline constexpr TMonitorOptions kDefaultMonitorOptions = 15;  // dialog, SQL monitor, Quelmon, custom

// A monitor class: its class operation GetMonitor (the active monitor, or nullptr).
using TSQLMonitorClass = TCustomDASQLMonitor* (*)();

// The development tools' SQL monitor: one text per call.
class ISQLMonitorClient {
 public:
  virtual ~ISQLMonitorClient() = default;
  virtual void SendText(const std::string& text) = 0;
};
// Makes the client for an application name, handing it the callback that sets TraceFlags;
// nullptr when there is none (registering fails silently). Empty: nothing installed.
using TSQLMonitorClientFactory = std::function<std::unique_ptr<ISQLMonitorClient>(
    const std::string& appName, std::function<void(TDATraceFlags)> setTraceFlags)>;
extern TSQLMonitorClientFactory SQLMonitorClientFactory;

// The external monitor program.
struct TQuelmonParam {
  std::string Name, DataType, ParamType, Value;
};
enum TQuelmonEvent : int { qeConnect = 2, qeDisconnect = 3, qeCommit = 4, qeRollback = 5, qePrepare = 6,
                           qeExecute = 8, qeError = 10, qeOther = 11 };
struct TQuelmonMessage {
  int MessageID = 0;  // 0 for a "before" call; the id the "before" call returned for the "after" one
  TQuelmonEvent Event = qeOther;
  bool After = false;
  const TDAComponent* Object = nullptr;
  const TDAComponent* Connection = nullptr;
  std::string ObjectName, ConnectionName, Text;
  std::string SQL;                    // prepare and execute
  std::vector<TQuelmonParam> Params;  // prepare and execute
  int RowsAffected = -1;              // prepare and execute
  std::string ConnectInfo;            // connect: "Username = %s\r\nServer = %s"
};
class IQuelmon {
 public:
  virtual ~IQuelmon() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  // The message's id (kept by the caller for the "after" call).
  virtual int Event(const TQuelmonMessage& message) = 0;
};
// Empty: nothing installed; the lookup then reads the registry only to tell an installed monitor
// program without its registration ("Current Quelmon version is out of date. Please update.").
extern std::function<std::shared_ptr<IQuelmon>()> QuelmonFactory;
// The registry that lookup reads (nullptr: plat::Registry::Default()).
extern plat::Registry* QuelmonRegistry;

// The debug-dialog hook (unassigned in the program).
using TDebugDialogProc = void (*)(TSQLMonitorClass monitorClass, const TDAComponent& object, const std::string& sql,
                                  const std::string& caption, const TParams* params);
extern TDebugDialogProc DebugDialogProc;

class TCustomDASQLMonitor : public TDAComponent {
 public:
  using TOnSQLEvent = std::function<void(const TDAComponent* sender, const std::string& text, TDATraceFlag flag)>;

  TCustomDASQLMonitor() : TCustomDASQLMonitor(true) {}
  ~TCustomDASQLMonitor() override;
  std::string ClassName() const override { return "TCustomDASQLMonitor"; }

  bool Active() const { return active_; }
  // Stores the requested value and (un)registers the outlets when it differs from the state.
  void SetActive(bool value);
  TMonitorOptions Options() const { return options_; }
  // Re-applies both outlets while active.
  void SetOptions(TMonitorOptions value);
  TDATraceFlags TraceFlags = 0;  // set by the development tools' monitor
  TOnSQLEvent OnSQL;

  // This class's GetMonitor: the base class has no active monitor.
  static TCustomDASQLMonitor* GetMonitor() { return nullptr; }
  virtual TSQLMonitorClass MonitorClass() const { return &TCustomDASQLMonitor::GetMonitor; }
  virtual std::string GetParamDataType(const TParam& param) const;
  virtual std::string GetParamParamType(const TParam& param) const;
  virtual std::string GetParamValue(const TParam& param) const;
  virtual std::string GetCaption() const { return "DataAccess"; }

  // The events (each does nothing when the class has no active monitor). The callers call each
  // twice, before (after false) and after the action, passing the same messageID.
  static void SQLPrepare(TSQLMonitorClass cls, const TDAComponent& object, const std::string& sql,
                         const TParams* params, int& messageID, bool after);
  static void SQLExecute(TSQLMonitorClass cls, const TDAComponent& object, const std::string& sql,
                         const TParams* params, const std::string& caption, int& messageID, bool after);
  static void DBConnect(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after, int& messageID);
  static void DBDisconnect(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after, int& messageID);
  static void TRCommit(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after, int& messageID);
  static void TRRollback(TSQLMonitorClass cls, const TCustomDAConnection& connection, bool after, int& messageID);
  static void DBError(TSQLMonitorClass cls, const EDAError& error);

  // The parameter lines of a list: ":NAME(TYPE,DIR)=VALUE \r\n" each, parts left out when empty.
  std::string ParamLines(const TParams* params) const;
  // " [Name$XXXXXXXX; Connection$XXXXXXXX] " with moHandled, else empty.
  std::string Tag(const TDAComponent* object) const;

 protected:
  // activateNow false: a subclass activates once it is what its MonitorClass names.
  explicit TCustomDASQLMonitor(bool activateNow);
  virtual void RegisterSQLMonitor();
  virtual void UnregisterSQLMonitor();
  // The monitor of a class, with its requested Active applied.
  static TCustomDASQLMonitor* Live(TSQLMonitorClass cls);
  // A connection event: text "<what>: user@server" + tag to every outlet.
  void ConnectionEvent(TQuelmonEvent event, const std::string& what, TDATraceFlag flag,
                       const TCustomDAConnection& connection, bool after, int& messageID);
  // A statement event: prepare (caption empty) or execute.
  void StatementEvent(bool execute, const TDAComponent& object, const std::string& sql, const TParams* params,
                      const std::string& caption, int& messageID, bool after);
  // monitorText nullptr: the development tools' monitor was served by the caller.
  void Deliver(TQuelmonMessage& message, TDATraceFlag flag, const std::string* monitorText,
               const std::string& customText, const TDAComponent* sender, int& messageID);

 private:
  void Activate();
  void Deactivate();

  bool active_ = false;
  bool requested_ = true;
  TMonitorOptions options_ = kDefaultMonitorOptions;
  std::unique_ptr<ISQLMonitorClient> client_;
  std::shared_ptr<IQuelmon> quelmon_;
};

// The lookup of the external monitor program (see QuelmonFactory).
std::shared_ptr<IQuelmon> GetQuelmon();

}  // namespace da
