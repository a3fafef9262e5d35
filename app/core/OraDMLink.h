#pragma once
// The data module's link over the Oracle components: one TOraSession (no connect prompt) and one
// TOraQuery bound to it (made on the first query). Statements run through the session's own
// statement runner (ExecSQL), queries through the query. Connecting sets the login, the direct
// network client when asked (Options.Net, which the Oracle layer keeps process-wide) and the
// client character set (Options.Charset), then connects.
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

  // The factory the program's TDMSession uses.
  static std::unique_ptr<TDMLink> Make() { return std::make_unique<TOraDMLink>(); }

 private:
  std::unique_ptr<ora::TOraSession> session_;
  std::unique_ptr<ora::TOraQuery> query_;
};

}  // namespace sch
