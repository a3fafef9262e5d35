#pragma once
// Shared set-up of the end-to-end tests of the schemes' owner: a scratch folder with the scheme
// file, a headless main thread that the test runs until a chosen run notice, and the owner itself,
// shut down after each test.
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/OracleSession.h"
#include "app/core/SchemeHost.h"
#include "platform/HeadlessMainThread.h"
#include "platform/MainThread.h"
#include "platform/ProcessRegistry.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/RunLoop.h"
#include "tests/support/ScratchFolder.h"

namespace schtest {

class HostTest : public SchemeTest {
 protected:
  explicit HostTest(std::shared_ptr<sch::TOracleSession> session = {}, sch::TimerSettings timers = {})
      : hostPtr(std::make_unique<sch::SchemeHost>(Services(std::move(session), std::move(timers)))) {}

  sch::SchemeServices Services(std::shared_ptr<sch::TOracleSession> session, sch::TimerSettings timers) {
    sch::SchemeServices s;
    s.mainThread = &main;
    s.processes = &registry;
    s.oracleSession = std::move(session);
    s.timers = std::move(timers);
    s.confirm = [this](const std::string& question) {
      asked.push_back(question);
      if (answers.empty()) return false;
      const bool yes = answers.front();
      answers.pop_front();
      return yes;
    };
    return s;
  }

  void SetUp() override {
    SchemeTest::SetUp();
    host.SetRunNotice([this](sch::TSchemeObject&, int param) {
      OnNotice(param);
      if (param == quitOn) main.quit();
    });
  }
  void TearDown() override {
    host.Shutdown();
    SchemeTest::TearDown();
  }
  // Each run notice, on the main thread, before the loop may stop for it.
  virtual void OnNotice(int /*param*/) {}

  // Due every day at 08:00 (the test clock says 10:20), its timer started on load, checking often.
  static void DueDailyAt8(sch::TSchemeObject& s) {
    s.AutoExec = true;
    s.TimerInterval = 10;
    auto item = std::make_unique<sch::TSchemeTimeItem>();
    item->Hour = 8;
    item->Minute = 0;
    s.SchemeTime->FMode = sch::tmDay;
    s.SchemeTime->Add(std::move(item));
  }

  // Handles notices until one with param has been handled; gives up after the limit, the test
  // failing and naming what it waited for.
  bool RunUntilNotice(int param, const std::string& what = "the run notice",
                      std::chrono::milliseconds limit = testsupport::kPatience) {
    quitOn = param;
    return testsupport::RunUntilQuit(main, limit, what);
  }
  sch::TSchemeObject& Scheme() { return *host.Schemes().GetScheme(0); }
  std::unique_ptr<sch::TSchemeWrapper> Reload() { return sch::LoadObjectFromFile(file); }

  testsupport::ScratchFolder dir;
  std::string file = dir / "schemes.sch";
  plat::HeadlessMainThread main;
  plat::ProcessRegistry registry;
  std::unique_ptr<sch::SchemeHost> hostPtr;
  sch::SchemeHost& host = *hostPtr;
  int quitOn = -1;
  // The host's questions: each one noted; answered from the queue, declined when it is empty.
  std::deque<bool> answers;
  std::vector<std::string> asked;
};

}  // namespace schtest
