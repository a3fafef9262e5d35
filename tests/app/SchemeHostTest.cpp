// The schemes' owner end to end: a scheme file is loaded, timers start, a command file runs on
// its timer through the stand-in program, notices reach the main thread, the file is saved after
// the run, and closing ends running children with 101.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/core/SchCommon.h"
#include "app/core/SchemeExecThread.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeHost.h"
#include "app/core/WorkFiles.h"
#include "platform/Dialogs.h"
#include "platform/HeadlessMainThread.h"
#include "platform/Process.h"
#include "platform/ProcessRegistry.h"
#include "platform/TempFile.h"
#include "tests/support/ChildProcesses.h"
#include "tests/app/HostTestSupport.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
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
    if (param == sch::kSchemeRunStarted) {
      EXPECT_EQ(host.Running().size(), 1u);
    }
  }

  std::vector<int> notices;
};

TEST_F(SchemeHostTest, DueSchemeRunsOnceAndItsRecordIsInTheSavedFile) {
  WriteSchemeFile("--exit 4", true);
  host.Start(file);
  EXPECT_TRUE(Scheme().TimerStarted());
  RunUntilNotice(sch::kSchemeRunEnded);

  EXPECT_EQ(notices, (std::vector<int>{sch::kSchemeRunStarted, sch::kSchemeRunRecorded, sch::kSchemeRunEnded}));
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
  EXPECT_EQ(notices.size(), 3u);
  EXPECT_EQ(Scheme().LogCount(), 1);

  // The next day's moment.
  clock.Set(schtest::LocalMoment(2024, 3, 7, 8, 0));
  RunUntilNotice(sch::kSchemeRunEnded);
  EXPECT_EQ(Scheme().LogCount(), 2);
}

TEST_F(SchemeHostTest, TimerWaitsUntilStartedAndStopsWhenStopped) {
  WriteSchemeFile("", false);
  host.Start(file);
  EXPECT_FALSE(Scheme().TimerStarted());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  main.processPending();
  EXPECT_EQ(Scheme().LogCount(), 0) << "no timer, no run";
  EXPECT_EQ(host.StartAllTimers(), 0) << "only schemes that allow automatism";
  EXPECT_FALSE(Scheme().HasTimerThread());

  host.SetAutoExec(Scheme(), true);
  EXPECT_EQ(host.StartAllTimers(), 1);
  RunUntilNotice(sch::kSchemeRunEnded);
  EXPECT_EQ(Scheme().GetLog(0)->ExitCode, 0);
  EXPECT_TRUE(Scheme().GetLog(0)->IsSucceed);

  host.StopAllTimers();
  EXPECT_FALSE(Scheme().TimerStarted());
  clock.Set(schtest::LocalMoment(2024, 3, 7, 9, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  main.processPending();
  EXPECT_EQ(Scheme().LogCount(), 1) << "a stopped timer does not run a due scheme";
  host.StartAllTimers();
  RunUntilNotice(sch::kSchemeRunEnded);
  EXPECT_EQ(Scheme().LogCount(), 2);
}

TEST_F(SchemeHostTest, RunByHandIsMarkedAndReported) {
  WriteSchemeFile("", false);
  host.Start(file);
  EXPECT_TRUE(host.Run(Scheme()));
  RunUntilNotice(sch::kSchemeRunEnded);
  ASSERT_EQ(Scheme().LogCount(), 1);
  EXPECT_TRUE(Scheme().GetLog(0)->ActiveMode);
}

// Both terminate commands end a command file's whole process family as they end exp's: the
// record says so, saved with exit code 100.
TEST_F(SchemeHostTest, BothTerminateCommandsEndACommandFileRunAndItsFamily) {
  struct Command {
    const char* name;
    std::function<int(sch::SchemeHost&, sch::TSchemeObject&)> call;
  };
  const Command commands[] = {
      {"Terminate Runing", [](sch::SchemeHost& h, sch::TSchemeObject& s) { return h.TerminateScheme(s) ? 1 : 0; }},
      {"Terminate all be runing schemes", [](sch::SchemeHost& h, sch::TSchemeObject&) { return h.TerminateAll(); }},
  };
  WriteSchemeFile("--sleep 30 --grandchild " + (dir / "gc.pid"), false);
  host.Start(file);
  for (const Command& command : commands) {
    SCOPED_TRACE(command.name);
    fs::remove(dir / "gc.pid");
    ASSERT_TRUE(host.Run(Scheme()));
    ASSERT_TRUE(RunUntilNotice(sch::kSchemeRunRecorded, "the run's open record"));
    const pid_t grandchild = schtest::WaitForPidFile(dir / "gc.pid");
    ASSERT_GT(grandchild, 0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return Scheme().ProcessHandle.load() != 0; }, "the child's start"));
    EXPECT_EQ(command.call(host, Scheme()), 1);
    ASSERT_TRUE(RunUntilNotice(sch::kSchemeRunEnded, "the run's end after the terminate"));
    EXPECT_TRUE(schtest::ProcessGoneSoon(grandchild)) << "what the command file started is gone too";
    EXPECT_TRUE(registry.running().empty());
    const auto saved = Reload();
    const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(saved->GetScheme(0)->LogCount() - 1);
    EXPECT_EQ(rec->ExitCode, 100);
    EXPECT_FALSE(rec->IsSucceed);
    EXPECT_EQ(rec->ResultMsgs, "Run Scripts...Cancel by user\r\n");
  }
  EXPECT_FALSE(host.TerminateScheme(Scheme())) << "nothing runs";
  EXPECT_EQ(host.TerminateAll(), 0);
}

TEST_F(SchemeHostTest, ClosingEndsTheChildWith101AndSavesTheRecord) {
  WriteSchemeFile("--sleep 30 --grandchild " + (dir / "gc.pid"), true);
  host.Start(file);
  RunUntilNotice(sch::kSchemeRunRecorded);
  const pid_t grandchild = schtest::WaitForPidFile(dir / "gc.pid");
  ASSERT_TRUE(testsupport::WaitUntil([&] { return Scheme().ProcessHandle.load() != 0; }, "the child's start"));
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

// The file holds a run's record from its start, open (exit code -1, no end), so that a program
// that dies during the run leaves it behind for the next start to close.
TEST_F(SchemeHostTest, TheFileHoldsTheOpenRecordWhileTheRunGoesOn) {
  WriteSchemeFile("--sleep 30 --grandchild " + (dir / "gc.pid"), true);
  host.Start(file);
  RunUntilNotice(sch::kSchemeRunRecorded);
  auto saved = Reload();
  ASSERT_EQ(saved->GetScheme(0)->LogCount(), 1);
  const sch::TSchemeLog* open = saved->GetScheme(0)->GetLog(0);
  EXPECT_EQ(open->ExitCode, plat::kExitStartFailed);
  EXPECT_NE(open->StartTime, 0);
  EXPECT_EQ(open->EndTime, 0);
  EXPECT_EQ(Scheme().State.load(), sch::ssRunning);
}

// The program died during a run (killed, crashed): the saved record has no end. At the next
// start nothing claims to be running: the record is closed as terminated, and work files the
// dead program left (a save's, a run's) are removed, while those of a program still running and
// the user's own files stay.
TEST_F(SchemeHostTest, AStartAfterADeathClosesTheRunsRecordAndRemovesItsWorkFiles) {
  testsupport::ScopedEnv env;
  env.Set("XDG_CACHE_HOME", dir / "cache");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = w.AddScheme("cmd", sch::skDosCommand);
    s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    auto log = std::make_unique<sch::TSchemeLog>();
    log->StartTime = 45000.5;
    log->ResultMsgs = "Run Scripts...";
    s->LogList->Add(std::move(log));
    sch::SaveObjectToFile(file, &w, true);
  }
  const std::string work = sch::WorkFolder();
  for (const char* name : {"TempAbCd1234.log", "Tmp9xYz8wVu"}) testsupport::WriteAll(work + "/" + name, "left");
  testsupport::WriteAll(dir / ".saveQwEr5678", "half a save");
  testsupport::WriteAll(work + "/notes.txt", "not ours");
  plat::TempFile live = plat::TempFile::Create(work, sch::kTempLogPrefix, sch::kTempLogSuffix);

  EXPECT_EQ(host.Start(file), "");
  const sch::TSchemeLog* rec = Scheme().GetLog(0);
  EXPECT_EQ(rec->ExitCode, plat::kExitTerminatedOnClose);
  EXPECT_FALSE(rec->IsSucceed);
  EXPECT_EQ(rec->EndTime, rec->StartTime);
  EXPECT_EQ(rec->ResultMsgs, "Run Scripts...Terminate by main program\r\n");
  EXPECT_EQ(Scheme().State.load(), sch::ssWaiting);
  EXPECT_EQ(testsupport::NamesIn(work),
            (std::vector<std::string>{fs::path(live.path()).filename().string(), "notes.txt"}));
  EXPECT_EQ(dir.names(), (std::vector<std::string>{".schemes.sch.lock", "cache", "schemes.sch"}));
}

TEST_F(SchemeHostTest, DamagedFileIsMovedAsideAndAnEmptyListLoads) {
  { std::ofstream(file) << "not a scheme file"; }
  const std::string error = host.Start(file);
  EXPECT_NE(error.find("kept as " + file + ".unreadable"), std::string::npos) << error;
  EXPECT_EQ(host.Schemes().Count(), 0);
  EXPECT_TRUE(std::filesystem::exists(file + ".unreadable"));
  EXPECT_TRUE(host.Save());
  EXPECT_EQ(Reload()->Count(), 0);
}

}  // namespace

// --- Runs and saves at the same time --------------------------------------------------------

namespace {

// Two command files that run a while, each by hand.
class ConcurrentRunsTest : public schtest::HostTest {
 protected:
  void OnNotice(int param) override {
    if (param == sch::kSchemeRunEnded) ++ended;
  }
  int ended = 0;
};

TEST_F(ConcurrentRunsTest, TwoRunsWriteTheirRecordsWhileTheFileIsSaved) {
  auto w = std::make_unique<sch::TSchemeWrapper>();
  for (const char* name : {"first", "second"}) {
    sch::TSchemeObject* s = w->AddScheme(name, sch::skDosCommand);
    s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    s->FindParam("params")->SetKeyValue("--sleep 0.2");
  }
  host.Adopt(std::move(w), file);
  ASSERT_TRUE(host.Run(*host.Schemes().GetScheme(0)));
  ASSERT_TRUE(host.Run(*host.Schemes().GetScheme(1)));
  // The main thread saves over and over while both runs list, update and trim their records.
  int saves = 0;
  for (int i = 0; ended < 2 && i < 200000; ++i) {
    main.processPending();
    EXPECT_TRUE(host.Save()) << host.LastSaveError();
    ++saves;
  }
  ASSERT_EQ(ended, 2);
  EXPECT_GT(saves, 2);
  auto saved = Reload();
  ASSERT_EQ(saved->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(saved->GetScheme(i)->LogCount(), 1) << i;
    EXPECT_EQ(saved->GetScheme(i)->GetLog(0)->ResultMsgs, "Run Scripts...Ok\r\n");
    EXPECT_TRUE(saved->GetScheme(i)->GetLog(0)->IsSucceed);
    EXPECT_TRUE(saved->GetScheme(i)->GetLog(0)->ActiveMode);
  }
}

TEST_F(ConcurrentRunsTest, LoadingWhileARunWaitsToReportItsStartDoesNotHang) {
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = w.AddScheme("due", sch::skDosCommand);
    s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
    DueDailyAt8(*s);
    sch::SaveObjectToFile(file, &w, true);
    sch::TSchemeWrapper other;
    other.AddScheme("other", sch::skDosCommand);
    sch::SaveObjectToFile(dir / "other.sch", &other, true);
  }
  host.Start(file);
  // The timer has claimed the due scheme and now waits on the main thread with its start notice.
  while (!main.hasPending()) std::this_thread::yield();
  EXPECT_EQ(host.Load(dir / "other.sch", nullptr).outcome, sch::SchemeHost::LoadOutcome::Loaded);
  EXPECT_EQ(host.FileName(), dir / "other.sch");
  // The old scheme's run goes on unseen and ends; the loaded schemes are not touched.
  main.processPending();
  EXPECT_TRUE(host.Running().empty());
  EXPECT_EQ(host.Schemes().GetScheme(0)->SchName(), "other");
}

// --- The main window's commands -------------------------------------------------------------

class HostCommandsTest : public schtest::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    plat::SetDialogs(&boxes);
  }
  void TearDown() override {
    HostTest::TearDown();
    plat::SetDialogs(nullptr);
  }
  // One scheme of each kind; the command file's timer due at 08:00 when started.
  void StartWithEveryKind() {
    auto w = schtest::EveryKindContainer();
    w->GetScheme(0)->AutoExec = false;
    sch::TSchemeObject* cmd = w->GetScheme(2);
    cmd->GetParam(0)->SetKeyValue(kFakeCmd);
    cmd->GetParam(1)->SetKeyValue("");
    sch::SaveObjectToFile(file, w.get(), true);
    host.Start(file);
  }
  sch::TSchemeObject& At(int i) { return *host.Schemes().GetScheme(i); }
  std::string LastQuestion() const { return asked.empty() ? "" : asked.back(); }

  plat::ScriptedDialogs boxes;
};

TEST_F(HostCommandsTest, TimersStartAndStopOnlyWhereAutomatismIsAllowed) {
  StartWithEveryKind();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(At(i).HasTimerThread()) << i;
  EXPECT_FALSE(host.StartTimer(At(2))) << "\"Start timer\" needs \"Allow automatism\"";
  host.SetAutoExec(At(0), true);
  EXPECT_EQ(host.StartAllTimers(), 1);
  EXPECT_TRUE(At(0).TimerStarted());
  EXPECT_FALSE(At(1).HasTimerThread());
  EXPECT_FALSE(host.StartTimer(At(0))) << "already counting";

  // Switched on after the start: no timer thread, so "Stop all timer" leaves it be.
  host.SetAutoExec(At(1), true);
  EXPECT_EQ(host.StopAllTimers(), 1);
  EXPECT_FALSE(At(0).TimerStarted());
  EXPECT_FALSE(At(1).HasTimerThread());
  EXPECT_FALSE(host.StopTimer(At(0))) << "already stopped";
  EXPECT_TRUE(host.StartTimer(At(0)));
  EXPECT_TRUE(host.StopTimer(At(0)));
}

TEST_F(HostCommandsTest, SaveAsWritesACopyAndTheCurrentFileStays) {
  StartWithEveryKind();
  host.SetSchemeName(At(1), "renamed");
  ASSERT_TRUE(host.SaveAs(dir / "copy.sch"));
  EXPECT_EQ(host.FileName(), file);
  EXPECT_EQ(sch::LoadObjectFromFile(dir / "copy.sch")->GetScheme(1)->SchName(), "renamed");
  EXPECT_EQ(Reload()->GetScheme(1)->SchName(), "restore") << "the current file is not written by Save as";
  EXPECT_TRUE(host.Save());
  EXPECT_EQ(Reload()->GetScheme(1)->SchName(), "renamed");
  EXPECT_FALSE(host.SaveAs(dir / "no-such-folder/x.sch"));
  EXPECT_FALSE(host.LastSaveError().empty());

  // With no file name, "Save" is "Save as", and the name still stays empty.
  host.Adopt(nullptr, "");
  EXPECT_TRUE(host.Save([] { return std::string(); })) << "cancelled: nothing to report";
  EXPECT_TRUE(host.Save([&] { return dir / "named.sch"; }));
  EXPECT_TRUE(std::filesystem::exists(dir / "named.sch"));
  EXPECT_EQ(host.FileName(), "");
}

TEST_F(HostCommandsTest, LoadAsksThePasswordAndKeepsEverythingWhenItFails) {
  StartWithEveryKind();
  const std::string other = dir / "other.sch";
  {
    sch::TSchemeWrapper w;
    w.AddScheme("locked", sch::skDosCommand);
    w.SetPassword("Secret");
    sch::SaveObjectToFile(other, &w, true);
  }
  std::string asked;
  auto answer = [&](bool ok) {
    return [&asked, ok](const std::string& password, bool) {
      asked = password;
      return ok;
    };
  };
  EXPECT_EQ(host.Load(other, answer(false)).outcome, sch::SchemeHost::LoadOutcome::Cancelled);
  EXPECT_EQ(asked, "Secret");
  EXPECT_EQ(host.FileName(), file);
  EXPECT_EQ(host.Schemes().Count(), 3);
  EXPECT_TRUE(host.Save());
  EXPECT_EQ(Reload()->Count(), 3) << "a later save writes the old schemes to the old file";

  EXPECT_EQ(host.Load(other, answer(true)).outcome, sch::SchemeHost::LoadOutcome::Loaded);
  EXPECT_EQ(host.FileName(), other);
  EXPECT_EQ(host.Schemes().GetScheme(0)->SchName(), "locked");
}

TEST_F(HostCommandsTest, ADamagedFileIsMovedAsideOnlyWhenItWouldBeOverwritten) {
  StartWithEveryKind();
  const std::string bad = dir / "bad.sch";
  { std::ofstream(bad) << "not a scheme file"; }
  const auto result = host.Load(bad, nullptr);
  EXPECT_EQ(result.outcome, sch::SchemeHost::LoadOutcome::Failed);
  EXPECT_FALSE(result.error.empty());
  EXPECT_TRUE(std::filesystem::exists(bad)) << "not the current file: nothing overwrites it";
  EXPECT_EQ(host.FileName(), file);
  EXPECT_EQ(host.Schemes().Count(), 3);
}

TEST_F(HostCommandsTest, LoadAndDeleteWaitForRunsAndDeleteAsksAndSaves) {
  StartWithEveryKind();
  At(2).GetParam(1)->SetKeyValue("--sleep 30");
  ASSERT_TRUE(host.Run(At(2)));
  RunUntilNotice(sch::kSchemeRunRecorded);
  EXPECT_FALSE(host.Run(At(2))) << "already running";
  EXPECT_EQ(host.Load(file, nullptr).outcome, sch::SchemeHost::LoadOutcome::Running);
  EXPECT_FALSE(host.DeleteScheme(At(2)));
  EXPECT_TRUE(asked.empty()) << "no question for a running scheme";
  EXPECT_FALSE(host.SetSchemeName(At(2), "x"));
  EXPECT_FALSE(host.SetParamValue(At(2), 0, "/bin/true")) << "the run reads its parameters";
  ASSERT_TRUE(testsupport::WaitUntil([&] { return At(2).ProcessHandle.load() != 0; }, "the child's start"));
  EXPECT_TRUE(host.Schemes().TerminateScheme(At(2)));
  RunUntilNotice(sch::kSchemeRunEnded);

  answers.push_back(false);
  EXPECT_FALSE(host.DeleteScheme(At(0)));
  EXPECT_EQ(LastQuestion(), "Are you sure to delete");
  answers.push_back(true);
  EXPECT_TRUE(host.DeleteScheme(At(0)));
  EXPECT_EQ(host.Schemes().Count(), 2);
  EXPECT_EQ(Reload()->Count(), 2) << "deleting saves";
}

TEST_F(HostCommandsTest, AddSchemeTakesTheKindOfItsCategory) {
  StartWithEveryKind();
  EXPECT_EQ(host.AddScheme(-1), nullptr) << "the root has no kind";
  struct {
    int category, kind;
  } cases[] = {{0, sch::skOracleExport}, {1, sch::skOracleImport}, {2, sch::skDosCommand}};
  for (const auto& c : cases) {
    sch::TSchemeObject* s = host.AddScheme(c.category);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->SchType(), c.kind);
    EXPECT_EQ(s->SchName(), "new scheme");
    EXPECT_NE(s->State.load(), sch::ssRunning);
  }
}

TEST_F(HostCommandsTest, RecordsAndRunTimesChangeOnlyAfterTheQuestion) {
  StartWithEveryKind();
  sch::TSchemeObject& exp = At(0);
  for (int i = 0; i < 3; ++i) exp.LogList->Add(std::make_unique<sch::TSchemeLog>());
  ASSERT_EQ(exp.LogCount(), 4);
  answers.push_back(false);
  EXPECT_FALSE(host.DeleteLogs(exp, {1, 3}));
  EXPECT_EQ(exp.LogCount(), 4);
  answers.push_back(true);
  const sch::TSchemeLog* kept = exp.GetLog(2);
  EXPECT_TRUE(host.DeleteLogs(exp, {1, 3, 1}));
  ASSERT_EQ(exp.LogCount(), 2);
  EXPECT_EQ(exp.GetLog(1), kept);
  answers.push_back(true);
  EXPECT_TRUE(host.ClearLogs(exp));
  EXPECT_EQ(LastQuestion(), "Are you sure to clear");
  EXPECT_EQ(Reload()->GetScheme(0)->LogCount(), 0) << "clearing saves";

  // Run times: the editor decides on adding and editing, a question on deleting and clearing.
  const int before = exp.SchemeTime->Count();
  auto editTo = [](int hour, bool ok) {
    return [hour, ok](sch::TSchemeTimeItem& item, int) {
      item.Hour = static_cast<uint16_t>(hour);
      return ok;
    };
  };
  EXPECT_FALSE(host.AddRunTime(exp, editTo(3, false)));
  EXPECT_TRUE(host.AddRunTime(exp, editTo(3, true)));
  ASSERT_EQ(exp.SchemeTime->Count(), before + 1);
  EXPECT_FALSE(host.EditRunTime(exp, before, editTo(9, false)));
  EXPECT_EQ(exp.SchemeTime->GetItem(before)->Hour, 3) << "a cancelled edit changes nothing";
  EXPECT_TRUE(host.EditRunTime(exp, before, editTo(9, true)));
  EXPECT_EQ(exp.SchemeTime->GetItem(before)->Hour, 9);
  answers.push_back(true);
  EXPECT_TRUE(host.DeleteRunTime(exp, 0));
  EXPECT_EQ(LastQuestion().rfind("Are you sure to delete <", 0), 0u);
  answers.push_back(false);
  EXPECT_FALSE(host.ClearRunTimes(exp));
  answers.push_back(true);
  EXPECT_TRUE(host.ClearRunTimes(exp));
  EXPECT_EQ(exp.SchemeTime->Count(), 0);
  EXPECT_TRUE(boxes.Log().empty()) << "the host asks through its services and shows nothing itself";
}

TEST(SchemeHostQuestions, WithNobodyToAskEveryDeleteAndClearIsDeclined) {
  plat::ScriptedDialogs boxes;
  plat::SetDialogs(&boxes);
  boxes.QueueAnswer(plat::IDOK);
  {
    sch::SchemeHost host;
    sch::TSchemeObject* scheme = host.AddScheme(2);
    ASSERT_TRUE(scheme);
    scheme->LogList->Add(std::make_unique<sch::TSchemeLog>());
    scheme->SchemeTime->Add(std::make_unique<sch::TSchemeTimeItem>());
    EXPECT_FALSE(host.DeleteLogs(*scheme, {0}));
    EXPECT_FALSE(host.ClearLogs(*scheme));
    EXPECT_FALSE(host.DeleteRunTime(*scheme, 0));
    EXPECT_FALSE(host.ClearRunTimes(*scheme));
    EXPECT_FALSE(host.DeleteScheme(*scheme));
    EXPECT_EQ(scheme->LogCount(), 1);
    EXPECT_EQ(scheme->SchemeTime->Count(), 1);
    EXPECT_EQ(host.Schemes().Count(), 1);
  }
  EXPECT_TRUE(boxes.Log().empty()) << "no box in place of the missing question";
  plat::SetDialogs(nullptr);
}

TEST_F(HostCommandsTest, ParameterEditsRebuildTheCommandLineButNotForTextParameters) {
  StartWithEveryKind();
  sch::TSchemeObject& cmd = At(2);
  auto line = host.SetParamValue(cmd, 0, "/opt/run.sh");
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, "\"/opt/run.sh\"");
  EXPECT_FALSE(host.SetParamValue(cmd, 1, "a b")) << "a text parameter has its editor";
  EXPECT_FALSE(host.SetParamValue(cmd, 7, "x"));
  EXPECT_FALSE(host.EditParam(cmd, 1)) << "no editor handed in: cancelled";
}

TEST_F(HostCommandsTest, TerminateReachesOnlyTheDatabaseTools) {
  StartWithEveryKind();
  EXPECT_FALSE(host.TerminateScheme(At(0))) << "nothing runs";
  EXPECT_EQ(host.TerminateAll(), 0);
}

TEST_F(HostCommandsTest, TheTrayAsksThePasswordOnlyWhenTheFileSaysSo) {
  StartWithEveryKind();
  int asked = 0;
  auto check = [&](const std::string&, bool) { return ++asked, false; };
  host.SetPassword("", false);
  EXPECT_TRUE(host.MayRestore(check));
  host.SetPassword("pw", false);
  EXPECT_TRUE(host.MayRestore(check));
  host.SetPassword("pw", true);
  EXPECT_FALSE(host.MayRestore(check));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(host.Save());
  EXPECT_EQ(Reload()->GetPassword(), "pw");
}

}  // namespace
