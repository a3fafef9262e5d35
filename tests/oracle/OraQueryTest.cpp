// The Oracle query over the stand-in: rows fetched and read through fields, ExecSQL, the options
// and refresh views, record counts, update texts, locking with savepoints, the hidden ROWID and
// the Oracle field classes.
#include <gtest/gtest.h>

#include <algorithm>

#include "dataaccess/DAErrors.h"
#include "oracle/components/OraQuery.h"
#include "oracle/OraError.h"
#include "oracle/components/OraFields.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

class OraQueryTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    ASSERT_EQ(fake_.exec("CREATE TABLE emp(empno NUMBER(6), ename VARCHAR2(20), sal NUMBER(8,2), hired TIMESTAMP);"
                         "INSERT INTO emp VALUES (1, 'KING', 5000, '1981-11-17 00:00:00.250000000');"
                         "INSERT INTO emp VALUES (2, 'BLAKE', 2850.5, NULL);"
                         "INSERT INTO emp VALUES (3, 'CLARK', 2450, NULL);"),
              0);
    query_.SetSession(session_.get());
  }
  void TearDown() override {
    query_.Close();
    OraComponentTest::TearDown();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (query_.First(); !query_.Eof(); query_.Next()) names.push_back(query_.FieldByName("ENAME").AsString());
    return names;
  }
  TOraQuery query_;
};

TEST_F(OraQueryTest, OpensAndReadsFieldsConnectingOnDemand) {
  query_.SetSQL("select empno, ename, sal, hired from emp where sal > :low order by empno");
  query_.ParamByName("low").SetAsFloat(2500);
  query_.Open();
  EXPECT_TRUE(session_->Connected());
  EXPECT_EQ(Names(), (std::vector<std::string>{"KING", "BLAKE"}));
  query_.First();
  query_.Next();
  EXPECT_DOUBLE_EQ(query_.FieldByName("SAL").AsFloat(), 2850.5);
  EXPECT_EQ(query_.FieldByName("EMPNO").AsInteger(), 2);
  query_.First();
  EXPECT_FALSE(query_.FieldByName("HIRED").IsNull());
  query_.Next();
  EXPECT_TRUE(query_.FieldByName("HIRED").IsNull());
}

TEST_F(OraQueryTest, ExecSQLOfAQueryOpensAndOfAStatementCountsRows) {
  query_.SetSQL("select ename from emp order by empno");
  query_.ExecSQL();
  EXPECT_TRUE(query_.Active());
  EXPECT_EQ(Names().size(), 3u);
  query_.SetSQL("update emp set sal = sal + 1 where sal < :top");
  query_.ParamByName("top").SetAsInteger(3000);
  query_.ExecSQL();
  EXPECT_FALSE(query_.Active());
  EXPECT_EQ(query_.RowsAffected(), 2);
}

TEST_F(OraQueryTest, OptionsAndRefreshModeAreViewsOfTheDataSetOptions) {
  EXPECT_EQ(query_.GetOptions(), 11);
  query_.SetOptions(0);
  EXPECT_FALSE(query_.OptionsDS().RequiredFields());
  EXPECT_FALSE(query_.OptionsDS().StrictUpdate);
  EXPECT_FALSE(query_.OptionsDS().LongStrings());
  query_.SetOptions(static_cast<TOraDataSetOptions1>(1u << doKeepPrepared | 1u << doQueryRecCount));
  EXPECT_TRUE(query_.OptionsDS().KeepPrepared);
  EXPECT_TRUE(query_.OptionsDS().QueryRecCount);

  query_.SetRefreshOptions(da::RefreshBit(da::roBeforeEdit));
  query_.SetRefreshMode(rmAlways);
  EXPECT_EQ(query_.RefreshOptions(), da::RefreshBit(da::roAfterInsert) | da::RefreshBit(da::roAfterUpdate) |
                                         da::RefreshBit(da::roBeforeEdit));
  query_.SetRefreshOptions(da::RefreshBit(da::roAfterUpdate));
  EXPECT_EQ(query_.RefreshMode(), rmAfterUpdate);
}

TEST_F(OraQueryTest, TheLockSavepointKeepsTheLast25CharactersOfTheName) {
  query_.Name = "Query";
  EXPECT_EQ(query_.LockSavepoint(), "LOCK_Query");
  query_.Name = "AVeryLongComponentName_0123456789";
  EXPECT_EQ(query_.LockSavepoint(), "LOCK_gComponentName_0123456789");
}

TEST_F(OraQueryTest, RecordCountWrapsTheQuery) {
  query_.SetSQL("select ename from emp where sal > :low order by ename");
  query_.ParamByName("low").SetAsInteger(2500);
  query_.OptionsDS().QueryRecCount = true;
  query_.SetFetchRows(1);
  fake_.logClear();
  query_.Open();
  EXPECT_EQ(query_.RecordCount(), 2);
  bool wrapped = false;
  for (const std::string& line : fake_.Lines())
    if (line.find("SELECT Count(*) FROM (") != std::string::npos && line.find("order by") == std::string::npos)
      wrapped = true;
  EXPECT_TRUE(wrapped);
}

TEST_F(OraQueryTest, ChangesWithoutAStatementAreRefusedSilently) {
  query_.SetSQL("select empno, ename from emp order by empno");
  query_.Open();
  EXPECT_THROW(query_.Insert(), da::EAbort);
  EXPECT_THROW(query_.Edit(), da::EAbort);
  EXPECT_EQ(query_.State(), da::dsBrowse);
}

TEST_F(OraQueryTest, UpdateAndDeleteRunTheirTextsWithOldValues) {
  query_.SetSQL("select empno, ename from emp order by empno");
  query_.SetSQLUpdate("update emp set ename = :ename where empno = :old_empno");
  query_.SetSQLDelete("delete from emp where empno = :old_empno");
  query_.Open();
  EXPECT_TRUE(query_.CanModify());
  query_.Edit();
  query_.FieldByName("ENAME").SetAsString("KONG");
  query_.Post();
  EXPECT_EQ(fake_.Query("SELECT ename FROM emp WHERE empno = 1"), "KONG");
  query_.Next();
  query_.Delete();
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM emp"), "2");
}

TEST_F(OraQueryTest, AnImmediateLockTakesASavepointAndRunsTheLockText) {
  query_.Name = "Q";
  query_.SetSQL("select empno, ename from emp order by empno");
  query_.SetSQLUpdate("update emp set ename = :ename where empno = :old_empno");
  // A lock text the stand-in can run: it touches the row, as a lock does.
  query_.SetSQLLock("update emp set ename = ename where empno = :old_empno");
  query_.LockMode = lmLockImmediate;
  query_.Open();
  fake_.logClear();
  query_.Edit();
  std::vector<std::string> statements;
  for (const std::string& line : fake_.Lines())
    if (line.rfind("OCIStmtPrepare", 0) == 0) statements.push_back(line.substr(line.find("sql=") + 4));
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[0], "SAVEPOINT LOCK_Q");
  EXPECT_EQ(statements[1], "update emp set ename = ename where empno = :old_empno");
  fake_.logClear();
  query_.Cancel();
  bool rolledBack = false;
  for (const std::string& line : fake_.Lines())
    if (line.find("ROLLBACK TO SAVEPOINT LOCK_Q") != std::string::npos) rolledBack = true;
  EXPECT_TRUE(rolledBack);
}

TEST_F(OraQueryTest, ADelayedLockIsRolledBackToItsSavepointWhenTheUpdateFails) {
  session_->SetAutoCommit(false);
  query_.Name = "Q";
  query_.SetSQL("select empno, ename from emp order by empno");
  query_.SetSQLUpdate("update emp set ename = :ename where empno = :old_empno");
  // A lock text with a trace the rollback must take back.
  query_.SetSQLLock("update emp set ename = ename || '*' where empno = :old_empno");
  query_.LockMode = lmLockDelayed;
  query_.Open();
  // Work of the transaction from before the lock, which the rollback to the lock keeps.
  session_->ExecSQL("update emp set sal = 1 where empno = 3");
  fake_.script("set ename = :ename", "error 2290 check constraint (SCOTT.EMP_NAME) violated");
  query_.Edit();
  query_.FieldByName("ENAME").SetAsString("KONG");
  EXPECT_THROW(query_.Post(), EOraError);
  EXPECT_EQ(fake_.Query("SELECT ename FROM emp WHERE empno = 1"), "KING");
  EXPECT_EQ(fake_.Query("SELECT sal FROM emp WHERE empno = 3"), "1");
  session_->Rollback();
  EXPECT_EQ(fake_.Query("SELECT sal FROM emp WHERE empno = 3"), "2450");
}

TEST_F(OraQueryTest, ARollbackToASavepointTheWorkDoesNotHoldIsRefused) {
  session_->SetAutoCommit(false);
  session_->ExecSQL("update emp set sal = 1 where empno = 3");
  try {
    session_->RollbackToSavepoint("NEVER_TAKEN");
    ADD_FAILURE() << "a savepoint never taken was rolled back to";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 1086);
  }
  EXPECT_EQ(fake_.Query("SELECT sal FROM emp WHERE empno = 3"), "1");  // the work is left open
  session_->Rollback();
  EXPECT_EQ(fake_.Query("SELECT sal FROM emp WHERE empno = 3"), "2450");
}

TEST_F(OraQueryTest, AFetchTheHookCancelsLeavesTheDataSetAtItsEndUntilRefreshed) {
  std::string seed = "CREATE TABLE fifty(n NUMBER(4));";
  for (int i = 1; i <= 50; ++i) seed += "INSERT INTO fifty VALUES (" + std::to_string(i) + ");";
  ASSERT_EQ(fake_.exec(seed.c_str()), 0);
  query_.SetSQL("select n from fifty order by n");
  query_.SetFetchRows(10);
  int asked = 0;
  bool cancelling = true;
  query_.BeforeFetch = [&](TOraDataSet&, bool& cancel) { cancel = ++asked > 1 && cancelling; };
  query_.Open();
  std::vector<int> seen;
  // A bound far above the rows there are: a walk that never ends shows as too many rows.
  for (int step = 0; step < 200 && !query_.Eof(); ++step, query_.Next())
    seen.push_back(query_.FieldByName("N").AsInteger());
  ASSERT_EQ(seen.size(), 10u);
  EXPECT_EQ(seen.back(), 10);
  const int askedAtEnd = asked;
  for (int i = 0; i < 3; ++i) query_.Next();
  EXPECT_TRUE(query_.Eof());
  EXPECT_EQ(query_.FieldByName("N").AsInteger(), 10);
  EXPECT_EQ(asked, askedAtEnd) << "a dataset standing at its end asked for more rows";

  cancelling = false;
  query_.Refresh();
  seen.clear();
  for (int step = 0; step < 200 && !query_.Eof(); ++step, query_.Next())
    seen.push_back(query_.FieldByName("N").AsInteger());
  EXPECT_EQ(seen.size(), 50u);
}

TEST_F(OraQueryTest, ARefreshTextBeginningWithWhereRefinesTheQuerysOwnText) {
  query_.SetSQL("select empno, ename from emp order by empno");
  query_.SetSQLRefresh("WHERE empno = :empno");
  query_.Open();
  fake_.exec("UPDATE emp SET ename = 'REX' WHERE empno = 1");
  fake_.logClear();
  query_.PerformRefresh();
  EXPECT_EQ(query_.FieldByName("ENAME").AsString(), "REX");
}

TEST_F(OraQueryTest, AKeySequenceFillsTheKeyFieldOnInsertOrOnPost) {
  const struct {
    TSequenceMode mode;
    bool filledAtInsert;  // the key holds the sequence's value while the record is edited
  } cases[] = {{smInsert, true}, {smPost, false}};
  int next = 41;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode == smInsert ? "smInsert" : "smPost");
    ++next;
    fake_.script("emp_seq.NEXTVAL", ("out EMPNO=" + std::to_string(next)).c_str());
    TOraQuery query;
    query.SetSession(session_.get());
    query.SetSQL("select empno, ename from emp order by empno");
    query.SetSQLInsert("insert into emp (empno, ename) values (:empno, :ename)");
    query.SetKeyFields(" EMPNO ");
    query.SetKeySequence(" emp_seq ");
    query.SequenceMode = c.mode;
    query.Open();
    EXPECT_FALSE(query.FieldByName("EMPNO").Required);  // the sequence gives it
    fake_.logClear();
    query.Insert();
    EXPECT_EQ(query.FieldByName("EMPNO").IsNull(), !c.filledAtInsert);
    if (c.filledAtInsert) {
      EXPECT_EQ(query.FieldByName("EMPNO").AsInteger(), next);
    }
    query.FieldByName("ENAME").SetAsString("NEW" + std::to_string(next));
    query.Post();
    EXPECT_EQ(query.FieldByName("EMPNO").AsInteger(), next);
    EXPECT_EQ(fake_.Query("SELECT ename FROM emp WHERE empno = " + std::to_string(next)), "NEW" + std::to_string(next));
    std::vector<std::string> statements;
    for (const std::string& line : fake_.Lines())
      if (line.rfind("OCIStmtPrepare", 0) == 0) statements.push_back(line.substr(line.find("sql=") + 4));
    ASSERT_EQ(statements.size(), 2u);
    // (the log shows line ends as blanks)
    EXPECT_EQ(statements[0], "begin   SELECT emp_seq.NEXTVAL INTO :EMPNO FROM Dual; end;");
    EXPECT_EQ(statements[1], "insert into emp (empno, ename) values (:empno, :ename)");
    // The value went into the new record only: the one browsed before keeps its key.
    std::vector<int> keys;
    for (query.First(); !query.Eof(); query.Next()) keys.push_back(query.FieldByName("EMPNO").AsInteger());
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys.front(), 1);
    EXPECT_EQ(keys.back(), next);
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
    query.Close();
  }
}

TEST_F(OraQueryTest, WithoutAnInsertStatementPostTakesNoSequenceValue) {
  fake_.script("emp_seq.NEXTVAL", "error 2289 ORA-02289: sequence does not exist");
  TOraQuery query;
  query.SetSession(session_.get());
  query.SetSQL("select empno, ename from emp order by empno");
  query.SetKeyFields("EMPNO");
  query.SetKeySequence("emp_seq");
  query.LocalUpdate = true;  // changes stay in the dataset
  query.Open();
  query.Insert();
  query.FieldByName("EMPNO").SetAsInteger(7);
  query.Post();  // no sequence statement: it would fail
  EXPECT_EQ(query.FieldByName("EMPNO").AsInteger(), 7);
  query.Close();
}

TEST_F(OraQueryTest, AStatementErrorArrivesAsAnOracleError) {
  query_.SetSQL("select * from missing_table");
  try {
    query_.Open();
    FAIL() << "no error";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
  }
  EXPECT_FALSE(query_.Active());
  EXPECT_TRUE(session_->Connected());
}

}  // namespace
}  // namespace ora
