// The schemes' owner end to end: a scheme file is loaded, timers start, a command file runs on
// its timer through the stand-in program, notices reach the main thread, the file is saved after
// the run, and closing ends running children with 101.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/core/SchCommon.h"
#include "app/core/SchemeExecThread.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "platform/HeadlessMainThread.h"
#include "platform/ProcessRegistry.h"
#include "tests/app/ChildProcesses.h"
#include "tests/app/HostTestSupport.h"
#include "tests/app/SchemeTestSupport.h"
#include "tests/app/ScratchFolder.h"

namespace {

const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

class SchemeHostTest : public schtest::HostTest {
 protected:
  // A scheme file of one command-file scheme, due every day at 08:00 (the clock says 10:20).
  void WriteSchemeFile(const std::string& params, bool autoExec) {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = w.AddScheme("cmd", sch::skDosCommand);
    s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    s->FindParam("params")->SetKeyValue(params);
    DueDailyAt8(*s);
    s->AutoExec = autoExec;
    sch::SaveObjectToFile(file, &w, true);
  }
  void OnNotice(int param) override {
    notices.push_back(param);
    if (param == plat::kSchemeRunStarted) {
      EXPECT_EQ(host.Running().size(), 1u);
    }
  }

  std::vector<int> notices;
};

TEST_F(SchemeHostTest, DueSchemeRunsOnceAndItsRecordIsInTheSavedFile) {
  WriteSchemeFile("--exit 4", true);
  host.Load(file);
  EXPECT_TRUE(Scheme().TimerStarted());
  RunUntilNotice(plat::kSchemeRunEnded);

  EXPECT_EQ(notices, (std::vector<int>{plat::kSchemeRunStarted, plat::kSchemeRunEnded}));
  EXPECT_TRUE(host.Running().empty());
  ASSERT_EQ(Scheme().LogCount(), 1);
  const sch::TSchemeLog* log = Scheme().GetLog(0);
  EXPECT_EQ(log->ExitCode, 4);
  EXPECT_EQ(log->ResultMsgs, "Run Scripts...Failed with exit code 4\r\n");
  EXPECT_FALSE(log->ActiveMode);
  EXPECT_DOUBLE_EQ(Scheme().LastRunTime, olv::Now());

  auto saved = Reload();
  ASSERT_TRUE(saved && saved->Count() == 1);
  const sch::TSchemeObject* again = saved->GetScheme(0);
  ASSERT_EQ(again->LogCount(), 1);
  EXPECT_EQ(again->GetLog(0)->ExitCode, 4);
  EXPECT_EQ(again->GetLog(0)->ResultMsgs, log->ResultMsgs);
  EXPECT_EQ(again->GetLog(0)->RunScripts, log->RunScripts);
  EXPECT_DOUBLE_EQ(again->LastRunTime, Scheme().LastRunTime);

  // Many intervals later, still the same period: no second run.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  main.processPending();
  EXPECT_EQ(notices.size(), 2u);
  EXPECT_EQ(Scheme().LogCount(), 1);

  // The next day's moment.
  clock.Set(schtest::LocalMoment(2024, 3, 7, 8, 0));
  RunUntilNotice(plat::kSchemeRunEnded);
  EXPECT_EQ(Scheme().LogCount(), 2);
}

TEST_F(SchemeHostTest, TimerWaitsUntilStartedAndStopsWhenStopped) {
  WriteSchemeFile("", false);
  host.Load(file);
  EXPECT_FALSE(Scheme().TimerStarted());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  main.processPending();
  EXPECT_EQ(Scheme().LogCount(), 0) << "no timer, no run";

  host.StartAllTimers();
  RunUntilNotice(plat::kSchemeRunEnded);
  EXPECT_EQ(Scheme().GetLog(0)->ExitCode, 0);
  EXPECT_TRUE(Scheme().GetLog(0)->IsSucceed);

  host.StopAllTimers();
  EXPECT_FALSE(Scheme().TimerStarted());
  clock.Set(schtest::LocalMoment(2024, 3, 7, 9, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  main.processPending();
  EXPECT_EQ(Scheme().LogCount(), 1) << "a stopped timer does not run a due scheme";
  host.StartAllTimers();
  RunUntilNotice(plat::kSchemeRunEnded);
  EXPECT_EQ(Scheme().LogCount(), 2);
}

TEST_F(SchemeHostTest, RunByHandIsMarkedAndReported) {
  WriteSchemeFile("", false);
  host.Load(file);
  sch::RunSchemeInBackground(Scheme());
  RunUntilNotice(plat::kSchemeRunEnded);
  ASSERT_EQ(Scheme().LogCount(), 1);
  EXPECT_TRUE(Scheme().GetLog(0)->ActiveMode);
}

TEST_F(SchemeHostTest, TerminateRecords100AndTheRunEnds) {
  WriteSchemeFile("--sleep 30 --grandchild " + (dir / "gc.pid"), true);
  host.Load(file);
  RunUntilNotice(plat::kSchemeRunStarted);
  const pid_t grandchild = schtest::WaitForPidFile(dir / "gc.pid");
  while (Scheme().ProcessHandle.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(host.TerminateScheme(Scheme()));
  RunUntilNotice(plat::kSchemeRunEnded);
  EXPECT_EQ(Scheme().GetLog(0)->ExitCode, 100);
  EXPECT_EQ(Reload()->GetScheme(0)->GetLog(0)->ResultMsgs, "Run Scripts...Cancel by user\r\n");
  EXPECT_TRUE(schtest::ProcessGoneSoon(grandchild));
}

TEST_F(SchemeHostTest, ClosingEndsTheChildWith101AndSavesTheRecord) {
  WriteSchemeFile("--sleep 30 --grandchild " + (dir / "gc.pid"), true);
  host.Load(file);
  RunUntilNotice(plat::kSchemeRunStarted);
  const pid_t grandchild = schtest::WaitForPidFile(dir / "gc.pid");
  while (Scheme().ProcessHandle.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const pid_t child = static_cast<pid_t>(Scheme().ProcessHandle.load());

  host.Shutdown();
  EXPECT_FALSE(Scheme().TimerStarted());
  EXPECT_EQ(Scheme().State.load(), sch::ssWaiting);
  EXPECT_EQ(Scheme().GetLog(0)->ExitCode, 101);
  EXPECT_TRUE(registry.running().empty());
  EXPECT_TRUE(schtest::ProcessGoneSoon(child));
  EXPECT_TRUE(schtest::ProcessGoneSoon(grandchild));
  auto saved = Reload();
  EXPECT_EQ(saved->GetScheme(0)->GetLog(0)->ExitCode, 101);
  EXPECT_EQ(saved->GetScheme(0)->GetLog(0)->ResultMsgs, "Run Scripts...Terminate by main program\r\n");
}

TEST_F(SchemeHostTest, DamagedFileIsMovedAsideAndAnEmptyListLoads) {
  { std::ofstream(file) << "not a scheme file"; }
  host.Load(file);
  EXPECT_EQ(host.Schemes().Count(), 0);
  EXPECT_TRUE(std::filesystem::exists(file + ".bad"));
  EXPECT_TRUE(host.Save());
  EXPECT_EQ(Reload()->Count(), 0);
}

}  // namespace
