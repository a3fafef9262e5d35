// Texts across the emulated call interface: the length argument is honoured, and a text handed
// back always ends with its zero byte inside the caller's buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "oracle/net/NetText.h"

namespace {

TEST(NetText, TextsPassedWithTheirLength) {
  const char sql[] = "select 1 from dual  \r\n\tGARBAGE";
  EXPECT_EQ(ora::TextOfLength(sql, 8), "select 1");                     // no zero byte needed
  EXPECT_EQ(ora::StatementText(sql, 23), "select 1 from dual");         // trailing blanks and controls go
  EXPECT_EQ(ora::TextOfLength("ab\0cd", 5), "ab");                      // a zero byte ends it early
  EXPECT_EQ(ora::TextOfLength(nullptr, 10), "");
  EXPECT_EQ(ora::StatementText("   ", 3), "");
}

TEST(NetText, CopiesAreAlwaysTerminated) {
  struct Case {
    const char* text;
    std::size_t size;
    const char* expected;
  };
  const Case cases[] = {
      {"ORA-01017", 32, "ORA-01017"},
      {"ORA-01017", 10, "ORA-01017"},  // exactly room for the zero byte
      {"ORA-01017", 9, "ORA-0101"},    // one short: cut, still terminated
      {"Oracle8", 1, ""},
      {"caf\xC3\xA9!", 5, "caf"},      // the cut never splits a character
      {"caf\xC3\xA9!", 6, "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    const std::size_t n = ora::CopyTerminated(c.text, buffer, c.size);
    EXPECT_STREQ(buffer, c.expected) << c.text << " into " << c.size;
    EXPECT_EQ(n, std::strlen(c.expected));
    EXPECT_EQ(buffer[c.size], '#') << "written past the buffer";
  }
  char untouched = '#';
  EXPECT_EQ(ora::CopyTerminated("x", &untouched, 0), 0u);
  EXPECT_EQ(untouched, '#');
}

}  // namespace
