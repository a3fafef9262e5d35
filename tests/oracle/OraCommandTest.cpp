// The Oracle command: line breaks, the parameter scan, and statements with binds executed
// against the stand-in in both call styles.
#include <gtest/gtest.h>

#include <functional>

#include "dataaccess/DAErrors.h"
#include "foundation/text/DateTime.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraProps.h"
#include "platform/HeadlessMainThread.h"
#include "tests/support/FakeOciHome.h"

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

TEST(OraCommandParams, TheScanAsATable) {
  const struct {
    const char* name;
    const char* sql;
    Lines params;
  } cases[] = {
      {"CaseIgnored", "select * from t where a = :A or b = :a", {"A"}},
      {"AssignmentIsNoParameter", "begin x := 1; :x := x + :y; end;", {"x", "y"}},
      // Quoted or not, names are compared without regard to case.
      {"QuotedNames", "select :\"My Name\", :\"my name\", :b from dual", {"My Name (quoted)", "b"}},
      {"LiteralsAndComments", "select ':c', '::d' from t -- :e\n where x = :f /* :g */", {"f"}},
      {"NumbersAndKeywords", "insert into t values (:1, :2, :select, :1)", {"1", "2", "SELECT"}},
      {"TriggerBodyHasNone", "create trigger t before insert on x for each row begin :new.a := :old.b; end;", {}},
      {"ScanStopsAtTrigger", "update t set a = :a where :b = 1; create or replace trigger x :c", {"a", "b"}},
      {"DoubleColonInsideAName", "select :a::b from dual", {"a", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParamNames(c.sql), c.params) << c.name;
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
class OraCommandTest : public testing::OraSessionTest, public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    Connect(GetParam());
    ASSERT_EQ(fake_.exec("CREATE TABLE t(n NUMBER(10), s VARCHAR2(20), f FLOAT, d DATE)"), 0);
    fake_.logClear();
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


TEST_P(OraCommandTest, AnUnpreparedInsertIsPreparedBoundExecutedAndUnprepared) {
  auto command = Command("insert into t(n) values (:n)");
  command->GetOraParam(0)->SetValue(Variant(4));
  command->Execute(1);
  EXPECT_EQ(command->GetCursorState(), csInactive);
  EXPECT_EQ(command->GetRowsProcessed(), 1);
  if (GetParam() == OCI73) {
    EXPECT_EQ(CallsOf(fake_, {"oopen", "oparse", "obndrv", "oexn", "ocom", "oclose"}),
              (Lines{"oopen", "oparse sql=insert into t(n) values (:n) defer=0 lng=2", "obndrv name=:n type=3 size=4",
                     "oexn iters=1 rowoff=0", "ocom", "oclose"}));
  } else {
    EXPECT_EQ(CallsOf(fake_, {"OCIHandleAlloc", "OCIStmtPrepare", "OCIBindByName", "OCIStmtExecute", "OCITransCommit",
                              "OCIHandleFree"}),
              (Lines{"OCIHandleAlloc type=4 (stmt)", "OCIStmtPrepare sql=insert into t(n) values (:n)",
                     "OCIBindByName name=:n type=3 size=4", "OCIStmtExecute iters=1 mode=32",
                     "OCIHandleFree type=4 (stmt)"}));
  }
  EXPECT_EQ(fake_.Query("SELECT count(*) FROM t WHERE n = 4"), "1");
}

TEST_P(OraCommandTest, ParseErrorOffsetsPointIntoTheTextAsSet) {
  const struct {
    const char* name;
    const char* sql;
    int reported;  // in the text sent: trimmed, line breaks made single line feeds
    int expected;  // in the text as set
  } cases[] = {
      {"PairDropped", "select x\r\nfrom t", 9, 10},
      {"LeadingBlanksAndPairs", "  select\r\n  x,\r\n  yy\r\nfrom t", 14, 18},
      {"ReturnInsideAString", "select '\r\n' || x from t", 16, 16},
      {"LoneReturnReplaced", "select 1\rfrom t", 9, 9},
      {"BlankLinesBefore", "\r\n\r\nselect", 0, 4},
  };
  for (const auto& c : cases) {
    fake_.script("select", ("error 904 offset=" + std::to_string(c.reported) + " invalid identifier").c_str());
    auto command = Command(c.sql);
    EXPECT_EQ(OraErrorOf([&] { command->Execute(1); }), "904 ORA-00904: invalid identifier") << c.name;
    Variant offset;
    command->GetProp(prErrorOffset, offset);
    EXPECT_EQ(offset, Variant(c.expected)) << c.name;
  }
}

// A bind's announced length, read from the stand-in's log.
TEST_P(OraCommandTest, BindLengths) {
  struct BindCase {
    const char* name;
    const char* sql;
    std::function<void(TOraParamDesc&)> setup;
    const char* bind;  // the type and size bound
  };
  auto text = [](da::TParamType type, int size, const char* value) {
    return [=](TOraParamDesc& p) {
      p.SetDataType(da::dtString);
      p.SetSize(size);
      p.SetParamType(type);
      if (*value) p.SetItemAsString(1, value);
    };
  };
  const char* block = "begin :x := :x; end;";
  const BindCase cases[] = {
      {"InputTextItsLength", block, text(da::ptInput, 100, "abc"), "type=5 size=4"},
      {"OutputTextItsRoom", block, text(da::ptOutput, 100, ""), "type=5 size=101"},
      {"InOutTextInABlockItsRoom", block, text(da::ptInputOutput, 100, "abc"), "type=5 size=101"},
      {"InOutTextInAQueryItsLength", "select :x from dual", text(da::ptInputOutput, 100, "abc"), "type=5 size=4"},
      {"EmptyInputTextItsRoom", block, text(da::ptInput, 100, ""), "type=5 size=101"},
      {"FixedChar", block,
       [](TOraParamDesc& p) {
         p.SetDataType(dtFixedChar);
         p.SetSize(10);
         p.SetParamType(da::ptInput);
         p.SetItemAsString(1, "ab");
       },
       "type=97 size=3"},
      {"UntypedNull", block, [](TOraParamDesc& p) { p.SetNull(true); }, "type=1 size=1"},
      {"Integer", block, [](TOraParamDesc& p) { p.SetValue(Variant(7)); }, "type=3 size=4"},
      {"Float", block, [](TOraParamDesc& p) { p.SetValue(Variant(0.5)); }, "type=4 size=8"},
      {"Date", block, [](TOraParamDesc& p) { p.SetValue(Variant::Date(40000)); }, "type=12 size=7"},
      {"RawItsRoom", block,
       [](TOraParamDesc& p) {
         p.SetDataType(da::dtVarBytes);
         p.SetSize(4);
       },
       "type=23 size=4"},
      {"RawAtMost2000", block,
       [](TOraParamDesc& p) {
         p.SetDataType(da::dtVarBytes);
         p.SetSize(3000);
       },
       "type=23 size=2000"},
  };
  fake_.script("begin :x := :x; end;", "ok");
  const std::string bind = GetParam() == OCI73 ? "obndrv" : "OCIBindByName";
  const std::string rawBind = GetParam() == OCI73 ? "obndra" : "OCIBindByName";
  for (const BindCase& c : cases) {
    auto command = Command(c.sql);
    c.setup(*command->GetOraParam(0));
    fake_.logClear();
    command->Execute(1);
    const bool raw = std::string(c.name).rfind("Raw", 0) == 0;
    EXPECT_EQ(CallsOf(fake_, {raw ? rawBind : bind}), Lines{(raw ? rawBind : bind) + " name=:x " + c.bind}) << c.name;
  }
}

TEST_P(OraCommandTest, WideCharactersNeverCutATextAtTheLongestBind) {
  // A 19c server takes 4000 bytes through the handle interface, 2000 through the old one: with
  // 2 bytes per character, 2000 and 1000. A longer text is bound whole all the same: cut, it
  // would be lost data.
  c_.CharLength = 2;
  auto command = Command("insert into t(n, s) values (1, :s)");
  TOraParamDesc* s = command->GetOraParam(0);
  s->SetDataType(da::dtString);
  s->SetSize(3000);
  s->SetParamType(da::ptInput);
  s->SetItemAsString(1, std::string(3000, 'x'));
  command->Execute(1);
  EXPECT_EQ(CallsOf(fake_, {GetParam() == OCI73 ? "obndrv" : "OCIBindByName"}).at(0).substr(GetParam() == OCI73 ? 7 : 14),
            "name=:s type=5 size=3001");
  EXPECT_EQ(fake_.Query("SELECT length(s) FROM t WHERE n = 1"), "3000");
}

TEST_P(OraCommandTest, ParametersWithoutNamesBindByPosition) {
  auto command = Command("insert into t(n, s) values (:1, :2)");
  command->SetProp(da::prParamCheck, Variant(false));
  command->Params.clear();
  command->AddParam()->SetValue(Variant(6));
  command->AddParam()->SetValue(Variant("six"));
  command->Execute(1);
  if (GetParam() == OCI73) {
    EXPECT_EQ(CallsOf(fake_, {"obndrn"}), (Lines{"obndrn pos=1 type=3 size=4", "obndrn pos=2 type=5 size=4"}));
  } else {
    EXPECT_EQ(CallsOf(fake_, {"OCIBindByPos"}), (Lines{"OCIBindByPos pos=1 type=3 size=4", "OCIBindByPos pos=2 type=5 size=4"}));
  }
  EXPECT_EQ(Row(6), (Lines{"6", "six", "NULL", "NULL"}));
}

TEST_P(OraCommandTest, ExplainPlanIsExecutedWithoutBinding) {
  fake_.script("explain plan", "ok");
  auto command = Command("explain plan for select * from t where n = :n");
  command->Execute(1);
  EXPECT_EQ(command->GetSQLFunctionCode(), fcExplain);
  EXPECT_TRUE(CallsOf(fake_, {"obndrv", "OCIBindByName"}).empty());
}

TEST_P(OraCommandTest, RowIdOfTheLastInsert) {
  auto command = Command("insert into t(n) values (5)");
  command->SetProp(prFetchRowId, Variant(true));
  command->Execute(1);
  // The stand-in's first row: object 1, file 1, block 0, row 1.
  EXPECT_EQ(command->RowId, "AAAAABAABAAAAAAAAB");
  command->SetProp(prFetchRowId, Variant(false));
  command->Execute(1);
  EXPECT_EQ(command->RowId, "");
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

TEST_P(OraHandleCommandTest, ADmlArrayOfAThousandRowsIsOneExecution) {
  constexpr int kRows = 1000;
  auto fill = [](TOCICommand& command, int rows, int first) {
    TOraParamDesc* n = command.GetOraParam(0);
    TOraParamDesc* s = command.GetOraParam(1);
    n->SetDataType(da::dtInt32);
    s->SetDataType(da::dtString);
    s->SetSize(8);
    n->SetLength(rows);
    s->SetLength(rows);
    for (int i = 1; i <= rows; ++i) {
      n->SetItemAsInteger(i, first + i);
      s->SetItemAsString(i, "r" + std::to_string(first + i));
    }
  };
  auto array = Command("insert into t(n, s) values (:n, :s)");
  fill(*array, kRows, 0);
  array->Execute(kRows);
  EXPECT_EQ(array->GetRowsProcessed(), kRows);
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}), Lines{"OCIStmtExecute iters=1000 mode=32"});
  EXPECT_EQ(CallsOf(fake_, {"OCIBindByName"}).size(), 2u);

  fake_.logClear();
  auto single = Command("insert into t(n, s) values (:n, :s)");
  fill(*single, 1, 0);
  single->Prepare();
  for (int i = 1; i <= kRows; ++i) {
    single->GetOraParam(0)->SetItemAsInteger(1, kRows + i);
    single->GetOraParam(1)->SetItemAsString(1, "r" + std::to_string(kRows + i));
    single->Execute(1);
  }
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}).size(), static_cast<std::size_t>(kRows));
  EXPECT_EQ(CallsOf(fake_, {"OCIBindByName"}).size(), 2u * kRows);
  EXPECT_EQ(fake_.Query("SELECT count(*) || ' ' || min(n) || ' ' || max(n) FROM t"), "2000 1 2000");
  EXPECT_EQ(fake_.Query("SELECT s FROM t WHERE n = 1000"), "r1000");
}

TEST_P(OraHandleCommandTest, ModesOfExecution) {
  auto query = Command("select n from t");
  query->SetProp(prScrollable, Variant(true));
  query->Execute(1);
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}), Lines{"OCIStmtExecute iters=0 mode=8"});

  auto prepared = Command("select n from t where n = :n");
  prepared->GetOraParam(0)->SetValue(Variant(1));
  prepared->Prepare();
  prepared->BindParams();
  fake_.logClear();
  EXPECT_EQ(prepared->Exec(OCI_DESCRIBE_ONLY), OCI_SUCCESS);
  EXPECT_EQ(prepared->GetCursorState(), csBound) << "describing leaves the state as it was";
  EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute"}), Lines{"OCIStmtExecute iters=0 mode=16"});
}

// Clients before 9 have no text call: the ROWID's text comes from the bytes the descriptor
// holds, and only an 8.1 client knows the logical kind.
TEST_P(OraHandleCommandTest, ClientsBefore9ReadTheRowIdFromTheDescriptor) {
  const struct {
    const char* library;
    const char* logicalKey;
    const char* text;
  } cases[] = {
      {"libclntsh.so.8.1", "", "AAAAABAABAAAAAAAAB"},
      {"libclntsh.so.8.1", "K1", "*SzE"},
      {"libclntsh.so.8.1", "key-of-an-index", "*a2V5LW9mLWFuLWluZGV4"},
      {"libclntsh.so.8.0", "", "AAAAABAABAAAAAAAAB"},
      {"libclntsh.so.8.0", "K1", ""},
  };
  for (const auto& c : cases) {
    c_.Disconnect();
    Reload(testing::Variant::Class81, c.library);
    Connect(OCI80);
    ASSERT_EQ(fake_.exec("CREATE TABLE t(n NUMBER(10))"), 0);
    fake_.set("logical_rowid", c.logicalKey);
    auto command = Command("insert into t(n) values (5)");
    command->SetProp(prFetchRowId, Variant(true));
    command->Execute(1);
    EXPECT_EQ(command->RowId, c.text) << c.library << " " << c.logicalKey;
    EXPECT_EQ(fake_.Query("SELECT count(*) FROM t"), "1");
    // A statement that changed no row has no ROWID.
    auto update = Command("update t set n = 6 where n = 99");
    update->SetProp(prFetchRowId, Variant(true));
    update->Execute(1);
    EXPECT_EQ(update->RowId, "") << c.library;
    EXPECT_EQ(fake_.liveHandles(OCI_DTYPE_ROWID), 0) << "every descriptor is freed";
  }
}

TEST_P(OraHandleCommandTest, NonBlockingExecutionEndsOnTheMainThread) {
  auto command = Command("insert into t(n) values (9)");
  bool ended = false;
  command->SetEventProp(da::prAfterExecute, [&](bool) {
    ended = true;
    main_.quit();
  });
  command->SetProp(prNonBlocking, Variant(true));
  command->Execute(1);
  main_.run();
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
