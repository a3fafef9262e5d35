// The SQL component over the stand-in: parameters found by name in the text, LOB and timestamp
// parameters that go to the server and come back through the component's own parameters, macros
// cut with the Oracle lexer, and the default session taken by a component without one.
#include <gtest/gtest.h>

#include "dataaccess/DAErrors.h"
#include "oracle/OraError.h"
#include "oracle/values/OraLob.h"
#include "oracle/components/OraSQL.h"
#include "oracle/components/OraSession.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

class OraSQLComponentTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    // The stand-in keeps a LOB's id in its column: a column declared CLOB would make it text.
    ASSERT_EQ(fake_.exec("CREATE TABLE lobs(id NUMBER(10), c LOB);"
                         "CREATE TABLE times(id NUMBER(10), t TIMESTAMP);"),
              0);
  }
};

// Longer than a blob piece, so that it moves in several.
std::string LongText() {
  std::string text(70000, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = char('a' + (i * 13 + i / 1009) % 26);
  return text;
}

TEST_F(OraSQLComponentTest, AClobParameterGoesAndComesBack) {
  const std::string text = LongText();
  TOraSQL insert;
  insert.SetSession(session_.get());
  insert.SetSQL("insert into lobs(id, c) values (:id, empty_clob()) returning c into :c");
  ASSERT_EQ(insert.Params().Count(), 2);
  insert.ParamByName("id").SetAsInteger(1);
  TOraParam& c = insert.ParamByName("C");
  c.SetDataType(da::ftOraClob);
  c.ParamType = da::ptInput;
  c.SetValue(Variant(text));
  insert.Execute();
  EXPECT_EQ(insert.RowsAffected(), 1);

  fake_.script("select c into :c", "outsql SELECT c AS C FROM lobs WHERE id = 1");
  TOraSQL select;
  select.SetSession(session_.get());
  select.SetSQL("begin select c into :c from lobs where id = 1; end;");
  TOraParam& back = select.ParamByName("c");
  back.SetDataType(da::ftOraClob);
  back.ParamType = da::ptOutput;
  select.Execute();
  EXPECT_EQ(back.AsOraLob()->Size(), text.size());
  EXPECT_TRUE(back.Value().AsString() == text) << "the CLOB read back differs";
}

TEST_F(OraSQLComponentTest, ATimestampParameterGoesAndComesBack) {
  const double when = da::EncodeDateTime({2010, 7, 8, 9, 10, 11, 12});
  TOraSQL insert;
  insert.SetSession(session_.get());
  insert.SetSQL("insert into times values (:id, :t)");
  insert.ParamByName("id").SetAsInteger(1);
  TOraParam& t = insert.ParamByName("t");
  t.SetDataType(da::ftTimeStamp);
  t.SetValue(Variant::Date(when));
  insert.Execute();
  EXPECT_EQ(fake_.Query("SELECT t FROM times WHERE id = 1"), "2010-07-08 09:10:11.012000000");

  fake_.script("into :t", "outsql SELECT t AS T FROM times WHERE id = 1");
  TOraSQL select;
  select.SetSession(session_.get());
  select.SetSQL("begin select t into :t from times where id = 1; end;");
  TOraParam& back = select.ParamByName("t");
  back.SetDataType(da::ftTimeStamp);
  back.ParamType = da::ptOutput;
  EXPECT_TRUE(back.IsNull());
  select.Execute();
  EXPECT_FALSE(back.IsNull());
  EXPECT_DOUBLE_EQ(back.AsDateTime(), when);  // milliseconds survive
}

TEST_F(OraSQLComponentTest, ATextParameterWithoutSizeBindsTheLongestString) {
  const std::string answer = "out R=" + std::string(3000, 'x');
  fake_.script("begin :r := ", answer.c_str());
  TOraSQL block;
  block.SetSession(session_.get());
  block.SetSQL("begin :r := rpad('x', 3000, 'x'); end;");
  TOraParam& r = block.ParamByName("r");
  r.SetDataType(da::ftString);
  r.ParamType = da::ptOutput;
  block.Execute();
  EXPECT_EQ(r.AsString(), std::string(3000, 'x'));
}

TEST_F(OraSQLComponentTest, MacrosAreCutWithTheOracleLexer) {
  TOraSQL sql;
  sql.SetSession(session_.get());
  // "#" and "$" belong to Oracle names: the macro's name is the whole of T$NAME.
  sql.SetSQL("insert into &T$NAME (id) values (:id)");
  ASSERT_NE(sql.FindMacro("T$NAME"), nullptr);
  sql.MacroByName("T$NAME").SetValue("lobs");
  sql.ParamByName("id").SetAsInteger(5);
  sql.Execute();
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM lobs WHERE id = 5"), "1");
}

TEST_F(OraSQLComponentTest, WithoutASessionTheDefaultSessionRuns) {
  TOraSQL sql;  // no session: session_ is the default one
  ASSERT_EQ(DefaultSession(), session_.get());
  sql.SetSQL("insert into lobs(id) values (:id)");
  sql.ParamByName("id").SetAsInteger(9);
  sql.Execute();
  EXPECT_TRUE(session_->Connected());
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM lobs WHERE id = 9"), "1");
  DefaultSessionFallback = false;
  TOraSQL alone;
  alone.SetSQL("insert into lobs(id) values (1)");
  EXPECT_THROW(alone.Execute(), da::EDatabaseError);
  DefaultSessionFallback = true;
}

}  // namespace
}  // namespace ora
