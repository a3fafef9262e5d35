#pragma once
// The data module's link over the Oracle components: one TOraSession (no connect prompt) and one
// TOraQuery bound to it (made on the first query). Statements run through the session's own
// statement runner (ExecSQL), queries through the query. Connecting sets the login, the direct
// network client when asked (Options.Net, which the Oracle layer keeps process-wide) and the
// client character set (Options.Charset), then connects.
//
// Break reaches the session only between its logon and its logoff (BreakExec), never while either
// changes it. The window's link bounds each statement and query (SetCallBound) by breaking it
// off from a watchdog thread; the logon is bounded only by the client's own connect timeout.
//
// The client library and the direct network client are one for the whole process; a link
// switches between them only while no other link is connected, and raises TDMClientBusy
// otherwise (SchDMLink.h says who waits and who gives way).
//
// Ownership: the link owns its session and query. Threads: one thread at a time, but Break from
// any; links on other threads have sessions of their own (the session's ThreadSafety serialises
// what they share in the client library).
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/core/SchDMLink.h"
#include "platform/ThreadAnnotations.h"

namespace ora {
class TOraSession;
class TOraQuery;
}  // namespace ora

namespace sch {

class TOraDMLink : public TDMLink {
 public:
  // What the Oracle layer warns about while a call goes on (TOraSession::OnWarning), on the
  // calling thread. Null: dropped.
  using Warner = std::function<void(const std::string& text)>;
  explicit TOraDMLink(Warner warn = {});
  ~TOraDMLink() override;

  bool Connected() const override;
  std::string Username() const override;
  std::string Server() const override;
  void Connect(const TOracleLogin& login, bool net, const std::string& charset) override;
  void Disconnect() override;
  void ExecSQL(const std::string& sql, const TDMParams& params) override;
  TDMRows Open(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) override;

  void SetRunLink(bool run) override { runLink_ = run; }
  void WaitForClient(bool net) override;
  // The session's BreakExec while it is connected; the library's own error of the break is
  // dropped (the call it was meant for ends or fails on its own).
  void Break() override;
  void SetCallBound(std::chrono::milliseconds bound) override { callBound_ = bound; }

  // Factories for a TDMSession: links whose warnings are dropped, or go to warn.
  static std::unique_ptr<TDMLink> Make() { return std::make_unique<TOraDMLink>(); }
  static std::function<std::unique_ptr<TDMLink>()> Factory(Warner warn) {
    return [warn = std::move(warn)] { return std::make_unique<TOraDMLink>(warn); };
  }

  // The lock of the process-wide gate that counts the connected links and switches the way to the
  // database (OraDMLink.cpp): links are made, set up, logged off and dropped under it.
  static plat::Mutex& GateLock();

 private:
  // With the gate's lock held: logged off (quietly) and no longer counted as connected.
  void LogOff() REQUIRES(GateLock());
  // Statements and queries only on a connection the gate counts: never one made behind it.
  void RequireConnection() const;

  // Raises when the link was broken off.
  void RequireUnbroken() const;
  // The session's BreakExec while it is connected (errors of the break dropped).
  void BreakCall();
  // call() within the call bound, when one is set.
  template <class Call>
  auto Bounded(Call&& call) -> decltype(call());

  std::chrono::milliseconds callBound_{0};

  bool runLink_ = false;
  bool entered_ = false;  // counted as connected by the process-wide client gate
  std::atomic<bool> broken_{false};
  // A break reaches the session only between its connect and its logoff, never while either
  // changes it.
  plat::Mutex breakMutex_;
  bool live_ GUARDED_BY(breakMutex_) = false;
  std::unique_ptr<ora::TOraSession> session_;
  std::unique_ptr<ora::TOraQuery> query_;
};

}  // namespace sch
