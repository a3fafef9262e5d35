// Parameters bound beyond plain values: object instances, collections and REFs sent to the server
// and read back from it, the types bound as texts, raw values or NULL, and PL/SQL index-by tables
// both ways with their current element counts. The stand-in's blocks are scripted: "keep" blocks
// store what they are given in the kept table, "fill" blocks return values from the emp table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/OraConsts.h"
#include "oracle/components/OraQuery.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraObject.h"
#include "oracle/values/OraType.h"
#include "tests/support/FakeOciHome.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using testing::CallsOf;
using testing::Held;
using testing::MessageOf;
using Lines = std::vector<std::string>;

class ObjectParamTest : public testing::OraSessionTest {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    fake_.set("type:LINES_T", "TABLE OF VARCHAR2(40)");
    fake_.set("type:NUMS_T", "VARRAY(10) OF NUMBER(9)");
    fake_.set("type:ADDRESS_T", "OBJECT(STREET VARCHAR2(30), CITY VARCHAR2(20), LINES LINES_T)");
    fake_.set("type:PERSON_T", "OBJECT(NAME VARCHAR2(20), AGE NUMBER(3))");
    fake_.set("objtable:PEOPLE", "PERSON_T");
    Connect(OCI80);
    ASSERT_EQ(fake_.exec("CREATE TABLE kept(v);"
                         "CREATE TABLE people(name VARCHAR2(20), age NUMBER(3));"
                         "INSERT INTO people(rowid, name, age) VALUES (1, 'Ann', 41);"
                         "INSERT INTO people(rowid, name, age) VALUES (2, 'Bob', 30);"
                         "CREATE TABLE emp(id NUMBER(9), home ADDRESS_T, person REF PERSON_T, nums NUMS_T);"
                         "INSERT INTO emp VALUES (1, '{\"STREET\": \"Main 1\", \"CITY\": \"Oslo\", "
                         "\"LINES\": [\"a\", \"b\", \"c\"]}', 'PEOPLE:1', '[1, 2, 3]');"
                         "INSERT INTO emp VALUES (2, '{\"CITY\": \"Bergen\", \"LINES\": [\"x\"]}', 'PEOPLE:2', '[]');"
                         "INSERT INTO emp VALUES (3, NULL, NULL, NULL);"),
              0);
    fake_.script("keep_it", "sql INSERT INTO kept(v) VALUES (:P)");
    fake_.logClear();
  }
  Held<TOraType> Type(const std::string& name) { return Held<TOraType>(TOraType::FindOrCreate(c_.GetSvcCtx(), name)); }
  // Runs a one-parameter block over the object given.
  void Run(const std::string& block, da::TDataType type, da::TParamType direction, TOraObject* object,
           int iterations = 1) {
    auto command = Command("begin " + block + "(:p); end;");
    TOraParamDesc& p = *command->GetOraParam(0);
    p.SetDataType(type);
    p.SetParamType(direction);
    p.SetObject(object);
    command->Execute(iterations);
  }
  std::string Kept() { return fake_.Query("SELECT v FROM kept"); }
  void Fill(const std::string& column, int id) {
    const std::string answer = "outsql SELECT " + column + " AS P FROM emp WHERE id = " + std::to_string(id);
    fake_.script("fill_it", answer.c_str());
  }
};

TEST_F(ObjectParamTest, AnObjectIsSentWithItsNestedTable) {
  Held<TOraType> address = Type("ADDRESS_T");
  Held<TOraObject> a(new TOraObject(address.get()));
  a->AllocObject(c_.GetSvcCtx());
  a->SetAttrAsString("STREET", "Kirkegata 2");
  auto* lines = static_cast<TOraNestTable*>(a->GetAttrAsObject("LINES"));
  lines->SetElementString(lines->AppendElement(), "first");
  lines->SetElementString(lines->AppendElement(), "second");
  Run("keep_it", da::dtObject, da::ptInput, a.get());
  EXPECT_EQ(Kept(), "{\"STREET\":\"Kirkegata 2\",\"CITY\":null,\"LINES\":[\"first\",\"second\"]}");
  EXPECT_EQ(CallsOf(fake_, {"OCIBindByName", "OCIBindObject"}),
            (Lines{"OCIBindByName name=:p type=108 size=0", "OCIBindObject"}));
}

TEST_F(ObjectParamTest, AnObjectNeverAllocatedIsMadeAndSentAsNull) {
  Held<TOraType> address = Type("ADDRESS_T");
  Held<TOraObject> a(new TOraObject(address.get()));
  Run("keep_it", da::dtObject, da::ptInput, a.get());
  EXPECT_EQ(fake_.Query("SELECT typeof(v) FROM kept"), "null");
  EXPECT_NE(a->GetInstance(), nullptr) << "made ready for the connection";
}

TEST_F(ObjectParamTest, AnOutputObjectTakesTheValueAndItsChildrenFollow) {
  Held<TOraType> address = Type("ADDRESS_T");
  Held<TOraObject> a(new TOraObject(address.get()));
  a->AllocObject(c_.GetSvcCtx());
  a->SetAttrAsString("CITY", "old");
  Fill("home", 1);
  Run("fill_it", da::dtObject, da::ptOutput, a.get());
  EXPECT_FALSE(a->GetIsNull());
  EXPECT_EQ(a->GetAttrAsString("STREET"), "Main 1");
  EXPECT_EQ(a->GetAttrAsString("CITY"), "Oslo");
  auto* lines = static_cast<TOraNestTable*>(a->GetAttrAsObject("LINES"));
  ASSERT_EQ(lines->GetSize(), 3);
  EXPECT_EQ(lines->GetElementString(2), "c");

  // Filled again, the child made for the first value reads the second.
  Fill("home", 2);
  Run("fill_it", da::dtObject, da::ptOutput, a.get());
  EXPECT_EQ(a->GetAttrAsString("CITY"), "Bergen");
  EXPECT_TRUE(a->AttrIsNull("STREET"));
  ASSERT_EQ(lines->GetSize(), 1);
  EXPECT_EQ(lines->GetElementString(0), "x");

  Fill("home", 3);
  Run("fill_it", da::dtObject, da::ptOutput, a.get());
  EXPECT_TRUE(a->GetIsNull());
}

TEST_F(ObjectParamTest, AnInOutObjectIsSentAndReplaced) {
  Held<TOraType> address = Type("ADDRESS_T");
  Held<TOraObject> a(new TOraObject(address.get()));
  a->AllocObject(c_.GetSvcCtx());
  a->SetAttrAsString("CITY", "Tromso");
  // The block keeps the city it is given and answers with the city in upper case.
  fake_.script("swap_it", "outsql SELECT json_object('CITY', upper(json_extract(:P, '$.CITY'))) AS P");
  Run("swap_it", da::dtObject, da::ptInputOutput, a.get());
  EXPECT_EQ(a->GetAttrAsString("CITY"), "TROMSO");
  EXPECT_TRUE(a->AttrIsNull("STREET"));
}

TEST_F(ObjectParamTest, CollectionsGoBothWays) {
  Held<TOraType> nums = Type("NUMS_T");
  Held<TOraArray> n(new TOraArray(nums.get()));
  n->AllocObject(c_.GetSvcCtx());
  for (int v : {7, 8}) n->SetElementInteger(n->AppendElement(), v);
  Run("keep_it", da::dtArray, da::ptInput, n.get());
  EXPECT_EQ(Kept(), "[7,8]");

  Fill("nums", 1);
  Run("fill_it", da::dtArray, da::ptOutput, n.get());
  ASSERT_EQ(n->GetSize(), 3);
  EXPECT_EQ(n->GetElementInteger(0), 1);
  EXPECT_EQ(n->GetElementInteger(2), 3);

  Held<TOraType> lines = Type("LINES_T");
  Held<TOraNestTable> t(new TOraNestTable(lines.get()));
  Fill("'[\"p\", null, \"q\"]'", 1);
  Run("fill_it", da::dtTable, da::ptOutput, t.get());
  ASSERT_EQ(t->GetSize(), 3);
  EXPECT_EQ(t->GetElementString(0), "p");
  EXPECT_TRUE(t->ElementIsNull(1));
  EXPECT_EQ(t->GetElementString(2), "q");
}

TEST_F(ObjectParamTest, ARefGoesBothWays) {
  Held<TOraType> person = Type("PERSON_T");
  Held<TOraRef> r(new TOraRef(person.get()));
  Fill("person", 2);
  Run("fill_it", da::dtReference, da::ptOutput, r.get());
  ASSERT_NE(r->GetRef(), nullptr);
  EXPECT_EQ(r->GetAttrAsString("NAME"), "Bob") << "the REF pins the row it names";

  Run("keep_it", da::dtReference, da::ptInput, r.get());
  EXPECT_EQ(Kept(), "PEOPLE:2");
  EXPECT_EQ(CallsOf(fake_, {"OCIBindByName"}).back(), "OCIBindByName name=:p type=110 size=0");

  Held<TOraRef> none(new TOraRef(person.get()));
  ASSERT_EQ(fake_.exec("DELETE FROM kept"), 0);
  Run("keep_it", da::dtReference, da::ptInput, none.get());
  EXPECT_EQ(fake_.Query("SELECT typeof(v) FROM kept"), "null");
}

TEST_F(ObjectParamTest, ObjectsRefuseArraysAndATypelessObject) {
  Held<TOraType> address = Type("ADDRESS_T");
  Held<TOraObject> a(new TOraObject(address.get()));
  auto command = Command("insert into kept(v) values (:p)");
  TOraParamDesc& p = *command->GetOraParam(0);
  p.SetDataType(da::dtObject);
  p.SetObject(a.get());
  EXPECT_EQ(MessageOf([&] { command->Execute(3); }), "Type is not allowed in DML array");
  p.Table = true;
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), "Type is not allowed in DML array");

  Held<TOraObject> typeless(new TOraObject());
  EXPECT_EQ(MessageOf([&] { Run("keep_it", da::dtObject, da::ptInput, typeless.get()); }),
            "Type of object must be defined");
}

// The types that bind as a text, a raw value or NULL: what reaches the server, and what an output
// of the text types reads back.
struct PlainCase {
  const char* name;
  da::TDataType type;
  da::Variant value;
  const char* kept;  // the kept value's type and value (a blob in hex), as SQLite holds it
  const char* bind;  // the bind's line in the call log
};

class PlainTypeParamTest : public testing::OraSessionTest, public ::testing::WithParamInterface<PlainCase> {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    Connect(OCI80);
    ASSERT_EQ(fake_.exec("CREATE TABLE kept(v)"), 0);
    fake_.script("keep_it", "sql INSERT INTO kept(v) VALUES (:P)");
    fake_.logClear();
  }
};

TEST_P(PlainTypeParamTest, BindsAndSends) {
  const PlainCase& c = GetParam();
  auto command = Command("begin keep_it(:p); end;");
  TOraParamDesc& p = *command->GetOraParam(0);
  p.SetDataType(c.type);
  p.SetSize(20);
  p.SetParamType(da::ptInput);
  if (!c.value.IsEmptyOrNull()) p.SetValue(c.value);
  command->Execute(1);
  EXPECT_EQ(fake_.Query("SELECT typeof(v) || ':' || ifnull(iif(typeof(v) = 'blob', hex(v), v), '') FROM kept"),
            c.kept);
  EXPECT_EQ(CallsOf(fake_, {"OCIBindByName"}), Lines{c.bind});
}

INSTANTIATE_TEST_SUITE_P(
    Types, PlainTypeParamTest,
    ::testing::Values(
        PlainCase{"ExtString", da::dtExtString, da::Variant("abc"), "text:abc", "OCIBindByName name=:p type=5 size=4"},
        PlainCase{"RowIdAsItsText", dtRowId, da::Variant("AAAAABAABAAAAAAAAB"), "text:AAAAABAABAAAAAAAAB",
                  "OCIBindByName name=:p type=5 size=19"},
        PlainCase{"ExtVarBytes", da::dtExtVarBytes, da::Variant(std::vector<std::uint8_t>{0x41, 0x00, 0x42}),
                  "blob:410042", "OCIBindByName name=:p type=23 size=20"},
        PlainCase{"Undefined", dtUndefined, da::Variant(), "null:", "OCIBindByName name=:p type=1 size=1"},
        PlainCase{"Label", dtLabel, da::Variant(), "null:", "OCIBindByName name=:p type=106 size=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ObjectParamTest, TextTypesReadTheirOutputBack) {
  for (da::TDataType type : {da::dtExtString, dtRowId}) {
    fake_.script("fill_text", "out P=AAAAABAABAAAAAAAAC");
    auto command = Command("begin fill_text(:p); end;");
    TOraParamDesc& p = *command->GetOraParam(0);
    p.SetDataType(type);
    p.SetSize(30);
    p.SetParamType(da::ptOutput);
    command->Execute(1);
    EXPECT_EQ(p.GetDataType(), type);
    EXPECT_EQ(p.GetValue().AsString(), "AAAAABAABAAAAAAAAC");
  }
}

// PL/SQL index-by tables on both interfaces.
class IndexByTableTest : public testing::OraSessionTest, public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    Connect(GetParam());
    ASSERT_EQ(fake_.exec("CREATE TABLE kept(v)"), 0);
    fake_.logClear();
  }
  static void Table(TOraParamDesc& p, da::TDataType type, int length, da::TParamType direction) {
    p.SetDataType(type);
    p.SetSize(10);
    p.SetParamType(direction);
    p.SetTable(true);
    p.SetLength(length);
  }
};

TEST_P(IndexByTableTest, ATableGoesInAndAnotherComesOutWithItsCount) {
  // The block takes the names, answers them in upper case with their lengths, leaving out NULLs.
  fake_.script("names_of",
               "outsql SELECT (SELECT json_group_array(upper(value)) FROM (SELECT value FROM json_each(:NAMES) "
               "WHERE value IS NOT NULL ORDER BY key)) AS UPPERS, (SELECT json_group_array(length(value)) FROM "
               "(SELECT value FROM json_each(:NAMES) WHERE value IS NOT NULL ORDER BY key)) AS LENS");
  auto command = Command("begin names_of(:names, :uppers, :lens); end;");
  TOraParamDesc& names = *command->GetOraParam(0);
  TOraParamDesc& uppers = *command->GetOraParam(1);
  TOraParamDesc& lens = *command->GetOraParam(2);
  Table(names, da::dtString, 5, da::ptInput);
  names.SetItemAsString(1, "ab");
  names.SetItemAsString(2, "cdefghij");
  names.SetItemAsString(4, "k");
  Table(uppers, da::dtString, 6, da::ptOutput);
  Table(lens, da::dtInt32, 6, da::ptOutput);
  command->Execute(1);

  EXPECT_EQ(names.BindCount, 5) << "the whole table is sent";
  EXPECT_EQ(uppers.BindCount, 3) << "the server's count comes back";
  EXPECT_EQ(lens.BindCount, 3);
  EXPECT_EQ(uppers.GetItemAsString(1), "AB");
  EXPECT_EQ(uppers.GetItemAsString(2), "CDEFGHIJ");
  EXPECT_EQ(uppers.GetItemAsString(3), "K");
  EXPECT_TRUE(uppers.GetItemNull(4));
  EXPECT_EQ(lens.GetItemAsInteger(1), 2);
  EXPECT_EQ(lens.GetItemAsInteger(2), 8);
  EXPECT_EQ(lens.GetItemAsInteger(3), 1);
}

TEST_P(IndexByTableTest, WhatTheServerSeesOfATable) {
  fake_.script("keep_all", "sql INSERT INTO kept(v) VALUES (:T)");
  auto command = Command("begin keep_all(:t); end;");
  TOraParamDesc& t = *command->GetOraParam(0);
  Table(t, da::dtInt32, 4, da::ptInput);
  t.SetItemAsInteger(1, 10);
  t.SetItemAsInteger(3, -3);
  command->Execute(1);
  EXPECT_EQ(fake_.Query("SELECT v FROM kept"), "[10,null,-3,null]");
}

TEST_P(IndexByTableTest, MoreElementsThanTheTableHoldsFail) {
  fake_.script("too_many", "outsql SELECT json_array('a', 'b', 'c') AS T");
  auto command = Command("begin too_many(:t); end;");
  TOraParamDesc& t = *command->GetOraParam(0);
  Table(t, da::dtString, 2, da::ptOutput);
  EXPECT_EQ(testing::OraErrorOf([&] { command->Execute(1); }).substr(0, 5), "6513 ");
}

INSTANTIATE_TEST_SUITE_P(CallStyles, IndexByTableTest, ::testing::Values(OCI80, OCI73),
                         [](const auto& info) { return info.param == OCI80 ? "Oci8" : "Oci7"; });

// A query whose object column is shown by no field, as a field list that leaves it out has it.
class QueryWithoutField : public TOraQuery {
 public:
  void DropField(const std::string& name) {
    for (da::TFieldDef& def : FieldDefs())
      if (def.Name == name) def.Hidden = true;
    CreateFields();
  }
};

class UpdateParamTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    fake_.set("type:LINES_T", "TABLE OF VARCHAR2(40)");
    fake_.set("type:ADDRESS_T", "OBJECT(STREET VARCHAR2(30), CITY VARCHAR2(20), LINES LINES_T)");
    ASSERT_EQ(fake_.exec("CREATE TABLE kept(v);"
                         "CREATE TABLE emp(id NUMBER(9), home ADDRESS_T);"
                         "INSERT INTO emp VALUES (1, '{\"CITY\": \"Oslo\", \"LINES\": [\"a\"]}');"),
              0);
    // The update keeps the address it is given.
    fake_.script("update emp", "sql INSERT INTO kept(v) VALUES (:HOME)");
    query_.SetSession(session_.get());
  }
  void TearDown() override {
    query_.Close();
    OraComponentTest::TearDown();
  }
  QueryWithoutField query_;
};

TEST_F(UpdateParamTest, AnObjectWithoutAFieldIsCarriedByATemporaryOne) {
  query_.SetSQL("select id, home from emp");
  query_.SetSQLUpdate("update emp set home = :home where id = :old_id");
  query_.Open();
  query_.DropField("HOME");
  ASSERT_EQ(query_.FindField("HOME"), nullptr);
  query_.Edit();
  query_.FieldByName("ID").SetAsInteger(1);
  query_.Post();
  EXPECT_EQ(fake_.Query("SELECT v FROM kept"), "{\"STREET\":null,\"CITY\":\"Oslo\",\"LINES\":[\"a\"]}");
}

TEST_F(UpdateParamTest, AParameterNamingNoObjectStillFails) {
  query_.SetSQL("select id, home from emp");
  query_.SetSQLUpdate("update emp set home = :nosuch where id = :old_id");
  query_.Open();
  query_.Edit();
  query_.FieldByName("ID").SetAsInteger(1);
  EXPECT_EQ(MessageOf([&] { query_.Post(); }), "Not found field corresponding parameter nosuch.");
  query_.Cancel();
}

}  // namespace
}  // namespace ora
