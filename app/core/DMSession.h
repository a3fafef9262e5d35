#pragma once
// The database session of the schemes (TOracleSession) over the data module: one module for the
// main thread (the Oracle tools, the script editor, the character set read on a run's start) and,
// for every run's script, a module of its own on a connection of its own that lives for that
// script alone. Two runs as two users at once therefore never execute on each other's
// connection, and a tool that logs the main module on as someone else cannot move a running
// script.
//
// Ownership: the session owns the main module; the per-script modules live inside RunScript.
// The link factory makes a fresh, unconnected link each time it is called, from any thread.
// Threads: any; the main module is used under MainLock() (recursive), which the seam's calls
// take themselves and which a tool holds around a sequence of calls of its own.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/core/OracleSession.h"
#include "app/core/SchDM.h"
#include "platform/ThreadAnnotations.h"

namespace sch {

// The longest the window waits for one statement or query of its own module (the tools, the
// script editor's "Execute", the character set read on a run's start): then the call is broken
// off and raises kCallTooLong. A run's scripts are not bounded: they wait as long as the server
// works, and a terminate breaks them off.
inline constexpr std::chrono::milliseconds kWindowCallBound{2000};

class TDMSession : public TOracleSession {
 public:
  using LinkFactory = std::function<std::unique_ptr<TDMLink>()>;
  // clientCharset as TDM's.
  explicit TDMSession(LinkFactory factory, std::function<std::string()> clientCharset = {});

  // The main module, used with MainLock() held (plat::RecursiveMutexLock).
  TDM& Main() REQUIRES(mainLock_) { return main_; }
  plat::RecursiveMutex& MainLock() RETURN_CAPABILITY(mainLock_) { return mainLock_; }

  void Connect(const std::string& user, const std::string& password, const std::string& service) override;
  bool Connected() const override;
  void ExecScript(const std::string& script) override;
  std::string DatabaseCharset() override;
  unsigned DatabaseCharsetId() override;

  // On a module and connection of its own, closed when the script ends. When the way to the
  // database the login needs (client library or direct network client) is in use the other way,
  // the window's module gives way and other runs are waited for. One session per program. The
  // breaker handed to the slot (TDMLink::Break) ends the wait for the other way, the call in
  // progress and every statement after it.
  void RunScript(const TOracleLogin& login, const std::string& script, const TBreakerSlot& slot = {}) override;
  // On the main module, under its lock.
  bool ReadDatabaseCharset(const TOracleLogin& login, std::string& name, unsigned& id) override;

 private:
  LinkFactory factory_;
  std::function<std::string()> clientCharset_;
  mutable plat::RecursiveMutex mainLock_;
  TDM main_ GUARDED_BY(mainLock_);
};

}  // namespace sch
