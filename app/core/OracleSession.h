#pragma once
// The database session the Oracle schemes use around their programs: the prefix and suffix SQL
// scripts and the database character set. The application's own narrow contract, so that the
// schemes do not depend on the data access layers; the real session is plugged in by whoever
// owns the connection (TDMSession over the data module), a fake in tests.
//
// A run reaches the database only through RunScript and ReadDatabaseCharset, each one whole
// operation for one login: nothing another thread does can put another user's connection under
// it. The real session gives every script a connection of its own; the defaults here hold the
// session's lock across the connect and the whole script instead.
//
// Ownership: the session is shared (std::shared_ptr): handed to the schemes' host in its
// services, and from there to every run in its context. Threads: the main thread (character set
// on a run's start, the script editor) and the running threads use it; the session serialises
// its own calls.
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "app/core/SchDMLink.h"
#include "platform/ThreadAnnotations.h"

namespace sch {

// Where a run's script hands over how to break off the database call it waits in (a terminate,
// the program closing; TSchemeObject::SetBreaker): the breaker while its calls can be broken off,
// null before they no longer can. A run already asked to end calls the breaker at once.
using TBreakerSlot = std::function<void(std::function<void()> breaker)>;

class TOracleSession {
 public:
  virtual ~TOracleSession() = default;
  // Opens (or reuses) a connection for user/password@service; raises on failure.
  virtual void Connect(const std::string& user, const std::string& password, const std::string& service) = 0;
  // Whether a connection is open now (the script editor offers "Execute" only then).
  virtual bool Connected() const { return false; }
  // Runs an SQL script on the connection; raises with the database's message on failure.
  virtual void ExecScript(const std::string& script) = 0;
  // The database character set's name and its numeric id (as dump files store it).
  virtual std::string DatabaseCharset() = 0;
  virtual unsigned DatabaseCharsetId() = 0;

  // A run's script as the login's user, macros expanded through the calling thread's current
  // list. Raises with the database's message on failure, also when broken off through the slot
  // (the defaults here cannot be broken off and leave the slot alone).
  virtual void RunScript(const TOracleLogin& login, const std::string& script, const TBreakerSlot& = {}) {
    plat::MutexLock lock(runLock_);
    ConnectAs(login);
    ExecScript(script);
  }
  // The database character set as the login's user. False, name and id untouched, on failure.
  virtual bool ReadDatabaseCharset(const TOracleLogin& login, std::string& name, unsigned& id) {
    try {
      plat::MutexLock lock(runLock_);
      ConnectAs(login);
      std::string n = DatabaseCharset();
      const unsigned i = DatabaseCharsetId();
      name = std::move(n);
      id = i;
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

 private:
  // The defaults' connect: the lock stays held until what they do on that connection is done,
  // so that no other run of theirs connects as another user in between.
  void ConnectAs(const TOracleLogin& login) REQUIRES(runLock_) {
    Connect(login.user, login.password, login.server);
  }

  plat::Mutex runLock_;
};

}  // namespace sch
