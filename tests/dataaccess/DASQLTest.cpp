// The SQL statement component and its "&" macros: scanning and expansion around strings,
// comments and blanks, parameters found in the text and bound by name, real statements on SQLite.
#include <gtest/gtest.h>

#include "dataaccess/DASQL.h"
#include "tests/dataaccess/SqliteSession.h"

namespace da {
namespace {

using testing::SqliteSession;

std::vector<std::string> Names(const TMacros& macros) {
  std::vector<std::string> names;
  for (int i = 0; i < macros.Count(); ++i) names.push_back(macros.Items(i).Name());
  return names;
}

TEST(DAMacros, ScanFindsMacrosOutsideStringsAndComments) {
  struct Case {
    const char* sql;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"select * from t", {}},
      {"select &cols from &tab where x = '&no' /* &nor */ and &cols > 0", {"cols", "tab"}},
      {"select &A, &a from t", {"A"}},
      {"select * from t // &x\n order by &ord", {"ord"}},
      {"select & x", {}},
      {"select &1 from t", {}},
      {"select &+ from t", {"+"}},
  };
  for (const Case& c : cases) {
    TMacros macros;
    macros.Scan(c.sql);
    EXPECT_EQ(Names(macros), c.names) << c.sql;
  }
}

TEST(DAMacros, RescanKeepsValuesAndATextWithoutMacrosClearsThem) {
  TMacros macros;
  macros.Scan("select &a, &b from t");
  macros.MacroByName("A").SetValue("1");
  macros.MacroByName("b").SetActive(false);
  macros.Scan("select &b, &c, &a from t");
  EXPECT_EQ(Names(macros), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(macros.FindMacro("a")->Value(), "1");
  EXPECT_FALSE(macros.FindMacro("B")->Active());
  macros.Scan("select 1");
  EXPECT_EQ(macros.Count(), 0);
  try {
    macros.MacroByName("a");
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Macro a not found.");
  }
}

TEST(DAMacros, ExpandReplacesNamesAndKeepsEverythingElse) {
  TMacros macros;
  macros.Scan("&cols &tab &off");
  macros.MacroByName("cols").SetValue("id, name");
  macros.MacroByName("tab").SetValue("emp");
  macros.MacroByName("off").SetActive(false);
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"select &cols from &tab", "select id, name from emp"},
      {"select &cols\tfrom  &tab  where 1=1 &off", "select id, name\tfrom  emp  where 1=1 "},
      {"select '&cols' /* &tab */ from &TAB", "select '&cols' /* &tab */ from emp"},
      {"select &nomacro, &2 from t", "select nomacro, 2 from t"},
      {"select \"&cols\" from t // &tab", "select \"&cols\" from t // &tab"},
  };
  for (const Case& c : cases) {
    std::string sql = c.in;
    macros.Expand(sql);
    EXPECT_EQ(sql, c.out) << c.in;
  }
}

TEST(DAMacros, LegacyDataSetsValuesAndRejectsTruncatedInput) {
  TMacros macros("Query1");
  macros.Scan("&a &b");
  const std::vector<std::uint8_t> data = {'d', 0, 1, 'a', 2, 0, 'x', 'y', 0, 1, 'b', 1, 0, 'z', 1};
  macros.ReadData(data);
  EXPECT_EQ(macros.Items(0).Value(), "xy");
  EXPECT_FALSE(macros.Items(0).Active());
  EXPECT_EQ(macros.Items(1).Value(), "z");
  const std::vector<std::uint8_t> cut = {'d', 0, 1, 'a', 200, 0, 'x'};
  EXPECT_THROW(macros.ReadData(cut), EDatabaseError);
  const std::vector<std::uint8_t> unknown = {'c', 1, 'q', 0, 0};
  try {
    macros.ReadData(unknown);
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Query1: Macro q not found.");
  }
}

class DASQLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Connect();
    session.Sql("CREATE TABLE emp(id INTEGER, name TEXT, dept INTEGER)");
    session.Sql("INSERT INTO emp VALUES (1, 'SMITH', 20), (2, 'ALLEN', 30), (3, 'WARD', 30)");
    sql.SetConnection(&session);
  }
  SqliteSession session;
  TCustomDASQL sql;
};

TEST_F(DASQLTest, MacrosExpandIntoTheStatementThatRuns) {
  sql.SetSQL("update &tab set name = :NAME where &cond");
  ASSERT_EQ(sql.Macros().Count(), 2);
  sql.MacroByName("tab").SetValue("emp");
  sql.MacroByName("cond").SetValue("dept = :DEPT");
  // A macro that brings a parameter: the text is parsed again.
  ASSERT_NE(sql.FindParam("DEPT"), nullptr);
  sql.ParamByName("NAME").SetAsString("X");
  sql.ParamByName("DEPT").SetAsInteger(30);
  sql.Execute();
  EXPECT_EQ(sql.RowsAffected(), 2);
  EXPECT_EQ(session.Rows("SELECT name FROM emp ORDER BY id"), (std::vector<std::string>{"SMITH", "X", "X"}));
  EXPECT_EQ(sql.FinalSQL(), "update emp set name = ? where dept = ?");
}

TEST_F(DASQLTest, ANameWrittenTwiceTakesItsValueInBothPlaces) {
  sql.SetSQL("update emp set name = 'Y' where id = :ID or dept = :ID * 10");
  ASSERT_EQ(sql.ParamCount(), 2);
  sql.ParamByName("ID").SetAsInteger(2);
  sql.Execute();
  EXPECT_EQ(session.Rows("SELECT id FROM emp WHERE name = 'Y' ORDER BY id"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(DASQLTest, ParamCheckOffLeavesTextAndParametersAlone) {
  sql.SetSQL("select :A");
  ASSERT_EQ(sql.ParamCount(), 1);
  sql.SetParamCheck(false);
  sql.SetSQL("update emp set name = ':X' where id = 1");
  EXPECT_EQ(sql.ParamCount(), 1);
  EXPECT_EQ(sql.FinalSQL(), "update emp set name = ':X' where id = 1");
  sql.Params().Clear();
  sql.Execute();
  EXPECT_EQ(session.Rows("SELECT name FROM emp WHERE id = 1"), std::vector<std::string>{":X"});
}

TEST_F(DASQLTest, ErrorsComeFromTheServerAndWithoutConnection) {
  sql.SetSQL("insert into nowhere values (1)");
  EXPECT_THROW(sql.Execute(), EDAError);
  TCustomDASQL loose;
  loose.SetSQL("select 1");
  try {
    loose.Execute();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Connection is not defined.");
  }
  // A statement whose connection went down connects again when it runs.
  session.Disconnect();
  sql.SetSQL("delete from emp where id = :ID");
  sql.ParamByName("ID").SetAsInteger(3);
  sql.Execute();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(sql.RowsAffected(), 1);
}

}  // namespace
}  // namespace da
