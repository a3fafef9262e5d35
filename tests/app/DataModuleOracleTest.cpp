// The data module on the Oracle components, end to end through the schemes' owner with the
// stand-in exp: scripts around an export executed by the stand-in client library (its call log
// shows the statements in order, the run's macros expanded, and its database their effect), a
// failing suffix recorded while the dump stays, the same export over the direct network client
// against the fake listener, and the way to the database shared by the process. The queries (the
// character set on a run's start, the picker's lists) need the Oracle record set; a build of the
// layer without it skips them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/core/DMSession.h"
#include "app/core/OraDMLink.h"
#include "app/core/OraObjSel.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "oracle/client/OraCall.h"
#include "oracle/components/OraDataSet.h"
#include "oracle/components/OraSession.h"
#include "oracle/net/NetCallInterface.h"
#include "platform/Registry.h"
#include "tests/app/HostTestSupport.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/FakeOciHome.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"
#include "tools/fake_listener/FakeListener.h"
#include "tools/fake_listener/FakeOracle.h"

namespace {

namespace fs = std::filesystem;

const std::string kFakeExp = ORASCHEME_SOURCE_DIR "/tools/fake_exp.sh";

class DataModuleOracleTest : public schtest::HostTest {
 protected:
  DataModuleOracleTest() : DataModuleOracleTest(std::make_shared<sch::TDMSession>(sch::TOraDMLink::Make)) {}
  explicit DataModuleOracleTest(std::shared_ptr<sch::TDMSession> s) : HostTest(s), session(std::move(s)) {}
  void SetUp() override {
    HostTest::SetUp();
    ora::FreeOCI();
    home = std::make_unique<ora::testing::FakeOciHome>();
    ora::testing::FakeOciHome::Place(home->AddHome(0, "OraHome0") / "lib", "libclntsh.so.19.1",
                                     ora::testing::Variant::Class9);
    ora::OCIInit();
    fake = FakeOciControl::Bind(ora::OCILibrary);
    fake.reset();
    ASSERT_EQ(fake.exec("CREATE TABLE runs(who VARCHAR2(30), state VARCHAR2(30));"), 0);
    // SQLite refuses a commit outside a transaction; the server takes one at any time.
    fake.script("commit", "ok");
  }
  void TearDown() override {
    // A script still waiting in the stand-in (a test that failed) must not hold the shutdown.
    if (fake.release) fake.release();
    HostTest::TearDown();
    session->Main().Disconnect();
    ora::FreeOCI();
    ora::FinishNet();
    home.reset();
  }
  void OnNotice(int param) override { ends += param == sch::kSchemeRunEnded; }
  // A fake listener answering as a small server with the options given; its server text.
  static std::unique_ptr<ora::fake::FakeListener> Listen(const ora::fake::FakeOracleOptions& options) {
    ora::fake::ListenerOptions lo;
    lo.makeService = [options] { return std::make_unique<ora::fake::FakeOracleService>(options); };
    return std::make_unique<ora::fake::FakeListener>(lo);
  }
  static std::string ServerOf(const ora::fake::FakeListener& listener) {
    return "127.0.0.1:" + std::to_string(listener.Port()) + ":orcl";
  }

  sch::TSchemeObject* AddExport(sch::TSchemeWrapper& w, const std::string& user, const std::string& password,
                                const std::string& service) {
    sch::TSchemeObject* s = w.AddScheme("nightly", sch::skOracleExport);
    s->FindParam("cmdfilename")->SetKeyValue(kFakeExp);
    s->FindParam("dbusername")->SetKeyValue(user);
    s->FindParam("dbpassword")->SetKeyValue(password);
    s->FindParam("service")->SetKeyValue(service);
    s->FindParam("file")->SetKeyValue(dir / "nightly.dmp");
    s->FindParam("log")->SetKeyValue(dir / "nightly.log");
    return s;
  }
  void RunOnce() {
    host.Run(*host.Schemes().GetScheme(0));
    while (ends < 1 && RunUntilNotice(sch::kSchemeRunEnded, "the run's end")) {
    }
  }
  // The statements the client library prepared, in order.
  std::vector<std::string> Prepared() const {
    std::vector<std::string> sql;
    for (const std::string& line : fake.Lines())
      if (line.rfind("OCIStmtPrepare sql=", 0) == 0) sql.push_back(line.substr(19));
    return sql;
  }
  // The dictionary the data module's queries read, as the stand-in's SQLite tables.
  void SeedDictionary() {
    ASSERT_EQ(fake.exec("CREATE TABLE users(name TEXT);"
                        "INSERT INTO users VALUES ('SCOTT'), ('HR'), ('SYS');"
                        "CREATE TABLE objects(owner TEXT, name TEXT, kind TEXT);"
                        "INSERT INTO objects VALUES ('SCOTT', 'EMP', 'TABLE'), ('SCOTT', 'DEPT', 'TABLE'),"
                        " ('SCOTT', 'EMP_V', 'VIEW'), ('HR', 'JOBS', 'TABLE');"),
              0);
    fake.script("SYS.PROPS$", "sql SELECT 'ZHS16GBK' AS NAME, 852 AS ID");
    fake.script("SYS.DBA_USERS", "sql SELECT name AS USERNAME FROM users ORDER BY name");
    fake.script("ALL_OBJECTS",
                "sql SELECT name AS OBJECT_NAME FROM objects WHERE owner = :OWNER AND kind = 'TABLE' ORDER BY name");
  }
  std::string Record() {
    const auto saved = Reload();
    return saved->GetScheme(0)->GetLog(0)->ResultMsgs;
  }

  std::shared_ptr<sch::TDMSession> session;
  std::unique_ptr<ora::testing::FakeOciHome> home;
  FakeOciControl fake;
  testsupport::ScopedEnv env;
  int ends = 0;
};

TEST_F(DataModuleOracleTest, ExportScriptsRunOnTheClientLibraryInOrderWithTheRunsMacros) {
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "scott", "tiger", "orcl");
    s->FindParam("Prefix")->SetKeyValue("{ before exp }\r\ninsert into runs values ('~dbusername~', 'start');");
    s->FindParam("Suffix")->SetKeyValue("update runs set state = 'done;ok' where who = '~dbusername~';\r\ncommit");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunOnce();

  EXPECT_EQ(Prepared(), (std::vector<std::string>{"insert into runs values ('scott', 'start')",
                                                  "update runs set state = 'done;ok' where who = 'scott'",
                                                  "commit"}));
  EXPECT_EQ(fake.Query("SELECT who || ':' || state FROM runs"), "scott:done;ok");
  const std::string record = Record();
  EXPECT_EQ(record.rfind("Process SQL script...OK\r\nRun Scripts...Ok\r\n", 0), 0u) << record;
  EXPECT_NE(record.find("Log file:" + dir / "nightly.log" + "\r\nProcess SQL script...OK\r\n"), std::string::npos)
      << record;
}

TEST_F(DataModuleOracleTest, AFailingSuffixIsRecordedAndTheDumpStays) {
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "scott", "tiger", "orcl");
    s->FindParam("Suffix")->SetKeyValue("insert into runs values ('scott', 'end'); insert into missing values (1)");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunOnce();

  EXPECT_TRUE(fs::exists(dir / "nightly.dmp"));
  EXPECT_EQ(fake.Query("SELECT count(*) FROM runs"), "1") << "the statement before the failing one stays executed";
  const std::string record = Record();
  const size_t failed = record.rfind("Process SQL script...Failed\r\n");
  ASSERT_NE(failed, std::string::npos) << record;
  EXPECT_EQ(record.substr(failed), "Process SQL script...Failed\r\nORA-00942: table or view does not exist\r\n");
  const auto saved = Reload();
  const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
  EXPECT_FALSE(rec->IsSucceed) << "a script that failed is no success";
  EXPECT_EQ(rec->ErrorMsgs, "Suffix SQL scripts: ORA-00942: table or view does not exist");
}

// A run whose before-run script waits in the database (here on a lock another session holds)
// ends at once when it is terminated, by either command, or when the program closes: the client
// library's call is broken off, nothing after it runs, and the record is saved with the code and
// its reason. The time each took is written to the test's output.
TEST_F(DataModuleOracleTest, EndingARunBreaksOffItsScriptWaitingInTheDatabase) {
  fake.script("lock table runs", "sleep 60000");
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "scott", "tiger", "orcl");
    s->FindParam("Prefix")->SetKeyValue(
        "insert into runs values ('scott', 'start'); lock table runs in exclusive mode;"
        " insert into runs values ('scott', 'after')");
    s->FindParam("Suffix")->SetKeyValue("insert into runs values ('scott', 'end')");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);

  struct Ending {
    const char* name;
    std::function<void()> end;
    int code;
    const char* reason;
  };
  const Ending endings[] = {
      {"Terminate Runing", [&] { EXPECT_TRUE(host.TerminateScheme(Scheme())); }, 100, "Cancel by user"},
      {"Terminate all be runing schemes", [&] { EXPECT_EQ(host.TerminateAll(), 1); }, 100, "Cancel by user"},
      // Last: the host is shut down after it.
      {"closing the program", [&] { host.Close(); }, 101, "Terminate by main program"},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    ends = 0;
    ASSERT_TRUE(host.Run(Scheme()));
    ASSERT_TRUE(RunUntilNotice(sch::kSchemeRunRecorded, "the run's open record"));
    ASSERT_EQ(fake.waitHeld(10000), 1) << "the script never reached its wait in the database";
    const auto start = std::chrono::steady_clock::now();
    if (ending.code == 101) {
      // The close joins the run: should the break not reach the script, the stand-in lets it go.
      testsupport::Watchdog dog(std::string("the run's end on ") + ending.name, testsupport::kPatience,
                            [&] { fake.release(); });
      ending.end();
      ASSERT_TRUE(dog.Done());
    } else {
      ending.end();
      ASSERT_TRUE(RunUntilNotice(sch::kSchemeRunEnded, std::string("the run's end on ") + ending.name));
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    RecordProperty(std::string("ms to end the waiting script on ") + ending.name, std::to_string(ms));
    std::printf("%s ended the script waiting in the database in %lld ms\n", ending.name, static_cast<long long>(ms));

    const auto saved = Reload();
    const sch::TSchemeObject* scheme = saved->GetScheme(0);
    const sch::TSchemeLog* rec = scheme->GetLog(scheme->LogCount() - 1);
    EXPECT_EQ(rec->ExitCode, ending.code);
    EXPECT_FALSE(rec->IsSucceed);
    EXPECT_NE(rec->EndTime, 0);
    const std::string reason = ending.reason;
    EXPECT_EQ(rec->ResultMsgs, "Process SQL script..." + reason + "\r\nRun Scripts..." + reason + "\r\nLog file:" +
                                   dir / "nightly.log" + "\r\n");
    EXPECT_FALSE(fs::exists(dir / "nightly.dmp")) << "no program after a terminated script";
    EXPECT_EQ(fake.Query("SELECT count(*) FROM runs WHERE state <> 'start'"), "0")
        << "neither the statement after the wait nor the after-run script ran";
  }
}

// The window's own calls on a database that does not answer (the script editor's "Execute",
// the picker's users, the character-set tool's list) are broken off at the window's bound and
// say so; the window's module stays usable. The time each took is written to the test's output.
TEST_F(DataModuleOracleTest, TheWindowsCallsAreBrokenOffAtTheirBound) {
  SeedDictionary();
  for (const char* waits : {"lock table runs", "SYS.DBA_USERS", "V$NLS_VALID_VALUES"}) fake.script(waits, "sleep 60000");
  session->Main().Connect("scott", "tiger", "orcl");
  auto failure = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string("answered");
  };
  struct Call {
    const char* name;
    std::function<std::string()> shown;
    std::string expected;
  };
  std::vector<std::string> charsets{"unchanged"};
  const Call calls[] = {
      {"the script editor's Execute", [&] { return failure([&] { session->ExecScript("lock table runs in exclusive mode"); }); },
       sch::kCallTooLong},
      {"the user picker's list", [&] { return failure([&] { session->Main().Users(); }); }, sch::kCallTooLong},
      // The tool's lists take a failure as an empty answer.
      {"the character-set tool's list",
       [&] { return std::string(session->Main().GetValidCharsets(charsets) ? "answered" : "no list"); }, "no list"},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.name);
    testsupport::Watchdog dog(call.name, testsupport::kPatience, [&] { fake.release(); });
    const auto start = std::chrono::steady_clock::now();
    const std::string shown = call.shown();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(dog.Done());
    RecordProperty(std::string("ms the window waited for ") + call.name, std::to_string(ms));
    std::printf("the window waited %lld ms for %s\n", static_cast<long long>(ms), call.name);
    EXPECT_EQ(shown, call.expected);
    std::uint16_t id = 0;
    std::string name;
    EXPECT_TRUE(session->Main().GetDBCharset(id, name));
    EXPECT_EQ(name, "ZHS16GBK") << "the window's module answers again";
  }
  EXPECT_EQ(charsets, std::vector<std::string>{"unchanged"});
}

// The window's logon over the network is held to the window's bound too: a listener that
// accepts and never answers cannot hold the window for the session's own minute.
TEST_F(DataModuleOracleTest, TheWindowsLogonOverTheNetworkEndsAtItsBound) {
  ora::fake::ListenerOptions lo;
  lo.makeService = [] { return std::make_unique<ora::fake::FakeOracleService>(ora::fake::FakeOracleOptions{}); };
  lo.rawSteps = {{1, ora::fake::RawStep::Action::Stall, {}}};
  lo.waitLimit = std::chrono::seconds(30);
  const ora::fake::FakeListener listener(lo);
  std::string message = "logged on";
  // Well under the session's own connect timeout: the wait ends by the window's bound or not at all.
  testsupport::Watchdog dog("the window's logon", std::chrono::seconds(20), [] {});
  try {
    session->Main().Connect("scott", "tiger", ServerOf(listener));
  } catch (const std::exception& e) {
    message = e.what();
  }
  EXPECT_TRUE(dog.Done());
  EXPECT_NE(message.find("timed out"), std::string::npos) << message;
  EXPECT_FALSE(session->Main().Connected());
}

TEST_F(DataModuleOracleTest, TheSameExportOverTheDirectNetworkClient) {
  ora::fake::FakeOracleOptions options;
  const auto listener = Listen(options);
  const std::string server = ServerOf(*listener);
  {
    sch::TSchemeWrapper w;
    sch::TSchemeObject* s = AddExport(w, "SCOTT", "TIGER", server);
    s->FindParam("Prefix")->SetKeyValue("alter session set nls_date_format = 'YYYY-MM-DD'");
    s->FindParam("Suffix")->SetKeyValue("alter session set nls_language = '~dbusername~'");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunOnce();

  std::vector<std::string> statements;
  // "call71:<options>:<sql>"; the execution is the call with the execute option (0x20).
  for (const std::string& event : options.events->Seen()) {
    if (event.rfind("call71:", 0) != 0) continue;
    const size_t colon = event.find(':', 7);
    if (std::stoul(event.substr(7, colon - 7)) & 0x20) statements.push_back(event.substr(colon + 1));
  }
  EXPECT_EQ(statements, (std::vector<std::string>{"alter session set nls_date_format = 'YYYY-MM-DD'",
                                                  "alter session set nls_language = 'SCOTT'"}));
  const std::string record = Record();
  EXPECT_EQ(record.rfind("Process SQL script...OK\r\nRun Scripts...Ok\r\n", 0), 0u) << record;
  EXPECT_NE(record.find("Process SQL script...OK\r\n", 10), std::string::npos) << record;
}

TEST_F(DataModuleOracleTest, AConnectionTheServerDroppedGivesWayToANewOne) {
  auto gone = Listen({});
  session->Main().Connect("SCOTT", "TIGER", ServerOf(*gone));
  ASSERT_TRUE(session->Main().Connected());
  gone.reset();  // hangs up on the idle client
  const auto other = Listen({});
  session->Main().Connect("SCOTT", "TIGER", ServerOf(*other));
  EXPECT_TRUE(session->Main().Connected());
}

TEST_F(DataModuleOracleTest, TheWayToTheDatabaseIsNeverSwitchedUnderAConnection) {
  ora::fake::FakeOracleOptions options;
  const auto listener = Listen(options);
  const std::string server = ServerOf(*listener);

  // A run's script holds the client library while the window asks for the network client.
  fake.delay("OCIStmtExecute", -1);
  std::thread run([&] { session->RunScript({"scott", "tiger", "orcl"}, "insert into runs values ('scott', 'held')"); });
  ASSERT_EQ(fake.waitHeld(5000), 1);
  try {
    session->Main().Connect("SCOTT", "TIGER", server);
    ADD_FAILURE() << "switched under a running script";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "The client library is in use by another connection; the direct network client cannot connect now.");
  }
  fake.delay("OCIStmtExecute", 0);
  fake.release();
  run.join();
  EXPECT_EQ(fake.Query("SELECT state FROM runs"), "held");

  // A run through the network client waits for the run that holds the client library.
  fake.delay("OCIStmtExecute", -1);
  std::thread holding([&] { session->RunScript({"scott", "tiger", "orcl"}, "update runs set state = 'first'"); });
  ASSERT_EQ(fake.waitHeld(5000), 1);
  std::thread waiting([&] { session->RunScript({"SCOTT", "TIGER", server}, "alter session set nls_language = 'second'"); });
  fake.delay("OCIStmtExecute", 0);
  fake.release();
  holding.join();
  waiting.join();
  EXPECT_EQ(fake.Query("SELECT state FROM runs"), "first");
  EXPECT_TRUE(options.events->WaitFor("call71:32800:alter session set nls_language = 'second'"));
  session->RunScript({"scott", "tiger", "orcl"}, "update runs set state = 'held'");

  // Idle, the window's module takes the network client; a run through the client library then
  // takes it back without waiting for the window.
  session->Main().Connect("SCOTT", "TIGER", server);
  EXPECT_TRUE(session->Main().Connected());
  session->RunScript({"scott", "tiger", "orcl"}, "update runs set state = 'again'");
  EXPECT_EQ(fake.Query("SELECT state FROM runs"), "again");
  EXPECT_FALSE(session->Main().Connected());
}

TEST_F(DataModuleOracleTest, TheDatabaseCharacterSetReadOnTheStartNoticeReachesExp) {
  SeedDictionary();
  env.Set("FAKE_ORA_REPORT", dir / "report");
  {
    sch::TSchemeWrapper w;
    AddExport(w, "scott", "tiger", "orcl")->FindParam("charset")->SetKeyValue("No");
    sch::SaveObjectToFile(file, &w, true);
  }
  host.Start(file);
  RunOnce();

  auto& scheme = static_cast<sch::TOracleScheme&>(*host.Schemes().GetScheme(0));
  EXPECT_EQ(scheme.TargetCharset, "ZHS16GBK");
  EXPECT_EQ(scheme.TargetCharsetId, 852);
  EXPECT_NE(testsupport::ReadAll(dir / "report").find("NLS_LANG=.ZHS16GBK"), std::string::npos);
}

TEST_F(DataModuleOracleTest, ThePickerListsTheUsersAndTheTablesOfTheFocusedOne) {
  SeedDictionary();
  sch::TOraSelectorModel picker(*session);
  picker.Open("scott", "tiger", "orcl", false, "");
  EXPECT_EQ(picker.Status(), "Connected");
  EXPECT_EQ(picker.Objects(), (std::vector<std::string>{"HR", "SCOTT", "SYS"}));
  picker.FocusUser(1);
  EXPECT_EQ(picker.SourceTables(), (std::vector<std::string>{"DEPT", "EMP"}));
  picker.AddTables({1, 0});
  EXPECT_EQ(picker.Result(), "SCOTT.EMP,SCOTT.DEPT");
}

TEST_F(DataModuleOracleTest, TextColumnsAreReadInTheClientCharacterSetNlsLangNames) {
  // The client's NLS_LANG, where the program reads it: the last home's key.
  auto& reg = plat::Registry::Default();
  reg.CreateKey(plat::Registry::kLocalMachine, "\\Software\\ORACLE\\HOME0");
  ASSERT_TRUE(reg.SetValue(plat::Registry::kLocalMachine, "\\Software\\ORACLE\\ALL_HOMES", "LAST_HOME",
                           plat::RegValue::Str("0")));
  ASSERT_TRUE(reg.SetValue(plat::Registry::kLocalMachine, "\\Software\\ORACLE\\HOME0", "NLS_LANG",
                           plat::RegValue::Str("AMERICAN_AMERICA.WE8ISO8859P1")));
  SeedDictionary();
  sch::TOraSelectorModel picker(*session);
  picker.Open("scott", "tiger", "orcl", false, "");
  EXPECT_EQ(picker.Status(), "Connected");
  EXPECT_EQ(picker.Objects(), (std::vector<std::string>{"HR", "SCOTT", "SYS"}));
  bool charsetOnDefine = false;
  for (const std::string& line : fake.Lines())
    charsetOnDefine |= line.rfind("OCIAttrSet htype=6 attr=31 value=31", 0) == 0;
  EXPECT_TRUE(charsetOnDefine) << "the text column's define was not told the client character set";
}

}  // namespace
