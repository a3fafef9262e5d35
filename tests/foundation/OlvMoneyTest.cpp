#include "foundation/expr/OlvMoney.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

struct MoneyCase {
  const char* format;
  double value;
  const char* expected;
};

void ExpectCases(const MoneyCase* begin, const MoneyCase* end) {
  for (const MoneyCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(testing::Message() << "format '" << c->format << "' value " << c->value);
    EXPECT_EQ(olv::FormatMoney(c->format, c->value), c->expected);
  }
}

template <size_t N>
void ExpectCases(const MoneyCase (&cases)[N]) {
  ExpectCases(cases, cases + N);
}

// ------------------------------------------------------------------------------------------
// Digits, fill, point and currency

TEST(MoneyText, DigitStylesAndLayout) {
  const MoneyCase cases[] = {
      {"", 1234.5, "1234.50"},
      {"#.2", 1234.5, "1234.50"},
      {",#.2", 1234.5, "1,234.50"},
      {"@1#.2", 12.5, "１２。５０"},
      {"@2", 1234.5, "一二三四点五○"},
      {"@3", 1005.5, "壹零零伍点伍零"},
      {"@5", 12.5, "12.50"},   // no such style: Arabic digits
      {"@-1", 12.5, "12.50"},
      {"#1.0", 123, "123."},    // no decimals: the point is still written
      {"#.3", 2.5, "2.500"},
      {"$", 12.5, "￥12.50"},
      {"$'US$'", 12.5, "US$12.50"},
      {"@3$", 12.5, "￥壹贰点伍零"},
      {"#10.2", 1234.5, "0001234.50"},
      {"@3#10.2", 1234.5, "零零零壹贰叁肆点伍零"},
      {"#'*'10.2", 1234.5, "***1234.50"},
      {"#''10.2", 1234.5, "1234.50"},  // an empty fill makes the padding vanish
      {"$#8.2", 12.5, "￥00012.50"},
      {"#10.2", -12.5, "0000-12.50"},
      {"@2#1.0&", 105, "一百○十五元"},  // units without reading: every digit and unit written
      {"&", 12.5, "1十2元5角0分"},
      {"&.", 12.5, "1十2.50"},
      {"@3&.'/'", 12.5, "壹拾贰/伍零"},
      {"&'|'", 12.5, "1|2|5|0|"},
      {"&&'|'", 100.5, "1|0|0|5|0|"},  // a fixed unit text is never collapsed
      {"&''", 12.5, "1250"},           // units off again, and no point after "&"
  };
  ExpectCases(cases);
}

TEST(MoneyText, LiteralTextAroundTheAmount) {
  const MoneyCase cases[] = {
      {"Total #.2 yuan", 1234.5, "Total 1234.50 yuan"},
      {"'Total: '#.2", 1234.5, "'Total: '1234.50"},     // quotes stay in the output
      {"'$,&~' #.2", 1.5, "'$,&~' 1.50"},              // codes inside quotes are text
      {"'Total: '#10.2", 1234.5, "'Total: '0001234.50"},  // "#" after a quote is a code
      {"\"a'b\"#.2", 1, "\"a'b\"1.00"},
      {"100%% of #.2", 7, "100% of 7.00"},
      {"%d %s #.2", 7, "%d %s 7.00"},  // literal text is never a format string
      {"#.2%", 7, "7.00%"},
      {"~'元整'", 12, "12.00元整"},
  };
  ExpectCases(cases);
}

// ------------------------------------------------------------------------------------------
// Reading an amount: financial numerals with units and collapsed zeros

TEST(MoneyText, FinancialReading) {
  const MoneyCase cases[] = {
      {"@3&&~", 1234.56, "壹仟贰佰叁拾肆圆伍角陆分"},
      {"@3&&~", 1005, "壹仟零伍圆整"},
      {"@3&&~", 100000000, "壹亿圆整"},
      {"@3&&~", 0.5, "伍角整"},
      {"@3&&~", 0.05, "伍分"},  // zeros at the left end are not read
      {"@3&&~", 0.07, "柒分"},
      {"@3&&~", -0.05, "负伍分"},
      {"@3&&~", 100010.05, "壹拾万零壹拾圆零伍分"},
      {"@3&&~", 1000000, "壹佰万圆整"},
      {"@3&&~", 10, "壹拾圆整"},
      {"@3&&~", 101, "壹佰零壹圆整"},
      {"@3&&~", 1010, "壹仟零壹拾圆整"},
      {"@3&&~", 1.01, "壹圆零壹分"},
      {"@3&&~", 10000.1, "壹万圆壹角整"},
      {"@3&&~", 120000000, "壹亿贰仟万圆整"},
      {"@3&&~", 100000001, "壹亿零壹圆整"},
      {"@3&&~", 1000000000000, "壹万亿圆整"},
      {"@3&&~", 20000000000000000, "贰兆圆整"},
      {"@3&&~", 12.3, "壹拾贰圆叁角整"},
      {"@3&&~'正'", 12, "壹拾贰圆正"},
      {"@3&&", 12, "壹拾贰圆"},
      {"$@3&&~", 12, "￥壹拾贰圆整"},
  };
  ExpectCases(cases);
}

TEST(MoneyText, LowerCaseReading) {
  const MoneyCase cases[] = {
      {"@2#1.1&&.", 100.5, "一百点五"},
      {"@2#1.1&&.", 101.5, "一百零一点五"},
      {"@2&&", 105, "一百零五元"},
      {"@2&&~", 20.07, "二十元零七分"},
      {"@0&&", 305.2, "3百零5元2角"},
  };
  ExpectCases(cases);
}

TEST(MoneyText, NegativeAmountsReadWithTheSignOnly) {
  const MoneyCase cases[] = {
      {"@3&&~", -1234.56, "负壹仟贰佰叁拾肆圆伍角陆分"},
      {"@3&&~", -1005, "负壹仟零伍圆整"},
      {"@3&&~", -100, "负壹佰圆整"},
      {"@3&&~", -0.5, "负伍角整"},
      {"@3&", -12, "负壹拾贰圆零角零分"},
      {"@2#1.1&&.", -100.5, "负一百点五"},
      {"@3", -12.5, "负壹贰点伍零"},
      {"@1", -3, "－３。００"},
  };
  ExpectCases(cases);
}

// Amounts that the plain reading would leave without any digit, or with a point that seems to
// stand for a whole number.
TEST(MoneyText, ZeroAndAmountsBelowOne) {
  const MoneyCase cases[] = {
      {"@3&&~", 0, "零圆整"},
      {"@2&&~", 0, "○元整"},
      {"@3&&~", 0.004, "零圆整"},
      {"@2#1.1&&.", 0.5, "○点五"},
      {"@2#1.1&&.", 0, "○点○"},
      {"@3&&~", 0.5, "伍角整"},  // 伍角 cannot be misread: no leading zero
  };
  ExpectCases(cases);
}

// ------------------------------------------------------------------------------------------
// Grouping

TEST(MoneyText, Grouping) {
  const MoneyCase cases[] = {
      {",#.2", 1234567.5, "1,234,567.50"},
      {",#.2", 123, "123.00"},
      {",#.2", 123456, "123,456.00"},
      {",4'_'", 123456789, "1_2345_6789.00"},
      {",'、'", 1234, "1、234.00"},
      {"@1,", 1234, "１，２３４。００"},  // the default separator takes the style's comma
      {"&,", 1234.5, "1千,2百3十4元5角0分"},  // units count with their digits
      {"&.,", 1234.5, "1千,2百3十4.50"},
      {"#7.2,", 12.5, "0,012.50"},  // padding counts like the digits
  };
  ExpectCases(cases);
}

TEST(MoneyText, SignIsNeverGrouped) {
  const MoneyCase cases[] = {
      {",#.2", -123, "-123.00"},
      {",#.2", -1234, "-1,234.00"},
      {",#.2", -123456, "-123,456.00"},
      {",#.2", -1234567.5, "-1,234,567.50"},
      {"&,", -1234, "-1千,2百3十4元0角0分"},
      {"@3&,", -123, "负壹佰贰拾叁圆零角零分"},
  };
  ExpectCases(cases);
}

TEST(MoneyText, GroupSizeBelowOneMeansNoGrouping) {
  const MoneyCase cases[] = {
      {",0", 1234567, "1234567.00"},
      {",-2", 1234567, "1234567.00"},
      {",0&", 1234, "1千2百3十4元0角0分"},
      {",-2147483648", -1234567, "-1234567.00"},
      {",2147483647&", 1234, "1千2百3十4元0角0分"},
  };
  ExpectCases(cases);
}

// ------------------------------------------------------------------------------------------
// Single positions and the closing word

TEST(MoneyText, SinglePosition) {
  const MoneyCase cases[] = {
      {"^0", 1234.5, "4."},
      {"^-1", 1234.5, "5"},
      {"^-2", 1234.56, "6"},
      {"^3", 1234.5, "1"},
      {"^4", 1234.5, ""},
      {"@3^2", 1234.5, "贰"},
      {"@3&^1", 1234.5, "叁拾"},
      {"@3&^-3~", 1234.5, "整"},  // the closing word stands at the position after the last decimal
      {"#8^4", 12.5, "0"},        // a padding position gives the fill
      {"@3&&^1", 1005, "零"},     // the zero word keeps the position where the run begins
      {"@3&&^2", 1005, ""},
  };
  ExpectCases(cases);
}

TEST(MoneyText, ClosingWord) {
  const MoneyCase cases[] = {
      {"~", 12.3, "12.30整"},
      {"~", 12.34, "12.34"},
      {"#.0~", 12, "12.整"},
      {"@3&&~", 12.34, "壹拾贰圆叁角肆分"},
  };
  ExpectCases(cases);
}

// ------------------------------------------------------------------------------------------
// Rounding: decimal amounts round as written, half away from zero

TEST(MoneyText, RoundingEdges) {
  const MoneyCase cases[] = {
      {"#.2", 1.005, "1.01"},
      {"#.2", 2.675, "2.68"},
      {"#.2", 0.125, "0.13"},
      {"#.2", 0.115, "0.12"},
      {"#.2", 1.004999, "1.00"},
      {"#.2", 9.995, "10.00"},
      {"#.2", 999999.995, "1000000.00"},
      {"#.2", -0.005, "-0.01"},
      {"#.2", -0.004, "0.00"},  // nothing left to be negative
      {"#.2", -0.0, "0.00"},
      {"#.2", 0, "0.00"},
      {"#.2", 0.1 + 0.2, "0.30"},
      {"#.0", 0.5, "1."},
      {"#.0", 2.5, "3."},
      {"#.0", -2.5, "-3."},
      {"#.0", 0.49, "0."},
      {"#.3", 1.0005, "1.001"},
      {"#.2", 123456789012.345, "123456789012.35"},
      {"#.2", 1e15, "1000000000000000.00"},
      {"#.0", 1e20, "100000000000000000000."},
      {"#.2", 1e-300, "0.00"},
      {"@3&&~", 0.995, "壹圆整"},
      {"@3&&~", 1004.995, "壹仟零伍圆整"},
  };
  ExpectCases(cases);
}

TEST(MoneyText, NonFiniteValuesDoNotFail) {
  EXPECT_NE(olv::FormatMoney("#.2", std::numeric_limits<double>::quiet_NaN()).find("NAN"),
            std::string::npos);
  EXPECT_NE(olv::FormatMoney("#.2", -std::numeric_limits<double>::infinity()).find("INF"),
            std::string::npos);
  EXPECT_NO_THROW(olv::FormatMoney("@3&&~,", std::numeric_limits<double>::infinity()));
}

// ------------------------------------------------------------------------------------------
// Number texts

TEST(MoneyText, NumberGivenAsText) {
  struct Case {
    const char* number;
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {"1234.5", "#.2", "1234.50"},
      {"1.999", "#.2", "1.99"},  // decimals are cut, never rounded
      {"12", "#.2", "12.00"},
      {"12", "#.0", "12."},
      {"12.7", "#.0", "12."},
      {"12", "#5.1", "012.0"},
      {"-1005", "@3&&~", "负壹仟零伍圆整"},
      {".5", "@3&&~", "伍角整"},  // no integer digits: read as 0.5
      {"-.5", "@3&&~", "负伍角整"},
      {".5", "&", "0元5角0分"},
      {".5", "#.2", ".50"},
      {"", "@3&&~", "零圆整"},
      {"12.5", "@3&.'点'", "壹拾贰点伍零"},
      {"1.五六七", "#.2", "1.五六"},  // cut by characters, never inside one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "number '" << c.number << "' format '" << c.format << "'");
    EXPECT_EQ(olv::FormatMoneyStr(c.number, c.format), c.expected);
  }
}

// ------------------------------------------------------------------------------------------
// The format language itself

TEST(MoneyFormat, CodesSetTheirFields) {
  olv::TRenMinBi a("#'*'12.4,4'_'$'US$'~'ok'", 0);
  EXPECT_EQ(a.FillText, "*");
  EXPECT_EQ(a.IntWidth, 12);
  EXPECT_EQ(a.Decimals, 4);
  EXPECT_EQ(a.GroupSize, 4);
  EXPECT_EQ(a.GroupSep, "_");
  EXPECT_EQ(a.Currency, "US$");
  EXPECT_EQ(a.Closing, "ok");
  EXPECT_FALSE(a.Units);
  EXPECT_TRUE(a.Point);
  EXPECT_EQ(a.Template, "%s");
  EXPECT_EQ(a.NumberText, "      0.0000");

  olv::TRenMinBi b("<@3&&'x'.'p'^-2>", 0);
  EXPECT_EQ(b.Style, 3);
  EXPECT_TRUE(b.Units);
  EXPECT_TRUE(b.DoubleUnits);
  EXPECT_EQ(b.UnitText, "x");
  EXPECT_TRUE(b.Point);
  EXPECT_EQ(b.PointText, "p");
  EXPECT_TRUE(b.PositionOn);
  EXPECT_EQ(b.Position, -2);
  EXPECT_EQ(b.Template, "<%s>");

  olv::TRenMinBi c("@2#&&~$,", 0);  // every default
  EXPECT_EQ(c.FillText, "○");
  EXPECT_EQ(c.IntWidth, 1);
  EXPECT_EQ(c.Decimals, 2);
  EXPECT_FALSE(c.Point);
  EXPECT_EQ(c.PointText, "点");
  EXPECT_EQ(c.Closing, "整");
  EXPECT_EQ(c.Currency, "￥");
  EXPECT_EQ(c.GroupSize, 3);
  EXPECT_EQ(c.GroupSep, ",");
}

TEST(MoneyFormat, NumbersInCodes) {
  struct Case {
    const char* format;
    int style;
    int position;
  };
  const Case cases[] = {
      {"@0x2", 2, 0},       // hexadecimal
      {"@$3", 0, 0},        // "$" is the currency code here, not a number
      {"@+3", 3, 0},
      {"@-", 0, 0},         // a sign with no digit keeps the default
      {"@-x", 0, 0},
      {"^", 0, 0},
      {"^+", 0, 0},
      {"^-$10", 0, -16},
      {"^99999999999", 0, 2147483647},  // held at the end of the range
      {"^-99999999999", 0, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    olv::TRenMinBi m(c.format, 0);
    EXPECT_EQ(m.Style, c.style);
    EXPECT_EQ(m.Position, c.position);
  }
}

TEST(MoneyFormat, ReplacedTemplateStillTakesTheAmount) {
  olv::TRenMinBi m("ab%%#.2", 5);
  EXPECT_EQ(m.Render(), "ab%5.00");
  m.Template = "[%s] 100%%";
  EXPECT_EQ(m.Render(), "[5.00] 100%");
  m.Template = "no slot";
  EXPECT_EQ(m.Render(), "no slot5.00");
}

TEST(MoneyFormat, UnclosedQuoteTakesTheRestOfTheFormat) {
  olv::TRenMinBi m("$'US#", 0);
  EXPECT_EQ(m.Currency, "US#");
  EXPECT_EQ(m.Template, "%s");
  EXPECT_EQ(olv::FormatMoney("a'#.2", 1), "a'#.21.00");
}

TEST(MoneyFormat, HugeWidthAndPrecisionStayBounded) {
  olv::TRenMinBi m("#999999999.999999999", 1.5);
  EXPECT_EQ(m.IntWidth, olv::TRenMinBi::MaxWidth);
  EXPECT_EQ(m.Decimals, olv::TRenMinBi::MaxDecimals);
  std::string text = m.Render();
  EXPECT_LT(text.size(), 300u);  // only positions up to 255 are ever written
  EXPECT_NE(text.find("1.500000000000000000"), std::string::npos);

  olv::TRenMinBi n("#-5.-3", 1.5);  // negative width and decimals
  EXPECT_EQ(n.IntWidth, 0);
  EXPECT_EQ(n.Decimals, 0);
  EXPECT_EQ(n.Render(), "2.");
}

}  // namespace
