// The SQL dataset over SQLite: opening and fetching through the connection, its properties,
// FilterSQL and master/detail in the final text and in the rows, and changes written back through
// generated statements or given update SQL, read back through SQLite itself.
#include <gtest/gtest.h>

#include "dataaccess/DADataSet.h"
#include "dataaccess/DAUpdateSQL.h"
#include "tests/dataaccess/SqliteSession.h"

namespace da {
namespace {

using testing::SqliteSession;
using Rows = std::vector<std::string>;

class DADataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Connect();
    session.Sql("CREATE TABLE dept(deptno INTEGER, dname TEXT)");
    session.Sql("INSERT INTO dept VALUES (10, 'ACCOUNTING'), (20, 'RESEARCH'), (30, 'SALES')");
    session.Sql("CREATE TABLE emp(id INTEGER PRIMARY KEY, name TEXT, dept INTEGER, note MEMO)");
    session.Sql("INSERT INTO emp VALUES (1, 'SMITH', 20, 'first'), (2, 'ALLEN', 30, NULL), (3, 'WARD', 30, 'w'),"
                " (4, 'JONES', 20, NULL)");
    ds.SetConnection(&session);
  }
  Rows Emp() { return session.Rows("SELECT id, name, dept, note FROM emp ORDER BY id"); }
  SqliteSession session;
  TCustomDADataSet ds;
};

TEST_F(DADataSetTest, OpensWithParametersAndFetchesInBlocks) {
  for (int i = 5; i <= 60; ++i) session.Sql("INSERT INTO emp VALUES (" + std::to_string(i) + ", 'E', 10, NULL)");
  ds.SetSQL("SELECT id, name FROM emp WHERE id > :LOW ORDER BY id");
  ds.ParamByName("LOW").SetAsInteger(0);
  ds.SetFetchRows(25);
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 25);
  EXPECT_EQ(ds.RowsAffected(), -1);
  int rows = 0;
  for (; !ds.Eof(); ds.Next()) ++rows;
  EXPECT_EQ(rows, 60);
  ds.Close();
  ds.ParamByName("LOW").SetAsInteger(58);
  ds.Open();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 59);
  ds.Refresh();
  EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(DADataSetTest, PropertiesCheckTheirRangeAndEachOther) {
  for (int bad : {0, 10001}) EXPECT_THROW(ds.SetFetchRows(bad), EDatabaseError) << bad;
  ds.SetFetchRows(1);
  ds.SetFetchRows(10000);
  ds.SetFetchAll(true);
  ds.SetUniDirectional(true);
  EXPECT_FALSE(ds.FetchAll());
  ds.SetFetchAll(true);
  EXPECT_FALSE(ds.UniDirectional());
  ds.SetSQL("SELECT * FROM emp");
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 4);
  EXPECT_THROW(ds.SetFetchRows(5), EDatabaseError);
}

TEST_F(DADataSetTest, ExecSQLOfASelectOpensAndOfAnUpdateCountsRows) {
  ds.SetSQL("SELECT * FROM dept");
  ds.ExecSQL();
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.SetSQL("UPDATE emp SET dept = 40 WHERE dept = :D");
  ds.ParamByName("D").SetAsInteger(30);
  ds.ExecSQL();
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.RowsAffected(), 2);
}

TEST_F(DADataSetTest, FilterSQLAndMasterDetailJoinTheWhereClause) {
  TCustomDADataSet master;
  master.SetConnection(&session);
  master.SetSQL("SELECT deptno FROM dept ORDER BY deptno");
  TDataSource source(&master);
  ds.SetSQL("SELECT id, name, dept FROM emp ORDER BY id");
  ds.SetFilterSQL("  id > 1 ");
  ds.SetMasterSource(&source);
  ds.SetMasterFields("DEPTNO");
  ds.SetDetailFields("DEPT");
  EXPECT_EQ(ds.GetFinalSQL(), "SELECT id, name, dept FROM emp \rWHERE id > 1  AND DEPT = :DEPTNO ORDER BY id");
  master.Open();
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());  // department 10 has nobody
  int refreshes = 0;
  ds.AfterRefresh = [&](TDataSet&) { ++refreshes; };
  master.Next();
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "JONES");
  EXPECT_EQ(ds.RecordCount(), 1);
  master.Next();
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(refreshes, 2);
  master.First();
  master.Last();
  EXPECT_EQ(refreshes, 4);
  // A master change that keeps the value refreshes nothing.
  master.Edit();
  master.Cancel();
  EXPECT_EQ(refreshes, 4);
  // A new detail record takes the master's value.
  ds.Append();
  EXPECT_EQ(ds.FieldByName("DEPT").AsInteger(), 30);
  ds.Cancel();
  // A condition that does not parse puts the old one back.
  EXPECT_THROW(ds.SetFilterSQL("id >"), EDAError);
  EXPECT_EQ(ds.FilterSQL(), "id > 1");
  TDataSource own(&ds);
  EXPECT_THROW(master.SetMasterSource(&own), EDatabaseError);
}

TEST_F(DADataSetTest, GeneratedStatementsWriteEditsInsertsAndDeletes) {
  ds.SetSQL("SELECT id, name, dept, note FROM emp ORDER BY id");
  ds.UpdatingTable = "emp";
  ds.SetKeyFields("ID");
  ds.Open();
  ds.Next();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("ALLEN2");
  ds.FieldByName("NOTE").SetAsString("memo text");
  ds.Post();
  EXPECT_EQ(ds.UpdateQuery()->SQL(), "UPDATE emp SET name = :name, note = :note WHERE id = :OLD_id");
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(9);
  ds.FieldByName("NAME").SetAsString("KING");
  ds.Post();
  ds.First();
  ds.Delete();  // SMITH
  EXPECT_EQ(Emp(), (Rows{"2|ALLEN2|30|memo text", "3|WARD|30|w", "4|JONES|20|NULL", "9|KING|NULL|NULL"}));
  EXPECT_EQ(ds.RecordCount(), 4);
  // Without key fields the row is found by every column, NULLs included.
  ds.SetKeyFields("");
  ds.Last();
  ds.Edit();
  ds.FieldByName("DEPT").SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(ds.UpdateQuery()->SQL(),
            "UPDATE emp SET dept = :dept WHERE id = :OLD_id AND name = :OLD_name AND dept IS NULL");
  EXPECT_EQ(session.Rows("SELECT dept FROM emp WHERE id = 9"), Rows{"10"});
  // Nothing changed: nothing is written.
  ds.Edit();
  ds.FieldByName("DEPT").SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(ds.UpdateQuery()->SQL(), "UPDATE emp SET dept = :dept WHERE id = :OLD_id AND name = :OLD_name AND dept IS NULL");
}

TEST_F(DADataSetTest, GivenUpdateSQLWritesWithOldValuesAndFieldNumbers) {
  TCustomDAUpdateSQL update;
  update.ModifySQL = "UPDATE emp SET id = :ID, name = :NAME WHERE id = :OLD_ID";
  update.InsertSQL = "INSERT INTO emp (id, name, dept) VALUES (:1, :2, :OLD_DEPT)";
  update.DeleteSQL = "DELETE FROM emp WHERE id = :OLD_ID";
  update.RefreshSQL = "SELECT name, dept FROM emp WHERE id = :ID";
  update.SetDataSet(&ds);
  EXPECT_EQ(ds.UpdateObject(), &update);
  ds.SetRefreshOptions(RefreshBit(roAfterInsert) | RefreshBit(roAfterUpdate));
  ds.SetSQL("SELECT id, name, dept FROM emp ORDER BY id");
  ds.Open();
  ds.Edit();
  ds.FieldByName("ID").SetAsInteger(11);
  ds.FieldByName("NAME").SetAsString("SMYTHE");
  ds.Post();
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(12);
  ds.FieldByName("NAME").SetAsString("NEW");
  ds.FieldByName("DEPT").SetAsInteger(10);  // inserted: OLD_DEPT binds the current value
  ds.Post();
  ds.Locate("ID", {Variant(3)}, 0);
  ds.Delete();
  EXPECT_EQ(Emp(), (Rows{"2|ALLEN|30|NULL", "4|JONES|20|NULL", "11|SMYTHE|20|first", "12|NEW|10|NULL"}));
  // A refresh reads what another writer changed.
  session.Sql("UPDATE emp SET name = 'OTHER' WHERE id = 12");
  ds.Locate("ID", {Variant(12)}, 0);
  EXPECT_TRUE(ds.PerformRefresh());
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "OTHER");
}

TEST_F(DADataSetTest, StrictUpdateAndParameterErrors) {
  TCustomDAUpdateSQL update;
  update.ModifySQL = "UPDATE emp SET name = :NAME WHERE dept = :OLD_DEPT";
  update.DeleteSQL = "DELETE FROM emp WHERE id = :NOSUCH";
  update.SetDataSet(&ds);
  ds.SetSQL("SELECT id, name, dept FROM emp ORDER BY id");
  ds.Open();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("TWO");
  try {
    ds.Post();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Update failed. Found 2 records.");
  }
  EXPECT_EQ(ds.State(), dsEdit);  // the record keeps its pending state
  ds.Cancel();
  try {
    ds.Delete();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Not found field corresponding parameter NOSUCH.");
  }
  EXPECT_EQ(ds.RecordCount(), 4);
  // Off: 0 rows are no error, and RowsAffected says so.
  ds.Options().StrictUpdate = false;
  update.ModifySQL = "UPDATE emp SET name = :NAME WHERE id = -1";
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("GONE");
  ds.Post();
  EXPECT_EQ(ds.RowsAffected(), 0);
  // A handler may supply what no field does.
  update.DeleteSQL = "DELETE FROM emp WHERE id = :NOSUCH";
  ds.BeforeUpdateExecute = [](TCustomDADataSet&, TStatementTypes types, TParams& params) {
    EXPECT_EQ(StatementTypesText(types), "Delete");
    params.ParamByName("NOSUCH").SetAsInteger(4);
  };
  ds.Delete();
  EXPECT_EQ(session.Rows("SELECT COUNT(*) FROM emp WHERE id = 4"), Rows{"0"});
}

TEST_F(DADataSetTest, RefreshFindingOtherThanOneRowFails) {
  ds.SetSQL("SELECT id, name, dept FROM emp ORDER BY id");
  TCustomDAUpdateSQL update;
  update.RefreshSQL = "SELECT name FROM emp WHERE dept = :DEPT";
  update.SetDataSet(&ds);
  ds.Open();
  try {
    ds.PerformRefresh();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Refresh failed. Found 2 records.");
  }
}

TEST_F(DADataSetTest, FilterTextsBecomeReadableToTheFilter) {
  ds.SetSQL("SELECT id, name, note FROM emp ORDER BY id");
  ds.Open();
  ds.SetFilter("note IS NOT NULL AND(id > 1)");
  EXPECT_EQ(ds.Filter(), "note <> NULL AND (id > 1)");
}

}  // namespace
}  // namespace da
