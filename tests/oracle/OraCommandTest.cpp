// The Oracle command: line breaks, the parameter scan, and statements with binds executed
// against the stand-in in both call styles.
#include <gtest/gtest.h>

#include "dataaccess/DAErrors.h"
#include "foundation/text/DateTime.h"
#include "oracle/OraCall.h"
#include "oracle/OraCommand.h"
#include "oracle/OraConnection.h"
#include "oracle/OraProps.h"
#include "platform/HeadlessMainThread.h"
#include "tests/oracle/FakeOciHome.h"

namespace ora {
namespace {

using da::Variant;
using testing::CallsOf;
using testing::MessageOf;
using testing::OraErrorOf;
using Lines = std::vector<std::string>;

struct LineBreakCase {
  const char* name;
  std::string in, out;
};

TEST(ConvertSQLLineBreaks, CarriageReturnsOutsideStrings) {
  const LineBreakCase cases[] = {
      {"Pairs", "a\r\nb", "a\nb"},
      {"LoneReturn", "a\rb", "a\nb"},
      {"InsideString", "'a\r\nb'\r\n", "'a\r\nb'\n"},
      {"InComments", "-- x\r\n/* y\r\n */ 'z\r'", "-- x\n/* y\n */ 'z\r'"},
      {"QuoteInComment", "-- it's\r\n'q\r'", "-- it's\n'q\r'"},
      {"Empty", "", ""},
  };
  for (const LineBreakCase& c : cases) {
    int offset = -1;
    EXPECT_EQ(ConvertSQLLineBreaks(c.in, offset), c.out) << c.name;
    EXPECT_EQ(offset, -1);
  }
}

TEST(ConvertSQLLineBreaks, MapsAnOffsetBackToTheText) {
  // "select\r\n  x\r\nfrom" becomes "select\n  x\nfrom": offset 9 ("x") is 10 in the text.
  const std::string text = "select\r\n  x\r\nfrom";
  int offset = 9;
  ConvertSQLLineBreaks(text, offset);
  EXPECT_EQ(offset, 10);
  offset = 12;  // "f"
  ConvertSQLLineBreaks(text, offset);
  EXPECT_EQ(offset, 14);
  offset = 99;
  ConvertSQLLineBreaks(text, offset);
  EXPECT_EQ(offset, static_cast<int>(text.size()));
}

Lines ParamNames(const std::string& sql) {
  TOCICommand command;
  command.SetSQL(sql);
  Lines names;
  for (int i = 0; i < command.GetParamCount(); ++i)
    names.push_back(command.GetParam(i)->GetName() + (command.GetOraParam(i)->QuotedName ? " (quoted)" : ""));
  return names;
}

TEST(OraCommandParams, FoundOutsideStringsAndComments) {
  EXPECT_EQ(ParamNames("select :a, :B, :A from t where x = ':c' -- :d\n and y = :\"Q\" /* :e */ and z = :2 or w = :select"),
            (Lines{"a", "B", "Q (quoted)", "2", "SELECT"}));
  EXPECT_EQ(ParamNames("begin x := 1; :r := x; end;"), (Lines{"r"}));
  EXPECT_EQ(ParamNames("create trigger t before insert on x for each row begin :new.a := :b; end;"), Lines{});
  EXPECT_EQ(ParamNames("update t set a = :a where :b = 1; create or replace trigger x :c"), (Lines{"a", "b"}));
}

TEST(OraCommandParams, ParamCheckOff) {
  TOCICommand command;
  command.SetProp(da::prParamCheck, Variant(false));
  command.SetSQL("select :a from dual");
  EXPECT_EQ(command.GetParamCount(), 0);
  command.SetProp(da::prParamCheck, Variant(true));
  EXPECT_EQ(command.GetParamCount(), 1);
  Variant v;
  command.GetProp(da::prParamCheck, v);
  EXPECT_EQ(v, Variant(true));
}

// Executes statements with binds in the call style of the test's parameter.
class OraCommandTest : public testing::FakeOciTest, public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  void SetUp() override {
    testing::FakeOciTest::SetUp();
    if (GetParam() == OCI73) Reload(testing::Variant::WithOldInterface);
    c_.SetCallStyle(GetParam());
    c_.SetUsername("scott");
    c_.SetPassword("tiger");
    c_.SetServer("orcl");
    c_.Connect("");
    ASSERT_EQ(fake_.exec("CREATE TABLE t(n NUMBER(10), s VARCHAR2(20), f FLOAT, d DATE)"), 0);
    fake_.logClear();
  }
  std::unique_ptr<TOCICommand> Command(const std::string& sql) {
    std::unique_ptr<da::TVtCommand> command = c_.CreateCommand();
    command->SetSQL(sql);
    return std::unique_ptr<TOCICommand>(static_cast<TOCICommand*>(command.release()));
  }
  // The row of t where n = key, read back through a PL/SQL block the stand-in answers from t.
  Lines Row(int key) {
    fake_.script("into :n, :s, :f, :d", "outsql SELECT n AS N, s AS S, f AS F, d AS D FROM t WHERE n = :k");
    auto command = Command("begin select n, s, f, d into :n, :s, :f, :d from t where n = :k; end;");
    const da::TDataType types[] = {da::dtInt32, da::dtString, da::dtFloat, da::dtDateTime};
    for (int i = 0; i < 4; ++i) {
      TOraParamDesc* p = command->GetOraParam(i);
      p->SetDataType(types[i]);
      p->SetSize(20);
      p->SetParamType(da::ptOutput);
    }
    command->GetOraParam(4)->SetValue(Variant(key));
    command->Execute(1);
    Lines values;
    for (int i = 0; i < 4; ++i) {
      TOraParamDesc* p = command->GetOraParam(i);
      const Variant v = p->GetValue();
      values.push_back(p->GetNull() ? "NULL" : i == 3 ? olv::DateTimeToStr(v.AsDate()) : v.AsString());
    }
    return values;
  }
  TOCIConnection c_;
};

TEST_P(OraCommandTest, BindsTextsNumbersAndDatesBothWays) {
  auto insert = Command("insert into t values (:n, :s, :f, :d)");
  insert->GetOraParam(0)->SetValue(Variant(7));
  insert->GetOraParam(1)->SetValue(Variant("abc"));
  insert->GetOraParam(2)->SetValue(Variant(2.5));
  insert->GetOraParam(3)->SetValue(Variant::Date(olv::EncodeDate(1992, 11, 30) + olv::EncodeTime(15, 17, 0, 0)));
  insert->Execute(1);
  EXPECT_EQ(insert->GetRowsProcessed(), 1);
  EXPECT_EQ(Row(7), (Lines{"7", "abc", "2.5", "1992.11.30 15:17:00"}));

  auto nulls = Command("insert into t values (:n, :s, :f, :d)");
  nulls->GetOraParam(0)->SetValue(Variant(8));
  nulls->GetOraParam(1)->SetValue(Variant::Null());
  nulls->GetOraParam(2)->SetDataType(da::dtFloat);
  nulls->GetOraParam(2)->SetNull(true);
  nulls->GetOraParam(3)->SetValue(Variant::Null());
  nulls->Execute(1);
  EXPECT_EQ(Row(8), (Lines{"8", "NULL", "NULL", "NULL"}));
}

TEST_P(OraCommandTest, AnInputTextIsBoundWithItsLength) {
  auto command = Command("insert into t(s) values (:s)");
  TOraParamDesc* s = command->GetOraParam(0);
  s->SetDataType(da::dtString);
  s->SetSize(100);
  s->SetParamType(da::ptInput);
  s->SetItemAsString(1, "abc");
  command->Execute(1);
  const char* bind = GetParam() == OCI73 ? "obndrv" : "OCIBindByName";
  EXPECT_EQ(CallsOf(fake_, {bind}), (Lines{std::string(bind) + " name=:s type=5 size=4"}));

  fake_.script("begin :s := 'x'; end;", "out S=x");
  auto out = Command("begin :s := 'x'; end;");
  out->GetOraParam(0)->SetDataType(da::dtString);
  out->GetOraParam(0)->SetSize(100);
  out->GetOraParam(0)->SetParamType(da::ptOutput);
  fake_.logClear();
  out->Execute(1);
  EXPECT_EQ(CallsOf(fake_, {bind}), (Lines{std::string(bind) + " name=:s type=5 size=101"}));
}

TEST_P(OraCommandTest, AnUntypedParameterBindsOnlyAsNull) {
  auto command = Command("insert into t(n, s) values (1, :s)");
  command->GetOraParam(0)->SetNull(true);
  command->Execute(1);
  const char* bind = GetParam() == OCI73 ? "obndrv" : "OCIBindByName";
  EXPECT_EQ(CallsOf(fake_, {bind}), (Lines{std::string(bind) + " name=:s type=1 size=1"}));
  EXPECT_EQ(Row(1), (Lines{"1", "NULL", "NULL", "NULL"}));

  auto bad = Command("insert into t(s) values (:s)");
  bad->GetOraParam(0)->SetNull(false);
  EXPECT_EQ(MessageOf([&] { bad->Execute(1); }), "Unknown type of parameter s.");
  EXPECT_EQ(bad->GetCursorState(), csInactive) << "the temporary preparation is undone";
}

TEST_P(OraCommandTest, ARawValueIsBoundWithTheRoomOfItsItem) {
  // The server may write as much as the bind announces: never more than the item holds.
  fake_.script("begin :r := 'x'; end;", "out R=abcdefgh");
  auto command = Command("begin :r := 'x'; end;");
  TOraParamDesc* r = command->GetOraParam(0);
  r->SetDataType(da::dtVarBytes);
  r->SetSize(4);
  r->SetParamType(da::ptOutput);
  command->Execute(1);
  const char* bind = GetParam() == OCI73 ? "obndra" : "OCIBindByName";
  EXPECT_EQ(CallsOf(fake_, {bind}), (Lines{std::string(bind) + " name=:r type=23 size=4"}));
  EXPECT_EQ(r->GetValue(), Variant(std::vector<std::uint8_t>{'a', 'b', 'c', 'd'}));
}

TEST_P(OraCommandTest, AutoCommitAfterChanges) {
  auto command = Command("insert into t(n) values (1)");
  command->Execute(1);
  if (GetParam() == OCI73) {
    EXPECT_EQ(CallsOf(fake_, {"oexn", "ocom"}), (Lines{"oexn iters=1 rowoff=0", "ocom"}));
  } else {
    EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute", "OCITransCommit"}), (Lines{"OCIStmtExecute iters=1 mode=32"}));
  }
  fake_.logClear();
  command->SetProp(da::prAutoCommit, Variant(false));
  command->Execute(1);
  EXPECT_TRUE(CallsOf(fake_, {"ocom", "OCITransCommit"}).empty());
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}), GetParam() == OCI73 ? Lines{} : Lines{"OCIStmtExecute iters=1 mode=0"});
}

TEST_P(OraCommandTest, ServerErrorsComeAsOracleErrors) {
  auto command = Command("insert into missing values (1)");
  EXPECT_EQ(OraErrorOf([&] { command->Execute(1); }), "942 ORA-00942: table or view does not exist");
  EXPECT_EQ(command->GetCursorState(), csInactive);
  EXPECT_FALSE(command->Executing);
  EXPECT_EQ(c_.GetLastErrorCode(), 942);
}

TEST_P(OraCommandTest, PreparedStatementsRunAgain) {
  auto command = Command("insert into t(n) values (:n)");
  command->GetOraParam(0)->SetDataType(da::dtInt32);
  command->Prepare();
  EXPECT_TRUE(command->GetPrepared());
  EXPECT_EQ(command->GetSQLFunctionCode(), fcInsert);
  for (int i = 1; i <= 3; ++i) {
    command->GetOraParam(0)->SetItemAsInteger(1, i);
    command->Execute(1);
    EXPECT_EQ(command->GetCursorState(), csExecuted);
  }
  command->Unprepare();
  EXPECT_EQ(command->GetCursorState(), csInactive);
  EXPECT_EQ(Row(3), (Lines{"3", "NULL", "NULL", "NULL"}));
  const char* prepare = GetParam() == OCI73 ? "oparse" : "OCIStmtPrepare";
  EXPECT_EQ(CallsOf(fake_, {prepare}).size(), 2u) << "one for the inserts, one for reading back";
}

INSTANTIATE_TEST_SUITE_P(CallStyles, OraCommandTest, ::testing::Values(OCI80, OCI73),
                         [](const auto& info) { return info.param == OCI73 ? "OldInterface" : "Handles"; });

class OraHandleCommandTest : public OraCommandTest {};

TEST_P(OraHandleCommandTest, DmlArraysRunOncePerItem) {
  auto command = Command("insert into t(n, s) values (:n, :s)");
  TOraParamDesc* n = command->GetOraParam(0);
  TOraParamDesc* s = command->GetOraParam(1);
  n->SetDataType(da::dtInt32);
  s->SetDataType(da::dtString);
  s->SetSize(5);
  n->SetLength(3);
  s->SetLength(3);
  for (int i = 1; i <= 3; ++i) {
    n->SetItemAsInteger(i, 10 + i);
    s->SetItemAsString(i, "s" + std::to_string(i));
  }
  command->Execute(3);
  Variant rows;
  command->GetProp(prRowsProcessed, rows);
  EXPECT_EQ(rows, Variant(3));
  EXPECT_EQ(Row(12), (Lines{"12", "s2", "NULL", "NULL"}));
  EXPECT_EQ(CallsOf(fake_, {"OCIBindArrayOfStruct"}).front(), "OCIBindArrayOfStruct skip=4,2");

  auto shortArray = Command("insert into t(n) values (:n)");
  shortArray->GetOraParam(0)->SetDataType(da::dtInt32);
  shortArray->GetOraParam(0)->SetLength(2);
  EXPECT_EQ(MessageOf([&] { shortArray->Execute(3); }), "n parameter must be array with length 3");
}

TEST_P(OraHandleCommandTest, RowIdOfTheLastInsert) {
  auto command = Command("insert into t(n) values (5)");
  command->SetProp(prFetchRowId, Variant(true));
  command->Execute(1);
  EXPECT_EQ(command->RowId.size(), 18u);
  EXPECT_EQ(command->RowId.substr(15), "AAB") << "row 1 of the stand-in's table";
  command->SetProp(prFetchRowId, Variant(false));
  command->Execute(1);
  EXPECT_EQ(command->RowId, "");
}

TEST_P(OraHandleCommandTest, NonBlockingExecutionEndsOnTheMainThread) {
  plat::HeadlessMainThread main;
  plat::SetCurrentMainThread(&main);
  auto command = Command("insert into t(n) values (9)");
  bool ended = false;
  command->SetEventProp(da::prAfterExecute, [&](bool) {
    ended = true;
    main.quit();
  });
  command->SetProp(prNonBlocking, Variant(true));
  command->Execute(1);
  main.run();
  plat::SetCurrentMainThread(nullptr);
  EXPECT_TRUE(ended);
  EXPECT_FALSE(command->Executing);
  EXPECT_EQ(Row(9), (Lines{"9", "NULL", "NULL", "NULL"}));

  c_.ThreadSafety = false;
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), "Session must be Thread Safety");
  EXPECT_FALSE(command->Executing);
}

INSTANTIATE_TEST_SUITE_P(CallStyles, OraHandleCommandTest, ::testing::Values(OCI80),
                         [](const auto&) { return "Handles"; });

}  // namespace
}  // namespace ora
