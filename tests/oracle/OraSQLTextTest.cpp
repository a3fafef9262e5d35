// The Oracle dataset's SQL text builders: each case is a text as a program writes it and the
// text the builder must give, worked out by hand from the clause rules.
#include <gtest/gtest.h>

#include "dataaccess/DAErrors.h"
#include "oracle/components/OraSQLText.h"

namespace ora {
namespace {

using TBuilder = std::string (*)(const std::string& sql, const std::string& argument);

struct RewriteCase {
  TBuilder build;
  const char* name;
  const char* sql;
  const char* argument;
  const char* expected;
};

void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.name; }

class RewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTest, GivesTheExpectedText) {
  EXPECT_EQ(GetParam().build(GetParam().sql, GetParam().argument), GetParam().expected);
}

constexpr TBuilder kAdd = &AddWhere, kSet = &SetWhere, kOrder = &SetOrderBy;

INSTANTIATE_TEST_SUITE_P(
    Cases, RewriteTest,
    ::testing::Values(
        RewriteCase{kAdd, "NoWhere", "SELECT * FROM emp", "deptno = 10", "SELECT * FROM emp\rWHERE deptno = 10 "},
        RewriteCase{kAdd, "TrailingBlanksTrimmed", "SELECT * FROM emp  \n", " deptno = 10 ",
                    "SELECT * FROM emp\rWHERE deptno = 10 "},
        RewriteCase{kAdd, "BeforeOrderBy", "SELECT * FROM emp ORDER BY ename", "deptno = 10",
                    "SELECT * FROM emp \rWHERE deptno = 10 ORDER BY ename"},
        RewriteCase{kAdd, "AndBeforeOrderBy", "SELECT * FROM emp WHERE sal > 0 ORDER BY ename", "deptno = 10",
                    "SELECT * FROM emp WHERE sal > 0  AND deptno = 10 ORDER BY ename"},
        RewriteCase{kAdd, "WhereInSubqueryIsNotTheStatements",
                    "SELECT * FROM (SELECT * FROM emp WHERE sal > 0) e ORDER BY 1", "deptno = 10",
                    "SELECT * FROM (SELECT * FROM emp WHERE sal > 0) e \rWHERE deptno = 10 ORDER BY 1"},
        RewriteCase{kAdd, "OrderInSubqueryDoesNotStop", "SELECT * FROM (SELECT * FROM emp ORDER BY 1) e", "x = 1",
                    "SELECT * FROM (SELECT * FROM emp ORDER BY 1) e\rWHERE x = 1 "},
        RewriteCase{kAdd, "LineCommentAtTheEnd", "SELECT * FROM emp WHERE sal > 0 -- all paid", "deptno = 10",
                    "SELECT * FROM emp WHERE sal > 0 -- all paid\rAND deptno = 10 "},
        RewriteCase{kAdd, "KeywordInQuotedText", "SELECT * FROM emp WHERE job = 'GROUP ORDER'", "deptno = 10",
                    "SELECT * FROM emp WHERE job = 'GROUP ORDER' AND deptno = 10 "},
        RewriteCase{kAdd, "BeforeUnion", "SELECT a FROM t UNION SELECT a FROM u", "a > 1",
                    "SELECT a FROM t \rWHERE a > 1 UNION SELECT a FROM u"},
        RewriteCase{kAdd, "BeforeGroupBy", "select deptno, count(*) from emp group by deptno", "sal > 0",
                    "select deptno, count(*) from emp \rWHERE sal > 0 group by deptno"},
        RewriteCase{kAdd, "AddBeforeForUpdate", "SELECT * FROM emp WHERE empno = 1 FOR UPDATE", "sal > 0",
                    "SELECT * FROM emp WHERE empno = 1  AND sal > 0 FOR UPDATE"},
        RewriteCase{kAdd, "AddNotASelect", "DELETE FROM emp", "deptno = 10", "DELETE FROM emp"},
        RewriteCase{kAdd, "SelectOnlyInAComment", "/* SELECT */ DELETE FROM emp", "deptno = 10",
                    "/* SELECT */ DELETE FROM emp"},
        RewriteCase{kAdd, "EmptyCondition", "SELECT * FROM emp", "  ", "SELECT * FROM emp"},
        RewriteCase{kSet, "ReplacesTheCondition", "SELECT * FROM emp WHERE sal > 0 ORDER BY ename", "deptno = 10",
                    "SELECT * FROM emp WHERE deptno = 10 ORDER BY ename"},
        RewriteCase{kSet, "ReplacesAtTheEnd", "SELECT * FROM emp WHERE sal > 0", "deptno = 10",
                    "SELECT * FROM emp WHERE deptno = 10"},
        RewriteCase{kSet, "AddsWhenMissing", "SELECT * FROM emp ORDER BY ename", "deptno = 10",
                    "SELECT * FROM emp WHERE deptno = 10 ORDER BY ename"},
        RewriteCase{kSet, "DeletesTheClause", "SELECT * FROM emp WHERE sal > 0 ORDER BY ename", "",
                    "SELECT * FROM emp  ORDER BY ename"},
        RewriteCase{kSet, "KeepsASubquerysWhere", "SELECT * FROM (SELECT * FROM emp WHERE sal > 0) e", "",
                    "SELECT * FROM (SELECT * FROM emp WHERE sal > 0) e"},
        // The clause goes before the comment, where the comment cannot take it in.
        RewriteCase{kSet, "BeforeALineComment", "SELECT * FROM emp -- everyone\n", "deptno = 10",
                    "SELECT * FROM emp WHERE deptno = 10 -- everyone\n"},
        RewriteCase{kSet, "NewLineInAMultiLineText", "SELECT *\nFROM emp", "deptno = 10",
                    "SELECT *\nFROM emp\r  WHERE deptno = 10"},
        RewriteCase{kSet, "SetNotASelect", "UPDATE emp SET sal = 0 WHERE empno = 1", "", "UPDATE emp SET sal = 0 WHERE empno = 1"},
        RewriteCase{kOrder, "AddsWithSemicolonsAsCommas", "SELECT * FROM emp WHERE sal > 0", "ename;sal",
                    "SELECT * FROM emp WHERE sal > 0 ORDER BY ename,sal"},
        RewriteCase{kOrder, "Replaces", "SELECT * FROM emp ORDER BY ename", "sal DESC", "SELECT * FROM emp ORDER BY sal DESC"},
        RewriteCase{kOrder, "RemovesForTheCount", "SELECT * FROM emp WHERE sal > 0 ORDER BY ename", "",
                    "SELECT * FROM emp WHERE sal > 0 "},
        RewriteCase{kOrder, "OrderBeforeForUpdate", "SELECT * FROM emp ORDER BY ename FOR UPDATE", "sal",
                    "SELECT * FROM emp ORDER BY sal FOR UPDATE"},
        RewriteCase{kOrder, "SubqueryOrderStays", "SELECT * FROM (SELECT * FROM emp ORDER BY ename) e", "sal",
                    "SELECT * FROM (SELECT * FROM emp ORDER BY ename) e ORDER BY sal"},
        RewriteCase{kOrder, "OrderWithoutByIsNoClause", "SELECT order FROM t", "a", "SELECT order FROM t ORDER BY a"}));

TEST(GetOrderBy, ReadsTheStatementsList) {
  EXPECT_EQ(GetOrderBy("SELECT * FROM emp ORDER BY ename, sal"), "ename, sal");
  EXPECT_EQ(GetOrderBy("SELECT * FROM (SELECT * FROM emp ORDER BY ename) e"), "");
  EXPECT_EQ(GetOrderBy("SELECT * FROM emp"), "");
  EXPECT_EQ(GetOrderBy("DELETE FROM emp"), "");
}

TEST(GetTablesInfo, ReadsNamesAliasesLinksAndSkipsInlineViews) {
  const auto tables = GetTablesInfo(
      "SELECT e.*, d.dname FROM scott.emp e, dept@remote d, (SELECT 1 FROM dual) v, bonus -- c\n WHERE e.x = 1");
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0].Name, "scott.emp");
  EXPECT_EQ(tables[0].Alias, "e");
  EXPECT_EQ(tables[1].Name, "dept@remote");
  EXPECT_EQ(tables[1].Alias, "d");
  EXPECT_EQ(tables[2].Name, "bonus");
  EXPECT_EQ(tables[2].Alias, "");
  EXPECT_TRUE(GetTablesInfo("SELECT sysdate").empty());
  // The FROM of a subquery in the select list is not the statement's.
  const auto outer = GetTablesInfo("SELECT (SELECT max(a) FROM t) m FROM u");
  ASSERT_EQ(outer.size(), 1u);
  EXPECT_EQ(outer[0].Name, "u");
}

TEST(GetTablesInfo, MoreThanFiftyTablesFailAnAssertion) {
  std::string sql = "SELECT * FROM t0";
  for (int i = 1; i <= kMaxTables; ++i) sql += ", t" + std::to_string(i);
  EXPECT_THROW(GetTablesInfo(sql), da::EAssertionFailed);
}

}  // namespace
}  // namespace ora
