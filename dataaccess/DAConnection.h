#pragma once
// TCustomDAConnection: the database-independent connection component. It owns one server
// connection (a driver's TVtConnection, made by the virtual CreateIConnection when first needed)
// and forwards to it user name, password, server, auto-commit, connect, disconnect and the
// transaction calls. It keeps its clients (SQL components and datasets), tells them of connects
// and disconnects, re-creates their server-side objects when the server connection is replaced,
// reports every connect, disconnect, commit, rollback and error to its SQL monitor class, can run
// a connect dialog before connecting, and disconnects once on a fatal error (IsFatalError) before
// OnError runs, so the handler sees a closed connection.
//
// Extension points for a driver's session (all virtual): CreateIConnection, SetIConnection,
// SQLMonitorClass, ConnectDialogClass, NeedPrompt, IsFatalError, Get/SetConnectString,
// InTransaction, StartTransaction, CreateOptions, CreateDataSet, CreateSQL, SetConnected,
// DoConnect, DoDisconnect. A subclass whose DoDisconnect must run at destruction calls
// Disconnect() in its own destructor (this one's reaches only the base operations).
//
// Errors: EDatabaseError "Operation is not allowed when the connection is closed", "User
// transaction is already in progress.", "Cannot connect to database.", "Connection is not
// defined."; driver errors pass through. Ownership: the connection owns its server connection
// and options; clients and the dialog refer to it and unregister themselves. One thread.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DAComponent.h"
#include "dataaccess/DASQLMonitor.h"
#include "dataaccess/VtAccess.h"

namespace da {

class TCustomConnectDialog;
class TCustomDADataSet;
class TCustomDASQL;
class TCustomDAConnection;

class TDAConnectionOptions {
 public:
  explicit TDAConnectionOptions(TCustomDAConnection* owner) : owner_(owner) {}
  virtual ~TDAConnectionOptions() = default;
  // While the connection is loading, a Connected value it reads is applied by Loaded only with this.
  bool KeepDesignConnected = true;
  virtual void AssignTo(TDAConnectionOptions& dest) const { dest.KeepDesignConnected = KeepDesignConnected; }
  TCustomDAConnection* Owner() const { return owner_; }

 private:
  TCustomDAConnection* owner_;
};

// The class of a connect dialog: makes one (without owner) for a single attempt.
using TConnectDialogClass = std::unique_ptr<TCustomConnectDialog> (*)();

class TCustomDAConnection : public TDAComponent {
 public:
  using TNotifyEvent = std::function<void(TCustomDAConnection&)>;
  using TErrorEvent = std::function<void(TCustomDAConnection&, const EDAError&, bool& fail)>;
  // A client's connect-change event: connected says which way.
  using TConnectChangeEvent = std::function<void(bool connected)>;

  TCustomDAConnection();
  ~TCustomDAConnection() override;
  std::string ClassName() const override { return "TCustomDAConnection"; }

  // ---- connecting ----
  void Connect() { SetConnected(true); }
  void Disconnect() { SetConnected(false); }
  bool Connected() const { return GetConnected(); }
  virtual void SetConnected(bool value);
  // The connect sequence itself; a connect form calls it with retry true for its later attempts.
  void PerformConnect(bool retry);
  bool LoginPrompt = true;
  TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
  TErrorEvent OnError;

  // Setting a different text (case-sensitive) disconnects first.
  const std::string& Username() const { return username_; }
  void SetUsername(const std::string& value);
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& value);
  const std::string& Server() const { return server_; }
  void SetServer(const std::string& value);
  virtual std::string GetConnectString() const { return std::string(); }
  virtual void SetConnectString(const std::string& value) { (void)value; }
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool value);
  bool ConvertEOL() const { return convertEOL_; }
  void SetConvertEOL(bool value);
  TCustomConnectDialog* ConnectDialog() const { return connectDialog_; }
  void SetConnectDialog(TCustomConnectDialog* dialog);
  // Made through CreateOptions when first asked for.
  TDAConnectionOptions& Options();
  void AssignTo(TCustomDAConnection& dest) const;

  // ---- transactions ----
  void Commit();
  void Rollback();
  virtual void StartTransaction();
  virtual bool InTransaction() { return !transactionId_.empty(); }

  // ---- driver and clients ----
  // The server connection, made through CreateIConnection when there is none (nullptr when the
  // connection makes none).
  TVtConnection* IConnection();
  virtual TSQLMonitorClass SQLMonitorClass() const { return &TCustomDASQLMonitor::GetMonitor; }
  // Whether the monitor class has an active monitor.
  bool MonitorActive() const;
  virtual TConnectDialogClass ConnectDialogClass() const;
  virtual bool IsFatalError(const EDAError& error) const {
    (void)error;
    return false;
  }
  virtual std::unique_ptr<TCustomDADataSet> CreateDataSet();
  virtual std::unique_ptr<TCustomDASQL> CreateSQL();

  void RegisterClient(TCustomDADataSet* client, TConnectChangeEvent event);
  void RegisterClient(TCustomDASQL* client, TConnectChangeEvent event);
  void UnRegisterClient(const void* client);
  bool IsClient(const void* client) const;
  const std::vector<TCustomDASQL*>& SQLClients() const { return sqls_; }

  // Reading from a stored form: a Connected value set meanwhile is kept (with the options' flag)
  // and applied by Loaded. Kept deliberately as the component's API: the program makes its
  // connections in code and never loads one from a stored form.
  void BeginLoading() { loading_ = true; }
  virtual void Loaded();
  bool Loading() const { return loading_; }

  // The server connection's error event (the driver calls it with each error before raising it).
  void DoError(const EDAError& error, bool& fail);

 protected:
  virtual void CreateIConnection() { SetIConnection(nullptr); }
  // Takes the server connection (nullptr: none), passes auto-commit and the error event, and
  // re-creates the clients' commands and record sets that are not of its classes.
  virtual void SetIConnection(std::unique_ptr<TVtConnection> connection);
  virtual bool NeedPrompt() const { return LoginPrompt; }
  virtual std::unique_ptr<TDAConnectionOptions> CreateOptions() {
    return std::make_unique<TDAConnectionOptions>(this);
  }
  virtual bool GetConnected() const { return iconnection_ && iconnection_->GetConnected(); }
  virtual void DoConnect();
  virtual void DoDisconnect();
  // Tells every client of a connect (true) or disconnect (false).
  void SendConnectEvent(bool connected);
  bool Destroying() const { return destroying_; }

  std::string transactionId_;

 private:
  friend class TCustomConnectDialog;
  void NoteDialog(TCustomConnectDialog* dialog) { dialogs_.push_back(dialog); }
  void ForgetDialog(TCustomConnectDialog* dialog);
  struct Client {
    const void* key;
    TCustomDADataSet* dataSet;
    TCustomDASQL* sql;
    TConnectChangeEvent event;
  };
  void CheckConnected() const;
  void Monitor(void (*report)(TSQLMonitorClass, const TCustomDAConnection&, bool, int&), bool after, int& id) const {
    report(SQLMonitorClass(), *this, after, id);
  }

  std::vector<TCustomDASQL*> sqls_;
  std::vector<Client> clients_;
  std::string username_, password_, server_;
  bool autoCommit_ = true;
  bool convertEOL_ = false;
  bool inError_ = false;
  bool loading_ = false;
  bool streamedConnected_ = false;
  bool destroying_ = false;
  bool madeIConnection_ = false;
  TCustomConnectDialog* connectDialog_ = nullptr;
  std::vector<TCustomConnectDialog*> dialogs_;  // every dialog whose Connection this is
  std::unique_ptr<TDAConnectionOptions> options_;
  std::unique_ptr<TVtConnection> iconnection_;
};

}  // namespace da
