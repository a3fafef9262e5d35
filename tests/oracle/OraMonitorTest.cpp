// The Oracle components under the SQL monitor: the session's savepoints reported as commit and
// rollback are.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/OraSQLMonitor.h"
#include "oracle/OraDataSet.h"
#include "oracle/OraSQL.h"
#include "oracle/OraSession.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

class OraMonitorTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    ASSERT_EQ(fake_.exec("CREATE TABLE items(id NUMBER(10), name VARCHAR2(30));"), 0);
    monitor_ = std::make_unique<da::TOraSQLMonitor>();
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
  std::unique_ptr<da::TOraSQLMonitor> monitor_;
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

}  // namespace
}  // namespace ora
