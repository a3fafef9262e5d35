// The SQL monitor: the texts of each event as the outlets receive them, the component tag, the
// parameter lines, the outlets' conditions, and silence without a monitor.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DASQL.h"
#include "platform/Registry.h"
#include "tests/dataaccess/SqliteSession.h"
#include "tests/dataaccess/TestSQLMonitor.h"

namespace da {
namespace {

using testing::SqliteSession;
using testing::TestSQLMonitor;

struct Seen {
  std::string text;
  TDATraceFlag flag;
};

class RecordingQuelmon : public IQuelmon {
 public:
  void SetCaption(const std::string& caption) override { Caption = caption; }
  int Event(const TQuelmonMessage& message) override {
    Messages.push_back(message);
    return ++next_;
  }
  std::string Caption;
  std::vector<TQuelmonMessage> Messages;

 private:
  int next_ = 100;
};

class RecordingClient : public ISQLMonitorClient {
 public:
  explicit RecordingClient(std::vector<std::string>& texts) : texts_(texts) {}
  void SendText(const std::string& text) override { texts_.push_back(text); }

 private:
  std::vector<std::string>& texts_;
};

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QuelmonFactory = [this] { return quelmon; };
    SQLMonitorClientFactory = [this](const std::string&, std::function<void(TDATraceFlags)> setFlags) {
      setFlags(TraceBit(tfConnect) | TraceBit(tfQExecute) | TraceBit(tfParams));
      return std::make_unique<RecordingClient>(clientTexts);
    };
    monitor = std::make_unique<TestSQLMonitor>();
    monitor->OnSQL = [this](const TDAComponent*, const std::string& text, TDATraceFlag flag) {
      seen.push_back({text, flag});
    };
    session.SetUsername("scott");
    session.SetServer("db1");
    session.Name = "OraDB";
  }
  void TearDown() override {
    monitor.reset();
    QuelmonFactory = nullptr;
    SQLMonitorClientFactory = nullptr;
  }
  std::shared_ptr<RecordingQuelmon> quelmon = std::make_shared<RecordingQuelmon>();
  std::vector<std::string> clientTexts;
  std::unique_ptr<TestSQLMonitor> monitor;
  std::vector<Seen> seen;
  SqliteSession session;
};

TEST_F(MonitorTest, EachEventReachesTheOutletsWithItsText) {
  session.Connect();
  session.Sql("CREATE TABLE t(a INTEGER)");
  TCustomDASQL sql;
  sql.Name = "Ins";
  sql.SetConnection(&session);
  sql.SetSQL("insert into t values (:A)");
  sql.ParamByName("A").SetAsInteger(5);
  sql.Prepare();
  sql.Execute();
  session.StartTransaction();
  session.Commit();
  session.StartTransaction();
  session.Rollback();
  sql.SetSQL("insert into nowhere values (1)");
  EXPECT_THROW(sql.Execute(), EDAError);
  session.Disconnect();

  const std::string lines = ":A(Integer)=5 \r\n";
  const std::vector<std::pair<std::string, TDATraceFlag>> expected = {
      {"Connect: scott@db1", tfConnect},
      {"insert into t values (:A)\r\n" + lines, tfQPrepare},
      {"insert into t values (:A)\r\n" + lines, tfQExecute},
      {"Commit: scott@db1", tfTransact},
      {"Rollback: scott@db1", tfTransact},
      {"insert into nowhere values (1)", tfQExecute},
      {"Error: no such table: nowhere", tfError},
      {"Disconnect: scott@db1", tfConnect},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(seen[i].text, expected[i].first) << i;
    EXPECT_EQ(seen[i].flag, expected[i].second) << i;
  }

  // The external monitor hears before and after, the after call with the id the before call got.
  EXPECT_EQ(quelmon->Caption, "DataAccess");
  ASSERT_GE(quelmon->Messages.size(), 4u);
  const TQuelmonMessage &before = quelmon->Messages[0], &after = quelmon->Messages[1];
  EXPECT_EQ(before.Event, qeConnect);
  EXPECT_FALSE(before.After);
  EXPECT_EQ(before.ConnectInfo, "Username = scott\r\nServer = db1");
  EXPECT_TRUE(after.After);
  EXPECT_EQ(after.MessageID, 101);
  const TQuelmonMessage& prepare = quelmon->Messages[2];
  EXPECT_EQ(prepare.Event, qePrepare);
  EXPECT_EQ(prepare.Text, "SQL Prepare: insert into t values (:A)\r\n" + lines);
  EXPECT_EQ(prepare.ObjectName, "Ins");
  EXPECT_EQ(prepare.ConnectionName, "OraDB");
  ASSERT_EQ(prepare.Params.size(), 1u);
  EXPECT_EQ(prepare.Params[0].Value, "5");

  // The development tools' monitor: only the flags it traces (connect, execute, parameters).
  const std::vector<std::string> expectedClient = {
      "Connect: scott@db1", "SQL Execute: insert into t values (:A)", lines,
      "SQL Execute: insert into nowhere values (1)", "Disconnect: scott@db1"};
  EXPECT_EQ(clientTexts, expectedClient);
}

TEST_F(MonitorTest, HandledOptionTagsEveryTextWithTheComponents) {
  monitor->SetOptions(kDefaultMonitorOptions | MonitorBit(moHandled));
  session.Connect();
  TCustomDASQL sql;
  sql.Name = "Q";
  sql.SetConnection(&session);
  sql.SetSQL("select 1");
  sql.Execute();
  ASSERT_EQ(seen.size(), 2u);
  char address[32];
  std::snprintf(address, sizeof address, "%08" PRIXPTR, reinterpret_cast<std::uintptr_t>(&session));
  EXPECT_EQ(seen[0].text, std::string("Connect: scott@db1 [OraDB$") + address + "] ");
  const TQuelmonMessage& execute = quelmon->Messages.at(2);
  EXPECT_NE(execute.Text.find(std::string("; OraDB$") + address + "] : select 1"), std::string::npos) << execute.Text;
}

TEST_F(MonitorTest, ParameterLinesLeaveOutWhatIsEmpty) {
  TParams params;
  params.CreateParam(ftString, "S", ptInput).SetValue(Variant("abc"));
  params.CreateParam(ftUnknown, "U", ptUnknown);
  params.CreateParam(ftDate, "D", ptOutput).SetValue(Variant::Date(36526.75));
  params.CreateParam(ftBlob, "B", ptInputOutput).SetValue(Variant("12345"));
  params.CreateParam(ftFixedChar, "C", ptResult).SetValue(Variant("xy"));
  params.CreateParam(ftMemo, "M", ptInput).SetValue(Variant("long"));
  EXPECT_EQ(monitor->ParamLines(&params),
            ":S(String[3],IN)='abc' \r\n"
            ":U(Unknown)=<NULL> \r\n"
            ":D(Date,OUT)=2000.1.1 \r\n"
            ":B(Blob,IN/OUT)=<BLOB:5> \r\n"
            ":C(FixedChar[2],RESULT)='xy' \r\n"
            ":M(Memo,IN)=<BLOB:4> \r\n");
}

TEST_F(MonitorTest, ClearingTheSQLMonitorOptionUnregistersAtOnce) {
  session.Connect();
  ASSERT_EQ(clientTexts.size(), 1u);
  monitor->SetOptions(MonitorBit(moCustom));
  session.Disconnect();
  EXPECT_EQ(clientTexts.size(), 1u);
  EXPECT_EQ(seen.size(), 2u);
  monitor->SetActive(false);
  session.Connect();
  EXPECT_EQ(seen.size(), 2u);
}

TEST(MonitorAbsent, NothingIsSentWithoutAMonitor) {
  int made = 0;
  QuelmonFactory = [&made] {
    ++made;
    return std::shared_ptr<IQuelmon>();
  };
  SqliteSession session;
  session.Connect();
  session.Disconnect();
  EXPECT_EQ(TestSQLMonitor::GetMonitor(), nullptr);
  EXPECT_EQ(made, 0);
  QuelmonFactory = nullptr;
}

TEST(MonitorAbsent, AnInstalledMonitorProgramWithoutRegistrationIsOutOfDate) {
  const auto folder = std::filesystem::temp_directory_path() / ("dacomp-reg-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  plat::Registry registry(folder, plat::RegistrySeed{});
  QuelmonRegistry = &registry;
  EXPECT_NO_THROW(TestSQLMonitor());
  const auto program = folder / "quelmon";
  std::ofstream(program) << "x";
  registry.CreateKey(plat::Registry::kCurrentUser, "Software\\Vantrel\\Quelmon");
  registry.SetValue(plat::Registry::kCurrentUser, "Software\\Vantrel\\Quelmon", "Self",
                    plat::RegValue::Str(program.string()));
  try {
    TestSQLMonitor monitor;
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Current Quelmon version is out of date. Please update.");
  }
  QuelmonRegistry = nullptr;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace da
