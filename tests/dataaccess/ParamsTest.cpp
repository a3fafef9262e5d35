// Parameters of a SQL text: finding them in the text, looking them up and copying them by name,
// values of several at once, values to and from fields, and a driver's own parameter class.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "dataaccess/MemDS.h"
#include "dataaccess/Params.h"

namespace da {
namespace {

struct ParseCase {
  const char* sql;
  const char* parsed;
  std::vector<std::string> names;
};

TEST(TParams, ParseSQLFindsEachParameterOutsideQuotes) {
  const ParseCase cases[] = {
      {"select * from emp where dept = :DEPT", "select * from emp where dept = ?", {"DEPT"}},
      {"insert into t values (:A,:b_1, :A)", "insert into t values (?,?, ?)", {"A", "b_1", "A"}},
      {"select ':X' from t where a = :Y", "select ':X' from t where a = ?", {"Y"}},
      {"select \":X\" from t", "select \":X\" from t", {}},
      {"begin :r := f(:p); end;", "begin ? := f(?); end;", {"r", "p"}},
      {"select a::int from t", "select a::int from t", {}},
      {"where n = :\"odd name\"", "where n = ?", {"odd name"}},
      {"where n = :x$#9+1", "where n = ?+1", {"x$#9"}},
      {"where n = :\xC3\xA9t\xC3\xA9", "where n = ?", {"\xC3\xA9t\xC3\xA9"}},
      {"a := b; c = :", "a := b; c = :", {}},
      {"where s = 'unclosed :P", "where s = 'unclosed :P", {}},
  };
  for (const ParseCase& c : cases) {
    TParams params;
    EXPECT_EQ(params.ParseSQL(c.sql, true), c.parsed) << c.sql;
    std::vector<std::string> names;
    for (int i = 0; i < params.Count(); ++i) {
      names.push_back(params.Items(i).Name);
      EXPECT_EQ(params.Items(i).ParamType, ptUnknown);
    }
    EXPECT_EQ(names, c.names) << c.sql;
    TParams none;
    none.ParseSQL(c.sql, false);
    EXPECT_EQ(none.Count(), 0);
  }
}

TEST(TParams, LookupsValuesAndCopies) {
  TParams params;
  params.CreateParam(ftInteger, "Dept", ptInput).SetValue(Variant(20));
  params.CreateParam(ftUnknown, "NAME", ptInput).SetValue(Variant("SMITH"));
  EXPECT_EQ(&params.ParamByName("dept"), &params.Items(0));
  EXPECT_EQ(params.Items(1).DataType(), ftString);  // taken from the value
  try {
    params.ParamByName("nope");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Parameter 'nope' not found");
  }
  EXPECT_EQ(params.ParamValues("NAME"), Variant("SMITH"));
  EXPECT_EQ(params.ParamValues("dept; name"), Variant::ArrayOf({Variant(20), Variant("SMITH")}));
  params.SetParamValues("DEPT;NAME", Variant::ArrayOf({Variant(30), Variant::Null()}));
  EXPECT_EQ(params.Items(0).AsInteger(), 30);
  EXPECT_TRUE(params.Items(1).IsNull());
  EXPECT_TRUE(params.Items(1).Bound);

  // Values go over by name; the others stay.
  TParams parsed;
  parsed.ParseSQL("where name = :NAME and id = :ID", true);
  parsed.AssignValues(params);
  EXPECT_TRUE(parsed.ParamByName("NAME").IsNull());
  EXPECT_TRUE(parsed.ParamByName("NAME").Bound);
  EXPECT_FALSE(parsed.ParamByName("ID").Bound);

  TParams copy;
  copy.Assign(params);
  EXPECT_TRUE(copy.IsEqual(params));
  copy.Items(0).SetAsInteger(31);
  EXPECT_FALSE(copy.IsEqual(params));
  EXPECT_EQ(params.Items(0).AsInteger(), 30);
}

TEST(TParam, TypedSettersAndFields) {
  TParam p;
  p.SetAsDateTime(EncodeDayNumber(2024, 3, 5));
  EXPECT_EQ(p.DataType(), ftDateTime);
  p.SetAsString("x");
  EXPECT_EQ(p.DataType(), ftString);
  p.Clear();
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.AsString(), "");
  EXPECT_EQ(p.AsInteger(), 0);

  TMemDataSet ds;
  ds.Data().AutoInitFields = false;
  ds.Data().AddField("SAL", dtFloat);
  ds.Data().InitFields();
  ds.Open();
  ds.Append();
  ds.FieldByName("SAL").SetAsFloat(1.5);
  TParam fromField;
  fromField.AssignField(ds.FieldByName("SAL"));
  EXPECT_EQ(fromField.Name, "SAL");
  EXPECT_EQ(fromField.DataType(), ftFloat);
  EXPECT_EQ(fromField.AsFloat(), 1.5);
  TParam value;
  value.SetAsFloat(2.25);
  value.AssignTo(ds.FieldByName("SAL"));
  EXPECT_EQ(ds.FieldByName("SAL").AsFloat(), 2.25);
  value.Clear();
  value.AssignTo(ds.FieldByName("SAL"));
  EXPECT_TRUE(ds.FieldByName("SAL").IsNull());
  ds.Cancel();
}

// A driver's parameter list makes parameters of its own class, also when it copies.
class SizedParam : public TParam {
 public:
  void SetValue(const Variant& value) override {
    TParam::SetValue(value);
    Size = static_cast<int>(value.AsString().size());
  }
};
class SizedParams : public TParams {
 protected:
  std::unique_ptr<TParam> CreateItem() override { return std::make_unique<SizedParam>(); }
};

TEST(TParams, ADriverListMakesItsOwnParameters) {
  SizedParams params;
  params.ParseSQL("where a = :A", true);
  params.Items(0).SetValue(Variant("four"));
  EXPECT_EQ(params.Items(0).Size, 4);
  TParams plain;
  plain.CreateParam(ftString, "B", ptInput).SetValue(Variant("xy"));
  params.Assign(plain);
  ASSERT_NE(dynamic_cast<SizedParam*>(&params.Items(0)), nullptr);
  EXPECT_EQ(params.Items(0).Name, "B");
}

}  // namespace
}  // namespace da
