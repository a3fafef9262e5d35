// Variants: distinct type tags, conversions under the shared format settings, and the errors.
#include <gtest/gtest.h>

#include "dataaccess/DAErrors.h"
#include "dataaccess/TextUtil.h"
#include "dataaccess/Variant.h"

namespace da {
namespace {

TEST(Variant, TypeTagsStayDistinct) {
  EXPECT_EQ(Variant().VarType(), varEmpty);
  EXPECT_EQ(Variant::Null().VarType(), varNull);
  EXPECT_EQ(Variant::Smallint(5).VarType(), varSmallint);
  EXPECT_EQ(Variant(std::int32_t{5}).VarType(), varInteger);
  EXPECT_EQ(Variant(std::int64_t{5}).VarType(), varInt64);
  EXPECT_EQ(Variant::Byte(5).VarType(), varByte);
  EXPECT_EQ(Variant::Word(5).VarType(), varWord);
  EXPECT_EQ(Variant::LongWord(5).VarType(), varLongWord);
  EXPECT_EQ(Variant::ShortInt(5).VarType(), varShortInt);
  EXPECT_EQ(Variant(5.0).VarType(), varDouble);
  EXPECT_EQ(Variant::Single(5.0f).VarType(), varSingle);
  EXPECT_EQ(Variant::Currency(5.0).VarType(), varCurrency);
  EXPECT_EQ(Variant::Date(5.0).VarType(), varDate);
  EXPECT_EQ(Variant(true).VarType(), varBoolean);
  EXPECT_EQ(Variant("x").VarType(), varString);
  EXPECT_EQ(Variant(u"x").VarType(), varOleStr);
  EXPECT_EQ(Variant(std::vector<std::uint8_t>{1, 2}).VarType(), varByteArray);
  // Same number, different tags: not equal.
  EXPECT_FALSE(Variant(5.0) == Variant::Date(5.0));
  EXPECT_FALSE(Variant::Smallint(5) == Variant(std::int32_t{5}));
  EXPECT_TRUE(Variant("a") == Variant(std::string("a")));
}

struct TextCase {
  Variant value;
  std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class VariantText : public testing::TestWithParam<TextCase> {};

TEST_P(VariantText, AsString) { EXPECT_EQ(GetParam().value.AsString(), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Cases, VariantText,
    testing::Values(TextCase{Variant(), ""}, TextCase{Variant::Null(), ""}, TextCase{Variant(1.5), "1.5"},
                    TextCase{Variant(0.1 + 0.2), "0.3"}, TextCase{Variant(1234567890123456.0), "1.23456789012346e+15"},
                    TextCase{Variant(std::int32_t{-12}), "-12"}, TextCase{Variant::Currency(2.12345), "2.1235"},
                    TextCase{Variant(true), "True"}, TextCase{Variant(u"\u00e9t\u00e9"), "\xC3\xA9t\xC3\xA9"},
                    TextCase{Variant::Date(45356.0), "2024.3.5"},
                    TextCase{Variant::Date(45356.0 + (7 * 3600 + 8 * 60 + 9) / 86400.0), "2024.3.5 07:08:09"},
                    TextCase{Variant::Date(0.0), "1899.12.30"}));

TEST(Variant, NumbersFromText) {
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_EQ(Variant(" -7 ").AsInt64(), -7);
  EXPECT_DOUBLE_EQ(Variant("2.5").AsDouble(), 2.5);
  EXPECT_THROW(Variant("2,5").AsDouble(), EConvertError);  // "." only, whatever the locale
  EXPECT_THROW(Variant("abc").AsInteger(), EConvertError);
  EXPECT_THROW(Variant("1.5").AsInteger(), EConvertError);
  EXPECT_THROW(Variant("").AsInteger(), EConvertError);
  EXPECT_THROW(Variant(std::int64_t{1} << 40).AsInteger(), EConvertError);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // banker's rounding of the platform
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
}

TEST(Variant, DatesFromText) {
  EXPECT_DOUBLE_EQ(Variant("2024.3.5").AsDate(), 45356.0);
  EXPECT_NEAR(Variant("2024.3.5 12:00").AsDate(), 45356.5, 1e-9);
  EXPECT_THROW(Variant("2024.2.30").AsDate(), EConvertError);
  EXPECT_THROW(Variant("2024-03-05").AsDate(), EConvertError);
  EXPECT_THROW(Variant(true).AsDate(), Exception);
}

TEST(Variant, ByteArraysAndCannotConvert) {
  Variant bytes(std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_EQ(bytes.AsBytes().size(), 3u);
  try {
    bytes.AsString();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot convert type.");
  }
  EXPECT_THROW(Variant("x").AsBytes(), Exception);
}

TEST(VariantArray, BoundsItemsAndCopiesOfTheirOwn) {
  Variant a = Variant::ArrayOf({Variant(1), Variant("two")});
  EXPECT_TRUE(a.IsArray());
  EXPECT_EQ(a.VarType(), varVariantArray);
  EXPECT_EQ(a.ArrayLowBound(), 0);
  EXPECT_EQ(a.ArrayHighBound(), 1);
  EXPECT_EQ(a.ArrayItem(1), Variant("two"));

  // A DML array: bounds 1 .. n; growing keeps the items and adds Empty ones.
  Variant rows = Variant::CreateArray(1, 1);
  rows.SetArrayItem(1, Variant(5));
  Variant before = rows;
  rows.RedimArray(3);
  EXPECT_EQ(rows.ArrayCount(), 3);
  EXPECT_EQ(rows.ArrayItem(1), Variant(5));
  EXPECT_TRUE(rows.ArrayItem(3).IsEmpty());
  rows.SetArrayItem(2, Variant(6));
  EXPECT_EQ(before.ArrayCount(), 1);  // the copy taken before is its own
  EXPECT_FALSE(before == rows);
  rows.RedimArray(0);
  EXPECT_EQ(rows.ArrayCount(), 0);

  for (int index : {-1, 2}) EXPECT_THROW(a.ArrayItem(index), Exception) << index;
  EXPECT_THROW(a.SetArrayItem(5, Variant(1)), Exception);
  EXPECT_THROW(Variant(1).ArrayLowBound(), Exception);
  EXPECT_THROW(a.AsString(), Exception);
  EXPECT_THROW(a.AsDate(), Exception);
  // Byte arrays answer the same bounds, indexed from 0.
  const Variant bytes(std::vector<std::uint8_t>{7, 8});
  EXPECT_EQ(bytes.ArrayHighBound(), 1);
  EXPECT_EQ(bytes.ArrayItem(1), Variant::Byte(8));
  EXPECT_TRUE(Variant::ArrayOf({Variant(1)}, 1) == Variant::ArrayOf({Variant(1)}, 1));
  EXPECT_FALSE(Variant::ArrayOf({Variant(1)}, 1) == Variant::ArrayOf({Variant(1)}, 0));
}

TEST(DateTimeParts, TakenApartAndPutTogetherToTheMillisecond) {
  struct Case {
    double day;
    TDateTimeParts parts;
  };
  const Case cases[] = {
      {0, {1899, 12, 30, 0, 0, 0, 0}},
      {45356.5, {2024, 3, 5, 12, 0, 0, 0}},
      {-1.25, {1899, 12, 29, 6, 0, 0, 0}},  // the fraction is the time also before the origin
      {EncodeDayNumber(1, 1, 1), {1, 1, 1, 0, 0, 0, 0}},
      {EncodeDayNumber(9999, 12, 31) + 86399999 / 86400000.0, {9999, 12, 31, 23, 59, 59, 999}},
      {2 + (3723004.0) / 86400000.0, {1900, 1, 1, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    const TDateTimeParts p = DecodeDateTime(c.day);
    EXPECT_EQ(std::vector<int>({p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.MSec}),
              std::vector<int>({c.parts.Year, c.parts.Month, c.parts.Day, c.parts.Hour, c.parts.Minute,
                                c.parts.Second, c.parts.MSec}))
        << c.day;
    EXPECT_NEAR(EncodeDateTime(c.parts), c.day, 1e-9) << c.day;
  }
  // A time a hair short of midnight rounds into the next day.
  const TDateTimeParts next = DecodeDateTime(1 - 1e-10);
  EXPECT_EQ(next.Day, 31);
  EXPECT_EQ(next.Hour, 0);
  TDateTimeParts bad;
  bad.Hour = 24;
  EXPECT_THROW(EncodeDateTime(bad), EConvertError);
}

TEST(TextUtil, CutsNeverSplitACharacter) {
  const std::string text = "a\xC3\xA9\xE5\x90\x8D";  // a, 2-byte, 3-byte
  EXPECT_EQ(Utf8CutLength(text, 1), 1u);
  EXPECT_EQ(Utf8CutLength(text, 2), 1u);
  EXPECT_EQ(Utf8CutLength(text, 3), 3u);
  EXPECT_EQ(Utf8CutLength(text, 4), 3u);
  EXPECT_EQ(Utf8CutLength(text, 5), 3u);
  EXPECT_EQ(Utf8CutLength(text, 6), 6u);
  EXPECT_EQ(Utf8CutLength(text, 60), 6u);
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("x\xF0\x9F\x98\x80y")), "x\xF0\x9F\x98\x80y");
  EXPECT_EQ(Utf8ToUtf16("\xFF"), u"\uFFFD");
  EXPECT_EQ(AsciiUpper("abc\xC3\xA9"), "ABC\xC3\xA9");
}

}  // namespace
}  // namespace da
