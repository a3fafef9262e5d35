// The Oracle query's field information over the stand-in: each field's origin from the select and
// FROM lists, the data dictionary asked (with the stand-in's scripted answers) only when the text
// does not tell or defaults are wanted, and the columns' defaults given to new records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/components/OraQuery.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

constexpr const char* kOwner = "owner = sys_context('USERENV', 'CURRENT_SCHEMA')";

class OraFieldInfoTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    ASSERT_EQ(fake_.exec("CREATE TABLE emp(empno NUMBER(6), ename VARCHAR2(20), sal NUMBER(8,2), deptno NUMBER(4));"
                         "INSERT INTO emp VALUES (1, 'KING', 5000, 10);"
                         "CREATE TABLE dept(deptno NUMBER(4), dname VARCHAR2(20));"
                         "INSERT INTO dept VALUES (10, 'ACCOUNTING');"
                         // What the dictionary knows of them (table_id: their place in the FROM lists below).
                         "CREATE TABLE dict(table_name TEXT, column_name TEXT, table_id INTEGER, column_id INTEGER, "
                         "data_default TEXT);"
                         "INSERT INTO dict VALUES ('EMP', 'EMPNO', 1, 1, NULL), ('EMP', 'ENAME', 1, 2, '''N/A''  '), "
                         "('EMP', 'SAL', 1, 3, '1000 '), ('EMP', 'DEPTNO', 1, 4, NULL), "
                         "('DEPT', 'DEPTNO', 2, 1, NULL), ('DEPT', 'DNAME', 2, 2, '''NEW''');"),
              0);
    // The dictionary queries, answered from the table above.
    const std::string columns = "column_name AS COLUMN_NAME";
    fake_.script("ORDER BY table_id,column_id", ("sql SELECT table_name AS TABLE_NAME, " + columns +
                                                    ", table_id AS TABLE_ID FROM dict ORDER BY table_id, column_id")
                                                       .c_str());
    fake_.script(("SELECT table_name,column_name,1 table_id,data_default,column_id FROM all_tab_columns WHERE " +
                  std::string(kOwner) + " and table_name = 'EMP'")
                     .c_str(),
                 ("sql SELECT table_name AS TABLE_NAME, " + columns +
                  ", 1 AS TABLE_ID, data_default AS DATA_DEFAULT, column_id AS COLUMN_ID FROM dict "
                  "WHERE table_name = 'EMP'")
                     .c_str());
    for (const char* table : {"EMP", "DEPT"})
      fake_.script(("SELECT column_name,data_default FROM all_tab_columns WHERE " + std::string(kOwner) +
                    " and table_name = '" + table + "'")
                       .c_str(),
                   ("sql SELECT " + columns + ", data_default AS DATA_DEFAULT FROM dict WHERE table_name = '" +
                    table + "'")
                       .c_str());
    query_.SetSession(session_.get());
  }
  void TearDown() override {
    query_.Close();
    OraComponentTest::TearDown();
  }
  // "NAME=ORIGIN" for each field, with "|DEFAULT" when it has one.
  std::vector<std::string> Info() {
    std::vector<std::string> info;
    for (int i = 0; i < query_.FieldCount(); ++i) {
      const da::TField& f = query_.Fields(i);
      info.push_back(f.FieldName() + "=" + f.Origin + (f.DefaultExpression.empty() ? "" : "|" + f.DefaultExpression));
    }
    return info;
  }
  // The dictionary statements prepared since the log was cleared.
  std::vector<std::string> DictionaryQueries() {
    std::vector<std::string> queries;
    for (const std::string& line : fake_.Lines())
      if (line.rfind("OCIStmtPrepare", 0) == 0 && line.find("all_tab_columns") != std::string::npos)
        queries.push_back(line.substr(line.find("sql=") + 4));
    return queries;
  }
  TOraQuery query_;
};

TEST_F(OraFieldInfoTest, FieldsTakeTheirOriginsAndDefaults) {
  const std::string join = " from emp e, dept d where e.deptno = d.deptno";
  const struct {
    std::string sql;
    bool defaults;
    std::vector<std::string> info;
    std::size_t dictionaryQueries;
  } cases[] = {
      // One table: the text tells; a field that matches no item still comes from the table.
      {"select empno, ename from emp", false, {"EMPNO=EMP.EMPNO", "ENAME=EMP.ENAME"}, 0},
      {"select * from emp", false, {"EMPNO=EMP.EMPNO", "ENAME=EMP.ENAME", "SAL=EMP.SAL", "DEPTNO=EMP.DEPTNO"}, 0},
      // Expressions and their aliases come from no table.
      {"select distinct ename, sal + 1 raised, 'x' as tag from emp", false, {"ENAME=EMP.ENAME", "RAISED=", "TAG="}, 0},
      // Qualified columns of two tables: still the text alone.
      {"select e.ename, d.dname name, e.sal * 2 twice" + join, false,
       {"ENAME=EMP.ENAME", "NAME=DEPT.DNAME", "TWICE="}, 0},
      // An unqualified column or a star over two tables: the dictionary tells.
      {"select ename, dname" + join, false, {"ENAME=EMP.ENAME", "DNAME=DEPT.DNAME"}, 1},
      {"select d.dname, e.*" + join, false,
       {"DNAME=DEPT.DNAME", "EMPNO=EMP.EMPNO", "ENAME=EMP.ENAME", "SAL=EMP.SAL", "DEPTNO=EMP.DEPTNO"}, 1},
      // Defaults: always from the dictionary, unquoted and without trailing blanks.
      {"select empno, ename, sal from emp", true, {"EMPNO=EMP.EMPNO", "ENAME=EMP.ENAME|N/A", "SAL=EMP.SAL|1000"}, 1},
      {"select e.ename, d.dname" + join, true, {"ENAME=EMP.ENAME|N/A", "DNAME=DEPT.DNAME|NEW"}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    query_.Close();
    query_.SetSQL(c.sql);
    query_.OptionsDS().FieldsOrigin = !c.defaults;
    query_.OptionsDS().DefaultValues = c.defaults;
    fake_.logClear();
    query_.Open();
    EXPECT_EQ(Info(), c.info);
    EXPECT_EQ(DictionaryQueries().size(), c.dictionaryQueries);
  }
}

TEST_F(OraFieldInfoTest, TheDictionaryQueryOfSeveralTablesJoinsOneSelectEach) {
  query_.SetSQL("select ename, dname from emp e, main.dept d where e.deptno = d.deptno");
  query_.OptionsDS().FieldsOrigin = true;
  fake_.script("owner = 'MAIN' and table_name = 'DEPT'",
               "sql SELECT table_name AS TABLE_NAME, column_name AS COLUMN_NAME, table_id AS TABLE_ID FROM dict "
               "ORDER BY table_id, column_id");
  fake_.logClear();
  query_.Open();
  // (the log shows line ends as blanks)
  const std::vector<std::string> expected = {
      "SELECT table_name,column_name,table_id FROM ( "
      "SELECT table_name,column_name,1 table_id,column_id FROM all_tab_columns WHERE " +
      std::string(kOwner) +
      " and table_name = 'EMP' UNION ( "
      "SELECT table_name,column_name,2 table_id,column_id FROM all_tab_columns WHERE owner = 'MAIN' and "
      "table_name = 'DEPT' ) ) ORDER BY table_id,column_id"};
  EXPECT_EQ(DictionaryQueries(), expected);
  EXPECT_EQ(query_.FieldByName("DNAME").Origin, "DEPT.DNAME");
}

TEST_F(OraFieldInfoTest, ANewRecordTakesTheColumnsDefaults) {
  query_.SetSQL("select empno, ename, sal from emp");
  query_.SetSQLInsert("insert into emp (empno, ename, sal) values (:empno, :ename, :sal)");
  query_.OptionsDS().DefaultValues = true;
  query_.Open();
  query_.Insert();
  EXPECT_TRUE(query_.FieldByName("EMPNO").IsNull());
  EXPECT_EQ(query_.FieldByName("ENAME").AsString(), "N/A");
  EXPECT_EQ(query_.FieldByName("SAL").AsInteger(), 1000);
  query_.FieldByName("EMPNO").SetAsInteger(2);
  query_.Post();
  EXPECT_EQ(fake_.Query("SELECT ename || '/' || sal FROM emp WHERE empno = 2"), "N/A/1000");
}

TEST_F(OraFieldInfoTest, ADefaultThatIsAnExpressionIsLeftForTheServerToFill) {
  // The server's own defaults stand for what it computes (the stand-in's SQLite has no SYSDATE).
  ASSERT_EQ(fake_.exec("CREATE TABLE evt(id NUMBER(6), at DATE DEFAULT CURRENT_TIMESTAMP, "
                       "stamp TIMESTAMP DEFAULT CURRENT_TIMESTAMP, who VARCHAR2(30) DEFAULT 'SCOTT', "
                       "seq NUMBER(9) DEFAULT 77, note VARCHAR2(10) DEFAULT 'x', "
                       "qty NUMBER(6) DEFAULT -1.5);"
                       "INSERT INTO dict VALUES ('EVT', 'ID', 1, 1, NULL), ('EVT', 'AT', 1, 2, 'SYSDATE '), "
                       "('EVT', 'STAMP', 1, 3, 'systimestamp'), ('EVT', 'WHO', 1, 4, 'USER'), "
                       "('EVT', 'SEQ', 1, 5, 'evt_seq.nextval'), ('EVT', 'NOTE', 1, 6, '''it''''s'''), "
                       "('EVT', 'QTY', 1, 7, ' -1.5 ');"),
            0);
  fake_.script(("SELECT table_name,column_name,1 table_id,data_default,column_id FROM all_tab_columns WHERE " +
                std::string(kOwner) + " and table_name = 'EVT'")
                   .c_str(),
               "sql SELECT table_name AS TABLE_NAME, column_name AS COLUMN_NAME, 1 AS TABLE_ID, "
               "data_default AS DATA_DEFAULT, column_id AS COLUMN_ID FROM dict WHERE table_name = 'EVT'");
  query_.SetSQL("select id, at, stamp, who, seq, note, qty from evt");
  query_.SetSQLInsert("insert into evt (id, note) values (:id, :note)");
  query_.OptionsDS().DefaultValues = true;
  query_.Open();
  EXPECT_EQ(Info(), (std::vector<std::string>{"ID=EVT.ID", "AT=EVT.AT", "STAMP=EVT.STAMP", "WHO=EVT.WHO",
                                              "SEQ=EVT.SEQ", "NOTE=EVT.NOTE|it's", "QTY=EVT.QTY|-1.5"}));
  ASSERT_NO_THROW(query_.Insert());
  // A number the integer field cannot hold is left to the server as well.
  for (const char* name : {"AT", "STAMP", "WHO", "SEQ", "QTY"}) EXPECT_TRUE(query_.FieldByName(name).IsNull()) << name;
  EXPECT_EQ(query_.FieldByName("NOTE").AsString(), "it's");
  query_.FieldByName("ID").SetAsInteger(7);
  query_.Post();
  EXPECT_EQ(fake_.Query("SELECT (at IS NOT NULL) || '/' || (stamp IS NOT NULL) || '/' || who || '/' || seq || '/' || "
                        "note || '/' || qty FROM evt WHERE id = 7"),
            "1/1/SCOTT/77/it's/-1.5");
}

}  // namespace
}  // namespace ora
