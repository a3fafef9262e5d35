// Oracle parameter descriptions: buffers, indicators, item access and variant conversions.
#include <gtest/gtest.h>

#include <cstring>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "foundation/text/DateTime.h"
#include "oracle/server/OraCursor.h"
#include "oracle/server/OraParamDesc.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

using da::Variant;
using testing::MessageOf;

TEST(OraParamDesc, StartsWithOneNullItemAndNoBuffer) {
  TOraParamDesc p;
  EXPECT_EQ(p.GetLength(), 1);
  EXPECT_EQ(p.GetItemSize(), 0);
  EXPECT_EQ(p.GetValuePtr(), nullptr);
  EXPECT_EQ(p.GetIndicator(1), -1);
  EXPECT_TRUE(p.GetNull());
}

struct SizeCase {
  da::TDataType type;
  std::int32_t size;
  std::int32_t itemSize;
};

TEST(OraParamDesc, ItemSizesByType) {
  const SizeCase cases[] = {
      {da::dtString, 10, 11}, {da::dtString, 0, 2},     {dtFixedChar, 5, 6},   {da::dtBytes, 10, 12},
      {da::dtVarBytes, 0, 2}, {da::dtInt32, 99, 4},     {da::dtBoolean, 0, 4}, {da::dtFloat, 0, 8},
      {da::dtDateTime, 0, 7}, {dtCursor, 0, 0},         {dtOraClob, 0, 0},     {dtTimeStamp, 0, 0},
  };
  for (const SizeCase& c : cases) {
    TOraParamDesc p;
    p.SetDataType(c.type);
    p.SetSize(c.size);
    EXPECT_EQ(p.GetItemSize(), c.itemSize) << c.type << "/" << c.size;
  }
  TOraParamDesc unknown;
  EXPECT_THROW(unknown.SetDataType(da::dtInt64), da::EAssertionFailed);
}

TEST(OraParamDesc, ATextIsCutToTheItem) {
  TOraParamDesc p;
  p.SetDataType(da::dtString);
  p.SetSize(0);
  p.SetItemAsString(1, "abc");
  EXPECT_EQ(p.GetItemAsString(1), "a");
  EXPECT_EQ(static_cast<const char*>(p.GetValuePtr())[1], '\0');
  EXPECT_EQ(p.ActualLength, 1);

  // A cut never splits a character: "ä" is two bytes.
  p.SetSize(2);
  p.SetItemAsString(1, "a\xC3\xA4");
  EXPECT_EQ(p.GetItemAsString(1), "a");
}

TEST(OraParamDesc, ArraysOfItemsWithTheirOwnIndicators) {
  TOraParamDesc p;
  p.SetDataType(da::dtInt32);
  p.SetLength(3);
  EXPECT_EQ(p.GetItemSize(), 4);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(p.GetIndicator(i), -1);
  p.SetValue(Variant::ArrayOf({Variant(7), Variant(8), Variant(9)}, 1));
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(p.GetIndicator(i), 0);
    EXPECT_EQ(p.GetItemAsInteger(i), 6 + i);
  }
  std::int32_t raw[3];
  std::memcpy(raw, p.GetValuePtr(), sizeof raw);
  EXPECT_EQ(raw[2], 9);
  EXPECT_EQ(p.GetValue(), Variant::ArrayOf({Variant(7), Variant(8), Variant(9)}, 1));

  // Arrays must start at 1: one bounded 0 to 2 makes Length 2 and fails at element 0.
  EXPECT_EQ(MessageOf([&] { p.SetValue(Variant::ArrayOf({Variant(1), Variant(2), Variant(3)}, 0)); }),
            "Index of array is not range");
  EXPECT_EQ(p.GetLength(), 2);
  EXPECT_THROW(p.GetItemAsInteger(3), ERangeError);
  EXPECT_THROW(p.SetItemNull(0, true), ERangeError);
}

TEST(OraParamDesc, ValuesChooseTheTypeOfAnUntypedParameter) {
  TOraParamDesc text;
  text.SetValue(Variant("12"));
  EXPECT_EQ(text.GetDataType(), da::dtString);
  EXPECT_EQ(text.Size, 2);
  EXPECT_EQ(text.GetValue(), Variant("12"));

  TOraParamDesc number;
  number.SetValue(Variant::Byte(5));
  EXPECT_EQ(number.GetDataType(), da::dtInt32);
  TOraParamDesc real;
  real.SetValue(Variant::Currency(1.25));
  EXPECT_EQ(real.GetDataType(), da::dtFloat);
  EXPECT_EQ(real.GetValue(), Variant(1.25));
  TOraParamDesc date;
  date.SetValue(Variant::Date(38000.5));
  EXPECT_EQ(date.GetDataType(), da::dtDateTime);
  EXPECT_EQ(date.GetValue(), Variant::Date(38000.5));

  TOraParamDesc other;
  EXPECT_EQ(MessageOf([&] { other.SetValue(Variant(true)); }), "Unknown data type.");
}

struct ConvertCase {
  const char* name;
  da::TDataType type;
  Variant in;
  Variant out;  // Empty: the conversion is refused with "Cannot convert type."
};

class OraParamDescConversions : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(OraParamDescConversions, StoreAndReadBack) {
  const ConvertCase& c = GetParam();
  TOraParamDesc p;
  p.SetDataType(c.type);
  p.SetSize(20);
  if (c.out.IsEmpty()) {
    EXPECT_EQ(MessageOf([&] { p.SetValue(c.in); }), "Cannot convert type.");
    return;
  }
  p.SetValue(c.in);
  EXPECT_EQ(p.GetValue(), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OraParamDescConversions,
    ::testing::Values(
        ConvertCase{"IntFromText", da::dtInt32, Variant("42"), Variant(42)},
        ConvertCase{"IntFromDouble", da::dtInt32, Variant(41.6), Variant(42)},
        ConvertCase{"IntFromBoolean", da::dtInt32, Variant(true), Variant()},
        ConvertCase{"FloatFromText", da::dtFloat, Variant("2.5"), Variant(2.5)},
        ConvertCase{"FloatFromWord", da::dtFloat, Variant::Word(7), Variant(7.0)},
        ConvertCase{"BooleanFromInteger", da::dtBoolean, Variant(5), Variant(true)},
        ConvertCase{"BooleanFromZero", da::dtBoolean, Variant(0), Variant(false)},
        ConvertCase{"BooleanFromText", da::dtBoolean, Variant("1"), Variant()},
        ConvertCase{"StringFromInteger", da::dtString, Variant(17), Variant("17")},
        ConvertCase{"DateFromText", da::dtDateTime, Variant("2004.11.20 13:05:09"),
                    Variant::Date(olv::EncodeDate(2004, 11, 20) + olv::EncodeTime(13, 5, 9, 0))},
        ConvertCase{"BytesFromText", da::dtBytes, Variant("ab"), Variant(std::vector<std::uint8_t>{'a', 'b'})},
        ConvertCase{"BytesFromByteArray", da::dtVarBytes, Variant(std::vector<std::uint8_t>{1, 2, 3}),
                    Variant(std::vector<std::uint8_t>{1, 2, 3})},
        ConvertCase{"BytesFromNumber", da::dtBytes, Variant(3), Variant()}),
    [](const auto& info) { return info.param.name; });

TEST(OraParamDesc, BytesAreCutToTheSize) {
  TOraParamDesc p;
  p.SetDataType(da::dtBytes);
  p.SetSize(2);
  p.SetValue(Variant("abcd"));
  EXPECT_EQ(p.GetValue(), Variant(std::vector<std::uint8_t>{'a', 'b'}));
  p.SetValue(Variant(""));
  EXPECT_TRUE(p.GetNull());
}

TEST(OraParamDesc, NullStringsReadAsEmptyTextsAndOthersAsNull) {
  TOraParamDesc s;
  s.SetDataType(da::dtString);
  s.SetSize(5);
  s.SetItemAsString(1, "abc");
  s.SetNull(true);
  EXPECT_EQ(s.GetValue(), Variant(""));
  EXPECT_EQ(s.GetItemAsString(1), "");
  EXPECT_EQ(static_cast<const char*>(s.GetValuePtr())[0], '\0') << "a NULL item is cleared";

  TOraParamDesc i;
  i.SetDataType(da::dtInt32);
  i.SetItemAsInteger(1, 5);
  i.SetValue(Variant::Null());
  EXPECT_TRUE(i.GetValue().IsNull());
  EXPECT_EQ(i.GetItemAsInteger(1), 0);
  i.SetNull(false);
  EXPECT_EQ(i.GetIndicator(1), 0);
}

TEST(OraParamDesc, DatesBeforeTheOriginSurvive) {
  TOraParamDesc p;
  p.SetDataType(da::dtDateTime);
  const double value = olv::ComposeDateTime(olv::EncodeDate(1899, 12, 29), olv::EncodeTime(18, 0, 0, 0));
  p.SetItemAsDateTime(1, value);
  EXPECT_DOUBLE_EQ(p.GetItemAsDateTime(1), value);
}

TEST(OraParamDesc, ASetterThatDoesNotFitLaysTheBufferOut) {
  // An 8-byte double or a 7-byte date in a 4-byte integer item would run past the buffer.
  TOraParamDesc p;
  p.SetDataType(da::dtInt32);
  p.SetItemAsFloat(1, 2.75);
  EXPECT_EQ(p.GetItemSize(), 8);
  EXPECT_EQ(p.GetDataType(), da::dtFloat);
  EXPECT_DOUBLE_EQ(p.GetItemAsFloat(1), 2.75);

  TOraParamDesc q;
  q.SetDataType(da::dtBoolean);
  q.SetItemAsDateTime(1, 1000.25);
  EXPECT_EQ(q.GetItemSize(), 7);
  EXPECT_DOUBLE_EQ(q.GetItemAsDateTime(1), 1000.25);

  // One that fits keeps the buffer: an integer in a float item.
  p.SetItemAsInteger(1, 3);
  EXPECT_EQ(p.GetItemSize(), 8);
  EXPECT_EQ(p.GetItemAsInteger(1), 3);
}

TEST(OraParamDesc, ConvertEOLStoresLineFeedsAndGivesPairsBack) {
  TOraParamDesc p;
  p.SetDataType(da::dtString);
  p.SetSize(20);
  p.SetConvertEOL(true);
  p.SetItemAsString(1, "a\r\nb\r\nc");
  EXPECT_STREQ(static_cast<const char*>(p.GetValuePtr()), "a\nb\nc");
  EXPECT_EQ(p.ActualLength, 5);
  EXPECT_EQ(p.GetItemAsString(1), "a\r\nb\r\nc");
}

TEST(OraParamDesc, BoundObjectsSetTheIndicator) {
  TOraParamDesc none;
  none.SetDataType(dtCursor);
  none.SyncIndicator();
  EXPECT_EQ(none.GetIndicatorPtr()[0], -1);
  EXPECT_EQ(none.GetIndicator(1), 0) << "a cursor parameter is never NULL";

  auto* cursor = new TOraCursor();
  TOraParamDesc withCursor;
  withCursor.SetDataType(dtCursor);
  withCursor.SetObject(cursor);
  withCursor.SyncIndicator();
  EXPECT_EQ(withCursor.GetIndicatorPtr()[0], 0);
  EXPECT_EQ(withCursor.GetAsCursor(), cursor);
  EXPECT_EQ(withCursor.GetValuePtr(), cursor);
  cursor->Release();

  auto* blob = new da::TBlob();
  TOraParamDesc memo;
  memo.SetDataType(da::dtMemo);
  memo.SetObject(blob);
  memo.SyncIndicator();
  EXPECT_EQ(memo.GetIndicatorPtr()[0], -1) << "an empty blob binds NULL";
  blob->SetAsString("text");
  memo.SyncIndicator();
  EXPECT_EQ(memo.GetIndicatorPtr()[0], 0);
  EXPECT_EQ(memo.GetValue(), Variant("text"));
  memo.SetNull(true);
  EXPECT_EQ(blob->Size(), 0u);
  blob->Release();

  std::int16_t own = 0;
  TOraParamDesc stamp;
  stamp.SetDataType(dtTimeStamp);
  stamp.SetObject(nullptr, &own);
  stamp.SyncIndicator();
  EXPECT_EQ(stamp.GetIndicatorPtr(), &own);
  EXPECT_EQ(own, 0) << "a timestamp keeps its own indicator";
}

TEST(OraCursor, CallStylesGuardTheHandles) {
  auto* cursor = new TOraCursor();
  cursor->SetCallStyle(1);
  CdaDef* cda = cursor->GetCDA();
  ASSERT_NE(cda, nullptr);
  cda->rc = 5;
  cursor->AllocCursor();
  EXPECT_EQ(cda->rc, 0) << "the data area is cleared on every allocation";
  EXPECT_EQ(MessageOf([&] { cursor->GetOCIStmt(); }), "Need Oracle 8 Call Interface");
  cursor->SetCallStyle(3);
  EXPECT_EQ(MessageOf([&] { cursor->AllocCursor(); }), "OCI is not inizialized");
  EXPECT_EQ(MessageOf([&] { cursor->GetCDA(); }), "Need Oracle 7.3 Call Interface");
  EXPECT_EQ(cursor->GetState(), csInactive);
  cursor->Release();
}

}  // namespace
}  // namespace ora
