#include "app/core/OraDMLink.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "app/core/CallDeadline.h"
#include "oracle/components/OraQuery.h"
#include "oracle/components/OraSQL.h"
#include "oracle/components/OraSession.h"
#include "oracle/net/NetCallInterface.h"

namespace sch {

namespace {

// The Oracle layer reaches the database through the client library or the direct network
// client, one for the whole process: switching disconnects every session, unloads the library
// and rewrites every session's settings. The links therefore switch only while no link is
// connected, and make, set up, log off and drop their sessions under the gate's lock, so that a
// switch never meets a session another thread is changing. Run links are counted apart, so that
// a run can wait for the other runs alone (the window's link gives way instead).
class ClientGate {
 public:
  // With the lock held: the session is about to connect; on return the link counts as connected.
  void Enter(ora::TOraSession& session, bool net, bool run) REQUIRES(TOraDMLink::GateLock()) {
    if (session.Options().Net() != net) {
      if (runs_ + others_ > 0) throw TDMClientBusy(net ? kNetBusy : kLibraryBusy);
      // The program's direct network client: the Oracle layer knows it only through the table's
      // back-end interface.
      if (net) ora::SetNetClient(&ora::NetCallInterface());
      session.Options().SetNet(net);
    }
    ++(run ? runs_ : others_);
  }
  // With the lock held.
  void Leave(bool run) REQUIRES(TOraDMLink::GateLock()) {
    --(run ? runs_ : others_);
    free_.notify_all();
  }
  // Until no run's link holds the way other than the one asked for, or the waiting link is
  // broken off.
  void WaitFree(ora::TOraSession& session, bool net, const std::atomic<bool>& broken)
      EXCLUDES(TOraDMLink::GateLock()) {
    plat::MutexLock lock(TOraDMLink::GateLock());
    while (!(broken || runs_ == 0 || session.Options().Net() == net)) lock.wait(free_);
  }
  // A link was broken off: its wait ends.
  void Wake() EXCLUDES(TOraDMLink::GateLock()) {
    plat::MutexLock lock(TOraDMLink::GateLock());
    free_.notify_all();
  }

 private:
  static constexpr const char* kNetBusy =
      "The client library is in use by another connection; the direct network client cannot connect now.";
  static constexpr const char* kLibraryBusy =
      "The direct network client is in use by another connection; the client library cannot connect now.";
  std::condition_variable free_;
  int runs_ GUARDED_BY(TOraDMLink::GateLock()) = 0;
  int others_ GUARDED_BY(TOraDMLink::GateLock()) = 0;
};

constexpr const char* kBrokenOff = "The statement was not executed: the run is ending";

ClientGate& Gate() {
  static ClientGate gate;
  return gate;
}

}  // namespace

plat::Mutex& TOraDMLink::GateLock() {
  static plat::Mutex lock;
  return lock;
}

TOraDMLink::TOraDMLink(Warner warn) {
  plat::MutexLock lock(GateLock());
  session_ = std::make_unique<ora::TOraSession>();
  session_->SetConnectPrompt(false);
  if (warn) session_->OnWarning = [warn = std::move(warn)](ora::TOraSession&, const std::string& text) { warn(text); };
  // Each statement of a script is committed when it succeeds, as the module's query did: what ran
  // before a failing statement stays done, and nothing is left to the logoff.
  session_->InternalSQL().SetAutoCommit(true);
}

TOraDMLink::~TOraDMLink() {
  plat::MutexLock lock(GateLock());
  LogOff();
  // The query goes before the session it is bound to.
  query_.reset();
  session_.reset();
}

void TOraDMLink::LogOff() {
  {
    plat::MutexLock lock(breakMutex_);
    live_ = false;
  }
  try {
    if (query_) query_->Close();
    session_->Disconnect();
  } catch (const std::exception&) {
    // The server or the network went away under the connection (a listener that hung up on an
    // idle client): logging off has nothing left to do, and a new connection must not fail for it.
  }
  if (entered_) {
    entered_ = false;
    Gate().Leave(runLink_);
  }
}

void TOraDMLink::WaitForClient(bool net) { Gate().WaitFree(*session_, net, broken_); }

void TOraDMLink::Break() {
  broken_ = true;
  Gate().Wake();
  // The statements after the call are refused all the same.
  BreakCall();
}

void TOraDMLink::BreakCall() {
  plat::MutexLock lock(breakMutex_);
  if (!live_) return;
  try {
    session_->BreakExec();
  } catch (const std::exception&) {
    // Nothing was in progress to break, or the connection is going.
  }
}

template <class Call>
auto TOraDMLink::Bounded(Call&& call) -> decltype(call()) {
  if (callBound_.count() <= 0) return call();
  TCallDeadline deadline(callBound_, [this] { BreakCall(); });
  try {
    return call();
  } catch (const std::exception&) {
    if (deadline.Expired()) throw std::runtime_error(kCallTooLong);
    throw;
  }
}

void TOraDMLink::RequireUnbroken() const {
  if (broken_) throw std::runtime_error(kBrokenOff);
}

bool TOraDMLink::Connected() const {
  plat::MutexLock lock(GateLock());
  return session_->Connected();
}

std::string TOraDMLink::Username() const {
  plat::MutexLock lock(GateLock());
  return session_->Username();
}

std::string TOraDMLink::Server() const {
  plat::MutexLock lock(GateLock());
  return session_->Server();
}

void TOraDMLink::Connect(const TOracleLogin& login, bool net, const std::string& charset) {
  {
    plat::MutexLock lock(GateLock());
    LogOff();
    session_->SetUsername(login.user);
    session_->SetPassword(login.password);
    session_->SetServer(login.server);
    Gate().Enter(*session_, net, runLink_);
    entered_ = true;
    session_->Options().SetCharset(charset);
    // The window's logon over the network is held to the same bound as its calls; a run's
    // logon keeps the session's own (longer) one.
    if (callBound_.count() > 0) session_->Options().SetConnectTimeout(static_cast<int>(callBound_.count()));
  }
  // Counted as connected, the session is left alone by any switch while it logs on.
  try {
    RequireUnbroken();
    session_->Connect();
    {
      plat::MutexLock lock(breakMutex_);
      live_ = true;
    }
    // A break that came while the session logged on found nothing to break off.
    RequireUnbroken();
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TOraDMLink::Disconnect() {
  plat::MutexLock lock(GateLock());
  LogOff();
}

void TOraDMLink::RequireConnection() const {
  if (!entered_) throw std::runtime_error("Not connected to the database");
  RequireUnbroken();
}

void TOraDMLink::ExecSQL(const std::string& sql, const TDMParams& params) {
  RequireConnection();
  if (query_) query_->Close();
  std::vector<da::Variant> values;
  for (const auto& p : params) values.emplace_back(p.second);
  Bounded([&] { session_->ExecSQL(sql, values); });
}

TDMRows TOraDMLink::Open(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) {
  RequireConnection();
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
  // The rows are fetched from the server as they are read: the bound covers them too.
  TDMRows rows = Bounded([&] {
    query_->Open();
    TDMRows read;
    try {
      std::vector<da::TField*> columns;
      for (const std::string& name : fields) columns.push_back(&query_->FieldByName(name));
      for (; !query_->Eof(); query_->Next()) {
        std::vector<std::string> row;
        for (da::TField* f : columns) row.push_back(f->IsNull() ? std::string() : f->AsString());
        read.push_back(std::move(row));
      }
    } catch (...) {
      query_->Close();
      throw;
    }
    return read;
  });
  query_->Close();
  return rows;
}

}  // namespace sch
