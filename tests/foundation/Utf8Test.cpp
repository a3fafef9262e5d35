#include "foundation/text/Utf8.h"

#include <gtest/gtest.h>

namespace olv {
namespace {

TEST(Utf8, CharacterBoundaries) {
  const std::string t = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";  // a é 中 😀 z
  EXPECT_EQ(utf8::CharLen(t, 0), 1u);
  EXPECT_EQ(utf8::CharLen(t, 1), 2u);
  EXPECT_EQ(utf8::CharLen(t, 3), 3u);
  EXPECT_EQ(utf8::CharLen(t, 6), 4u);
  EXPECT_EQ(utf8::CharLen(t, 2), 1u);  // a stray continuation byte counts alone
  EXPECT_EQ(utf8::CharLen(t, 99), 0u);
  EXPECT_EQ(utf8::CharLen("\xE4\xB8", 0), 1u);  // a truncated character does not run past the end
  EXPECT_EQ(utf8::CharStart(t, 8), 6u);
  EXPECT_EQ(utf8::CharStart(t, 4), 3u);
  EXPECT_EQ(utf8::Length(t), 5u);
  EXPECT_EQ(utf8::OffsetOfChar(t, 3), 6u);
  EXPECT_EQ(utf8::CutWhole(t, 5), "a\xC3\xA9");
  EXPECT_EQ(utf8::CutWhole(t, 6), "a\xC3\xA9\xE4\xB8\xAD");
  EXPECT_TRUE(utf8::IsValid(t));
  EXPECT_FALSE(utf8::IsValid("\xE4\xB8"));
  EXPECT_FALSE(utf8::IsValid("\xC0\xAF"));      // overlong
  EXPECT_FALSE(utf8::IsValid("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(utf8::IsValid("\xB0\xA1"));      // GBK bytes
}

TEST(Utf8, Validity) {
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ascii text longer than eight bytes", true},
      {"参数表", true},
      {"\xF0\x9F\x98\x80", true},   // U+1F600
      {"\xB2\xCE\xCA\xFD", false},  // GBK
      {"\xE0\x80\xAF", false},       // overlong
      {"\xF0\x80\x80\xAF", false},   // overlong
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"abcdefgh\x80", false},       // stray continuation after an ASCII run
  };
  for (const auto& c : cases) EXPECT_EQ(utf8::IsValid(c.text), c.valid) << c.text;
}

TEST(Utf8, EncodingAndCaseFolding) {
  std::string s;
  utf8::Append(s, U'A');
  utf8::Append(s, 0x4E2D);
  utf8::Append(s, 0x1F600);
  utf8::Append(s, 0xD800);
  EXPECT_EQ(s, "A\xE4\xB8\xAD\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ(utf8::AsciiUpper("abc é 中"), "ABC é 中");
  EXPECT_EQ(utf8::AsciiLower("ABC É"), "abc É");
  EXPECT_TRUE(utf8::SameText("ProgramDir", "PROGRAMDIR"));
  EXPECT_FALSE(utf8::SameText("é", "É"));
  EXPECT_LT(utf8::CompareText("abc", "ABD"), 0);
  EXPECT_GT(utf8::CompareText("abc", "AB"), 0);
  EXPECT_EQ(utf8::FindText("Hello World", "WORLD"), 6u);
  EXPECT_EQ(utf8::FindText("Hello", "x"), std::string_view::npos);
}

}  // namespace
}  // namespace olv
