// Locate by key values over the ten-row store: exact, partial and case-insensitive keys, text keys
// on numeric fields, NULL keys, nearest match, searching on from the current record and
// backwards, restoring the position, and the errors.
#include <gtest/gtest.h>

#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordLocator.h"
#include "tests/dataaccess/EmpStore.h"

namespace da {
namespace {

using testing::EmpStore;

struct LocateCase {
  const char* fields;
  std::vector<Variant> keys;
  TLocateExOptions options;
  int found;  // ID of the record found, or -1
};

// Over every kind of store.
class RecordLocator : public ::testing::TestWithParam<testing::StoreKind> {};
INSTANTIATE_TEST_SUITE_P(Stores, RecordLocator, testing::kAllStores, testing::StoreName);

TEST_P(RecordLocator, FindsTheFirstMatchingRecord) {
  const LocateCase cases[] = {
      {"ID", {Variant(4)}, 0, 4},
      {"ID", {Variant(11)}, 0, -1},
      {"NAME", {Variant("SMITH")}, 0, 1},
      {"NAME", {Variant("SM")}, 0, -1},
      {"NAME", {Variant("SM")}, lxPartialKey, 1},
      {"NAME", {Variant("smith")}, 0, -1},
      {"NAME", {Variant("smith")}, lxCaseInsensitive, 1},
      {"name", {Variant("sc")}, lxCaseInsensitive | lxPartialKey, 8},
      {"NAME", {Variant("SMITHS")}, lxPartialKey, -1},
      {"SAL", {Variant("1250")}, 0, 3},  // a text key compares the field's text
      {"SAL", {Variant(1250.0)}, 0, 3},
      {"SAL", {Variant(2900.0)}, lxNearest, 4},  // the first record at or above the key
      {"ID", {Variant("7")}, 0, 7},
      {"HIRED", {Variant::Date(EncodeDayNumber(1981, 6, 9))}, 0, 7},
      {"HIRED", {Variant("1981.6.9")}, 0, 7},
      {"DEPT;SAL", {Variant(30), Variant(1250.0)}, 0, 3},
      {"DEPT; SAL", {Variant(20), Variant(3000.0)}, 0, 8},
      {"COMM", {Variant::Null()}, 0, 1},
      {"COMM", {Variant(500.0)}, 0, 3},
      // One key value for two fields: the second is looked for as NULL.
      {"NAME;COMM", {Variant("SMITH")}, 0, 1},
      {"NAME;COMM", {Variant("ALLEN")}, 0, -1},
      {"[FIRST NAME]", {Variant("Bob")}, 0, -1},
      {"FIRST NAME", {Variant("Bob")}, 0, 4},
  };
  for (const auto& c : cases) {
    EmpStore emp(GetParam());
    emp.data.SetRecNo(6);
    TRecordLocator locator(emp.data);
    bool found = false;
    try {
      found = locator.LocateEx(c.fields, c.keys, false, c.options);
    } catch (const Exception& e) {
      EXPECT_EQ(c.found, -1) << c.fields << ": " << e.what();
      continue;
    }
    EXPECT_EQ(found, c.found != -1) << c.fields << " " << c.keys[0].AsString();
    EXPECT_EQ(emp.CurrentId(), found ? c.found : 6) << c.fields << " " << c.keys[0].AsString();
  }
}

TEST_P(RecordLocator, SearchesOnFromTheCurrentRecordOrBackwards) {
  EmpStore emp(GetParam());
  TRecordLocator locator(emp.data);
  ASSERT_TRUE(locator.LocateEx("DEPT", Variant(20), false, 0));
  EXPECT_EQ(emp.CurrentId(), 1);
  ASSERT_TRUE(locator.LocateEx("DEPT", Variant(20), false, lxNext));
  EXPECT_EQ(emp.CurrentId(), 4);
  ASSERT_TRUE(locator.LocateEx("DEPT", Variant(20), false, lxNext));
  EXPECT_EQ(emp.CurrentId(), 8);
  ASSERT_TRUE(locator.LocateEx("DEPT", Variant(30), false, lxUp));
  EXPECT_EQ(emp.CurrentId(), 6);
  EXPECT_FALSE(locator.LocateEx("DEPT", Variant(40), false, lxUp));
  EXPECT_EQ(emp.CurrentId(), 6);
}

TEST_P(RecordLocator, RestoringKeepsTheCurrentRecord) {
  EmpStore emp(GetParam());
  emp.data.SetRecNo(2);
  TRecordLocator locator(emp.data);
  EXPECT_TRUE(locator.LocateEx("NAME", Variant("KING"), true, 0));
  EXPECT_EQ(emp.CurrentId(), 2);
  EXPECT_FALSE(locator.LocateEx("NAME", Variant("NOBODY"), true, 0));
  EXPECT_EQ(emp.CurrentId(), 2);
}

TEST_P(RecordLocator, ReportsUnknownFieldsAndUnconvertibleKeys) {
  EmpStore emp(GetParam());
  TRecordLocator locator(emp.data);
  try {
    locator.LocateEx("ID;NOPE", {Variant(1), Variant(2)}, false, 0);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Field NOPE not found.");
  }
  TMemData data;
  data.AutoInitFields = false;
  data.AddField("V", dtVariant);
  data.InitFields();
  data.Open();
  TRecordLocator other(data);
  EXPECT_THROW(other.LocateEx("V", Variant(1), false, 0), EConvertError);
}

}  // namespace
}  // namespace da
