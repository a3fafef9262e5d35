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

TEST(Variant, ArraysCompareByBoundsAndItems) {
  const Variant a = Variant::Array({Variant(1), Variant("x")}, 1);
  EXPECT_TRUE(a.IsArray());
  EXPECT_EQ(a.ArrayLowBound(), 1);
  EXPECT_EQ(a.ArrayHighBound(), 2);
  EXPECT_EQ(a.ArrayItem(2), Variant("x"));
  EXPECT_THROW(a.ArrayItem(0), Exception);
  EXPECT_EQ(a, Variant::Array({Variant(1), Variant("x")}, 1));
  EXPECT_FALSE(a == Variant::Array({Variant(1), Variant("x")}, 0));
  EXPECT_THROW(a.AsString(), Exception);
}

}  // namespace
}  // namespace da
