#include "app/core/OraDMLink.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "oracle/OraDataSet.h"
#include "oracle/OraSQL.h"
#include "oracle/OraSession.h"

namespace sch {

namespace {

// The Oracle layer reaches the database through the client library or the direct network
// client, one for the whole process: switching disconnects every session and unloads the
// library. The links therefore switch only while no link is connected: a run's link waits for
// the others to finish their scripts, the main module's link (the window's) refuses at once.
class ClientGate {
 public:
  // Called with the session about to connect; on return the link counts as connected.
  void Enter(ora::TOraSession& session, bool net, bool wait) {
    std::unique_lock lock(mutex_);
    if (session.Options().Net() != net) {
      if (wait) {
        idle_.wait(lock, [&] { return connected_ == 0 || session.Options().Net() == net; });
      } else if (connected_ > 0) {
        throw std::runtime_error(net ? kNetBusy : kLibraryBusy);
      }
      if (session.Options().Net() != net) session.Options().SetNet(net);
    }
    ++connected_;
  }
  void Leave() {
    {
      std::lock_guard lock(mutex_);
      --connected_;
    }
    idle_.notify_all();
  }

 private:
  static constexpr const char* kNetBusy =
      "The client library is in use by another connection; the direct network client cannot connect now.";
  static constexpr const char* kLibraryBusy =
      "The direct network client is in use by another connection; the client library cannot connect now.";
  std::mutex mutex_;
  std::condition_variable idle_;
  int connected_ = 0;
};

ClientGate& Gate() {
  static ClientGate gate;
  return gate;
}

}  // namespace

TOraDMLink::TOraDMLink() : session_(std::make_unique<ora::TOraSession>()) {
  session_->SetConnectPrompt(false);
  // Each statement of a script is committed when it succeeds, as the module's query did: what ran
  // before a failing statement stays done, and nothing is left to the logoff.
  session_->InternalSQL().SetAutoCommit(true);
}

TOraDMLink::~TOraDMLink() {
  // The query goes before the session it is bound to.
  query_.reset();
  session_.reset();
  Release();
}

void TOraDMLink::Release() {
  if (!entered_) return;
  entered_ = false;
  Gate().Leave();
}

bool TOraDMLink::Connected() const { return session_->Connected(); }
std::string TOraDMLink::Username() const { return session_->Username(); }
std::string TOraDMLink::Server() const { return session_->Server(); }

void TOraDMLink::Connect(const TOracleLogin& login, bool net, const std::string& charset) {
  Disconnect();
  session_->SetUsername(login.user);
  session_->SetPassword(login.password);
  session_->SetServer(login.server);
  Gate().Enter(*session_, net, waitForClient_);
  entered_ = true;
  try {
    session_->Options().SetCharset(charset);
    session_->Connect();
  } catch (...) {
    Release();
    throw;
  }
}

void TOraDMLink::Disconnect() {
  try {
    if (query_) query_->Close();
    session_->Disconnect();
  } catch (const std::exception&) {
    // The server or the network went away under the connection (a listener that hung up on an
    // idle client): logging off has nothing left to do, and a new connection must not fail for it.
  }
  Release();
}

void TOraDMLink::ExecSQL(const std::string& sql, const TDMParams& params) {
  if (query_) query_->Close();
  std::vector<da::Variant> values;
  for (const auto& p : params) values.emplace_back(p.second);
  session_->ExecSQL(sql, values);
}

TDMRows TOraDMLink::Open(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) {
  if (!query_) {
    // Made on first use: a client layer that has no record sets fails here, and only queries
    // fail with it.
    auto query = std::make_unique<ora::TOraQuery>();
    query->SetSession(session_.get());
    query_ = std::move(query);
  }
  query_->Close();
  query_->SetSQL(sql);
  for (const auto& [name, value] : params) query_->ParamByName(name).SetAsString(value);
  query_->Open();
  TDMRows rows;
  try {
    std::vector<da::TField*> columns;
    for (const std::string& name : fields) columns.push_back(&query_->FieldByName(name));
    for (; !query_->Eof(); query_->Next()) {
      std::vector<std::string> row;
      for (da::TField* f : columns) row.push_back(f->IsNull() ? std::string() : f->AsString());
      rows.push_back(std::move(row));
    }
  } catch (...) {
    query_->Close();
    throw;
  }
  query_->Close();
  return rows;
}

}  // namespace sch
