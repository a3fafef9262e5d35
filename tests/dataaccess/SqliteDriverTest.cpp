// The SQLite-backed driver: statements with parameters, a dataset over a live query fetched in
// blocks, NULLs, and errors passed through as EDAError.
#include <gtest/gtest.h>

#include <memory>

#include "dataaccess/MemDS.h"
#include "tests/dataaccess/SqliteDriver.h"

namespace da {
namespace {

class SqliteDataSet : public TMemDataSet {
 public:
  explicit SqliteDataSet(TVtConnection& connection) {
    auto rs = connection.CreateRecordSet();
    recordSet = static_cast<testing::SqliteRecordSet*>(rs.get());
    SetIRecordSet(std::unique_ptr<TMemData>(rs.release()));
  }
  testing::SqliteRecordSet* recordSet;
};

class SqliteDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connection.Connect("");
    connection.Exec("CREATE TABLE emp(id INTEGER, name TEXT, sal REAL)");
    auto insert = connection.CreateCommand();
    insert->SetSQL("INSERT INTO emp VALUES(?, ?, ?)");
    for (TParamDesc* p : {insert->AddParam(), insert->AddParam(), insert->AddParam()}) p->SetParamType(ptInput);
    connection.StartTransaction();
    for (int i = 1; i <= 60; ++i) {
      insert->GetParam(0)->SetValue(Variant(i));
      insert->GetParam(1)->SetValue(Variant("E" + std::to_string(i)));
      if (i % 10 == 0) {
        insert->GetParam(2)->SetNull(true);
      } else {
        insert->GetParam(2)->SetValue(Variant(i * 1.5));
      }
      insert->Execute();
    }
    connection.Commit();
  }
  testing::SqliteConnection connection;
};

TEST_F(SqliteDriverTest, DataSetOverAQueryFetchesInBlocks) {
  SqliteDataSet ds(connection);
  ds.recordSet->SetSQL("SELECT id, name, sal FROM emp WHERE id > 0 ORDER BY id");
  ds.recordSet->SetProp(prFetchRows, Variant(25));
  ds.Open();
  ASSERT_EQ(ds.FieldCount(), 3);
  EXPECT_EQ(ds.Fields(0).DataType(), ftInteger);
  EXPECT_EQ(ds.Fields(1).DataType(), ftString);
  EXPECT_EQ(ds.Fields(2).DataType(), ftFloat);
  int rows = 0, nulls = 0;
  for (; !ds.Eof(); ds.Next()) {
    ++rows;
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "E" + std::to_string(rows));
    if (ds.FieldByName("SAL").IsNull()) ++nulls;
  }
  EXPECT_EQ(rows, 60);
  EXPECT_EQ(nulls, 6);
  EXPECT_EQ(ds.recordSet->FetchCount, 4);
  EXPECT_TRUE(ds.Locate("ID", {Variant(42)}, 0));
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "E42");
  ds.Close();
  ds.Open();  // runs the statement again
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
}

TEST_F(SqliteDriverTest, EmptyResultAndErrors) {
  SqliteDataSet ds(connection);
  ds.recordSet->SetSQL("SELECT id FROM emp WHERE id < 0");
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  ds.Close();
  SqliteDataSet bad(connection);
  bad.recordSet->SetSQL("SELECT nothing FROM nowhere");
  EXPECT_THROW(bad.Open(), EDAError);
  EXPECT_FALSE(bad.Active());
  auto command = connection.CreateCommand();
  command->SetSQL("DELETE FROM emp WHERE id > 10");
  command->Execute();
  SqliteDataSet count(connection);
  count.recordSet->SetSQL("SELECT COUNT(*) AS n FROM emp");
  count.Open();
  EXPECT_EQ(count.Fields(0).AsString(), "10");
}

}  // namespace
}  // namespace da
