// What a run record keeps of a log: a short log whole, a long one as its head and tail around a
// line saying how much was left out, never more than the bounds, lines never cut in two unless
// one line alone is longer than a bound (then not inside a UTF-8 character).
#include "app/core/RunLogExcerpt.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ScratchFolder.h"

namespace {

using testsupport::WriteAll;

TEST(RunLogExcerpt, ShortLogsWholeLongOnesHeadAndTailAroundTheMarker) {
  testsupport::ScratchFolder dir;
  const std::string file = dir / "exp.log";

  WriteAll(file, "one\ntwo\r\nthree");
  sch::LogExcerpt whole = sch::ReadLogExcerpt(file, {}, 64, 64);
  EXPECT_FALSE(whole.cut);
  EXPECT_EQ(whole.text, "one\r\ntwo\r\nthree\r\n");

  std::string lines;
  for (int i = 0; i < 100; ++i) lines += "line " + std::to_string(100 + i) + "\n";  // 9 bytes each
  WriteAll(file, lines);
  sch::LogExcerpt cut = sch::ReadLogExcerpt(file, "/kept/exp.log", 40, 40);
  EXPECT_TRUE(cut.cut);
  EXPECT_EQ(cut.size, lines.size());
  EXPECT_EQ(cut.text,
            "line 100\r\nline 101\r\nline 102\r\nline 103\r\n"
            "[... " + std::to_string(lines.size() - 8 * 9) + " bytes of the log left out; the whole log is kept as "
            "/kept/exp.log ...]\r\n"
            "line 196\r\nline 197\r\nline 198\r\nline 199\r\n");
  EXPECT_EQ(cut.leftOut, lines.size() - 8 * 9);

  // One line of two-byte characters, longer than both bounds: cut, but never inside a character.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "\xc3\xa9";
  WriteAll(file, wide);
  sch::LogExcerpt oneLine = sch::ReadLogExcerpt(file, {}, 41, 41);
  EXPECT_TRUE(oneLine.cut);
  const std::string head = oneLine.text.substr(0, oneLine.text.find("\r\n"));
  EXPECT_EQ(head, wide.substr(0, 40));
  EXPECT_EQ(oneLine.text.substr(oneLine.text.size() - 42), wide.substr(0, 40) + "\r\n");

  EXPECT_EQ(sch::ReadLogExcerpt(dir / "missing.log").text, "");
}

}  // namespace
