#include "foundation/cipher/ScrambleText.h"

#include <gtest/gtest.h>

using namespace olv;

TEST(ScrambleText, ShapeAndRoundTrip) {
  for (int i = 0; i < 50; ++i) {
    const std::string s = ScrambleText("abc");
    ASSERT_EQ(s.size(), 20u);  // 2 + 3 x 6 hex digits
    EXPECT_EQ(static_cast<unsigned char>(s[0]) + static_cast<unsigned char>(s[1]), 255);
    EXPECT_EQ(UnscrambleText(s), "abc");
  }
  const std::string longest(128, '\xE4');
  EXPECT_EQ(UnscrambleText(ScrambleText(longest)), longest);
  EXPECT_EQ(UnscrambleText(ScrambleText("")), "");
}

TEST(ScrambleText, PlainAndDamagedTextsComeBackUnchanged) {
  const std::string cases[] = {
      "ab",                                  // too short
      "plain text",                          // no key pair
      std::string("\x01\xFE") + "00A",       // odd digit count
      std::string("\x01\xFE") + "004004",    // position 0 twice
      std::string("\x01\xFE") + "00G014",    // not a hex digit
  };
  for (const auto& c : cases) EXPECT_EQ(UnscrambleText(c), c);
  // Beyond 128 bytes positions no longer fit two digits: stored as it is.
  const std::string longer(129, 'x');
  EXPECT_EQ(ScrambleText(longer), longer);
}
