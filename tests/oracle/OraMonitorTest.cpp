// The Oracle SQL monitor: the process-wide one, its caption, the Oracle type names and value texts
// it gives parameters, and the savepoint reports; then the Oracle components under it: the
// session's savepoints reported as commit and rollback are, and the texts of the Oracle parameters
// (LOB sizes, file names, timestamp and interval texts, table and array lengths) in the statement
// reports.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/Params.h"
#include "oracle/components/OraSQLMonitor.h"
#include "oracle/components/OraQuery.h"
#include "oracle/values/OraLob.h"
#include "oracle/components/OraSQL.h"
#include "oracle/components/OraSession.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

TEST(OraSQLMonitor, TheFirstCreatedIsTheProcessWideMonitor) {
  EXPECT_EQ(TOraSQLMonitor::GetMonitor(), nullptr);
  {
    TOraSQLMonitor first, second;
    EXPECT_EQ(TOraSQLMonitor::GetMonitor(), &first);
    TOraSession session;
    EXPECT_EQ(session.SQLMonitorClass()(), &first);
  }
  EXPECT_EQ(TOraSQLMonitor::GetMonitor(), nullptr);
}

TEST(OraSQLMonitor, ParametersShowTheOracleTypeNamesAndValues) {
  da::TParams params;
  params.CreateParam(da::ftString, "S", da::ptInput).SetValue(Variant("abc"));
  params.CreateParam(da::ftUnknown, "U", da::ptUnknown);
  params.CreateParam(da::ftDate, "D", da::ptOutput).SetValue(Variant::Date(36526.75));
  params.CreateParam(da::ftBlob, "B", da::ptInputOutput).SetValue(Variant("12345"));
  params.CreateParam(da::ftFixedChar, "C", da::ptResult).SetValue(Variant("xy"));
  params.CreateParam(da::ftMemo, "M", da::ptInput).SetValue(Variant("long"));
  params.CreateParam(da::ftOraClob, "L", da::ptInput).SetValue(Variant("four"));
  params.CreateParam(da::ftADT, "O", da::ptInput).SetValue(Variant(1));
  TOraSQLMonitor monitor;
  EXPECT_EQ(monitor.ParamLines(&params),
            ":S(VARCHAR[3],IN)='abc' \r\n"
            ":U(Unknown)=<NULL> \r\n"
            ":D(DATE,OUT)=2000.1.1 \r\n"
            ":B(BLOB,IN/OUT)=<BLOB:5> \r\n"
            ":C(CHAR[2],RESULT)='xy' \r\n"
            ":M(LONG,IN)=<BLOB:4> \r\n"
            ":L(CLOB,IN)=<LOB:4> \r\n"
            ":O(OBJECT:unknown,IN)=1 \r\n");
}

TEST(OraSQLMonitor, SavepointsAreReportedWithTheSessionAndTheCaption) {
  struct RecordingQuelmon : da::IQuelmon {
    void SetCaption(const std::string& caption) override { Caption = caption; }
    int Event(const da::TQuelmonMessage& message) override {
      Texts.push_back(message.Text);
      return 1;
    }
    std::string Caption;
    std::vector<std::string> Texts;
  };
  auto quelmon = std::make_shared<RecordingQuelmon>();
  da::QuelmonFactory = [quelmon] { return quelmon; };
  std::vector<std::pair<std::string, da::TDATraceFlag>> seen;
  {
    TOraSQLMonitor monitor;
    monitor.OnSQL = [&seen](const da::TDAComponent*, const std::string& text, da::TDATraceFlag flag) {
      seen.emplace_back(text, flag);
    };
    TOraSession session;  // never connected: the texts need only its names
    session.SetUsername("scott");
    session.SetServer("db1");
    TOraSQLMonitor::Savepoint(session, "S1");
    TOraSQLMonitor::RollbackToSavepoint(session, "S1");
  }
  da::QuelmonFactory = nullptr;
  const std::vector<std::pair<std::string, da::TDATraceFlag>> expected = {
      {"Savepoint S1: scott@db1", da::tfTransact},
      {"Rollback to savepoint S1: scott@db1", da::tfTransact},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(quelmon->Caption, "Qudo");
  EXPECT_EQ(quelmon->Texts, (std::vector<std::string>{"Savepoint S1: scott@db1", "Rollback to savepoint S1: scott@db1"}));
}

class OraMonitorTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    ASSERT_EQ(fake_.exec("CREATE TABLE items(id NUMBER(10), name VARCHAR2(30));"), 0);
    monitor_ = std::make_unique<TOraSQLMonitor>();
    monitor_->OnSQL = [this](const da::TDAComponent*, const std::string& text, da::TDATraceFlag flag) {
      seen_.push_back({text, flag});
    };
    session_->SetConnected(true);
    seen_.clear();
  }
  void TearDown() override {
    monitor_.reset();
    OraComponentTest::TearDown();
  }
  struct Seen {
    std::string text;
    da::TDATraceFlag flag;
  };
  std::unique_ptr<TOraSQLMonitor> monitor_;
  std::vector<Seen> seen_;
};

TEST_F(OraMonitorTest, SavepointsAreReportedBeforeTheyRun) {
  session_->Savepoint("S1");
  session_->RollbackToSavepoint("S1");
  const std::vector<std::pair<std::string, da::TDATraceFlag>> expected = {
      {"Savepoint S1: scott@orcl", da::tfTransact},
      {"SAVEPOINT S1", da::tfQExecute},
      {"Rollback to savepoint S1: scott@orcl", da::tfTransact},
      {"ROLLBACK TO SAVEPOINT S1", da::tfQExecute},
  };
  ASSERT_EQ(seen_.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(seen_[i].text, expected[i].first) << i;
    EXPECT_EQ(seen_[i].flag, expected[i].second) << i;
  }
}

TEST_F(OraMonitorTest, ALockSavepointOfAQueryIsReported) {
  TOraQuery query;
  query.Name = "Q";
  query.SetSession(session_.get());
  query.SetSQL("select id, name from items");
  query.SetSQLUpdate("update items set name = :name where id = :old_id");
  query.SetSQLLock("update items set name = name where id = :old_id");
  query.LockMode = lmLockImmediate;
  session_->ExecSQL("insert into items values (1, 'one')");
  query.Open();
  seen_.clear();
  query.Edit();
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_[0].text, "Savepoint LOCK_Q: scott@orcl");
  query.Cancel();
}

// The parameter line the prepare report shows for one parameter set up by prepare.
struct ParamCase {
  const char* what;
  std::function<void(TOraParam&)> prepare;
  std::string line;
};

TEST_F(OraMonitorTest, OracleParametersShowTheirOwnTexts) {
  const double when = da::EncodeDateTime({2010, 7, 8, 9, 10, 11, 12});
  const std::vector<ParamCase> cases = {
      {"clob",
       [](TOraParam& p) {
         p.SetDataType(da::ftOraClob);
         p.SetValue(Variant(std::string(70000, 'x')));
       },
       ":P(CLOB,IN)=<LOB:70000>"},
      {"empty blob", [](TOraParam& p) { p.SetDataType(da::ftOraBlob); }, ":P(BLOB,IN)=<NULL>"},
      {"timestamp",
       [when](TOraParam& p) {
         p.SetDataType(da::ftTimeStamp);
         p.SetValue(Variant::Date(when));
       },
       ":P(IN)=2010.7.8 9:10:11.012000"},
      {"timestamp with time zone",
       [when](TOraParam& p) {
         p.SetDataType(ftTimeStampTZ);
         p.SetValue(Variant::Date(when));
       },
       ":P(TIMESTAMP WITH TIME ZONE,IN)=2010.7.8 9:10:11.012000 +00:00"},
      {"null timestamp", [](TOraParam& p) { p.SetDataType(ftTimeStampLTZ); },
       ":P(TIMESTAMP WITH LOCAL TIME ZONE,IN)=<NULL>"},
      {"interval",
       [](TOraParam& p) {
         p.SetDataType(ftIntervalDS);
         p.SetValue(Variant("+01 02:03:04.500000"));
       },
       ":P(INTERVAL DAY TO SECOND,IN)=+01 02:03:04.500000"},
      {"dml array",
       [](TOraParam& p) {
         p.SetDataType(da::ftInteger);
         p.SetValue(Variant(5));
         p.SetLength(3);
       },
       ":P(INTEGER,IN)=<ARRAY[3]>"},
      {"pl/sql table",
       [](TOraParam& p) {
         p.SetDataType(da::ftString);
         p.SetTable(true);
         p.SetValue(Variant("a"));
         p.SetLength(2);
       },
       ":P(VARCHAR[0],IN)=<PL/SQL TABLE[2]>"},
  };
  for (const ParamCase& c : cases) {
    SCOPED_TRACE(c.what);
    TOraSQL sql;
    sql.SetSession(session_.get());
    sql.SetSQL("begin :P := :P; end;");
    TOraParam& p = sql.ParamByName("P");
    p.ParamType = da::ptInput;
    c.prepare(p);
    seen_.clear();
    monitor_->OnSQL = [this](const da::TDAComponent*, const std::string& text, da::TDATraceFlag flag) {
      if (flag == da::tfQPrepare) seen_.push_back({text, flag});
    };
    sql.Prepare();
    ASSERT_EQ(seen_.size(), 1u) << c.what;
    EXPECT_EQ(seen_[0].text, "begin :P := :P; end;\r\n" + c.line + " \r\n") << c.what;
  }
}

TEST_F(OraMonitorTest, ABFileParameterShowsItsDirectoryAndFileName) {
  AddFileDirectory("DATA", {{"a.txt", "hello file"}});
  fake_.script(":f :=", "outsql SELECT bfilename('DATA', 'a.txt') AS F");
  TOraSQL fill;
  fill.SetSession(session_.get());
  fill.SetSQL("begin :f := bfilename('DATA', 'a.txt'); end;");
  TOraParam& f = fill.ParamByName("f");
  f.SetDataType(ftBFile);
  f.ParamType = da::ptOutput;
  fill.Execute();
  // The file's content is on the server (a LOB with nothing in it reads as null).
  f.AsOraFile()->SetNeedsRead(true);
  EXPECT_EQ(monitor_->ParamLines(&fill.Params()), ":f(BFILE,OUT)=<BFileName('DATA' ,'a.txt')> \r\n");
}

}  // namespace
}  // namespace ora
