#include "foundation/text/TextServices.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/expr/GuardedDivision.h"
#include "foundation/base/SysErrors.h"

namespace olv {
namespace {

TEST(TextServices, TrimmingAndSmallHelpers) {
  EXPECT_EQ(TrimLeftBlank(std::string("\0\t\r\n x\x01 ", 8)), "x\x01 ");
  EXPECT_EQ(TrimRightBlank(std::string(" \x01x \t\r\n\0", 8)), " \x01x");
  EXPECT_EQ(TrimLeftBlank("\x01x"), "\x01x");  // other control characters stay
  EXPECT_EQ(TrimLeftBlank(""), "");
  EXPECT_EQ(RepeatChar('-', 3), "---");
  EXPECT_EQ(Spaces(2), "  ");
  EXPECT_EQ(IfThenStr(false, "a", "b"), "b");
  EXPECT_EQ(MinInt(-3, 2), -3);
  EXPECT_EQ(ByteToHex(0x0F), "0F");
  EXPECT_EQ(ByteToHex(0xA5), "A5");
  EXPECT_EQ(GetBoolNames()[1], "Yes");
  EXPECT_EQ(GetBoolChars()[0], "N");
  EXPECT_EQ(PCharLen(nullptr), 0u);
  EXPECT_EQ(PCharCopy(nullptr), "");
  EXPECT_EQ(ConcatToPChar({"a", "b"}), "ab");
}

TEST(TextServices, LastCharPosSearchesLongTexts) {
  std::string t(1000, 'a');
  t[700] = '\\';
  EXPECT_EQ(LastCharPos('\\', t), 701u);  // beyond 255 characters too
  EXPECT_EQ(LastCharPos('x', t), 0u);
  EXPECT_EQ(LastCharPos('a', ""), 0u);
}

TEST(TextServices, ReplaceAt) {
  std::string t = "abcdef";
  ReplaceAt(t, 2, 3, "XY");
  EXPECT_EQ(t, "aXYef");
  ReplaceAt(t, 99, 1, "!");
  EXPECT_EQ(t, "aXYef!");
  ReplaceAt(t, 1, 99, "");
  EXPECT_EQ(t, "");
}

TEST(TextServices, CaseFoldingTouchesAsciiOnly) {
  EXPECT_EQ(CapitalizeFirst("hELLO wORLD"), "Hello world");
  EXPECT_EQ(CapitalizeFirst("ÉCOLE"), "École");  // É is no ASCII letter and stays
  EXPECT_EQ(CapitalizeFirst("中文ABC"), "中文abc");
  EXPECT_EQ(CapitalizeFirst(""), "");
}

TEST(TextServices, WholeCharacters) {
  const std::string t = "a中b";  // a, then three bytes, then b
  EXPECT_TRUE(IsCharStart(t, 1));
  EXPECT_TRUE(IsCharStart(t, 2));
  EXPECT_FALSE(IsCharStart(t, 3));
  EXPECT_FALSE(IsCharStart(t, 4));
  EXPECT_TRUE(IsCharStart(t, 5));
  EXPECT_TRUE(IsCharStart(t, 6));
  EXPECT_EQ(CopyWholeChars(t, 3, 3), "中b");  // start inside a character moves back
  EXPECT_EQ(CopyWholeChars(t, 1, 3), "a");    // a character that does not fit is left out
  EXPECT_EQ(CopyWholeChars(t, 1, 4), "a中");
  EXPECT_EQ(CopyWholeChars(t, 9, 2), "");
  EXPECT_EQ(CopyWholeChars("abc", 2, 5), "bc");
}

TEST(TextServices, StrToIntSigned) {
  struct Case {
    const char* text;
    std::int64_t value;
  } cases[] = {{"", 0},     {"12", 12},      {"-12", -12},   {"+$1F", 31},
               {"-0x10", -16}, {"0X1f", 31}, {"$ff", 255},   {"--5", 5}};
  for (const Case& c : cases) EXPECT_EQ(StrToIntSigned(c.text), c.value) << c.text;
  for (const char* bad : {"-", "0x", "12a", "0xg", "1.5", "x"}) EXPECT_THROW(StrToIntSigned(bad), EConvertError) << bad;
  try {
    StrToIntSigned("-abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(TextServices, FloatConversion) {
  struct Case {
    const char* text;
    double prefix;
  } cases[] = {{"12.5kg", 12.5}, {"1e3", 1000},  {"1e", 1},       {"-.5", -0.5}, {"", 0},
               {"abc", 0},       {"  2.", 2},    {"1.5e-2x", 0.015}, {"-", 0},   {"1e999", HUGE_VAL}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloatPrefix(c.text)), c.prefix) << c.text;
  long double v = 0;
  EXPECT_TRUE(TryStrToFloat(" 2.5 ", v));
  EXPECT_EQ(v, 2.5L);
  EXPECT_FALSE(TryStrToFloat("2,5", v));
  EXPECT_FALSE(TryStrToFloat("", v));
}

TEST(TextServices, FixedAndRounding) {
  EXPECT_EQ(FloatToFixed(10, 2, 1234.567), "   1234.57");
  EXPECT_EQ(FloatToFixed(0, 0, -2.5), "-3");
  EXPECT_EQ(FloatToFixed(3, 2, 12.345), "12.35");  // wider than the field
  struct Case {
    int digits;
    double value, want;
  } cases[] = {{2, 1.234, 1.23},  {0, 2.5, 2},     {0, 3.5, 4},     {0, -2.5, -2},
               {1, 0.25, 0.2},    {-1, 25, 20},    {-2, 1250, 1200}, {-2, 1351, 1400}};
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(static_cast<double>(RoundToDigits(c.digits, c.value)), c.want) << c.digits << " " << c.value;
}

TEST(GuardedDivision, RaisesWithTheProgramsTexts) {
  EXPECT_EQ(iDiv(7, 2), 3);
  EXPECT_EQ(iDiv(-7, 2), -3);
  try {
    iDiv(5, 0);
    FAIL();
  } catch (const EDivByZero& e) {
    EXPECT_STREQ(e.what(), "被0除iDiv(5,0)");
  }
  EXPECT_THROW(iDiv(INT64_MIN, -1), EOverflow);
  EXPECT_EQ(fDiv(7, 2), 3.5L);
  try {
    fDiv(1.5, 1e-20);
    FAIL();
  } catch (const EZeroDivide& e) {
    EXPECT_STREQ(e.what(), "被0除fDiv(1.50,0.00)");
  }
  EXPECT_THROW(fDiv(1, 0), EZeroDivide);
  EXPECT_THROW(fDiv(1e4930L, 1e-5L), EOverflow);
  EXPECT_NO_THROW(fDiv(1e4900L, 1e-5L));
}

}  // namespace
}  // namespace olv
