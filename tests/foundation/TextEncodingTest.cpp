// GB18030 in and out, against bytes from an independent codec (gb18030_fixtures.py beside this
// file).
#include "foundation/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace olv;

namespace {

struct Pair {
  std::string utf8;
  std::string gb18030;
};

// Printed by gb18030_fixtures.py.
const Pair kPairs[] = {
    {"\xe7\xb3\xbb\xe7\xbb\x9f", "\xcf\xb5\xcd\xb3"},
    {"\xe5\x8f\x82\xe6\x95\xb0\xe8\xa1\xa8\x20\x6f\x6b", "\xb2\xce\xca\xfd\xb1\xed\x20\x6f\x6b"},
    {"\xc3\xa9", "\xa8\xa6"},
    {"\xe2\x82\xac", "\xa2\xe3"},
    {"\xc2\x80", "\x81\x30\x81\x30"},
    {"\xf0\x9f\x98\x80", "\x94\x39\xfc\x36"},
    {"\x61\x27\x62\x0d\x0a", "\x61\x27\x62\x0d\x0a"},
};

TEST(Gb18030, ConvertsBothWaysAsAnIndependentCodec) {
  for (const Pair& p : kPairs) {
    EXPECT_EQ(Utf8ToGb18030(p.utf8), p.gb18030) << p.utf8;
    EXPECT_EQ(Gb18030ToUtf8(p.gb18030), p.utf8) << p.utf8;
  }
  // GBK bytes that happen to be well-formed UTF-8 are still GBK: no guessing.
  EXPECT_EQ(Gb18030ToUtf8("\xcf\xb5\xcd\xb3"), "系统");
  EXPECT_EQ(Gb18030ToUtf8(""), "");
  const std::string nul("a\0b", 3);
  EXPECT_EQ(Gb18030ToUtf8(Utf8ToGb18030(nul + "系")), nul + "系");
}

TEST(Gb18030, DamagedBytesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  const Pair cases[] = {
      {"a" + fffd, "a\xB2"},           // a lead byte cut off at the end
      {fffd + " x", "\x81\x20x"},      // a lead byte whose partner is no trail byte
      {fffd + "a", "\xFF" "a"},        // a byte that begins nothing
      {"\xE2\x82\xAC" "1", "\x80" "1"},  // the original code page's single-byte euro
  };
  for (const Pair& c : cases) EXPECT_EQ(Gb18030ToUtf8(c.gb18030), c.utf8);
}

TEST(Gb18030, MalformedUtf8IsWrittenAsReplacementCharacters) {
  const std::string fffd = "\x84\x31\xA4\x37";  // U+FFFD in GB18030
  EXPECT_EQ(Utf8ToGb18030("a\xB2" "b"), "a" + fffd + "b");     // GBK bytes from outside
  EXPECT_EQ(Utf8ToGb18030("\xE4\xB8"), fffd + fffd);            // a character cut short
  EXPECT_EQ(Utf8ToGb18030("\xED\xA0\x80"), fffd + fffd + fffd);  // a surrogate
  // What was written reads back as a well-formed text.
  EXPECT_EQ(Gb18030ToUtf8(Utf8ToGb18030("a\xB2")), "a\xEF\xBF\xBD");
}

TEST(Gb18030, WholeLengthNeverSplitsACharacter) {
  const std::string text = "ab\xcf\xb5\x94\x39\xfc\x36" "c";  // a, b, 2 bytes, 4 bytes, c
  const struct {
    size_t max;
    size_t whole;
  } cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 4}, {5, 4}, {7, 4}, {8, 8}, {9, 9}, {100, 9}};
  for (const auto& c : cases) EXPECT_EQ(Gb18030WholeLength(text, c.max), c.whole) << c.max;
  EXPECT_EQ(Gb18030CharLen(text, 2), 2u);
  EXPECT_EQ(Gb18030CharLen(text, 4), 4u);
  EXPECT_EQ(Gb18030CharLen("\x94\x39", 0), 2u) << "never past the end";
  EXPECT_EQ(Gb18030CharLen(text, 9), 0u);
}

}  // namespace
