#pragma once
// The data module's link over the Oracle components: one TOraSession (no connect prompt) and one
// TOraQuery bound to it (made on the first query). Statements run through the session's own
// statement runner (ExecSQL), queries through the query. Connecting sets the login, the direct
// network client when asked (Options.Net, which the Oracle layer keeps process-wide) and the
// client character set (Options.Charset), then connects.
//
// The client library and the direct network client are one for the whole process; a link
// switches between them only while no other link is connected. A link that waits for the client
// (a run's) waits until the others have disconnected; one that does not (the main module's)
// raises at once.
//
// Ownership: the link owns its session and query. Threads: one thread at a time; links on other
// threads have sessions of their own (the session's ThreadSafety serialises what they share in
// the client library).
#include <memory>

#include "app/core/SchDMLink.h"

namespace ora {
class TOraSession;
class TOraQuery;
}  // namespace ora

namespace sch {

class TOraDMLink : public TDMLink {
 public:
  TOraDMLink();
  ~TOraDMLink() override;

  bool Connected() const override;
  std::string Username() const override;
  std::string Server() const override;
  void Connect(const TOracleLogin& login, bool net, const std::string& charset) override;
  void Disconnect() override;
  void ExecSQL(const std::string& sql, const TDMParams& params) override;
  TDMRows Open(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) override;

  void SetWaitForClient(bool wait) override { waitForClient_ = wait; }

  // The factory the program's TDMSession uses.
  static std::unique_ptr<TDMLink> Make() { return std::make_unique<TOraDMLink>(); }

 private:
  void Release();

  bool waitForClient_ = false;
  bool entered_ = false;  // counted as connected by the process-wide client gate
  std::unique_ptr<ora::TOraSession> session_;
  std::unique_ptr<ora::TOraQuery> query_;
};

}  // namespace sch
