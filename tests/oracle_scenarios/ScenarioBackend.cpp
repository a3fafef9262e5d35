#include "tests/oracle_scenarios/ScenarioBackend.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "oracle/client/OraCall.h"
#include "oracle/OraError.h"
#include "oracle/net/NetCallInterface.h"
#include "tests/support/FakeOciHome.h"
#include "tools/fake_listener/FakeListener.h"
#include "tools/fake_listener/FakeOracle.h"

namespace ora::scenario {
namespace {

namespace fs = std::filesystem;

// The fake listener's generated rows, as the stand-in's table holds them.
std::string GeneratedRowsTable(int rows) {
  std::string sql = "CREATE TABLE fake_rows_" + std::to_string(rows) +
                    "(id NUMBER(10), name VARCHAR2(30), created DATE);";
  for (int i = 0; i < rows; ++i) {
    const std::string id = std::to_string(i + 1);
    char created[32];
    std::snprintf(created, sizeof created, "2024-%02d-%02d %02d:00:00", 1 + i % 12, 1 + i % 28, i % 24);
    sql += "INSERT INTO fake_rows_" + std::to_string(rows) + " VALUES (" + id + ", 'row " + id +
           std::string(21 - id.size(), '.') + "', '" + created + "');";
  }
  return sql;
}

class TStandInBackend : public TScenarioBackend {
 public:
  void SetUp() override {
    FreeOCI();
    OracleHome = ohDefault;
    home_ = std::make_unique<testing::FakeOciHome>();
    const fs::path home = home_->AddHome(0, "OraHome0");
    testing::FakeOciHome::Place(home / "lib", "libclntsh.so.19.1", testing::Variant::Class9);
    OCIInit();
    fake_ = FakeOciControl::Bind(OCILibrary);
    fake_.reset();
    ASSERT_EQ(fake_.exec("CREATE TABLE longs(id NUMBER(10), body VARCHAR2(4000));"), 0);
    // The stand-in keeps a LOB's id in the column; SQLite would make it text in a column
    // declared CLOB, so the column's type here is one that leaves integers alone.
    ASSERT_EQ(fake_.exec("CREATE TABLE lobs(id NUMBER(10), doc LOB);"), 0);
    ASSERT_EQ(fake_.exec(GeneratedRowsTable(60).c_str()), 0);
    // The blocks the fake listener computes itself.
    fake_.script("begin :r := :a + :b;", "outsql SELECT :a + :b AS R");
    fake_.script("select doc into :doc from lobs", "outsql SELECT doc AS DOC FROM lobs WHERE id = :id");
  }
  void TearDown() override {
    FreeOCI();
    home_.reset();
  }
  void Configure(TOCIConnection& connection) override {
    connection.SetUsername("scott");
    connection.SetPassword("tiger");
    connection.SetServer("orcl");
  }
  std::string ServerVersion() const override { return "19.0.0.0.0"; }
  std::vector<std::string> Transactions() override {
    std::vector<std::string> seen;
    for (const std::string& line : fake_.Lines()) {
      if (line.rfind("OCITransCommit", 0) == 0) seen.push_back("commit");
      if (line.rfind("OCITransRollback", 0) == 0) seen.push_back("rollback");
      if (line.rfind("OCIStmtExecute", 0) == 0 && line.find("mode=32") != std::string::npos) seen.push_back("commit");
    }
    return seen;
  }
  void DropConnectionDuringFetch(int fetchCall, int) override {
    fake_.fail("OCIStmtFetch", fetchCall, 3113, "ORA-03113: end-of-file on communication channel");
  }

 private:
  std::unique_ptr<testing::FakeOciHome> home_;
  FakeOciControl fake_;
};

class TNetBackend : public TScenarioBackend {
 public:
  void SetUp() override {
    InitNet();
    Listen();
  }
  void TearDown() override {
    listener_.reset();
    FreeOCI();
    FinishNet();
  }
  void Configure(TOCIConnection& connection) override {
    connection.SetUsername("scott");
    connection.SetPassword("tiger");
    connection.SetServer("127.0.0.1:" + std::to_string(listener_->Port()) + ":orcl");
  }
  std::string ServerVersion() const override { return "9.2.0.1.0"; }
  std::vector<std::string> Transactions() override {
    std::vector<std::string> seen;
    for (const std::string& event : options_.events->Seen())
      if (event == "commit" || event == "rollback") seen.push_back(event);
    return seen;
  }
  void DropConnectionDuringFetch(int fetchCall, int rowsPerFetch) override {
    // A few rows into that fetch's reply, with a reset: the client reads "connection reset".
    options_.hangUpAtRow = std::uint64_t((fetchCall - 1) * rowsPerFetch + 5);
    options_.hangUpWithReset = true;
    Listen();
  }

 private:
  void Listen() {
    listener_.reset();
    fake::ListenerOptions o;
    o.makeService = [options = options_] { return std::make_unique<fake::FakeOracleService>(options); };
    listener_ = std::make_unique<fake::FakeListener>(o);
  }

  fake::FakeOracleOptions options_;
  std::unique_ptr<fake::FakeListener> listener_;
};

}  // namespace

std::unique_ptr<TScenarioBackend> MakeBackend(Backend backend) {
  if (backend == Backend::StandIn) return std::make_unique<TStandInBackend>();
  return std::make_unique<TNetBackend>();
}

std::string NamePrefix(Backend backend) { return backend == Backend::StandIn ? "StandIn_" : "Net_"; }

bool IsFatalOraError(int code) {
  for (int fatal : {28, 1012, 3113, 3114, 12203, 12571})
    if (code == fatal) return true;
  return false;
}

int OraCodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EOraError& e) {
    return e.ErrorCode();
  }
  return 0;
}

}  // namespace ora::scenario
