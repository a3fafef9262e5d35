// The session component over the stand-in client library: the connect string, ExecSQL with its
// Result, the fatal errors that leave the session disconnected (and a reconnect that works),
// transactions through the server's transaction id, and the process-wide session list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "oracle/OraError.h"
#include "oracle/components/OraSession.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

class OraSessionComponentTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    ASSERT_EQ(fake_.exec("CREATE TABLE items(id NUMBER(10), name VARCHAR2(30));"), 0);
  }
};

TEST(OraSessionConnectString, SplitsAndJoins) {
  struct Case {
    const char* text;
    const char* user;
    const char* password;
    const char* server;
  };
  TOraSession s;
  for (Case c : {Case{"scott/tiger@orcl", "scott", "tiger", "orcl"}, Case{"scott@orcl", "scott", "", "orcl"},
                 Case{"scott", "scott", "", ""}, Case{"scott/tiger", "scott", "tiger", ""},
                 // A server written as host:port/service keeps its "/".
                 Case{"scott/tiger@db1:1521/orcl", "scott", "tiger", "db1:1521/orcl"}}) {
    s.SetConnectString(c.text);
    EXPECT_EQ(s.Username(), c.user) << c.text;
    EXPECT_EQ(s.Password(), c.password) << c.text;
    EXPECT_EQ(s.Server(), c.server) << c.text;
    EXPECT_EQ(s.GetConnectString(), c.text);
  }
}

TEST(OraSessionFatalErrors, OnlyTheLostSessionCodes) {
  TOraSession s;
  for (int code : {28, 1012, 3113, 3114, 12203, 12571}) EXPECT_TRUE(s.IsFatalError(EOraError(code, "x"))) << code;
  for (int code : {1, 942, 1013, 3112}) EXPECT_FALSE(s.IsFatalError(EOraError(code, "x"))) << code;
}

TEST(OraSessionWarnings, TheConnectionsWarningsGoToTheSessionsOwner) {
  TOraSession s;
  s.OCIConnection().Warn("dropped before anyone listens");
  std::vector<std::string> told;
  s.OnWarning = [&](TOraSession& sender, const std::string& text) {
    EXPECT_EQ(&sender, &s);
    told.push_back(text);
  };
  s.OCIConnection().Warn("Too many Output params");
  EXPECT_EQ(told, std::vector<std::string>{"Too many Output params"});
}

TEST(OraSessionList, TheFirstIsTheDefaultAndLaterOnesCopyItsMode) {
  auto first = std::make_unique<TOraSession>();
  EXPECT_EQ(DefaultSession(), first.get());
  auto second = std::make_unique<TOraSession>();
  EXPECT_EQ(DefaultSession(), first.get());
  EXPECT_EQ(Sessions().Count(), 2);
  first.reset();
  EXPECT_EQ(DefaultSession(), second.get());
  second.reset();
  EXPECT_EQ(DefaultSession(), nullptr);
  EXPECT_EQ(Sessions().Count(), 0);
}

TEST_F(OraSessionComponentTest, ConnectsRunsStatementsAndDisconnects) {
  bool told = false;
  session_->OnConnectChange = [&](TOraSession&, bool connected) { told = connected; };
  session_->SetConnected(true);
  EXPECT_TRUE(session_->Connected());
  EXPECT_TRUE(told);
  session_->ExecSQL("insert into items (id, name) values (:id, :name)", {Variant(1), Variant("first")});
  // Parameters beyond the values given are NULL.
  session_->ExecSQL("insert into items (id, name) values (:id, :name)", {Variant(2)});
  EXPECT_EQ(fake_.Query("SELECT name FROM items WHERE id = 1"), "first");
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM items WHERE id = 2 AND name IS NULL"), "1");
  session_->SetConnected(false);
  EXPECT_FALSE(session_->Connected());
  EXPECT_FALSE(told);
}

TEST_F(OraSessionComponentTest, AByteArrayValueIsBoundAsTheBytesItHolds) {
  ASSERT_EQ(fake_.exec("CREATE TABLE bins(id NUMBER(4), r RAW(20));"), 0);
  std::vector<std::uint8_t> bytes(10, 0x41);
  bytes[3] = 0;  // binary, not text
  const std::string expected(bytes.begin(), bytes.end());
  session_->ExecSQL("insert into bins (id, r) values (:id, :r)", {Variant(1), Variant(bytes)});
  EXPECT_EQ(fake_.Query("SELECT r FROM bins WHERE id = 1"), expected);
}

TEST_F(OraSessionComponentTest, ATextLongerThanTheStringLimitIsBoundWhole) {
  // Two bytes per character lower the string limit to 4000 / 2: a longer text is still the
  // caller's whole value, never cut at a byte inside a character.
  ASSERT_EQ(fake_.exec("CREATE TABLE texts(id NUMBER(4), s VARCHAR2(4000));"), 0);
  session_->Options().SetCharLength(2);
  std::string text;
  for (int i = 0; i < 1500; ++i) text += "\xC3\xA9";  // 1,500 two-byte characters: 3,000 bytes
  session_->ExecSQL("insert into texts (id, s) values (:id, :s)", {Variant(1), Variant(text)});
  EXPECT_EQ(fake_.Query("SELECT length(CAST(s AS BLOB)) FROM texts WHERE id = 1"), "3000");
  EXPECT_TRUE(fake_.Query("SELECT s FROM texts WHERE id = 1") == text) << "the text came back changed";
}

TEST_F(OraSessionComponentTest, ResultOfABlockComesBackAsText) {
  fake_.script("begin :result := 6 * 7; end;", "out RESULT=42");
  const Variant result = session_->ExecSQL("begin :result := 6 * 7; end;");
  EXPECT_TRUE(session_->Connected());  // ExecSQL connects on demand
  EXPECT_EQ(result.VarType(), da::varString);
  EXPECT_EQ(result.AsString(), "42");
  EXPECT_TRUE(session_->ExecSQL("insert into items (id) values (3)").IsNull());
}

TEST_F(OraSessionComponentTest, ALostConnectionLeavesTheSessionDisconnectedAndTheNextConnectWorks) {
  session_->SetConnected(true);
  fake_.fail("OCIStmtExecute", 1, 3113, "ORA-03113: end-of-file on communication channel");
  try {
    session_->ExecSQL("insert into items (id) values (1)");
    FAIL() << "no error";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 3113);
  }
  EXPECT_FALSE(session_->Connected());
  session_->SetConnected(true);
  EXPECT_TRUE(session_->Connected());
  session_->ExecSQL("insert into items (id) values (2)");
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM items"), "1");
}

TEST_F(OraSessionComponentTest, ALostConnectionInsideATransactionStillDisconnects) {
  fake_.script("local_transaction_id(true)", "out RESULT=1.2.3");
  fake_.script("local_transaction_id; end;", "out RESULT=1.2.3");
  session_->SetConnected(true);
  session_->StartTransaction();
  EXPECT_TRUE(session_->InTransaction());
  fake_.fail("OCIStmtExecute", 1, 3113, "ORA-03113: end-of-file on communication channel");
  EXPECT_THROW(session_->ExecSQL("insert into items (id) values (1)"), EOraError);
  EXPECT_FALSE(session_->Connected());
  EXPECT_FALSE(session_->InTransaction());
  session_->SetConnected(true);
  EXPECT_TRUE(session_->Connected());
}

TEST_F(OraSessionComponentTest, ATransactionEndedOnTheServerIsNoLongerOpen) {
  fake_.script("local_transaction_id(true)", "out RESULT=7.1.9");
  fake_.script("local_transaction_id; end;", "out RESULT=7.1.9");
  session_->SetConnected(true);
  session_->StartTransaction();
  EXPECT_TRUE(session_->InTransaction());
  fake_.script("local_transaction_id; end;", "out RESULT");  // a statement committed it
  EXPECT_FALSE(session_->InTransaction());
}

TEST_F(OraSessionComponentTest, AFailureWithoutErrorTextNamesTheCallAndItsStatus) {
  session_->SetConnected(true);
  for (const char* records : {"none", "bare"}) {
    SCOPED_TRACE(records);
    fake_.set("error_records", records);
    fake_.fail("OCIStmtExecute", 1, 942, "");
    try {
      session_->ExecSQL("insert into items (id) values (1)");
      ADD_FAILURE() << "the failed call was not reported";
    } catch (const EOraError& e) {
      EXPECT_STREQ(e.what(), "OCIStmtExecute failed with status -1 (OCI_ERROR); the client library gave no error text");
      EXPECT_EQ(e.ErrorCode(), 1);
    }
  }
  fake_.set("error_records", "");
  EXPECT_TRUE(session_->Connected());
  session_->ExecSQL("insert into items (id) values (2)");  // the session goes on
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM items"), "1");
}

TEST_F(OraSessionComponentTest, AStatementErrorKeepsTheSession) {
  session_->SetConnected(true);
  EXPECT_THROW(session_->ExecSQL("insert into missing_table values (1)"), EOraError);
  EXPECT_TRUE(session_->Connected());
}

}  // namespace
}  // namespace ora
