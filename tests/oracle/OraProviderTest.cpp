// What the query offers a data provider, over the stand-in: statements with "?" marks, the
// provider's transaction under both AutoCommit settings, parameters, reset and the table name.
#include <gtest/gtest.h>

#include "oracle/components/OraQuery.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

class OraProviderTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    ASSERT_EQ(fake_.exec("CREATE TABLE emp(empno NUMBER(6), ename VARCHAR2(20));"
                         "INSERT INTO emp VALUES (1, 'KING');"),
              0);
    query_.SetSession(session_.get());
  }
  void TearDown() override {
    query_.Close();
    OraComponentTest::TearDown();
  }
  std::string Count() { return fake_.Query("SELECT count(*) FROM emp"); }
  TOraQuery query_;
};

TEST_F(OraProviderTest, StatementsWithMarksTakeTheirParametersInOrder) {
  da::TParams given;
  given.CreateParam(da::ftInteger, "first", da::ptUnknown).SetAsInteger(7);
  given.CreateParam(da::ftString, "second", da::ptUnknown).SetAsString("FORD");
  EXPECT_EQ(query_.PSExecuteStatement("insert into emp(empno, ename) values (?, ?)", given), 1);
  EXPECT_EQ(fake_.Query("SELECT ename FROM emp WHERE empno = 7"), "FORD");

  // A mark inside a quoted string is text; the one after it is the first parameter.
  da::TParams one;
  one.CreateParam(da::ftInteger, "x", da::ptInput).SetAsInteger(7);
  EXPECT_EQ(query_.PSExecuteStatement("update emp set ename = 'who?' where empno = ?", one), 1);
  EXPECT_EQ(fake_.Query("SELECT ename FROM emp WHERE empno = 7"), "who?");
  EXPECT_EQ(query_.PSExecuteStatement("delete from emp where empno > ?", one), 0);
}

TEST_F(OraProviderTest, TheTransactionIsTheProvidersOnlyWhileBothCommitByThemselves) {
  const struct {
    const char* name;
    bool queryAuto, sessionAuto, commit;
    const char* rowsAfter;
  } cases[] = {
      {"both on, rolled back", true, true, false, "1"},
      {"both on, committed", true, true, true, "2"},
      {"query off: the statement's own commit stands", false, true, false, "2"},
      {"session off: nothing ended", true, false, false, "2"},
  };
  // The server names the transaction the session starts.
  fake_.script("local_transaction_id(true)", "out RESULT=5.1.2");
  fake_.script("local_transaction_id; end;", "out RESULT=5.1.2");
  for (const auto& c : cases) {
    ASSERT_EQ(fake_.exec("DELETE FROM emp WHERE empno <> 1"), 0);
    query_.SetAutoCommit(c.queryAuto);
    session_->SetAutoCommit(c.sessionAuto);
    session_->Connect();
    query_.PSStartTransaction();
    da::TParams none;
    query_.PSExecuteStatement("insert into emp(empno, ename) values (2, 'SCOTT')", none);
    query_.PSEndTransaction(c.commit);
    EXPECT_EQ(Count(), c.rowsAfter) << c.name;
    session_->Disconnect();
  }
  // The provider asks the session whether a transaction is open, and the session the server.
  session_->SetAutoCommit(true);
  session_->Connect();
  EXPECT_FALSE(query_.PSInTransaction());
  query_.PSStartTransaction();
  EXPECT_TRUE(query_.PSInTransaction());
  fake_.script("local_transaction_id; end;", "out RESULT");  // a statement ended it
  EXPECT_FALSE(query_.PSInTransaction());
}

TEST_F(OraProviderTest, ParametersTextResetAndNames) {
  EXPECT_EQ(query_.PSGetQuoteChar(), "\"");
  EXPECT_TRUE(query_.PSIsSQLBased());
  EXPECT_TRUE(query_.PSIsSQLSupported());
  EXPECT_FALSE(query_.PSUpdateRecord());
  EXPECT_FALSE(query_.PSInTransaction()) << "no connection yet";

  query_.PSSetCommandText("select empno, ename from emp where empno >= :low");
  query_.PSSetCommandText("");
  EXPECT_EQ(query_.SQL(), "select empno, ename from emp where empno >= :low");
  EXPECT_EQ(query_.PSGetTableName(), "EMP");

  da::TParams values;
  values.CreateParam(da::ftInteger, "low", da::ptInput).SetAsInteger(1);
  query_.Open();
  query_.PSSetParams(values);
  EXPECT_FALSE(query_.Active()) << "setting parameters closes";
  EXPECT_EQ(query_.PSGetParams().ParamByName("low").AsInteger(), 1);
  query_.PSSetParams(da::TParams());
  EXPECT_EQ(query_.PSGetParams().Count(), 1) << "an empty list leaves them";

  // Reset reopens an open query, which then sees rows added meanwhile; a closed one stays closed.
  query_.Open();
  ASSERT_EQ(fake_.exec("INSERT INTO emp VALUES (5, 'ADAMS')"), 0);
  query_.PSReset();
  EXPECT_TRUE(query_.Active());
  EXPECT_EQ(query_.RecordCount(), 2);
  query_.Close();
  query_.PSReset();
  EXPECT_FALSE(query_.Active());
  query_.PSExecute();
  EXPECT_TRUE(query_.Active()) << "executing a query opens it";
}

}  // namespace
}  // namespace ora
