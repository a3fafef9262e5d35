// The Oracle layer's scenarios, one table run against both back ends: what a program does with
// the layer (log on, run statements with binds, PL/SQL out binds, transactions, a query read in
// fetches, LOBs, a connection lost in the middle of a fetch) must come out the same through a
// client library and over TCP.
#include <gtest/gtest.h>

#include <functional>

#include "dataaccess/DAErrors.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraDataTypes.h"
#include "oracle/OraError.h"
#include "oracle/values/OraLob.h"
#include "oracle/server/OraRecordSet.h"
#include "tests/support/FakeOciHome.h"
#include "tests/oracle_scenarios/ScenarioBackend.h"

namespace ora::scenario {
namespace {

using da::Variant;
using testing::Held;

// What a scenario works with: the back end and a connection set up for it.
struct TScenario {
  TScenarioBackend& backend;
  TOCIConnection& connection;

  void Connect() {
    backend.Configure(connection);
    connection.Connect("");
  }
  std::unique_ptr<TOCICommand> Command(const std::string& sql) {
    std::unique_ptr<da::TVtCommand> command = connection.CreateCommand();
    command->SetSQL(sql);
    return std::unique_ptr<TOCICommand>(static_cast<TOCICommand*>(command.release()));
  }
};

void Logon(TScenario& s) {
  s.Connect();
  EXPECT_TRUE(s.connection.GetConnected());
  EXPECT_EQ(s.connection.GetServerVersion(), s.backend.ServerVersion());
  EXPECT_EQ(s.connection.GetMaxStringSize(), 4000);
  s.connection.Disconnect();
  EXPECT_FALSE(s.connection.GetConnected());
  s.Connect();  // and again on the same connection
  EXPECT_TRUE(s.connection.GetConnected());
}

void StatementWithBinds(TScenario& s) {
  s.Connect();
  // Three rows in one execution: a DML array.
  auto insert = s.Command("insert into longs (id, body) values (:id, :body)");
  TOraParamDesc* id = insert->GetOraParam(0);
  TOraParamDesc* body = insert->GetOraParam(1);
  id->SetDataType(da::dtInt32);
  id->SetLength(3);
  body->SetDataType(da::dtString);
  body->SetSize(20);
  body->SetLength(3);
  for (int i = 1; i <= 3; ++i) {
    id->SetItemAsInteger(i, i);
    body->SetItemAsString(i, "body " + std::to_string(i));
  }
  insert->Execute(3);
  EXPECT_EQ(insert->GetRowsProcessed(), 3);

  // A statement the server refuses is an Oracle error, and the command can run again after it.
  auto missing = s.Command("insert into missing_table values (:x)");
  missing->GetOraParam(0)->SetValue(Variant(1));
  EXPECT_EQ(OraCodeOf([&] { missing->Execute(1); }), 942);
  insert->Execute(1);
  EXPECT_EQ(insert->GetRowsProcessed(), 1);
}

void PlSqlOutBinds(TScenario& s) {
  s.Connect();
  auto block = s.Command("begin :r := :a + :b; end;");
  ASSERT_EQ(block->GetParamCount(), 3);
  TOraParamDesc* r = block->GetOraParam(0);
  r->SetDataType(da::dtFloat);
  r->SetParamType(da::ptOutput);
  block->GetOraParam(1)->SetValue(Variant(2));
  block->GetOraParam(2)->SetValue(Variant(40.5));
  block->Execute(1);
  EXPECT_EQ(block->GetSQLFunctionCode(), fcPLSQL);
  EXPECT_FALSE(r->GetNull());
  EXPECT_DOUBLE_EQ(r->GetItemAsFloat(1), 42.5);

  // Again with other values: the same command, bound anew.
  block->GetOraParam(1)->SetValue(Variant(-7));
  block->GetOraParam(2)->SetValue(Variant(7.0));
  block->Execute(1);
  EXPECT_DOUBLE_EQ(r->GetItemAsFloat(1), 0.0);
}

void CommitAndRollback(TScenario& s) {
  s.Connect();
  s.connection.AutoCommit = false;
  auto insert = s.Command("insert into longs (id, body) values (:id, :body)");
  insert->GetOraParam(0)->SetValue(Variant(10));
  insert->GetOraParam(1)->SetValue(Variant("kept back"));
  insert->Execute(1);
  EXPECT_TRUE(s.backend.Transactions().empty()) << "no commit without AutoCommit";
  s.connection.Rollback();
  s.connection.AutoCommit = true;
  insert->Execute(1);  // committed with the execution
  s.connection.Commit();
  EXPECT_EQ(s.backend.Transactions(), (std::vector<std::string>{"rollback", "commit", "commit"}));
}

// A CLOB longer than a blob piece and than two network chunks.
std::string LongText() {
  std::string text(70000, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = char('A' + (i * 7 + i / 997) % 26);
  return text;
}

void LobWrittenAndReadBack(TScenario& s) {
  s.Connect();
  const std::string text = LongText();
  {
    // An empty LOB comes back from the RETURNING clause and the content is written into it.
    Held<TOraLob> lob(new TOraLob(s.connection.GetSvcCtx()));
    lob->SetAsString(text);
    auto insert = s.Command("insert into lobs (id, doc) values (:id, empty_clob()) returning doc into :doc");
    insert->GetOraParam(0)->SetValue(Variant(1));
    TOraParamDesc* doc = insert->GetOraParam(1);
    doc->SetDataType(dtOraClob);
    doc->SetParamType(da::ptInput);
    doc->SetObject(lob.object);
    insert->Execute(1);
    EXPECT_EQ(insert->GetRowsProcessed(), 1);
  }
  Held<TOraLob> back(new TOraLob(s.connection.GetSvcCtx()));
  auto select = s.Command("begin select doc into :doc from lobs where id = :id; end;");
  TOraParamDesc* doc = select->GetOraParam(0);
  doc->SetDataType(dtOraClob);
  doc->SetParamType(da::ptOutput);
  doc->SetObject(back.object);
  select->GetOraParam(1)->SetValue(Variant(1));
  select->Execute(1);
  EXPECT_FALSE(back->GetNeedsRead());
  EXPECT_EQ(back->Size(), text.size());
  EXPECT_TRUE(back->GetAsString() == text) << "the CLOB read back differs";
  // Each statement committed after its LOB moved.
  EXPECT_EQ(s.backend.Transactions(), (std::vector<std::string>{"commit", "commit"}));
}

// The 60 generated rows, read through a record set asking for 25 rows a fetch.
std::unique_ptr<TOCIRecordSet> GeneratedRows(TScenario& s) {
  auto rs = std::unique_ptr<TOCIRecordSet>(static_cast<TOCIRecordSet*>(s.connection.CreateRecordSet().release()));
  rs->SetSQL("select id, name, created from fake_rows_60");
  rs->SetProp(da::prFetchRows, Variant(25));
  return rs;
}

// Reads every row from the start; the ids seen and the rows held after each row was read.
struct TRowsRead {
  std::vector<int> ids;
  std::vector<int> heldAfterFetch;  // LastRowHeld each time it changed: one entry per fetch
};
TRowsRead ReadRows(TOCIRecordSet& rs) {
  TRowsRead read;
  rs.SetToBegin();
  for (rs.GetNextRecord(nullptr); !rs.GetEOF(); rs.GetNextRecord(nullptr)) {
    read.ids.push_back(rs.GetFieldAsVariant(1, rs.CurrentRecordPtr()).AsInteger());
    if (read.heldAfterFetch.empty() || read.heldAfterFetch.back() != rs.LastRowHeld())
      read.heldAfterFetch.push_back(rs.LastRowHeld());
  }
  return read;
}

void QueryInFetches(TScenario& s) {
  s.Connect();
  auto rs = GeneratedRows(s);
  rs->Open();
  const TRowsRead read = ReadRows(*rs);
  ASSERT_EQ(read.ids.size(), 60u);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(read.ids[std::size_t(i)], i + 1);
  EXPECT_EQ(read.heldAfterFetch, (std::vector<int>{25, 50, 60})) << "fetches of 25, 25 and 10";
  EXPECT_TRUE(rs->AllFetched());
  EXPECT_EQ(rs->GetRecordCount(), 60);
  // Values of every column kind the rows have, the same on both servers.
  rs->SetRecNo(60);
  EXPECT_EQ(rs->GetFieldAsVariant(2, rs->CurrentRecordPtr()).AsString(), "row 60" + std::string(19, '.'));
  const Variant created = rs->GetFieldAsVariant(3, rs->CurrentRecordPtr());
  EXPECT_EQ(created.AsString(), "2024.12.4 11:00:00");  // month 1 + 59 % 12, day 1 + 59 % 28, hour 59 % 24
}

void ConnectionDroppedDuringAFetch(TScenario& s) {
  s.backend.DropConnectionDuringFetch(2, 25);
  s.Connect();
  auto rs = GeneratedRows(s);
  rs->Open();
  int read = 0;
  const int code = OraCodeOf([&] {
    rs->SetToBegin();
    for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) ++read;
  });
  EXPECT_EQ(code, 3113);
  EXPECT_TRUE(IsFatalOraError(code));
  EXPECT_EQ(read, 25) << "the first fetch's rows were read, none of the second's";
  rs.reset();

  // Logging off a broken connection gives everything back; a server that is gone says "not
  // connected" (the stand-in's session outlives its failed call and ends it). A new logon then
  // reads the whole result.
  const int logoff = OraCodeOf([&] { s.connection.Disconnect(); });
  EXPECT_TRUE(logoff == 0 || logoff == 3114) << logoff;
  EXPECT_FALSE(s.connection.GetConnected());
  s.backend.DropConnectionDuringFetch(1000, 25);  // the server stays from now on
  s.Connect();
  auto again = GeneratedRows(s);
  again->Open();
  EXPECT_EQ(ReadRows(*again).ids.size(), 60u);
}

struct ScenarioCase {
  const char* name;
  void (*run)(TScenario&);
};

const ScenarioCase kScenarios[] = {
    {"Logon", &Logon},
    {"StatementWithBinds", &StatementWithBinds},
    {"PlSqlOutBinds", &PlSqlOutBinds},
    {"CommitAndRollback", &CommitAndRollback},
    {"LobWrittenAndReadBack", &LobWrittenAndReadBack},
    {"QueryInFetches", &QueryInFetches},
    {"ConnectionDroppedDuringAFetch", &ConnectionDroppedDuringAFetch},
};

class OraScenarioTest : public ::testing::TestWithParam<std::tuple<Backend, ScenarioCase>> {
 protected:
  void SetUp() override {
    backend_ = MakeBackend(std::get<0>(GetParam()));
    backend_->SetUp();
  }
  void TearDown() override {
    connection_.reset();
    backend_->TearDown();
  }
  std::unique_ptr<TScenarioBackend> backend_;
  std::unique_ptr<TOCIConnection> connection_ = std::make_unique<TOCIConnection>();
};

TEST_P(OraScenarioTest, RunsTheSameOnBothBackEnds) {
  if (HasFatalFailure()) return;
  TScenario scenario{*backend_, *connection_};
  std::get<1>(GetParam()).run(scenario);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, OraScenarioTest, ::testing::Combine(::testing::Values(Backend::StandIn, Backend::Net), ::testing::ValuesIn(kScenarios)),
    [](const ::testing::TestParamInfo<OraScenarioTest::ParamType>& info) {
      return NamePrefix(std::get<0>(info.param)) + std::get<1>(info.param).name;
    });

}  // namespace
}  // namespace ora::scenario
