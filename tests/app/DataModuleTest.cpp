// The data module over a recording link: when it reconnects, how scripts are prepared and split,
// the statements and bound values of its queries, and the session of the schemes giving each run's
// script a connection of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <latch>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/expr/OlvMacro.h"
#include "app/core/DMSession.h"
#include "app/core/SchDM.h"
#include "tests/support/FakeDMLink.h"

namespace {

using schtest::FakeLink;
using schtest::LinkLog;

class DataModuleTest : public ::testing::Test {
 protected:
  DataModuleTest() {
    auto l = std::make_unique<FakeLink>(log);
    link = l.get();
    dm = std::make_unique<sch::TDM>(std::move(l), [this] { return clientCharset; });
  }
  std::vector<std::string> Calls() {
    auto c = log->calls;
    log->calls.clear();
    return c;
  }

  std::shared_ptr<LinkLog> log = std::make_shared<LinkLog>();
  std::string clientCharset = "ZHS16GBK";
  FakeLink* link = nullptr;
  std::unique_ptr<sch::TDM> dm;
};

using Lines = std::vector<std::string>;

TEST_F(DataModuleTest, ConnectReconnectsOnlyForAnotherUserOrServer) {
  dm->Connect("", "x", "orcl");
  EXPECT_EQ(Calls(), Lines{}) << "no user: nothing";
  dm->Connect("scott", "tiger", "orcl");
  EXPECT_EQ(Calls(), Lines{"connect scott/tiger@orcl charset=ZHS16GBK"});
  struct Case {
    const char *user, *password, *server;
    Lines expected;
  };
  const Case cases[] = {
      {"SCOTT", "tiger", "ORCL", {}},
      {"scott", "other", "orcl", {}},
      {"hr", "hr", "orcl", {"connect hr/hr@orcl charset=ZHS16GBK"}},
      {"hr", "hr", "127.0.0.1:1521:orcl", {"connect hr/hr@127.0.0.1:1521:orcl net charset=ZHS16GBK"}},
  };
  for (const Case& c : cases) {
    dm->Connect(c.user, c.password, c.server);
    EXPECT_EQ(Calls(), c.expected) << c.user << "/" << c.password << "@" << c.server;
  }
  link->failConnect = "ORA-12541: no listener";
  EXPECT_THROW(dm->Connect("scott", "tiger", "down"), std::runtime_error);
  EXPECT_FALSE(dm->Connected());
  link->failConnect.clear();
  // A reconnection takes the client character set the settings hold now.
  dm->Connect("scott", "tiger", "orcl");
  clientCharset = "AL32UTF8";
  Calls();
  dm->Reconnect();
  EXPECT_EQ(Calls(), Lines{"connect scott/tiger@orcl charset=AL32UTF8"});
}

TEST_F(DataModuleTest, ScriptsLoseCommentsExpandTheCurrentMacrosAndSplitOutsideQuotes) {
  olv::TMacros run;
  run.SetMacro("OWNER", "SCOTT");
  olv::TMacroScope scope(run);
  dm->Connect("scott", "tiger", "orcl");
  Calls();
  dm->ExecScript(
      "  // the nightly clean-up\r\n"
      "delete from ~OWNER~.log where note = 'a;b' ;\r\n"
      " ; \r\n"
      "{ old: drop table x; }\r\n"
      "insert into t values ('http://host') ;;\r\n"
      "(* last *) commit\t\r\n");
  EXPECT_EQ(Calls(), (Lines{"scott: delete from SCOTT.log where note = 'a;b'",
                            "scott:  \r\n\r\ninsert into t values ('http://host')",
                            "scott: \r\n commit"}));
  dm->ExecScript(" \r\n// only a comment\r\n;");
  EXPECT_EQ(Calls(), Lines{}) << "a script of comments and blanks executes nothing";
}

TEST_F(DataModuleTest, AFailingStatementStopsTheScriptAndKeepsWhatRanBefore) {
  dm->Connect("scott", "tiger", "orcl");
  Calls();
  link->failOn = "missing";
  EXPECT_THROW(dm->ExecScript("insert into a values (1); update missing set x = 1; insert into b values (2)"),
               std::runtime_error);
  EXPECT_EQ(Calls(), (Lines{"scott: insert into a values (1)", "scott:  update missing set x = 1"}));
}

TEST_F(DataModuleTest, QueriesBindTheirValuesAndFailQuietly) {
  dm->Connect("scott", "tiger", "orcl");
  link->answers[sch::TDM::kCharsetIdSQL] = {{"852"}};
  link->answers[sch::TDM::kCharsetNameSQL] = {{"ZHS16GBK"}};
  link->answers[sch::TDM::kDBCharsetSQL] = {{"873", "AL32UTF8"}};
  link->answers[sch::TDM::kValidCharsetsSQL] = {{"US7ASCII"}, {"ZHS16GBK"}, {"AL32UTF8"}};
  link->answers[sch::TDM::kTablesSQL] = {{"DEPT"}, {"EMP"}};
  Calls();
  EXPECT_EQ(dm->GetCharsetId("ZHS16GBK') ID FROM DUAL--"), 852);
  EXPECT_EQ(dm->GetCharsetName(852), "ZHS16GBK");
  EXPECT_EQ(dm->Tables("O'BRIEN"), (std::vector<std::string>{"DEPT", "EMP"}));
  EXPECT_EQ(Calls(), (Lines{"scott: open SELECT NLS_CHARSET_ID(:NAME) ID FROM DUAL :NAME=ZHS16GBK') ID FROM DUAL--",
                            "scott: open SELECT NLS_CHARSET_NAME(:ID) NAME FROM DUAL :ID=852",
                            "scott: open SELECT OBJECT_NAME FROM ALL_OBJECTS WHERE OWNER=:OWNER AND "
                            "OBJECT_TYPE='TABLE' ORDER BY OBJECT_NAME :OWNER=O'BRIEN"}));
  std::uint16_t id = 0;
  std::string name;
  EXPECT_TRUE(dm->GetDBCharset(id, name));
  EXPECT_EQ(id, 873);
  EXPECT_EQ(name, "AL32UTF8");
  std::vector<std::string> list{"stale"};
  EXPECT_TRUE(dm->GetValidCharsets(list));
  EXPECT_EQ(list, (std::vector<std::string>{"US7ASCII", "ZHS16GBK", "AL32UTF8"}));

  // Failures: 0, empty, and the outputs left as they were.
  link->answers.clear();
  link->answers[sch::TDM::kCharsetIdSQL] = {{"not a number"}};
  EXPECT_EQ(dm->GetCharsetId("X"), 0);
  EXPECT_EQ(dm->GetCharsetName(1), "");
  EXPECT_FALSE(dm->GetDBCharset(id, name));
  EXPECT_EQ(id, 873);
  EXPECT_EQ(name, "AL32UTF8");
  EXPECT_FALSE(dm->GetValidCharsets(list));
  EXPECT_EQ(list.size(), 3u);
  EXPECT_THROW(dm->Users(), std::runtime_error);
}

// ---- the schemes' session ----------------------------------------------------------------------

TEST(DMSessionTest, TwoRunsAsTwoUsersEachExecuteOnTheirOwnConnection) {
  auto log = std::make_shared<LinkLog>();
  // Both scripts stop after their first statement until the other has reached its own: with one
  // shared connection the later logon would now be under the earlier script.
  std::latch bothConnected(2);
  sch::TDMSession session(
      [&] {
        auto link = std::make_unique<FakeLink>(log);
        link->onExec = [&, first = true](FakeLink&, const std::string&) mutable {
          if (first) bothConnected.arrive_and_wait();
          first = false;
        };
        return link;
      },
      [] { return std::string(); });
  auto run = [&](const std::string& user) {
    olv::TMacros macros;
    macros.SetMacro("WHO", user);
    olv::TMacroScope scope(macros);
    session.RunScript({user, "pw", "orcl"}, "insert into t values ('~WHO~'); commit; insert into u values ('~WHO~')");
  };
  std::thread a(run, "scott");
  std::thread b(run, "hr");
  a.join();
  b.join();
  std::map<std::string, std::vector<std::string>> byUser;
  for (const std::string& line : log->calls) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos) byUser[line.substr(0, colon)].push_back(line.substr(colon + 2));
  }
  for (const std::string user : {"scott", "hr"})
    EXPECT_EQ(byUser[user], (std::vector<std::string>{"insert into t values ('" + user + "')", " commit",
                                                      " insert into u values ('" + user + "')"}))
        << user;
  EXPECT_FALSE(session.Connected()) << "the runs' connections are their own";
  EXPECT_EQ(std::count(log->calls.begin(), log->calls.end(), "disconnect scott"), 1);
  EXPECT_EQ(std::count(log->calls.begin(), log->calls.end(), "disconnect hr"), 1);
}

TEST(DMSessionTest, TheCharacterSetIsReadOnTheMainConnectionAndAFailureChangesNothing) {
  auto log = std::make_shared<LinkLog>();
  FakeLink* main = nullptr;
  sch::TDMSession session(
      [&] {
        auto link = std::make_unique<FakeLink>(log);
        if (!main) main = link.get();
        return link;
      },
      [] { return std::string(); });
  main->answers[sch::TDM::kDBCharsetSQL] = {{"852", "ZHS16GBK"}};
  std::string name = "before";
  unsigned id = 1;
  EXPECT_TRUE(session.ReadDatabaseCharset({"scott", "tiger", "orcl"}, name, id));
  EXPECT_EQ(name, "ZHS16GBK");
  EXPECT_EQ(id, 852u);
  EXPECT_TRUE(session.Connected());
  main->failConnect = "ORA-01017: invalid username/password";
  EXPECT_FALSE(session.ReadDatabaseCharset({"hr", "x", "orcl"}, name, id));
  EXPECT_EQ(name, "ZHS16GBK");
  EXPECT_THROW(session.RunScript({"", "", "orcl"}, "commit"), std::runtime_error);
}

}  // namespace

// The catalogue queries typed out in full: the fake link above answers by the same constants, so
// a changed text would pass every other test here and fail only against a database. The three
// that take a name or an id bind it rather than pasting it into the text.
TEST(DataModuleQueriesTest, CatalogueQueriesAreTheseTexts) {
  const struct {
    const char* ours;
    const char* text;
  } queries[] = {
      {sch::TDM::kValidCharsetsSQL,
       "select value,NLS_CHARSET_ID(value) ID from V$NLS_VALID_VALUES where parameter='CHARACTERSET' order by ID"},
      {sch::TDM::kCharsetIdSQL, "SELECT NLS_CHARSET_ID(:NAME) ID FROM DUAL"},
      {sch::TDM::kCharsetNameSQL, "SELECT NLS_CHARSET_NAME(:ID) NAME FROM DUAL"},
      {sch::TDM::kDBCharsetSQL,
       "SELECT VALUE$ NAME,NLS_CHARSET_ID(VALUE$) ID FROM SYS.PROPS$ WHERE NAME='NLS_CHARACTERSET'"},
      {sch::TDM::kUsersSQL, "SELECT USERNAME FROM SYS.DBA_USERS ORDER BY USERNAME"},
      {sch::TDM::kTablesSQL,
       "SELECT OBJECT_NAME FROM ALL_OBJECTS WHERE OWNER=:OWNER AND OBJECT_TYPE='TABLE' ORDER BY OBJECT_NAME"},
  };
  for (const auto& q : queries) EXPECT_STREQ(q.ours, q.text);
}
