// Date functions of the expression language, evaluated through the program's translator.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "foundation/text/DateTime.h"
#include "foundation/expr/ExpTranslator.h"
#include "foundation/expr/OlvBTime.h"
#include "platform/Clock.h"

using namespace olv;

namespace {

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
  return ComposeDateTime(EncodeDate(y, m, d), EncodeTime(h, n, s, 0));
}

// A date as expression text: ToTime of its day number.
std::string T(TDateTime d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "ToTime(%.10f)", d);
  return buf;
}

class DateFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings fs;
    fs.DateSeparator = ".";
    fs.ShortDateFormat = "yyyy.m.d";
    InstallFormatSettings(fs);
  }
  void TearDown() override {
    plat::SetCurrentClock(nullptr);
    InstallFormatSettings(FormatSettings{});
  }
  static std::unique_ptr<TExpression> Eval(const std::string& text) {
    TTranslateResult r = GlobalTranslator().Translate(text);
    if (!r.Node) {
      ADD_FAILURE() << text << ": " << r.GetErrorInfo();
      return MakeIntConstant(0);
    }
    r.Node->Calculate(kAlwaysStamp);
    return std::move(r.Node);
  }
  static double Date(const std::string& text) { return Eval(text)->AsDateTime(); }
  static std::int32_t Int(const std::string& text) { return Eval(text)->AsInteger(); }
};

struct DateCase {
  std::string text;
  TDateTime expected;
};

TEST_F(DateFunctions, ModifiersClampAndCarryAsDescribed) {
  const TDateTime jan31 = At(2004, 1, 31, 10, 30);
  const DateCase cases[] = {
      {"AddMonth(" + T(jan31) + ", 1)", At(2004, 2, 29, 10, 30)},
      {"AddMonth(" + T(jan31) + ", -1)", At(2003, 12, 31, 10, 30)},
      {"AddMonth(" + T(jan31) + ", 13)", At(2005, 2, 28, 10, 30)},
      {"AddMonth(" + T(jan31) + ", -13)", At(2002, 12, 31, 10, 30)},
      {"AddYear(" + T(At(2004, 2, 29)) + ", 1)", At(2005, 2, 28)},
      {"AddDay(" + T(jan31) + ", 1)", At(2004, 2, 1, 10, 30)},
      {"AddHour(" + T(At(2004, 1, 1, 23)) + ", 2)", At(2004, 1, 1, 1)},
      {"AddHour(" + T(At(2004, 1, 1, 1)) + ", -2)", At(2004, 1, 1, 23)},
      {"AddMinute(" + T(At(2004, 1, 1, 23, 50)) + ", 15)", At(2004, 1, 1, 0, 5)},
      {"AddSecond(" + T(At(2004, 1, 1, 10, 59, 50)) + ", 15)", At(2004, 1, 1, 11, 0, 5)},
      {"NewDay(" + T(At(2004, 4, 10)) + ", 31)", At(2004, 4, 30)},
      {"NewMonth(" + T(jan31) + ", 2)", At(2004, 2, 29, 10, 30)},
      {"NewYear(" + T(jan31) + ", 1999)", At(1999, 1, 31, 10, 30)},
      {"NewDate(" + T(At(2001, 3, 9, 8)) + ", '2004..5')", At(2004, 3, 5, 8)},
      {"NewTime(" + T(At(2001, 3, 9, 8, 7, 6)) + ", '11::30')", At(2001, 3, 9, 11, 7, 30)},
      {"NewHour(" + T(At(2001, 3, 9, 8, 7)) + ", 23)", At(2001, 3, 9, 23, 7)},
      {"LastDate(" + T(At(2004, 2, 3, 4, 5)) + ")", At(2004, 2, 29, 4, 5)},
      {"BPStartTime(" + T(At(2004, 5, 17, 10, 30)) + ", '季')", At(2004, 4, 1)},
      {"BPEndTime(" + T(At(2004, 5, 17, 10, 30)) + ", '季')", At(2004, 7, 1)},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Date(c.text), c.expected) << c.text;
}

TEST_F(DateFunctions, DecodersAndGaps) {
  const std::string d = T(At(2004, 6, 13, 14, 25, 36));  // a Sunday
  EXPECT_EQ(Int("Year(" + d + ")"), 2004);
  EXPECT_EQ(Int("Month(" + d + ")"), 6);
  EXPECT_EQ(Int("Day(" + d + ")"), 13);
  EXPECT_EQ(Int("WeekDay(" + d + ")"), 0);
  EXPECT_EQ(Int("Hour(" + d + ")"), 14);
  EXPECT_EQ(Int("Minute(" + d + ")"), 25);
  EXPECT_EQ(Int("Second(" + d + ")"), 36);
  EXPECT_EQ(Int("LastDay(" + T(At(2100, 2, 1)) + ")"), 28);
  const std::string a = T(At(2004, 1, 31, 12)), b = T(At(2005, 3, 1, 13, 30));
  EXPECT_EQ(Int("Years(" + a + ", " + b + ")"), 1);
  EXPECT_EQ(Int("Months(" + a + ", " + b + ")"), 13);
  EXPECT_EQ(Int("Days(" + a + ", " + b + ")"), 395);
  EXPECT_EQ(Int("Days(" + b + ", " + a + ")"), -395);
  // Part days count.
  const std::string c = T(At(2004, 1, 1, 10)), e = T(At(2004, 1, 1, 11, 30));
  EXPECT_EQ(Int("Hours(" + c + ", " + e + ")"), 1);
  EXPECT_EQ(Int("Minutes(" + c + ", " + e + ")"), 90);
  EXPECT_EQ(Int("Seconds(" + c + ", " + e + ")"), 5400);
  EXPECT_EQ(Int("Minutes(" + e + ", " + c + ")"), -90);
  EXPECT_EQ(Int("Hours(" + a + ", " + b + ")"), 395 * 24 + 1);
}

TEST_F(DateFunctions, FirstArgumentMustBeADate) {
  EXPECT_EQ(GlobalTranslator().Translate("Year('2004.1.1')").ErrorCode, eeTypeMismatch);
  EXPECT_EQ(GlobalTranslator().Translate("AddDay(1, 1)").ErrorCode, eeTypeMismatch);
  EXPECT_TRUE(GlobalTranslator().Translate("Year(ToTime('2004.1.1'))").Node);
  EXPECT_EQ(Int("Year(ToTime('2004.1.1'))"), 2004);
  // Period queries of now accept any argument.
  EXPECT_TRUE(GlobalTranslator().Translate("BStartTime(1)").Node);
}

TEST_F(DateFunctions, NowAndBusinessPeriodsReadTheInjectedClock) {
  using namespace std::chrono;
  const TDateTime now = At(2004, 5, 17, 10, 30);
  plat::FakeClock clock(ToTimePoint(now));
  plat::SetCurrentClock(&clock);
  EXPECT_NEAR(Date("DateTime()"), now, 1e-6);
  EXPECT_NEAR(Date("BTime()"), now, 1e-6);
  EXPECT_DOUBLE_EQ(Date("BStartTime('季')"), At(2004, 4, 1));
  EXPECT_DOUBLE_EQ(Date("BEndTime('季')"), At(2004, 7, 1));
  EXPECT_DOUBLE_EQ(Date("BPriorStart('季')"), At(2004, 1, 1));
  EXPECT_DOUBLE_EQ(Date("BNextEnd('季')"), At(2004, 10, 1));
  EXPECT_DOUBLE_EQ(Date("BStartTime(1)"), At(2004, 5, 17));  // no name: a day
}

}  // namespace
