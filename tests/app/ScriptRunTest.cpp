// Scripts around Oracle runs end to end through the schemes' owner, on the data module's session
// with the stand-in exp: the prefix and suffix statements in order with the run's macros
// expanded, a failing suffix recorded while the dump stays, and two runs at once as two users,
// each on its own connection.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <latch>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/core/DMSession.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "tests/support/FakeDMLink.h"
#include "tests/app/HostTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using schtest::FakeLink;
using schtest::LinkLog;

const std::string kFakeExp = ORASCHEME_SOURCE_DIR "/tools/fake_exp.sh";

struct Links {
  std::shared_ptr<LinkLog> log = std::make_shared<LinkLog>();
  // Called by every link the session makes.
  std::function<void(FakeLink&)> made;
  // The session's main link, made with the session.
  FakeLink* main = nullptr;
  std::shared_ptr<sch::TDMSession> Session() {
    return std::make_shared<sch::TDMSession>(
        [this] {
          auto link = std::make_unique<FakeLink>(log);
          if (!main) main = link.get();
          if (made) made(*link);
          return link;
        },
        [] { return std::string(); });
  }
};

class ScriptRunTest : public schtest::HostTest {
 protected:
  ScriptRunTest() : ScriptRunTest(std::make_shared<Links>()) {}
  explicit ScriptRunTest(std::shared_ptr<Links> l) : HostTest(l->Session()), links(std::move(l)) {}
  void SetUp() override {
    HostTest::SetUp();
    env.Set("ORASCHEME_REGISTRY_DIR", dir / "registry");
  }
  void OnNotice(int param) override {
    ends += param == sch::kSchemeRunEnded;
    if (onStart && param == sch::kSchemeRunStarted) onStart();
  }
  sch::TSchemeObject* AddExport(sch::TSchemeWrapper& w, const std::string& name, const std::string& user) {
    sch::TSchemeObject* s = w.AddScheme(name, sch::skOracleExport);
    s->FindParam("cmdfilename")->SetKeyValue(kFakeExp);
    s->FindParam("dbusername")->SetKeyValue(user);
    s->FindParam("dbpassword")->SetKeyValue("pw_" + user);
    s->FindParam("service")->SetKeyValue("orcl");
    s->FindParam("file")->SetKeyValue(dir / (name + ".dmp"));
    s->FindParam("log")->SetKeyValue(dir / (name + ".log"));
    return s;
  }
  void RunAll(int count) {
    for (int i = 0; i < count; ++i) host.Run(*host.Schemes().GetScheme(i));
    while (ends < count && RunUntilNotice(sch::kSchemeRunEnded, "every run's end")) {
    }
  }
  // The statements each user executed, in order.
  std::map<std::string, std::vector<std::string>> ByUser() const {
    std::map<std::string, std::vector<std::string>> m;
    for (const std::string& line : links->log->calls) {
      const size_t colon = line.find(": ");
      if (colon != std::string::npos) m[line.substr(0, colon)].push_back(line.substr(colon + 2));
    }
    return m;
  }

  std::shared_ptr<Links> links;
  testsupport::ScopedEnv env;
  int ends = 0;
  std::function<void()> onStart;
};

using Lines = std::vector<std::string>;

TEST_F(ScriptRunTest, PrefixAndSuffixRunInOrderWithTheRunsMacros) {
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "nightly", "scott");
    s->FindParam("Prefix")->SetKeyValue("// mark the start\r\ninsert into runs values ('~dbusername~', 'start');\r\n");
    s->FindParam("Suffix")->SetKeyValue("update runs set state = 'done; ok' where who = '~dbusername~'; commit");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunAll(1);

  EXPECT_EQ(ByUser()["scott"], (Lines{"insert into runs values ('scott', 'start')",
                                      "update runs set state = 'done; ok' where who = 'scott'", " commit"}));
  const auto saved = Reload();
  const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
  EXPECT_TRUE(rec->IsSucceed);
  EXPECT_EQ(rec->ResultMsgs.rfind("Process SQL script...OK\r\nRun Scripts...Ok\r\n", 0), 0u) << rec->ResultMsgs;
  EXPECT_NE(rec->ResultMsgs.find("Log file:" + dir / "nightly.log" + "\r\nProcess SQL script...OK\r\n"), std::string::npos)
      << rec->ResultMsgs;
}

TEST_F(ScriptRunTest, AFailingSuffixIsRecordedAndTheDumpStays) {
  links->made = [](FakeLink& link) { link.failOn = "missing_table"; };
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "nightly", "scott");
    s->FindParam("Suffix")->SetKeyValue("insert into audit values (1); insert into missing_table values (2); commit");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunAll(1);

  EXPECT_EQ(ByUser()["scott"], (Lines{"insert into audit values (1)", " insert into missing_table values (2)"}));
  EXPECT_TRUE(fs::exists(dir / "nightly.dmp"));
  const auto saved = Reload();
  const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
  EXPECT_EQ(rec->ExitCode, 0);
  const std::string tail = "Process SQL script...Failed\r\nORA-00942: no table\r\n";
  ASSERT_GE(rec->ResultMsgs.size(), tail.size());
  EXPECT_EQ(rec->ResultMsgs.substr(rec->ResultMsgs.size() - tail.size()), tail) << rec->ResultMsgs;
}

// A script that fails leaves the run a failure whose errors name the step, before or after the
// program alike; the program still runs and its dump stays. Scripts that succeed change nothing.
TEST_F(ScriptRunTest, AFailedScriptMakesTheRunAFailureThatNamesTheStep) {
  links->made = [](FakeLink& link) { link.failOn = "missing_table"; };
  const std::string failing = "insert into missing_table values (1)";
  {
    sch::TSchemeWrapper w;
    AddExport(w, "before", "scott")->FindParam("Prefix")->SetKeyValue(failing);
    AddExport(w, "after", "scott")->FindParam("Suffix")->SetKeyValue(failing);
    sch::TSchemeObject* fine = AddExport(w, "fine", "scott");
    fine->FindParam("Prefix")->SetKeyValue("insert into runs values (1)");
    fine->FindParam("Suffix")->SetKeyValue("insert into runs values (2)");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunAll(3);

  struct Expected {
    const char* scheme;
    bool succeed;
    const char* errors;
  };
  const auto saved = Reload();
  for (const Expected& e : {Expected{"before", false, "Prefix SQL scripts: ORA-00942: no table"},
                            Expected{"after", false, "Suffix SQL scripts: ORA-00942: no table"},
                            Expected{"fine", true, ""}}) {
    SCOPED_TRACE(e.scheme);
    const sch::TSchemeObject* scheme = saved->GetScheme(saved->List->IndexOf(e.scheme));
    ASSERT_NE(scheme, nullptr);
    const sch::TSchemeLog* rec = scheme->GetLog(0);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->IsSucceed, e.succeed);
    EXPECT_EQ(rec->ErrorMsgs, e.errors);
    EXPECT_EQ(rec->ExitCode, 0);
    EXPECT_NE(rec->ResultMsgs.find("Run Scripts...Ok\r\n"), std::string::npos) << rec->ResultMsgs;
    EXPECT_TRUE(fs::exists(dir / (std::string(e.scheme) + ".dmp")));
  }
}

// A run asked to end before its first script (here while the window handles its start) runs
// no script and no program, and is recorded as terminated.
TEST_F(ScriptRunTest, ARunTerminatedBeforeItsScriptsRunsNoneOfThem) {
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "nightly", "scott");
    s->FindParam("Prefix")->SetKeyValue("insert into runs values (1)");
    s->FindParam("Suffix")->SetKeyValue("insert into runs values (2)");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  bool terminated = false;
  onStart = [&] { terminated = host.TerminateScheme(Scheme()); };
  RunAll(1);

  EXPECT_TRUE(terminated);
  EXPECT_TRUE(ByUser()["scott"].empty());
  EXPECT_FALSE(fs::exists(dir / "nightly.dmp"));
  const auto saved = Reload();
  const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
  EXPECT_EQ(rec->ExitCode, 100);
  EXPECT_FALSE(rec->IsSucceed);
  EXPECT_EQ(rec->ResultMsgs, "Run Scripts...Cancel by user\r\nLog file:" + dir / "nightly.log" + "\r\n");
}

TEST_F(ScriptRunTest, TheDatabaseCharacterSetIsReadOnTheStartNoticeWithTheSchemesLogin) {
  env.Set("FAKE_ORA_REPORT", dir / "report");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "nightly", "scott");
    s->FindParam("charset")->SetKeyValue("No");
    sch::SaveObjectToFile(file, &w, true);
  }
  links->main->answers[sch::TDM::kDBCharsetSQL] = {{"852", "ZHS16GBK"}};
  host.Start(file);
  RunAll(1);

  EXPECT_EQ(links->log->calls,
            (Lines{"connect scott/pw_scott@orcl", std::string("scott: open ") + sch::TDM::kDBCharsetSQL}));
  auto& scheme = static_cast<sch::TOracleScheme&>(*host.Schemes().GetScheme(0));
  EXPECT_EQ(scheme.TargetCharset, "ZHS16GBK");
  EXPECT_EQ(scheme.TargetCharsetId, 852);
  EXPECT_NE(testsupport::ReadAll(dir / "report").find("NLS_LANG=.ZHS16GBK"), std::string::npos)
      << "exp runs with the database's character set";
}

TEST_F(ScriptRunTest, TwoRunsAtOnceAsTwoUsersEachRunTheirScriptAsTheirUser) {
  // Each script stops after its first statement until the other has reached its own.
  std::latch bothStarted(2);
  links->made = [&](FakeLink& link) {
    link.onExec = [&, first = true](FakeLink&, const std::string&) mutable {
      if (first) bothStarted.arrive_and_wait();
      first = false;
    };
  };
  {
    sch::TSchemeWrapper w;
    for (const char* user : {"scott", "hr"}) {
      sch::TSchemeObject* s = AddExport(w, std::string("exp_") + user, user);
      s->FindParam("Prefix")->SetKeyValue("insert into runs values ('~dbusername~'); delete from work where who = '~dbusername~'");
    }
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunAll(2);

  for (const std::string user : {"scott", "hr"})
    EXPECT_EQ(ByUser()[user], (Lines{"insert into runs values ('" + user + "')",
                                     " delete from work where who = '" + user + "'"}))
        << user;
}

}  // namespace
