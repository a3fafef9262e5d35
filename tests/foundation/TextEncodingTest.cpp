#include "foundation/text/TextEncoding.h"

#include <gtest/gtest.h>

using namespace olv;

TEST(TextEncoding, Utf8Validity) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii text longer than eight bytes", true},
      {"参数表", true},
      {"\xF0\x9F\x98\x80", true},         // U+1F600
      {"\xB2\xCE\xCA\xFD", false},        // GBK
      {"\xC0\xAF", false},                // overlong "/"
      {"\xE0\x80\xAF", false},            // overlong
      {"\xED\xA0\x80", false},            // surrogate
      {"\xF4\x90\x80\x80", false},        // above U+10FFFF
      {"abc\xE4\xB8", false},             // cut short
      {"abcdefgh\x80", false},            // stray continuation after an ASCII run
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(TextEncoding, GbkConversion) {
  bool lossless = false;
  EXPECT_EQ(GbkToUtf8("\xB2\xCE\xCA\xFD\xB1\xED ok", &lossless), "参数表 ok");
  EXPECT_TRUE(lossless);
  // A lead byte without its partner at the end cannot be converted: it becomes U+FFFD.
  EXPECT_EQ(GbkToUtf8("a\xB2", &lossless), "a\xEF\xBF\xBD");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(ToUtf8FromStored("参数表"), "参数表");
  EXPECT_EQ(ToUtf8FromStored("\xB1\xED"), "表");
}
