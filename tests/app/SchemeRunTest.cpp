// One run of a scheme: the frame every kind shares, the command-file kind end to end with the
// stand-in program, file names with date macros, and the argument vector of a command file.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <latch>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/core/CommandArgs.h"
#include "app/core/DateMacros.h"
#include "app/core/SchCommon.h"
#include "foundation/expr/OlvMacro.h"
#include "platform/MainThread.h"
#include "platform/Process.h"
#include "platform/ProcessRegistry.h"
#include "tests/support/ChildProcesses.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

namespace {

const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

// A kind whose step the test chooses.
class ProbeScheme : public sch::TSchemeObject {
 public:
  bool valid = true;
  bool throwInDoRun = false;
  bool throwInBeforeRun = false;
  bool started = true;
  std::string seenLine;
  // When set, the step waits here until the other run is inside its step too.
  std::latch* meet = nullptr;
  std::string seenOnThread;
  bool IsValid() override { return valid; }
  void BeforeRun() override {
    if (throwInBeforeRun) throw std::runtime_error("before failed");
    TSchemeObject::BeforeRun();
  }
  // Called inside the step, as the main thread might act meanwhile.
  std::function<void()> stepHook;
  bool DoRun() override {
    if (stepHook) stepHook();
    if (meet) meet->arrive_and_wait();
    seenLine = ExpandMacros("run ~target~ ~other~");
    // What an expression evaluated in the run sees.
    seenOnThread = olv::CurrentMacros().Expanded("~target~");
    if (throwInDoRun) throw std::runtime_error("step failed");
    CurLog->IsSucceed = true;
    return started;
  }
};

class RunFrameTest : public schtest::SchemeTest {
 protected:
  void SetUp() override {
    SchemeTest::SetUp();
    context.notice = [this](sch::TSchemeObject& s, int param) {
      notices.push_back(param);
      stateAtNotice.push_back(s.State.load());
    };
    auto p = std::make_unique<ProbeScheme>();
    scheme = p.get();
    owner.List->AddObject("probe", p.release());
    scheme->Owner = &owner;
    scheme->AddParam("target", "db1");
  }
  void AddRecords(int n) {
    for (int i = 0; i < n; ++i) {
      auto log = std::make_unique<sch::TSchemeLog>();
      log->ResultMsgs = "old " + std::to_string(i);
      scheme->LogList->Add(std::move(log));
    }
  }

  sch::TSchemeWrapper owner;
  sch::RunContext context;
  ProbeScheme* scheme = nullptr;
  std::vector<int> notices;
  std::vector<int> stateAtNotice;
};

TEST_F(RunFrameTest, RefusedRunLeavesNoTrace) {
  scheme->valid = false;
  AddRecords(2);
  EXPECT_FALSE(scheme->Run(sch::RunMode::ByHand, context));
  EXPECT_EQ(scheme->LogCount(), 2);
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(scheme->State.load(), sch::ssInvalid);

  scheme->valid = true;
  ASSERT_TRUE(scheme->TryBeginRun());  // another thread's run in progress
  EXPECT_FALSE(scheme->Run(sch::RunMode::ByHand, context));
  EXPECT_EQ(scheme->LogCount(), 2);
  EXPECT_EQ(scheme->State.load(), sch::ssRunning);
}

TEST_F(RunFrameTest, RunRecordsNoticesMacrosAndLastRunTime) {
  EXPECT_TRUE(scheme->Run(sch::RunMode::ByHand, context));
  EXPECT_EQ(notices, (std::vector<int>{sch::kSchemeRunStarted, sch::kSchemeRunRecorded, sch::kSchemeRunEnded}));
  EXPECT_EQ(stateAtNotice, (std::vector<int>{sch::ssRunning, sch::ssRunning, sch::ssWaiting}));
  ASSERT_EQ(scheme->LogCount(), 1);
  sch::TSchemeLog* log = scheme->GetLog(0);
  EXPECT_EQ(scheme->CurLog, nullptr) << "the run's own record ends with it; its copy is listed";
  EXPECT_TRUE(log->IsSucceed);
  EXPECT_TRUE(log->ActiveMode);
  EXPECT_EQ(log->ExitCode, -1) << "the base step starts no program";
  EXPECT_DOUBLE_EQ(log->StartTime, olv::Now());
  EXPECT_DOUBLE_EQ(scheme->LastRunTime, log->EndTime);
  EXPECT_EQ(scheme->seenLine, "run db1 ") << "an unknown macro expands to nothing";
  EXPECT_EQ(scheme->ExpandMacros("~target~"), "") << "macros end with the run";
}

TEST_F(RunFrameTest, TheModeComesWithTheRun) {
  ASSERT_TRUE(scheme->Run(sch::RunMode::Timed, context));
  ASSERT_TRUE(scheme->Run(sch::RunMode::ByHand, context));
  ASSERT_TRUE(scheme->Run(sch::RunMode::Timed, context));
  ASSERT_EQ(scheme->LogCount(), 3);
  EXPECT_FALSE(scheme->GetLog(0)->ActiveMode);
  EXPECT_TRUE(scheme->GetLog(1)->ActiveMode);
  EXPECT_FALSE(scheme->GetLog(2)->ActiveMode);
}

TEST_F(RunFrameTest, ARecordDeletedDuringItsRunStaysDeleted) {
  scheme->stepHook = [this] { scheme->ClearLogs(); };
  EXPECT_TRUE(scheme->Run(sch::RunMode::ByHand, context));
  EXPECT_EQ(scheme->LogCount(), 0);
  EXPECT_DOUBLE_EQ(scheme->LastRunTime, olv::Now());
}

// The window clears the records while runs start and end on another thread: a run's start and
// end look at its listed copy under the scheme's lock too (the thread checker sees any that
// does not), and every record left is a finished one.
TEST_F(RunFrameTest, RecordsClearedWhileRunsStartAndEndStayConsistent) {
  context.notice = nullptr;
  std::atomic<bool> done{false};
  std::thread runs([&] {
    for (int i = 0; i < 200; ++i) scheme->Run(sch::RunMode::ByHand, context);
    done = true;
  });
  for (int i = 0; i < 1000000 && !done; ++i) scheme->ClearLogs();
  runs.join();
  plat::MutexLock lock(scheme->DataLock());
  for (int i = 0; i < scheme->LogCount(); ++i) EXPECT_NE(scheme->GetLog(i)->EndTime, 0) << i;
}

TEST_F(RunFrameTest, ARunStartedOnTheEndNoticeKeepsItsRecordWhileTheEndedRunLetsGo) {
  // The next run begins as soon as the end is told (the window does so on the notice); the ended
  // run's thread goes on from there and must not clear what the new run has set up.
  std::atomic<bool> firstReturned{false}, secondStarted{false};
  std::atomic<int> secondOutcome{-1};
  std::thread second;
  static thread_local bool onSecond = false;
  context.notice = [&](sch::TSchemeObject&, int param) {
    if (!onSecond && param == sch::kSchemeRunEnded) {
      second = std::thread([&] {
        onSecond = true;
        secondOutcome = scheme->Run(sch::RunMode::ByHand, context) ? 1 : 0;
      });
      testsupport::WaitUntil([&] { return secondStarted.load(); }, testsupport::kPatience, "the second run's start");
      return;
    }
    if (onSecond && param == sch::kSchemeRunStarted) {
      secondStarted = true;
      testsupport::WaitUntil([&] { return firstReturned.load(); }, testsupport::kPatience, "the first run's end");
    }
  };
  std::thread first([&] {
    scheme->Run(sch::RunMode::ByHand, context);
    firstReturned = true;
  });
  first.join();
  testsupport::WaitUntil([&] { return secondOutcome.load() != -1; }, testsupport::kPatience, "the second run");
  second.join();
  EXPECT_TRUE(secondStarted);
  EXPECT_EQ(secondOutcome.load(), 1);
  plat::MutexLock lock(scheme->DataLock());
  ASSERT_EQ(scheme->LogCount(), 2);
  EXPECT_NE(scheme->GetLog(1)->EndTime, 0);
}

TEST_F(RunFrameTest, ConcurrentRunsSeeTheirOwnParameterValues) {
  auto second = std::make_unique<ProbeScheme>();
  ProbeScheme* other = second.get();
  owner.List->AddObject("probe 2", second.release());
  other->Owner = &owner;
  other->AddParam("TARGET", "db2");
  // Without a main thread the notices would be handled on both run threads at once.
  context.notice = nullptr;
  std::latch meet(2);
  scheme->meet = other->meet = &meet;
  std::thread a([&] { scheme->Run(sch::RunMode::ByHand, context); });
  std::thread b([&] { other->Run(sch::RunMode::ByHand, context); });
  a.join();
  b.join();
  EXPECT_EQ(scheme->seenLine, "run db1 ");
  EXPECT_EQ(other->seenLine, "run db2 ");
  EXPECT_EQ(scheme->seenOnThread, "db1");
  EXPECT_EQ(other->seenOnThread, "db2");
  EXPECT_EQ(olv::GlobalMacros().GetMacro("target"), "") << "no run writes into the global list";
}

TEST_F(RunFrameTest, ProgramNotStartedKeepsLastRunTimeAndFails) {
  scheme->started = false;
  scheme->LastRunTime = 5;
  EXPECT_FALSE(scheme->Run(sch::RunMode::ByHand, context));
  EXPECT_EQ(scheme->LastRunTime, 5);
  EXPECT_FALSE(scheme->GetLog(0)->IsSucceed);
}

struct TrimCase {
  int records;
  int remain;
  int after;
  int storedRemain;
};

class RunTrimTest : public RunFrameTest, public ::testing::WithParamInterface<TrimCase> {};

TEST_P(RunTrimTest, OldestRecordsGoFirst) {
  const TrimCase c = GetParam();
  AddRecords(c.records);
  scheme->RemainCount = c.remain;
  scheme->Run(sch::RunMode::ByHand, context);
  ASSERT_EQ(scheme->LogCount(), c.after);
  EXPECT_EQ(scheme->RemainCount, c.storedRemain);
  if (c.after > 1 && c.records > 0) {
    EXPECT_EQ(scheme->GetLog(0)->ResultMsgs, "old " + std::to_string(c.records - (c.after - 1)));
  }
  EXPECT_EQ(scheme->GetLog(c.after - 1)->ResultMsgs, "") << "the new record is the last";
}

INSTANTIATE_TEST_SUITE_P(Records, RunTrimTest,
                         ::testing::Values(TrimCase{5, 3, 4, 3}, TrimCase{2, 3, 3, 3}, TrimCase{4, -2, 1, 0},
                                           TrimCase{0, 0, 1, 0}));

TEST_F(RunFrameTest, WithoutAutoClearEveryRecordStays) {
  AddRecords(5);
  scheme->AutoClearLogs = false;
  scheme->Run(sch::RunMode::ByHand, context);
  EXPECT_EQ(scheme->LogCount(), 6);
}

TEST_F(RunFrameTest, FailureAnywhereRestoresStateAndEndsTheRun) {
  for (bool inBefore : {false, true}) {
    SCOPED_TRACE(inBefore ? "BeforeRun" : "DoRun");
    notices.clear();
    scheme->ClearLogs();
    scheme->throwInBeforeRun = inBefore;
    scheme->throwInDoRun = !inBefore;
    scheme->LastRunTime = 7;
    EXPECT_FALSE(scheme->Run(sch::RunMode::ByHand, context));
    EXPECT_EQ(scheme->State.load(), sch::ssWaiting);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), sch::kSchemeRunEnded);
    ASSERT_EQ(scheme->LogCount(), 1);
    EXPECT_FALSE(scheme->GetLog(0)->IsSucceed);
    EXPECT_NE(scheme->GetLog(0)->ResultMsgs.find("failed"), std::string::npos);
    EXPECT_EQ(scheme->LastRunTime, 7);
  }
  scheme->throwInBeforeRun = scheme->throwInDoRun = false;
  EXPECT_TRUE(scheme->Run(sch::RunMode::ByHand, context)) << "the scheme runs again afterwards";
}

// --- The command-file kind with the stand-in program ---------------------------------------

class DosRunTest : public schtest::SchemeTest {
 protected:
  void SetUp() override {
    SchemeTest::SetUp();
    scheme = dynamic_cast<sch::TDosCommandScheme*>(owner.AddScheme("cmd", sch::skDosCommand));
    context.processes = &registry;
    scheme->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
  }
  void SetParams(const std::string& params) { scheme->FindParam("params")->SetKeyValue(params); }
  std::vector<std::string> ArgsSeen() const {
    std::ifstream in(dir / "args", std::ios::binary);
    std::vector<std::string> args;
    std::string arg;
    while (std::getline(in, arg, '\0')) args.push_back(arg);
    return args;
  }

  sch::TSchemeWrapper owner;
  sch::TDosCommandScheme* scheme = nullptr;
  plat::ProcessRegistry registry;
  sch::RunContext context;
  testsupport::ScratchFolder dir;
};

struct ExitCase {
  int code;
  bool succeed;
  const char* result;
};

class DosExitTest : public DosRunTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(DosExitTest, ExitCodeDecidesTheRecord) {
  const ExitCase c = GetParam();
  SetParams("--exit " + std::to_string(c.code));
  EXPECT_TRUE(scheme->Run(sch::RunMode::ByHand, context)) << "the program started";
  sch::TSchemeLog* log = scheme->GetLog(0);
  EXPECT_EQ(log->ExitCode, c.code);
  EXPECT_EQ(log->IsSucceed, c.succeed);
  EXPECT_EQ(log->ResultMsgs, std::string("Run Scripts...") + c.result + "\r\n");
  EXPECT_EQ(scheme->LastRunTime, log->EndTime);
  EXPECT_EQ(scheme->ProcessHandle.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, DosExitTest,
                         ::testing::Values(ExitCase{0, true, "Ok"}, ExitCase{3, false, "Failed with exit code 3"},
                                           ExitCase{100, false, "Cancel by user"}),
                         // Named by the code: printed as bytes, the case would show a pointer.
                         [](const ::testing::TestParamInfo<ExitCase>& info) {
                           return "exit" + std::to_string(info.param.code);
                         });

TEST_F(DosRunTest, ProgramThatCannotStartIsNoSuccess) {
  scheme->FindParam("cmdfilename")->SetKeyValue(dir / "missing.sh");
  scheme->LastRunTime = 3;
  EXPECT_FALSE(scheme->Run(sch::RunMode::ByHand, context));
  sch::TSchemeLog* log = scheme->GetLog(0);
  EXPECT_EQ(log->ExitCode, -1);
  EXPECT_FALSE(log->IsSucceed);
  EXPECT_EQ(log->ResultMsgs.rfind("Run Scripts...Could not start the program", 0), 0u) << log->ResultMsgs;
  EXPECT_EQ(scheme->LastRunTime, 3);
}

TEST_F(DosRunTest, ParametersReachTheProgramAsTypedWithoutAShell) {
  scheme->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
  scheme->AddParam("dest", "/tmp/my dump");
  SetParams("--args-file " + (dir / "args") + " \"~dest~\" 'a;b' $HOME *\r\n");
  ASSERT_TRUE(scheme->Run(sch::RunMode::ByHand, context));
  EXPECT_EQ(ArgsSeen(),
            (std::vector<std::string>{"--args-file", dir / "args", "/tmp/my dump", "a;b", "$HOME", "*"}));
  EXPECT_EQ(scheme->GetLog(0)->RunScripts,
            "\"" + kFakeCmd + "\"  --args-file " + (dir / "args") + " \"/tmp/my dump\" 'a;b' $HOME *\r\n");
}

TEST_F(DosRunTest, GlobalAndParameterMacrosExpandInTheArguments) {
  olv::GlobalMacros().SetMacro("OrasTestSite", "north");
  olv::GlobalMacros().SetMacro("OrasTestZone", "global");
  scheme->AddParam("tag", "x1");
  // A parameter hides a global macro of the same name; "\\" still reaches the global one.
  scheme->AddParam("OrasTestZone", "own");
  SetParams("--args-file " + (dir / "args") + " ~OrasTestSite~ ~tag~ ~OrasTestZone~ ~\\OrasTestZone~");
  const bool ran = scheme->Run(sch::RunMode::ByHand, context);
  olv::GlobalMacros().SetMacro("OrasTestSite", "");
  olv::GlobalMacros().SetMacro("OrasTestZone", "");
  ASSERT_TRUE(ran);
  EXPECT_EQ(ArgsSeen(), (std::vector<std::string>{"--args-file", dir / "args", "north", "x1", "own", "global"}));
  EXPECT_NE(scheme->GetLog(0)->RunScripts.find(" north x1 own global"), std::string::npos)
      << scheme->GetLog(0)->RunScripts;
}

TEST_F(DosRunTest, TerminateEndsTheChildAndItsGroupWithCode100) {
  SetParams("--sleep 30 --grandchild " + (dir / "gc.pid"));
  std::thread run([&] { scheme->Run(sch::RunMode::ByHand, context); });
  const pid_t grandchild = schtest::WaitForPidFile(dir / "gc.pid");
  ASSERT_TRUE(testsupport::WaitUntil([&] { return scheme->ProcessHandle.load() != 0; }, "the child's start"));
  EXPECT_TRUE(owner.TerminateScheme(*scheme));
  run.join();
  sch::TSchemeLog* log = scheme->GetLog(0);
  EXPECT_EQ(log->ExitCode, 100);
  EXPECT_EQ(log->ResultMsgs, "Run Scripts...Cancel by user\r\n");
  EXPECT_FALSE(log->IsSucceed);
  EXPECT_TRUE(registry.running().empty());
  EXPECT_TRUE(schtest::ProcessGoneSoon(grandchild)) << "the grandchild is gone too";
  EXPECT_FALSE(owner.TerminateScheme(*scheme)) << "nothing left to end";
}

TEST_F(DosRunTest, TerminateAllEndsACommandFileToo) {
  SetParams("--sleep 30");
  std::thread run([&] { scheme->Run(sch::RunMode::ByHand, context); });
  ASSERT_TRUE(testsupport::WaitUntil([&] { return scheme->ProcessHandle.load() != 0; }, "the child's start"));
  EXPECT_EQ(owner.TerminateAll(), 1);
  run.join();
  EXPECT_EQ(scheme->GetLog(0)->ExitCode, 100);
  EXPECT_EQ(scheme->GetLog(0)->ResultMsgs, "Run Scripts...Cancel by user\r\n");
  EXPECT_TRUE(registry.running().empty());
}

// --- File names and arguments -------------------------------------------------------------

TEST(ExpandDateMacros, FormatsBetweenAngleBrackets) {
  const double t = olv::EncodeDate(2024, 3, 5) + olv::EncodeTime(7, 8, 9, 45);
  EXPECT_EQ(sch::ExpandDateMacros("D:/bak/db_<yyyymmdd>.dmp", t), "D:/bak/db_20240305.dmp");
  EXPECT_EQ(sch::ExpandDateMacros("<>x", t), "20243578945x");
  EXPECT_EQ(sch::ExpandDateMacros("<*>", t), "20243578945");
  EXPECT_EQ(sch::ExpandDateMacros("", t), "20243578945");
  EXPECT_EQ(sch::ExpandDateMacros("a<yyyy>b<mm>c", t), "a2024b03c");
  EXPECT_EQ(sch::ExpandDateMacros("x_<yyyy", t), "x_2024");
  EXPECT_EQ(sch::ExpandDateMacros("plain.dmp", t), "plain.dmp");
}

TEST_F(RunFrameTest, ExpandFileNameMakesUniqueNamesAndFolders) {
  testsupport::ScratchFolder dir;
  clock.Set(schtest::LocalMoment(2024, 3, 5, 1, 2));
  const std::string templ = dir / "v.1/sub/db_<yyyymmdd>.dmp";
  const std::string first = scheme->ExpandFileName(templ, true, true);
  EXPECT_EQ(first, dir / "v.1/sub/db_20240305.dmp");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "v.1/sub"));
  std::ofstream(first).put('x');
  EXPECT_EQ(scheme->ExpandFileName(templ, true, false), dir / "v.1/sub/db_20240305_1.dmp");
  std::ofstream(dir / "v.1/sub/db_20240305_1.dmp").put('x');
  EXPECT_EQ(scheme->ExpandFileName(templ, true, false), dir / "v.1/sub/db_20240305_2.dmp");
  EXPECT_EQ(scheme->ExpandFileName(templ, false, false), first);
  std::ofstream(dir / "v.1/sub/noext").put('x');
  EXPECT_EQ(scheme->ExpandFileName(dir / "v.1/sub/noext", true, false), dir / "v.1/sub/noext_1");
}

TEST(SplitCommandArgs, AsAUserTypesThem) {
  using V = std::vector<std::string>;
  EXPECT_EQ(sch::SplitCommandArgs("a b"), (V{"a", "b"}));
  EXPECT_EQ(sch::SplitCommandArgs("  a\t\tb\r\nc  "), (V{"a", "b", "c"}));
  EXPECT_EQ(sch::SplitCommandArgs("\"a b\" c"), (V{"a b", "c"}));
  EXPECT_EQ(sch::SplitCommandArgs("x\"a b\"y"), (V{"xa by"}));
  EXPECT_EQ(sch::SplitCommandArgs("'a \"b' \"\""), (V{"a \"b", ""}));
  EXPECT_EQ(sch::SplitCommandArgs(R"("a \"q\" \\ \n")"), (V{R"(a "q" \ \n)"}));
  EXPECT_EQ(sch::SplitCommandArgs("\"open end"), (V{"open end"}));
  EXPECT_EQ(sch::SplitCommandArgs("$x;y|z>w"), (V{"$x;y|z>w"}));
  EXPECT_EQ(sch::SplitCommandArgs(""), V{});
}

}  // namespace
