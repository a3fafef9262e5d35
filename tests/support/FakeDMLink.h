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

#include "app/core/DMSession.h"
#include "app/core/OracleClient.h"
#include "app/core/SchDM.h"
#include "app/core/SchDMLink.h"
#include "platform/Registry.h"
#include "tests/support/ScratchFolder.h"

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

// What the Oracle tools' tests work against: a session whose main link answers the tools'
// queries (users HR, SCOTT, SYS; tables DEPT, EMP; database set AL32UTF8 of id 873; three valid
// sets) and a settings store of the test's own with one Oracle home whose NLS_LANG is
// AMERICAN_AMERICA.ZHS16GBK, which the session's connections take their character set from.
struct ToolsDatabase {
  ToolsDatabase()
      : registry(dir / "registry", plat::RegistrySeed{std::string(dir / "home"), "AMERICAN_AMERICA.ZHS16GBK",
                                                      dir / "no-oratab"}),
        session(
            [this] {
              auto link = std::make_unique<FakeLink>(log);
              if (!main) main = link.get();
              return link;
            },
            [this] { return sch::DetectOracleClientOf(registry).CharSet; }) {
    main->answers[sch::TDM::kUsersSQL] = {{"HR"}, {"SCOTT"}, {"SYS"}};
    main->answers[sch::TDM::kTablesSQL] = {{"DEPT"}, {"EMP"}};
    main->answers[sch::TDM::kDBCharsetSQL] = {{"873", "AL32UTF8"}};
    main->answers[sch::TDM::kValidCharsetsSQL] = {{"US7ASCII"}, {"ZHS16GBK"}, {"AL32UTF8"}};
    main->answers[sch::TDM::kCharsetIdSQL] = {{"873"}};
    main->answers[sch::TDM::kCharsetNameSQL] = {{"ZHS16GBK"}};
  }

  testsupport::ScratchFolder dir;
  plat::Registry registry;
  std::shared_ptr<LinkLog> log = std::make_shared<LinkLog>();
  FakeLink* main = nullptr;
  sch::TDMSession session;
};

}  // namespace schtest
