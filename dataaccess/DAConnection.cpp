#include "dataaccess/DAConnection.h"

#include <algorithm>
#include <exception>
#include <typeinfo>

#include "dataaccess/ConnectDialog.h"
#include "dataaccess/DADataSet.h"
#include "dataaccess/DASQL.h"

namespace da {

TCustomDAConnection::TCustomDAConnection() = default;

TCustomDAConnection::~TCustomDAConnection() {
  destroying_ = true;
  try {
    Disconnect();
  } catch (...) {
    // A destructor cannot report; the server connection is freed below in any case.
  }
  while (!sqls_.empty()) sqls_.front()->SetConnection(nullptr);
  while (!clients_.empty()) {
    const std::size_t before = clients_.size();
    if (TCustomDADataSet* ds = clients_.front().dataSet) ds->SetConnection(nullptr);
    if (clients_.size() == before) clients_.erase(clients_.begin());
  }
  connectDialog_ = nullptr;
  while (!dialogs_.empty()) dialogs_.front()->SetConnection(nullptr);
  iconnection_.reset();
}

TDAConnectionOptions& TCustomDAConnection::Options() {
  if (!options_) options_ = CreateOptions();
  return *options_;
}

void TCustomDAConnection::ForgetDialog(TCustomConnectDialog* dialog) {
  dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), dialog), dialogs_.end());
  if (connectDialog_ == dialog) connectDialog_ = nullptr;
}

TVtConnection* TCustomDAConnection::IConnection() {
  if (!iconnection_ && !madeIConnection_) {
    madeIConnection_ = true;
    CreateIConnection();
  }
  return iconnection_.get();
}

void TCustomDAConnection::SetIConnection(std::unique_ptr<TVtConnection> connection) {
  madeIConnection_ = true;
  iconnection_ = std::move(connection);
  if (!iconnection_) return;
  iconnection_->SetProp(prAutoCommit, Variant(autoCommit_));
  iconnection_->SetEventProp(prOnError, TEventMethod([this](const EDAError& e, bool& fail) { DoError(e, fail); }));
  for (TCustomDASQL* sql : std::vector<TCustomDASQL*>(sqls_)) sql->CheckICommand();
  for (const Client& c : std::vector<Client>(clients_))
    if (c.dataSet) c.dataSet->CheckIRecordSet();
}

bool TCustomDAConnection::MonitorActive() const {
  const TSQLMonitorClass cls = SQLMonitorClass();
  const TCustomDASQLMonitor* monitor = cls ? cls() : nullptr;
  return monitor && monitor->Active();
}

TConnectDialogClass TCustomDAConnection::ConnectDialogClass() const {
  return [] { return std::make_unique<TCustomConnectDialog>(); };
}

std::unique_ptr<TCustomDADataSet> TCustomDAConnection::CreateDataSet() {
  auto ds = std::make_unique<TCustomDADataSet>();
  ds->SetConnection(this);
  return ds;
}

std::unique_ptr<TCustomDASQL> TCustomDAConnection::CreateSQL() {
  auto sql = std::make_unique<TCustomDASQL>();
  sql->SetConnection(this);
  return sql;
}

void TCustomDAConnection::RegisterClient(TCustomDADataSet* client, TConnectChangeEvent event) {
  if (IsClient(client)) return;
  clients_.push_back({client, client, nullptr, std::move(event)});
}

void TCustomDAConnection::RegisterClient(TCustomDASQL* client, TConnectChangeEvent event) {
  if (IsClient(client)) return;
  clients_.push_back({client, nullptr, client, std::move(event)});
  sqls_.push_back(client);
}

void TCustomDAConnection::UnRegisterClient(const void* client) {
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(), [client](const Client& c) { return c.key == client; }),
                 clients_.end());
  sqls_.erase(std::remove(sqls_.begin(), sqls_.end(), client), sqls_.end());
}

bool TCustomDAConnection::IsClient(const void* client) const {
  return std::any_of(clients_.begin(), clients_.end(), [client](const Client& c) { return c.key == client; });
}

void TCustomDAConnection::SendConnectEvent(bool connected) {
  // A client may leave while it is told: walk a copy, skipping the ones gone.
  for (const Client& c : std::vector<Client>(clients_))
    if (IsClient(c.key) && c.event) c.event(connected);
}

void TCustomDAConnection::CheckConnected() const {
  if (!GetConnected()) throw EDatabaseError("Operation is not allowed when the connection is closed");
}

void TCustomDAConnection::SetConnected(bool value) {
  if (GetConnected() == value) return;
  if (!value) {
    // A client whose disconnection hits a fatal error (the server is gone) is told again; one
    // more round is the end of it, so that a client that keeps failing cannot hold the
    // connection open.
    try {
      SendConnectEvent(false);
    } catch (const EDAError& e) {
      if (!IsFatalError(e)) throw;
      try {
        SendConnectEvent(false);
      } catch (const EDAError& again) {
        if (!IsFatalError(again)) throw;
      }
    }
  }
  if (loading_) {
    if (Options().KeepDesignConnected) streamedConnected_ = value;
    return;
  }
  if (value) {
    const TConnectDialogClass dialogClass = ConnectDialogClass();
    if (NeedPrompt() && dialogClass) {
      // A dialog made for this attempt alone is freed with it.
      std::unique_ptr<TCustomConnectDialog> made;
      TCustomConnectDialog* dialog = connectDialog_;
      if (!dialog) {
        made = dialogClass();
        dialog = made.get();
      }
      dialog->SetConnection(this);
      if (dialog->Execute()) return;
      if (!streamedConnected_) throw EAbort();
      throw EDatabaseError("Cannot connect to database.");
    }
    PerformConnect(false);
    return;
  }
  if (BeforeDisconnect) BeforeDisconnect(*this);
  SendConnectEvent(false);
  DoDisconnect();
  if (AfterDisconnect) AfterDisconnect(*this);
}

void TCustomDAConnection::PerformConnect(bool retry) {
  if (loading_) {
    streamedConnected_ = true;
    return;
  }
  if (GetConnected()) return;
  if (!retry && BeforeConnect) BeforeConnect(*this);
  DoConnect();
  SendConnectEvent(true);
  if (AfterConnect) AfterConnect(*this);
}

void TCustomDAConnection::DoConnect() {
  int id = 0;
  Monitor(&TCustomDASQLMonitor::DBConnect, false, id);
  StartWait();
  try {
    TVtConnection* connection = IConnection();
    if (!connection) throw EDatabaseError("Connection is not defined.");
    connection->SetUsername(username_);
    connection->SetPassword(password_);
    connection->SetServer(server_);
    connection->Connect(std::string());
  } catch (...) {
    StopWait();
    throw;
  }
  StopWait();
  Monitor(&TCustomDASQLMonitor::DBConnect, true, id);
}

void TCustomDAConnection::DoDisconnect() {
  // An open transaction is committed, not rolled back; the disconnect happens even when that fails.
  std::exception_ptr failure;
  if (InTransaction()) {
    try {
      Commit();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  try {
    int id = 0;
    Monitor(&TCustomDASQLMonitor::DBDisconnect, false, id);
    if (TVtConnection* connection = IConnection()) connection->Disconnect();
    Monitor(&TCustomDASQLMonitor::DBDisconnect, true, id);
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  // The server's transaction ended with the session: a reconnect starts without one.
  if (!transactionId_.empty() && iconnection_) iconnection_->SetProp(prAutoCommit, Variant(autoCommit_));
  transactionId_.clear();
  if (!failure) return;
  try {
    std::rethrow_exception(failure);
  } catch (const EDAError& e) {
    if (!(destroying_ && IsFatalError(e))) throw;
  }
}

void TCustomDAConnection::StartTransaction() {
  CheckConnected();
  if (InTransaction()) throw EDatabaseError("User transaction is already in progress.");
  IConnection()->StartTransaction();
  transactionId_ = "Local";
  IConnection()->SetProp(prAutoCommit, Variant(false));
}

void TCustomDAConnection::Commit() {
  CheckConnected();
  int id = 0;
  Monitor(&TCustomDASQLMonitor::TRCommit, false, id);
  IConnection()->Commit();
  transactionId_.clear();
  IConnection()->SetProp(prAutoCommit, Variant(autoCommit_));
  Monitor(&TCustomDASQLMonitor::TRCommit, true, id);
}

void TCustomDAConnection::Rollback() {
  CheckConnected();
  int id = 0;
  Monitor(&TCustomDASQLMonitor::TRRollback, false, id);
  IConnection()->Rollback();
  transactionId_.clear();
  IConnection()->SetProp(prAutoCommit, Variant(autoCommit_));
  Monitor(&TCustomDASQLMonitor::TRRollback, true, id);
}

void TCustomDAConnection::DoError(const EDAError& error, bool& fail) {
  TCustomDASQLMonitor::DBError(SQLMonitorClass(), error);
  if (!inError_ && IsFatalError(error)) {
    inError_ = true;
    try {
      Disconnect();
    } catch (...) {
      // The connection is lost already; the error being reported is the one that matters.
    }
    inError_ = false;
  }
  if (OnError) OnError(*this, error, fail);
}

void TCustomDAConnection::Loaded() {
  loading_ = false;
  if (!streamedConnected_) return;
  try {
    SetConnected(true);
  } catch (...) {
    streamedConnected_ = false;
    throw;
  }
  streamedConnected_ = false;
}

void TCustomDAConnection::SetUsername(const std::string& value) {
  if (value == username_) return;
  Disconnect();
  username_ = value;
  if (TVtConnection* c = IConnection()) c->SetUsername(value);
}

void TCustomDAConnection::SetPassword(const std::string& value) {
  if (value == password_) return;
  Disconnect();
  password_ = value;
  if (TVtConnection* c = IConnection()) c->SetPassword(value);
}

void TCustomDAConnection::SetServer(const std::string& value) {
  if (value == server_) return;
  Disconnect();
  server_ = value;
  if (TVtConnection* c = IConnection()) c->SetServer(value);
}

void TCustomDAConnection::SetAutoCommit(bool value) {
  autoCommit_ = value;
  if (TVtConnection* c = IConnection()) c->SetProp(prAutoCommit, Variant(value));
}

void TCustomDAConnection::SetConvertEOL(bool value) {
  convertEOL_ = value;
  if (TVtConnection* c = IConnection()) c->SetProp(prConvertEOL, Variant(value));
}

void TCustomDAConnection::SetConnectDialog(TCustomConnectDialog* dialog) {
  if (dialog == connectDialog_) return;
  TCustomConnectDialog* old = connectDialog_;
  connectDialog_ = dialog;
  if (old && old->Connection() == this) old->SetConnection(nullptr);
  if (dialog) dialog->SetConnection(this);
}

void TCustomDAConnection::AssignTo(TCustomDAConnection& dest) const {
  dest.SetUsername(username_);
  dest.SetPassword(password_);
  dest.SetServer(server_);
  dest.LoginPrompt = LoginPrompt;
}

}  // namespace da
