#include "foundation/text/TextScan.h"

#include <gtest/gtest.h>

namespace olv {
namespace {

TEST(TextScan, NumberEnd) {
  struct Case {
    const char* text;
    std::size_t pos, want;
  } cases[] = {
      {"-", 1, 1},       // a lone sign consumes nothing
      {"+", 1, 1},       {"", 1, 1},        {"12", 1, 3},      {"-12", 1, 4},
      {"$1F", 1, 4},     {"$1Fg", 1, 4},    {"$", 1, 1},       {"$g", 1, 1},
      {"0x", 1, 2},      // the x is the last character: no hexadecimal prefix
      {"0x1f", 1, 5},    {"0X1F+", 1, 5},   {"0xg", 1, 1},     {"-$ff", 1, 5},
      {"1F", 1, 2},      {"a12b", 2, 4},    {"- 1", 1, 1},     {"x-5", 2, 4},
      {"-x", 1, 1},      {"12", 5, 5},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberEnd(c.text, c.pos), c.want) << c.text << " @" << c.pos;
}

TEST(TextScan, NumberEndEx) {
  struct Case {
    const char* text;
    std::size_t want;
  } cases[] = {
      {"1.", 3},   {"1.5", 4},   {"1e5", 4},  {"1e-5", 5}, {"1.5e3", 4},  // only one step
      {"12+3", 3}, {"1.x", 3},   {"1E+", 3},  {"7", 2},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberEndEx(c.text, 1), c.want) << c.text;
}

TEST(TextScan, SkipQuoteAndLiteral) {
  EXPECT_EQ(SkipQuote("'ab'c", 1), 5u);
  EXPECT_EQ(SkipQuote("\"ab'c", 1), 6u);  // no equal quote: after the end
  struct Case {
    const char* text;
    std::size_t want;
  } cases[] = {
      {"'ab'x", 5},         {"'it''s' x", 8},        {"'a'#13#10+", 10},     {"#13'x'", 7},
      {"#x", 1},            {"'a'#", 4},             {"^M^j'x' ", 8},        {"^1", 1},
      {"\"a\"'b'", 7},      {"'unclosed", 10},       {"x", 1},               {"'a' 'b'", 4},
      {"#$0D#$0a.", 9},     {"'中文'#65", 12},
  };
  for (const Case& c : cases) EXPECT_EQ(SkipLiteral(c.text, 1), c.want) << c.text;
}

TEST(TextScan, FindDelimiterStepsOverLiterals) {
  struct Case {
    const char* text;
    const char* delim;
    std::size_t pos, want;
  } cases[] = {
      {"a,b", ",", 1, 2},         {"'a,b',c", ",", 1, 6},     {"a,b", ",", 3, 4},
      {"'a,b,c", ",", 1, 7},      // an unmatched quote hides every delimiter behind it
      {"ab::cd", "::", 1, 3},     {"x'':y", ":", 1, 4},       {"abc", "", 1, 4},
      {"中,文", ",", 1, 4},        {"", ",", 1, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindDelimiter(c.text, c.delim, c.pos), c.want) << c.text;
}

TEST(TextScan, MatchParen) {
  struct Case {
    const char* text;
    std::size_t pos, want;
    bool balanced;
  } cases[] = {
      {"(a(b)c)d", 1, 8, true},  {"(a')'b)x", 1, 8, true}, {"((a)", 1, 5, false},
      {"x(y)", 1, 2, true},      // the first character is no parenthesis
      {"(a)", 2, 3, true},       {"", 1, 1, false},        {")(", 1, 2, false},  // a closing one first never balances
      {"('a)", 1, 5, false},     {"(中)x", 1, 6, true},
  };
  for (const Case& c : cases) {
    bool balanced = !c.balanced;
    EXPECT_EQ(MatchParen(c.text, c.pos, balanced), c.want) << c.text;
    EXPECT_EQ(balanced, c.balanced) << c.text;
  }
}

TEST(TextScan, ScanCharSet) {
  const std::string_view first = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
  const std::string_view rest = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_0123456789";
  EXPECT_EQ(ScanCharSet("abc1+x", 1, first, rest), 5u);
  EXPECT_EQ(ScanCharSet("1abc", 1, first, rest), 1u);
  EXPECT_EQ(ScanCharSet("", 1, first, rest), 1u);
}

TEST(TextScan, IntegerConversion) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  } cases[] = {
      {"12", true, 12},           {"-12", true, -12},     {"+7", true, 7},
      {" 5", true, 5},            {"$ff", true, 255},     {"-$10", true, -16},
      {"", false, 0},             {"-", false, 0},        {"$", false, 0},
      {"0x10", false, 0},         {"12a", false, 0},      {"5 ", false, 0},
      {"9223372036854775807", true, INT64_MAX},           {"-9223372036854775808", true, INT64_MIN},
      {"9223372036854775808", false, 0},                  {"$FFFFFFFFFFFFFFFF", true, -1},
      {"$10000000000000000", false, 0},
  };
  for (const Case& c : cases) {
    std::int64_t v = 99;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(TextScan, ParseCharCodeAndQuotedText) {
  std::string t = "  13rest";
  EXPECT_EQ(ParseCharCode(t), 13);
  EXPECT_EQ(t, "rest");
  t = "$41'";
  EXPECT_EQ(ParseCharCode(t), 0x41);
  EXPECT_EQ(t, "'");
  t = "x";
  EXPECT_EQ(ParseCharCode(t), 0);
  EXPECT_EQ(t, "x");

  t = "'it''s' tail";
  EXPECT_EQ(ParseQuotedText(t), "it's");
  EXPECT_EQ(t, " tail");
  t = "\"a'b\"c";
  EXPECT_EQ(ParseQuotedText(t), "a'b");
  EXPECT_EQ(t, "c");
  t = "'unclosed";
  EXPECT_EQ(ParseQuotedText(t), "unclosed");
  EXPECT_EQ(t, "");
}

TEST(TextScan, ParseStringLiteral) {
  struct Case {
    const char* text;
    std::string value;
    const char* rest;
  } cases[] = {
      {"'it''s'", "it's", ""},
      {"'a' x", "a", ""},  // the x is removed
      {"'ab'#13#10 + 'cd'", "ab\r\ncd", ""},
      {"'ab' 'cd'", "ab", "'cd'"},
      {"'ab'+#65^a", "abA\x01", ""},
      {"  \"x\" + ^M ;more", "x\r", "more"},
      {"'a' #66", "a", "#66"},
      {"#$4E2D", "中", ""},  // codes beyond ASCII become UTF-8 characters
      {"#20013'x'", "中x", ""},
      {"", "", ""},
      {"'a'+", "a", ""},
      {"'unclosed", "unclosed", ""},
  };
  for (const Case& c : cases) {
    std::string t = c.text;
    EXPECT_EQ(ParseStringLiteral(t), c.value) << c.text;
    EXPECT_EQ(t, c.rest) << c.text;
  }
}

}  // namespace
}  // namespace olv
