// The Oracle parameters: value objects that follow the type, PL/SQL tables, DML arrays, and the
// mapping between the record store's data types and field types.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "foundation/objects/OlvStringList.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/OraError.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraObject.h"
#include "oracle/components/OraParams.h"

namespace ora {
namespace {

using da::Variant;

TEST(OraParam, TheValueObjectFollowsTheType) {
  TOraParam p;
  p.SetDataType(da::ftOraClob);
  ASSERT_NE(p.AsOraLob(), nullptr);
  p.SetValue(Variant("text of the clob"));
  EXPECT_EQ(p.Value().AsString(), "text of the clob");
  EXPECT_FALSE(p.IsNull());
  // Switched to a text the LOB goes; switched back there is a new, empty one.
  p.SetDataType(da::ftString);
  EXPECT_EQ(p.Object(), nullptr);
  p.SetDataType(da::ftOraClob);
  ASSERT_NE(p.AsOraLob(), nullptr);
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.AsOraLob()->Size(), 0u);
  p.SetSubDataType(stOraBlob);
  EXPECT_EQ(p.DataType(), da::ftOraBlob);
  p.SetDataType(ftIntervalDS);
  EXPECT_NE(p.AsInterval(), nullptr);
  EXPECT_TRUE(p.IsNull());
}

TEST(OraParam, AnEmptyTextIsNull) {
  TOraParam p;
  p.SetAsString("");
  EXPECT_TRUE(p.IsNull());
  p.SetAsString("x");
  EXPECT_FALSE(p.IsNull());
}

TEST(OraParam, DmlArrayLengthKeepsTheFirstValue) {
  TOraParam p;
  p.SetAsInteger(5);
  EXPECT_EQ(p.Length(), 1);
  p.SetLength(3);
  EXPECT_EQ(p.Length(), 3);
  EXPECT_EQ(p.ItemValue(1).AsInteger(), 5);
  EXPECT_TRUE(p.ItemValue(2).IsEmpty());
  EXPECT_TRUE(p.ItemValue(3).IsEmpty());
  p.SetItemValue(5, Variant(9));  // beyond Length: it grows
  EXPECT_EQ(p.Length(), 5);
  EXPECT_EQ(p.ItemValue(5).AsInteger(), 9);
  p.SetLength(1);
  EXPECT_EQ(p.Value().AsInteger(), 5);
  EXPECT_THROW(p.ItemValue(0), da::EDatabaseError);
}

TEST(OraParam, ArraysOnlyForSimpleTypes) {
  TOraParam unknown;
  unknown.Name = "P";
  try {
    unknown.SetLength(2);
    FAIL() << "no error";
  } catch (const da::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Unknown type of parameter P.");
  }
  TOraParam flag;
  flag.SetAsBoolean(true);
  EXPECT_THROW(flag.SetLength(2), da::EDatabaseError);
  EXPECT_THROW(flag.SetTable(true), da::EDatabaseError);
  TOraParam text;
  text.SetAsString("a");
  text.SetTable(true);
  text.SetLength(2);
  text.SetItemValue(2, Variant("b"));
  text.SetTable(false);  // a table value gives way to its first element
  EXPECT_EQ(text.Value().AsString(), "a");
}

TEST(OraParam, AssignSharesTheValueObjectAndCopiesTheValue) {
  TOraParam source;
  source.Name = "DOC";
  source.SetDataType(da::ftMemo);
  source.SetValue(Variant("memo text"));
  TOraParam copy;
  copy.Assign(source);
  EXPECT_EQ(copy.DataType(), da::ftMemo);
  EXPECT_EQ(copy.Object(), source.Object());
  EXPECT_EQ(copy.Value().AsString(), "memo text");
  da::TParam plain("N", da::ftInteger, da::ptInput);
  plain.SetValue(Variant(42));
  TOraParam fromPlain;
  fromPlain.Assign(plain);
  EXPECT_EQ(fromPlain.Name, "N");
  EXPECT_EQ(fromPlain.ParamType, da::ptInput);
  EXPECT_EQ(fromPlain.AsInteger(), 42);
}

TEST(OraTypeMapping, OracleTypesMapBothWays) {
  struct Row {
    da::TDataType data;
    da::TFieldType field;
  };
  for (Row r : {Row{dtCursor, da::ftCursor}, Row{dtOraBlob, da::ftOraBlob}, Row{dtOraClob, da::ftOraClob},
                Row{dtBFile, ftBFile}, Row{dtLabel, ftLabel}, Row{dtFixedChar, da::ftFixedChar},
                Row{dtTimeStamp, da::ftTimeStamp}, Row{dtTimeStampTZ, ftTimeStampTZ},
                Row{dtTimeStampLTZ, ftTimeStampLTZ}, Row{dtIntervalYM, ftIntervalYM}, Row{dtIntervalDS, ftIntervalDS},
                Row{da::dtInt32, da::ftInteger}, Row{da::dtFloat, da::ftFloat}}) {
    EXPECT_EQ(OraDataTypeToFieldType(r.data), r.field) << r.data;
    EXPECT_EQ(OraFieldTypeToDataType(r.field), r.data) << int(r.field);
  }
  EXPECT_EQ(OraDataTypeToFieldType(dtUndefined), da::ftUnknown);
}

TEST(OraParams, MakesOracleParameters) {
  TOraParams params;
  params.CreateParam(da::ftString, "A", da::ptInput);
  params.Items(0).SetDataType(da::ftOraBlob);
  EXPECT_NE(params.ParamByName("a").AsOraLob(), nullptr);
}

}  // namespace
}  // namespace ora

namespace ora {
namespace {

// A parameter of unknown type becomes what it is asked for; a typed one gives only its own kind.
struct AsCase {
  const char* name;
  std::function<void*(TOraParam&)> as;
  da::TFieldType becomes;
  da::TFieldType otherFitting;  // a type the accessor also serves (ftUnknown: none)
};

class OraParamAs : public ::testing::TestWithParam<AsCase> {};

TEST_P(OraParamAs, UnknownTakesTheTypeAndOthersGiveNothing) {
  const AsCase& c = GetParam();
  TOraParam p;
  void* object = c.as(p);
  EXPECT_EQ(p.DataType(), c.becomes);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object, c.as(p)) << "asked again, the same object";

  TOraParam text;
  text.SetDataType(da::ftString);
  EXPECT_EQ(c.as(text), nullptr);
  EXPECT_EQ(text.DataType(), da::ftString);

  if (c.otherFitting != da::ftUnknown) {
    TOraParam other;
    other.SetDataType(c.otherFitting);
    EXPECT_NE(c.as(other), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OraParamAs,
    ::testing::Values(AsCase{"Blob", [](TOraParam& p) -> void* { return p.AsBlobObject(); }, da::ftBlob, da::ftOraClob},
                      AsCase{"BFile", [](TOraParam& p) -> void* { return p.AsBFile(); }, ftBFile, da::ftUnknown},
                      AsCase{"Object", [](TOraParam& p) -> void* { return p.AsObject(); }, da::ftADT, da::ftUnknown},
                      AsCase{"Array", [](TOraParam& p) -> void* { return p.AsArray(); }, da::ftArray, da::ftDataSet},
                      AsCase{"Table", [](TOraParam& p) -> void* { return p.AsTable(); }, da::ftDataSet,
                             da::ftUnknown}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OraParam, ObjectKindsGetTheirOwnObject) {
  TOraParam p;
  p.SetDataType(da::ftReference);
  EXPECT_NE(dynamic_cast<TOraRef*>(p.Object()), nullptr);
  EXPECT_EQ(p.AsObject(), nullptr) << "a REF is no object parameter";
  p.SetDataType(da::ftDataSet);
  EXPECT_NE(p.AsTable(), nullptr);
  EXPECT_EQ(p.AsArray(), p.AsTable()) << "a nested table is an array too";
}

TEST(OraParam, AssignsLinesAsAMemo) {
  olv::TStringList lines;
  lines.Add("first");
  lines.Add("second");
  TOraParam p;
  p.SetDataType(da::ftInteger);
  p.AssignStrings(lines);
  EXPECT_EQ(p.DataType(), da::ftMemo);
  EXPECT_EQ(p.Value().AsString(), "first\nsecond\n");
}

// Saves fixed bytes, NUL included.
class Picture : public IStreamPersist {
 public:
  void LoadFromStream(da::TStream&) override {}
  void SaveToStream(da::TStream& stream) override { stream.WriteBuffer("GIF\0ab", 6); }
};

TEST(OraParam, AssignsWhatAPersistentObjectSaves) {
  Picture picture;
  for (da::TFieldType type : {da::ftBlob, da::ftOraBlob}) {
    TOraParam p;
    p.SetDataType(type);
    p.SetValue(Variant("old content, longer than the new"));
    p.AssignPersistent(picture);
    EXPECT_EQ(p.AsBlob()->GetAsString(), std::string("GIF\0ab", 6));
  }
  TOraParam text;
  text.SetDataType(da::ftString);
  try {
    text.AssignPersistent(picture);
    ADD_FAILURE() << "a text parameter took the bytes";
  } catch (const EOraError& e) {
    EXPECT_STREQ(e.what(), "Unsupported data type");
  }
}

}  // namespace
}  // namespace ora

namespace ora {
namespace {

// The legacy "Data" bytes, written field by field.
class LegacyData {
 public:
  LegacyData& U(std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) bytes_ += static_cast<char>(v >> (8 * i) & 0xFF);
    return *this;
  }
  LegacyData& S(const std::string& s) {
    bytes_ += s;
    return *this;
  }
  LegacyData& Name(const std::string& name) { return U(name.size(), 1).S(name); }
  LegacyData& Value(const std::string& v) { return U(v.size(), 2).S(v); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

std::string Double(double d) {
  std::string s(8, '\0');
  std::memcpy(s.data(), &d, 8);
  return s;
}

void Read(TOraParams& params, const std::string& bytes) {
  da::TMemoryStream stream(bytes);
  params.ReadData(stream);
}

TEST(OraParamsData, ReadsEveryKindOfParameter) {
  const std::string longText(5000, 'x');  // far beyond what older readers kept
  LegacyData d;
  d.U(2, 1).U(6, 2);
  d.Name("NAME").U(da::dtString, 2).U(30, 4).Value("Ann").U(0, 1).U(0, 1).U(1, 4).U(da::ptInput, 1);
  d.Name("LONGTEXT").U(da::dtString, 2).U(6000, 4).Value(longText).U(0, 1).U(0, 1).U(1, 4).U(da::ptInput, 1);
  d.Name("N").U(da::dtInt32, 2).Value(std::string("\xFE\xFF\xFF\xFF", 4)).U(0, 1).U(0, 1).U(1, 4).U(da::ptOutput, 1);
  d.Name("F").U(da::dtFloat, 2).Value(Double(2.5)).U(1, 1).U(0, 1).U(1, 4).U(da::ptInputOutput, 1);
  d.Name("T").U(da::dtString, 2).U(10, 4).Value("").U(1, 1).U(1, 1).U(4, 4).U(da::ptInput, 1);
  d.Name("M").U(da::dtMemo, 2).U(da::ptInput, 1);  // no value part
  TOraParams params;
  Read(params, d.Bytes());
  ASSERT_EQ(params.Count(), 6);
  const TOraParam& name = params.ParamByName("NAME");
  EXPECT_EQ(name.DataType(), da::ftString);
  EXPECT_EQ(name.Size, 30);
  EXPECT_EQ(name.Value().AsString(), "Ann");
  EXPECT_EQ(params.ParamByName("LONGTEXT").Value().AsString(), longText);
  EXPECT_EQ(params.ParamByName("N").Value().AsInteger(), -2);
  EXPECT_EQ(params.ParamByName("N").ParamType, da::ptOutput);
  EXPECT_TRUE(params.ParamByName("F").IsNull()) << "the NULL flag clears";
  const TOraParam& table = params.ParamByName("T");
  EXPECT_TRUE(table.Table());
  EXPECT_EQ(table.Length(), 4);
  EXPECT_EQ(params.ParamByName("M").DataType(), da::ftMemo);
  EXPECT_EQ(params.ParamByName("M").ParamType, da::ptInput);
}

TEST(OraParamsData, VersionOneHasNoDirection) {
  LegacyData d;
  d.U(1, 1).U(2, 2);
  d.Name("A").U(da::dtInt32, 2).Value(std::string("\x07\x00\x00\x00", 4)).U(0, 1).U(0, 1).U(1, 4);
  d.Name("B").U(da::dtDateTime, 2).Value(Double(36526.5)).U(0, 1).U(0, 1).U(1, 4);
  TOraParams params;
  Read(params, d.Bytes());
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params.Items(0).Value().AsInteger(), 7);
  EXPECT_EQ(params.Items(0).ParamType, da::ptUnknown);
  EXPECT_DOUBLE_EQ(params.Items(1).Value().AsDate(), 36526.5);
}

TEST(OraParamsData, DamagedInputIsRefusedAndLeavesNoParameters) {
  LegacyData good;
  good.U(2, 1).U(1, 2).Name("A").U(da::dtString, 2).U(10, 4).Value("abc").U(0, 1).U(0, 1).U(1, 4).U(1, 1);
  const std::string whole = good.Bytes();
  // Every cut of a good list ends early.
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    TOraParams params;
    params.CreateParam(da::ftInteger, "OLD", da::ptInput);
    EXPECT_THROW(Read(params, whole.substr(0, cut)), olv::EReadError) << "cut at " << cut;
    EXPECT_EQ(params.Count(), 0);
  }
  struct Case {
    const char* what;
    LegacyData data;
  };
  const Case cases[] = {
      {"a value longer than the input", LegacyData().U(1, 1).U(1, 2).Name("A").U(da::dtString, 2).U(10, 4).U(60000, 2).S("abc")},
      {"an unknown data type", LegacyData().U(1, 1).U(1, 2).Name("A").U(999, 2)},
      {"a direction beyond ptResult", LegacyData().U(2, 1).U(1, 2).Name("A").U(da::dtMemo, 2).U(9, 1)},
      {"a huge Length", LegacyData().U(1, 1).U(1, 2).Name("A").U(da::dtInt32, 2).Value("").U(1, 1).U(0, 1).U(0x7FFFFFFF, 4)},
      {"a negative Length", LegacyData().U(1, 1).U(1, 2).Name("A").U(da::dtInt32, 2).Value("").U(1, 1).U(0, 1).U(0xFFFFFFFF, 4)},
      {"more parameters than given", LegacyData().U(1, 1).U(500, 2).Name("A").U(da::dtMemo, 2)},
  };
  for (const Case& c : cases) {
    TOraParams params;
    EXPECT_THROW(Read(params, c.data.Bytes()), olv::EReadError) << c.what;
    EXPECT_EQ(params.Count(), 0) << c.what;
  }
}

}  // namespace
}  // namespace ora
