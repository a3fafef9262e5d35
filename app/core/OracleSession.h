#pragma once
// The database session the Oracle schemes use around their programs: the prefix and suffix SQL
// scripts and the database character set. The application's own narrow contract, so that the
// schemes do not depend on the data access layers; the real session is plugged in by whoever
// owns the connection, a fake in tests.
//
// Ownership: the session is shared (std::shared_ptr): handed to the schemes' host in its
// services, and from there to every run in its context. Threads: the main thread (character set
// on a run's start) and the running threads use it; the session serialises its own calls.
#include <memory>
#include <string>

namespace sch {

class TOracleSession {
 public:
  virtual ~TOracleSession() = default;
  // Opens (or reuses) a connection for user/password@service; raises on failure.
  virtual void Connect(const std::string& user, const std::string& password, const std::string& service) = 0;
  // Runs an SQL script on the connection; raises with the database's message on failure.
  virtual void ExecScript(const std::string& script) = 0;
  // The database character set's name and its numeric id (as dump files store it).
  virtual std::string DatabaseCharset() = 0;
  virtual unsigned DatabaseCharsetId() = 0;
};

}  // namespace sch
