// Filter expressions over a ten-row store: a table of filter texts and the rows they keep,
// cross-checked against SQLite's WHERE (and its GLOB for masks) for the cases without NULLs;
// the NULL rules, options, operand forms and a table of texts that must be refused.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "dataaccess/FilterExpression.h"
#include "tests/dataaccess/EmpStore.h"

namespace da {
namespace {

using testing::EmpRows;
using testing::EmpStore;

// The same rows in SQLite: HIRED as its day number, so that dates compare as the store's do.
class EmpSqlite {
 public:
  EmpSqlite() {
    sqlite3_open(":memory:", &db_);
    Exec("CREATE TABLE emp(ID INTEGER, NAME TEXT, SAL REAL, HIRED REAL, DEPT INTEGER)");
    for (const auto& e : EmpRows()) {
      char sql[256];
      std::snprintf(sql, sizeof sql, "INSERT INTO emp VALUES(%d, '%s', %.17g, %.17g, %d)", e.id, e.name, e.sal,
                    EncodeDayNumber(e.year, e.month, e.day), e.dept);
      Exec(sql);
    }
  }
  ~EmpSqlite() { sqlite3_close(db_); }

  std::vector<int> Ids(const std::string& where) {
    std::vector<int> ids;
    sqlite3_stmt* st = nullptr;
    std::string sql = "SELECT ID FROM emp WHERE " + where + " ORDER BY rowid";
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    while (st && sqlite3_step(st) == SQLITE_ROW) ids.push_back(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    return ids;
  }

  bool Glob(const std::string& text, const std::string& mask) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, "SELECT ?1 GLOB ?2", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, text.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, mask.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    bool r = sqlite3_column_int(st, 0) != 0;
    sqlite3_finalize(st);
    return r;
  }

 private:
  void Exec(const std::string& sql) { ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK); }
  sqlite3* db_ = nullptr;
};

struct FilterCase {
  const char* filter;
  std::vector<int> ids;
  const char* where;  // the same condition in SQL, or nullptr when SQL has no NULL-free twin
};

const std::vector<FilterCase>& Cases() {
  static const std::vector<FilterCase> cases{
      {"ID = 1", {1}, "ID = 1"},
      {"SAL > 2000", {4, 6, 7, 8, 9}, "SAL > 2000"},
      {"SAL >= 3000", {8, 9}, "SAL >= 3000"},
      {"SAL < 1250", {1, 10}, "SAL < 1250"},
      {"SAL <= 1250", {1, 3, 5, 10}, "SAL <= 1250"},
      {"SAL <> 1250", {1, 2, 4, 6, 7, 8, 9, 10}, "SAL <> 1250"},
      {"1250 = SAL", {3, 5}, "1250 = SAL"},
      {"DEPT = 10 OR DEPT = 20 AND SAL > 2900", {4, 7, 8, 9}, "DEPT = 10 OR DEPT = 20 AND SAL > 2900"},
      {"(DEPT = 10 OR DEPT = 20) AND SAL > 2900", {4, 8, 9}, "(DEPT = 10 OR DEPT = 20) AND SAL > 2900"},
      {"NOT DEPT = 30", {1, 4, 7, 8, 9, 10}, "NOT DEPT = 30"},
      {"not (dept = 30 or dept = 20)", {7, 9}, "NOT (DEPT = 30 OR DEPT = 20)"},
      {"ID >= 3 AND ID <= 5", {3, 4, 5}, "ID >= 3 AND ID <= 5"},
      {"SAL > -1", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "SAL > -1"},
      {"SAL > +2999.5", {8, 9}, "SAL > 2999.5"},
      {"NAME = 'SMITH'", {1}, "NAME = 'SMITH'"},
      {"NAME = \"SMITH\"", {1}, "NAME = 'SMITH'"},
      {"NAME > 'M'", {1, 3, 5, 8}, "NAME > 'M'"},
      {"NAME = 'A*'", {2, 10}, "NAME GLOB 'A*'"},
      {"NAME LIKE '*A*'", {2, 3, 5, 6, 7, 10}, "NAME GLOB '*A*'"},
      {"NAME = 'WAR_'", {3}, "NAME GLOB 'WAR?'"},
      {"NAME = '*N'", {2, 5}, "NAME GLOB '*N'"},
      {"NAME = 'S*T*'", {1, 8}, "NAME GLOB 'S*T*'"},
      {"NAME <> 'S*'", {2, 3, 4, 5, 6, 7, 9, 10}, "NOT NAME GLOB 'S*'"},
      {"HIRED > '2004.11.20'", {8, 10}, "HIRED > 38311"},
      {"TRUE", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "1"},
      {"FALSE", {}, "0"},
      {"NOT FALSE AND ID < 3", {1, 2}, "ID < 3"},
      {"[FIRST NAME] = 'Bob'", {4}, nullptr},
      {"COMM > 0", {2, 3, 5}, nullptr},
      {"COMM < 100000", {2, 3, 5}, nullptr},
      {"COMM = NULL", {1, 4, 6, 7, 8, 9, 10}, nullptr},
      {"COMM <> NULL", {2, 3, 5}, nullptr},
      {"NOT COMM > 0", {1, 4, 6, 7, 8, 9, 10}, nullptr},
      {"'ADAMS' = NAME", {10}, nullptr},
      {"'A*' = NAME", {}, nullptr},
      {"  ", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, nullptr},
  };
  return cases;
}

// Over every kind of store.
class FilterExpression : public ::testing::TestWithParam<testing::StoreKind> {};
INSTANTIATE_TEST_SUITE_P(Stores, FilterExpression, testing::kAllStores, testing::StoreName);

TEST_P(FilterExpression, KeepsTheRowsOfEachFilterAndAgreesWithSqlite) {
  EmpStore emp(GetParam());
  EmpSqlite sql;
  for (const auto& c : Cases()) {
    emp.data.SetFilterText(c.filter);
    EXPECT_EQ(emp.VisibleIds(), c.ids) << c.filter;
    EXPECT_EQ(emp.data.GetRecordCount(), static_cast<int>(c.ids.size())) << c.filter;
    if (c.where) {
      EXPECT_EQ(sql.Ids(c.where), c.ids) << c.where;
    }
  }
}

TEST_P(FilterExpression, RefusesIllegalTexts) {
  EmpStore emp(GetParam());
  const char* illegal[] = {"ID =",           "ID",          "ID = 1 AND", "(ID = 1",   "ID = 1)",     "ID ! 1",
                           "ID = - X",       "ID = 1 2",    "AND",        "NAME = 'A' OR", "= 1",      "ID = 1 NOT",
                           "ID = ()",        "[NAME = 'X'", "ID == 1",    "ID = 1 ; ID = 2"};
  for (const char* text : illegal) {
    try {
      emp.data.SetFilterText(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const EAssertionFailed&) {
      ADD_FAILURE() << "assertion for: " << text;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Illegal filter expression.") << text;
    }
  }
  try {
    emp.data.SetFilterText("NOPE = 1");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Field NOPE not found.");
  }
}

TEST_P(FilterExpression, OptionsChangeCaseAndMaskHandling) {
  EmpStore emp(GetParam());
  emp.data.SetFilterText("NAME = 'smith'");
  EXPECT_EQ(emp.VisibleIds(), std::vector<int>{});
  emp.data.FilterCaseInsensitive = true;
  emp.data.FilterUpdated();
  EXPECT_EQ(emp.VisibleIds(), std::vector<int>{1});

  emp.data.FilterCaseInsensitive = false;
  emp.data.FilterNoPartialCompare = true;
  for (const char* text : {"NAME = 'A*'", "NAME LIKE 'A*'"}) {
    emp.data.SetFilterText(text);
    EXPECT_EQ(emp.VisibleIds(), std::vector<int>{}) << text;
  }
  emp.data.SetFilterText("NAME = 'ADAMS'");
  EXPECT_EQ(emp.VisibleIds(), std::vector<int>{10});
}

TEST_P(FilterExpression, RecordsChangedUnderAFilterAreCountedByVisibility) {
  EmpStore emp(GetParam());
  emp.data.SetFilterText("DEPT = 10");
  ASSERT_EQ(emp.data.GetRecordCount(), 2);
  std::unique_ptr<std::uint8_t[]> rec(emp.data.AllocRecBuf());
  // An inserted record the filter hides is kept but not counted.
  emp.data.InitRecord(rec.get());
  emp.data.PutFieldAsVariant(1, rec.get(), Variant(11));
  emp.data.PutFieldAsVariant(5, rec.get(), Variant(40));
  emp.data.AppendRecord(rec.get());
  EXPECT_EQ(emp.data.GetRecordCount(), 2);
  EXPECT_EQ(emp.data.GetRecNo(), 0);
  // Moving CLARK out of the filter drops the count; KING is then record 1.
  emp.data.SetToBegin();
  emp.data.GetNextRecord(rec.get());
  emp.data.PutFieldAsVariant(5, rec.get(), Variant(40));
  emp.data.UpdateRecord(rec.get());
  EXPECT_EQ(emp.data.GetRecordCount(), 1);
  EXPECT_EQ(emp.VisibleIds(), std::vector<int>{9});
  emp.data.SetFilterText("");
  EXPECT_EQ(emp.data.GetRecordCount(), 11);
}

struct MaskCase {
  const char* text;
  const char* mask;
  bool matches;
};

TEST(MatchesMask, BacktracksAndAgreesWithGlob) {
  const MaskCase cases[] = {
      {"abab", "*ab", true},        {"abc", "a_c", true},         {"abc", "a*", true},
      {"", "*", true},              {"", "", true},               {"a", "", false},
      {"", "_", false},             {"abc", "*b", false},         {"abcbc", "a*bc", true},
      {"ab", "ab*", true},          {"ab", "ab**", true},         {"abc", "ab", false},
      {"aXbXc", "*X*X*", true},     {"mississippi", "m*iss*ppi", true}, {"mississippi", "m*iss*x", false},
      {"ABC", "abc", false},        {"aaa", "a*a*a*a", false},    {"h\xC3\xA9llo", "h__llo", true},
  };
  EmpSqlite sql;
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesMask(c.text, c.mask), c.matches) << c.text << " ~ " << c.mask;
    std::string glob = c.mask;
    for (char& ch : glob)
      if (ch == '_') ch = '?';
    // GLOB's "?" is one character, our "_" one byte: compare only ASCII texts.
    bool ascii = true;
    for (const char* p = c.text; *p; ++p) ascii &= static_cast<unsigned char>(*p) < 0x80;
    if (ascii) {
      EXPECT_EQ(sql.Glob(c.text, glob), c.matches) << c.text << " GLOB " << glob;
    }
  }
}

TEST(VarCompare, NumbersTextsAndNulls) {
  EXPECT_TRUE(VarEquals(Variant(1), Variant(1.0)));
  EXPECT_TRUE(VarEquals(Variant::Null(), Variant::Null()));
  EXPECT_FALSE(VarEquals(Variant::Null(), Variant(0)));
  EXPECT_LT(VarCompare(Variant("abc"), Variant("abd")), 0);
  EXPECT_GT(VarCompare(Variant("10"), Variant(9)), 0);  // text against a number compares as a number
  EXPECT_EQ(VarCompare(Variant(static_cast<std::int64_t>(4000000000LL)), Variant::LongWord(4000000000u)), 0);
  EXPECT_THROW(VarCompare(Variant("x"), Variant(1)), EConvertError);
}

}  // namespace
}  // namespace da
