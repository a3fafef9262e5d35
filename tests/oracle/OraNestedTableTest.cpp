// The nested-table dataset over a query's collection field on the stand-in: the parent's current
// row's elements as records, read anew when the parent moves.
#include <gtest/gtest.h>

#include "dataaccess/DAErrors.h"
#include "oracle/OraDataSet.h"
#include "oracle/OraNestedTable.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

class OraNestedTableTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    fake_.set("type:LINES_T", "TABLE OF VARCHAR2(40)");
    ASSERT_EQ(fake_.exec("CREATE TABLE people(id NUMBER(9), phones LINES_T);"
                         "INSERT INTO people VALUES (1, '[\"555-1\", \"555-2\"]');"
                         "INSERT INTO people VALUES (2, '[\"777-1\"]');"),
              0);
  }
};

std::vector<std::string> Elements(TOraNestedTable& table) {
  std::vector<std::string> out;
  for (table.First(); !table.Eof(); table.Next()) out.push_back(table.Fields(0).AsVariant().AsString());
  return out;
}

TEST_F(OraNestedTableTest, ShowsTheElementsOfTheParentsCurrentRow) {
  TOraQuery people;
  people.SetSession(session_.get());
  people.SetSQL("select id, phones from people order by id");
  people.Open();
  auto* field = dynamic_cast<da::TDataSetField*>(&people.FieldByName("PHONES"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->Text(), "(DATASET)");
  TOraNestedTable phones;
  phones.SetDataSetField(field);
  phones.Open();
  EXPECT_EQ(Elements(phones), (std::vector<std::string>{"555-1", "555-2"}));
  people.Next();
  EXPECT_EQ(Elements(phones), (std::vector<std::string>{"777-1"}));
}

TEST_F(OraNestedTableTest, WithoutAFieldOrTableItDoesNotOpen) {
  TOraNestedTable alone;
  try {
    alone.Open();
    FAIL() << "no error";
  } catch (const da::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Missing DataSetField property");
  }
}

}  // namespace
}  // namespace ora
