// The program's own road through the Oracle components, one table run against both back ends:
// a session connects, runs a script piece with ExecSQL, a query is opened and walked with
// First/Eof/Next reading FieldByName values, and after the connection is lost in the middle of a
// statement the session reads as disconnected and the next connect works.
#include <gtest/gtest.h>

#include <functional>

#include "dataaccess/DAErrors.h"
#include "oracle/components/OraQuery.h"
#include "oracle/OraError.h"
#include "oracle/components/OraSession.h"
#include "oracle/net/NetCallInterface.h"
#include "tests/oracle_scenarios/ScenarioBackend.h"

namespace ora::scenario {
namespace {

using da::Variant;

// The session set up as the program's data module sets it: user, password, server, no prompt.
void Configure(TScenarioBackend& backend, TOraSession& session) {
  TOCIConnection probe;
  backend.Configure(probe);
  session.SetConnectPrompt(false);
  session.SetUsername(probe.Username);
  session.SetPassword(probe.Password);
  session.SetServer(probe.Server);
}

// Walks the query as the program does; the ids seen, in order.
std::vector<int> WalkIds(TOraQuery& query) {
  std::vector<int> ids;
  query.First();
  while (!query.Eof()) {
    ids.push_back(query.FieldByName("ID").AsInteger());
    query.Next();
  }
  return ids;
}

void ConnectExecAndQuery(TScenarioBackend& backend, TOraSession& session) {
  Configure(backend, session);
  session.SetConnected(true);
  ASSERT_TRUE(session.Connected());

  // A script piece with its values.
  session.ExecSQL("insert into longs (id, body) values (:id, :body)", {Variant(7), Variant("from a script")});

  TOraQuery query;
  query.SetSession(&session);
  query.SetSQL("select id, name, created from fake_rows_60");
  query.Open();
  std::vector<int> ids = WalkIds(query);
  ASSERT_EQ(ids.size(), 60u);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(ids[static_cast<std::size_t>(i)], i + 1);
  query.First();
  EXPECT_EQ(query.FieldByName("ID").AsString(), "1");
  EXPECT_DOUBLE_EQ(query.FieldByName("ID").AsFloat(), 1.0);
  EXPECT_EQ(query.FieldByName("NAME").AsString(), "row 1" + std::string(20, '.'));
  // The ROWID helper column is not the program's: a plain query has none.
  EXPECT_EQ(query.RowIdField(), nullptr);
  query.Close();

  // ExecSQL of a query opens it.
  query.ExecSQL();
  EXPECT_TRUE(query.Active());
  EXPECT_EQ(WalkIds(query).size(), 60u);

  // The statement's errors arrive as Oracle errors and leave the session connected.
  EXPECT_EQ(OraCodeOf([&] { session.ExecSQL("insert into missing_table values (1)"); }), 942);
  EXPECT_TRUE(session.Connected());
}

void ReconnectAfterALostConnection(TScenarioBackend& backend, TOraSession& session) {
  backend.DropConnectionDuringFetch(2, 25);
  Configure(backend, session);
  TOraQuery query;
  query.SetSession(&session);
  query.SetSQL("select id, name, created from fake_rows_60");
  int seen = 0;
  const int code = OraCodeOf([&] {
    query.Open();
    for (query.First(); !query.Eof(); query.Next()) ++seen;
  });
  EXPECT_TRUE(IsFatalOraError(code)) << code;
  EXPECT_EQ(code, 3113);  // a vanished server on both back ends
  EXPECT_LT(seen, 60);
  // Not stuck: the session knows it is gone, the query is closed, and a new connect works.
  EXPECT_FALSE(session.Connected());
  EXPECT_FALSE(query.Active());
  backend.DropConnectionDuringFetch(1000, 25);  // the server stays from now on
  Configure(backend, session);                  // (the fake listener listens anew)
  session.SetConnected(true);
  EXPECT_TRUE(session.Connected());
  query.Open();
  EXPECT_EQ(WalkIds(query).size(), 60u);
}

struct RoadCase {
  const char* name;
  void (*run)(TScenarioBackend&, TOraSession&);
};

const RoadCase kRoads[] = {
    {"ConnectExecAndQuery", &ConnectExecAndQuery},
    {"ReconnectAfterALostConnection", &ReconnectAfterALostConnection},
};

class OraComponentRoadTest : public ::testing::TestWithParam<std::tuple<Backend, RoadCase>> {
 protected:
  void SetUp() override {
    backend_ = MakeBackend(std::get<0>(GetParam()));
    backend_->SetUp();
    // As the program's data module does for a direct connection.
    if (std::get<0>(GetParam()) == Backend::Net) {
      SetNetClient(&NetCallInterface());
      session_->Options().SetNet(true);
    }
  }
  void TearDown() override {
    session_.reset();
    backend_->TearDown();
  }
  std::unique_ptr<TScenarioBackend> backend_;
  std::unique_ptr<TOraSession> session_ = std::make_unique<TOraSession>();
};

TEST_P(OraComponentRoadTest, RunsTheSameOnBothBackEnds) {
  if (HasFatalFailure()) return;
  std::get<1>(GetParam()).run(*backend_, *session_);
}

INSTANTIATE_TEST_SUITE_P(
    Roads, OraComponentRoadTest,
    ::testing::Combine(::testing::Values(Backend::StandIn, Backend::Net), ::testing::ValuesIn(kRoads)),
    [](const ::testing::TestParamInfo<OraComponentRoadTest::ParamType>& info) {
      return NamePrefix(std::get<0>(info.param)) + std::get<1>(info.param).name;
    });

}  // namespace
}  // namespace ora::scenario
