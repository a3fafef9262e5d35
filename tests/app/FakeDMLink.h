#pragma once
// A data-module link for tests: connects, executes and opens without a database, writing what it
// did into a log shared by the links of one test ("connect user/password@server", "user: sql
// :BIND=value", "user: open sql"), and answering queries from a table of texts.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/SchDMLink.h"

namespace schtest {

// What every fake link did, in order, shared by the links of one test.
struct LinkLog {
  std::mutex mutex;
  std::vector<std::string> calls;
  void Add(std::string line) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(line));
  }
};

class FakeLink : public sch::TDMLink {
 public:
  explicit FakeLink(std::shared_ptr<LinkLog> log) : log_(std::move(log)) {}
  bool Connected() const override { return connected_; }
  std::string Username() const override { return login_.user; }
  std::string Server() const override { return login_.server; }
  void Connect(const sch::TOracleLogin& login, bool net, const std::string& charset) override {
    connected_ = false;
    login_ = login;
    log_->Add("connect " + login.user + "/" + login.password + "@" + login.server + (net ? " net" : "") +
              (charset.empty() ? "" : " charset=" + charset));
    if (!failConnect.empty()) throw std::runtime_error(failConnect);
    connected_ = true;
  }
  void Disconnect() override {
    if (connected_) log_->Add("disconnect " + login_.user);
    connected_ = false;
  }
  void ExecSQL(const std::string& sql, const sch::TDMParams& params) override {
    if (!connected_) throw std::runtime_error("not connected");
    if (onExec) onExec(*this, sql);
    log_->Add(login_.user + ": " + sql + Binds(params));
    if (!failOn.empty() && sql.find(failOn) != std::string::npos) throw std::runtime_error("ORA-00942: no table");
  }
  sch::TDMRows Open(const std::string& sql, const sch::TDMParams& params, const std::vector<std::string>&) override {
    if (!connected_) throw std::runtime_error("not connected");
    log_->Add(login_.user + ": open " + sql + Binds(params));
    auto it = answers.find(sql);
    if (it == answers.end()) throw std::runtime_error("ORA-00942: table or view does not exist");
    return it->second;
  }

  std::string failConnect, failOn;
  std::map<std::string, sch::TDMRows> answers;
  std::function<void(FakeLink&, const std::string&)> onExec;

 private:
  static std::string Binds(const sch::TDMParams& params) {
    std::string s;
    for (const auto& [name, value] : params) s += " :" + name + "=" + value;
    return s;
  }
  std::shared_ptr<LinkLog> log_;
  sch::TOracleLogin login_;
  bool connected_ = false;
};

}  // namespace schtest
