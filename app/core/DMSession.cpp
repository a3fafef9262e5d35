#include "app/core/DMSession.h"

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <utility>

namespace sch {

namespace {

std::unique_ptr<TDMLink> WindowLink(std::unique_ptr<TDMLink> link) {
  link->SetCallBound(kWindowCallBound);
  return link;
}

}  // namespace

TDMSession::TDMSession(LinkFactory factory, std::function<std::string()> clientCharset)
    : factory_(std::move(factory)), clientCharset_(std::move(clientCharset)), main_(WindowLink(factory_()), clientCharset_) {}

void TDMSession::Connect(const std::string& user, const std::string& password, const std::string& service) {
  plat::RecursiveMutexLock lock(mainLock_);
  main_.Connect(user, password, service);
}

bool TDMSession::Connected() const {
  plat::RecursiveMutexLock lock(mainLock_);
  return main_.Connected();
}

void TDMSession::ExecScript(const std::string& script) {
  plat::RecursiveMutexLock lock(mainLock_);
  main_.ExecScript(script);
}

std::string TDMSession::DatabaseCharset() {
  plat::RecursiveMutexLock lock(mainLock_);
  std::uint16_t id = 0;
  std::string name;
  main_.GetDBCharset(id, name);
  return name;
}

unsigned TDMSession::DatabaseCharsetId() {
  plat::RecursiveMutexLock lock(mainLock_);
  std::uint16_t id = 0;
  std::string name;
  main_.GetDBCharset(id, name);
  return id;
}

namespace {

// The script's breaker is handed over for the script's length and taken back before its
// connection closes.
class BreakerScope {
 public:
  BreakerScope(const TBreakerSlot& slot, TDMLink& link) : slot_(slot) {
    if (slot_) slot_([&link] { link.Break(); });
  }
  ~BreakerScope() {
    if (slot_) slot_(nullptr);
  }
  BreakerScope(const BreakerScope&) = delete;
  BreakerScope& operator=(const BreakerScope&) = delete;

 private:
  const TBreakerSlot& slot_;
};

}  // namespace

void TDMSession::RunScript(const TOracleLogin& login, const std::string& script, const TBreakerSlot& slot) {
  std::unique_ptr<TDMLink> link = factory_();
  TDMLink& way = *link;
  way.SetRunLink(true);
  TDM own(std::move(link), clientCharset_);
  const BreakerScope breaker(slot, way);
  const bool net = TDM::IsNetServer(login.server);
  for (;;) {
    {
      // The window's connection through the other way gives way to the run; the main module
      // connects again when it is next used. Held only for this, never across a wait.
      plat::RecursiveMutexLock lock(mainLock_);
      if (main_.Connected() && TDM::IsNetServer(main_.Server()) != net) main_.Disconnect();
    }
    try {
      own.Connect(login.user, login.password, login.server);
      break;
    } catch (const TDMClientBusy&) {
      // Another run holds the other way (or the window took it back meanwhile): wait for the runs.
      way.WaitForClient(net);
    }
  }
  // An empty user connects nothing; the script would otherwise fail with a less telling message.
  if (!own.Connected()) throw std::runtime_error("Not connected: no database user");
  own.ExecScript(script);
}

bool TDMSession::ReadDatabaseCharset(const TOracleLogin& login, std::string& name, unsigned& id) {
  plat::RecursiveMutexLock lock(mainLock_);
  try {
    main_.Connect(login.user, login.password, login.server);
    std::uint16_t i = 0;
    std::string n;
    if (!main_.GetDBCharset(i, n)) return false;
    name = std::move(n);
    id = i;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace sch
