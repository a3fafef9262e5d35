// Date arithmetic checked against the C++20 calendar types as an independent reference.
#include "foundation/text/DateTime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <random>

#include "foundation/startup/OlvPub.h"
#include "foundation/base/SysErrors.h"
#include "platform/Clock.h"
#include "tests/support/ScopedEnv.h"

namespace olv {
namespace {

using namespace std::chrono;

constexpr sys_days kDay0 = sys_days{year{1899} / 12 / 30};

year_month_day RefDate(std::int64_t dayNumber) { return year_month_day{kDay0 + days{dayNumber}}; }

TEST(DateTime, EncodeAndDecodeAgreeWithTheCalendarAcrossTheWholeRange) {
  std::mt19937_64 rng(7);
  const std::int64_t first = (sys_days{year{1} / 1 / 1} - kDay0).count();
  const std::int64_t last = (sys_days{year{9999} / 12 / 31} - kDay0).count();
  std::uniform_int_distribution<std::int64_t> pick(first, last);
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t n = i < 2 ? (i == 0 ? first : last) : pick(rng);
    const year_month_day ref = RefDate(n);
    int y, m, d;
    DecodeDate(static_cast<double>(n), y, m, d);
    ASSERT_EQ(y, int(ref.year())) << n;
    ASSERT_EQ(m, unsigned(ref.month())) << n;
    ASSERT_EQ(d, unsigned(ref.day())) << n;
    ASSERT_EQ(EncodeDate(y, m, d), static_cast<double>(n));
    ASSERT_EQ(DayOfWeek(static_cast<double>(n)), int(weekday{sys_days{ref}}.c_encoding()) + 1);
  }
}

TEST(DateTime, KnownDayNumbers) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(DayOfWeek(0), 7);  // 1899-12-30 was a Saturday
}

TEST(DateTime, TimeBeforeDayZeroIsStillTheTimeOfThatDay) {
  // -1.25: the integral part counts back to 1899-12-29, the fraction is 06:00 of it
  const DateParts p = DecodeDateTime(-1.25);
  EXPECT_EQ(p.year, 1899);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0)), -1.25);
  EXPECT_EQ(ComposeDateTime(EncodeDate(2004, 3, 2), 0.5), EncodeDate(2004, 3, 2) + 0.5);
}

TEST(DateTime, TimeRoundsToMillisecondsAndCarriesIntoTheNextDay) {
  const double almost = EncodeDate(2004, 12, 31) + 0.99999999999;
  const DateParts p = DecodeDateTime(almost);
  EXPECT_EQ(p.year, 2005);
  EXPECT_EQ(p.month, 1);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.hour + p.minute + p.second + p.msec, 0);
  const DateParts q = DecodeDateTime(EncodeTime(13, 45, 30, 250));
  EXPECT_EQ(q.hour, 13);
  EXPECT_EQ(q.minute, 45);
  EXPECT_EQ(q.second, 30);
  EXPECT_EQ(q.msec, 250);
}

TEST(DateTime, InvalidDatesAreRefusedAndSafeEncodeClamps) {
  struct Case {
    int y, m, d;
    bool valid;
  } cases[] = {{2004, 2, 29, true},  {2003, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
               {2004, 2, 31, false}, {2004, 4, 31, false}, {2004, 13, 1, false}, {2004, 0, 1, false},
               {0, 1, 1, false},     {10000, 1, 1, false}, {1, 1, 1, true},      {9999, 12, 31, true}};
  for (const Case& c : cases) {
    TDateTime t;
    EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, t), c.valid) << c.y << "-" << c.m << "-" << c.d;
    if (!c.valid && c.y >= 1 && c.y <= 9999) {
      EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
    }
  }
  EXPECT_EQ(SafeEncodeDate(2003, 2, 31), EncodeDate(2003, 2, 28));
  EXPECT_EQ(SafeEncodeDate(2004, 2, 31), EncodeDate(2004, 2, 29));
  EXPECT_EQ(SafeEncodeDate(2004, 0, 0), EncodeDate(2004, 1, 1));
  EXPECT_EQ(SafeEncodeDate(2004, 14, 40), EncodeDate(2004, 12, 31));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(DateTime, LeapYearsAndMonthLengths) {
  for (int y = 1; y <= 9999; ++y) ASSERT_EQ(IsLeapYear(y), year{y}.is_leap()) << y;
  for (int m = 1; m <= 12; ++m)
    EXPECT_EQ(DaysOfMonth(2003, m),
              int(unsigned(year_month_day_last{year{2003} / month{unsigned(m)} / last}.day())));
  EXPECT_EQ(DaysOfMonth(2004, 2), 29);
  EXPECT_EQ(DaysOfMonth(1900, 2), 28);
  EXPECT_EQ(DaysOfMonth(2000, 2), 29);
  EXPECT_EQ(DaysOfMonth(2004, 13), 0);
}

double At(int y, int m, int d, int h = 0, int n = 0) {
  return ComposeDateTime(EncodeDate(y, m, d), EncodeTime(h, n, 0, 0));
}

TEST(DateTime, YearsAndMonthsBetweenExamples) {
  struct Case {
    double a, b;
    std::int64_t years, months;
  } cases[] = {
      {At(2003, 3, 2), At(2004, 3, 1), 0, 11},
      {At(2004, 3, 2), At(2003, 3, 2), -1, -12},
      {At(2003, 3, 2, 12), At(2004, 3, 2, 6), 0, 11},  // the time of day borrows a day
      {At(2003, 3, 2, 6), At(2004, 3, 2, 12), 1, 12},
      {At(2004, 2, 29), At(2005, 2, 28), 0, 11},
      {At(2004, 2, 29), At(2005, 3, 1), 1, 12},
      {At(2004, 1, 31), At(2004, 2, 29), 0, 0},
      {At(2004, 5, 5), At(2004, 5, 5), 0, 0},
      {At(1899, 12, 29, 18), At(1900, 1, 29, 6), 0, 0},  // before day zero, calendar order
      {At(1800, 6, 15), At(1899, 12, 30), 99, 1194},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(YearsBetween(c.a, c.b), c.years) << c.a << " " << c.b;
    EXPECT_EQ(MonthsBetween(c.a, c.b), c.months) << c.a << " " << c.b;
  }
  EXPECT_EQ(DaysBetween(At(2004, 3, 1), At(2004, 3, 3, 12)), 2);
  EXPECT_EQ(DaysBetween(At(2004, 3, 3, 12), At(2004, 3, 1)), -2);
  EXPECT_EQ(DaysBetween(At(1899, 12, 29, 18), At(1899, 12, 30, 6)), 0);
}

// Independent definition: the most whole years (months) that can be added to the earlier date,
// its day kept even where the month has no such day, without passing the later one (whose day
// counts only when its time of day is not before the earlier one's).
struct Moment {
  year_month_day ymd;
  std::int64_t ms;
};

Moment Ref(std::int64_t dayNumber, std::int64_t ms) { return {RefDate(dayNumber), ms}; }

std::int64_t RefMonths(const Moment& e, Moment l) {
  if (l.ms < e.ms) l.ymd = year_month_day{sys_days{l.ymd} - days{1}};
  std::int64_t k = (int(l.ymd.year()) - int(e.ymd.year())) * 12 + (int(unsigned(l.ymd.month())) - int(unsigned(e.ymd.month())));
  auto shifted = [&](std::int64_t months) {
    const year_month ym = year_month{e.ymd.year(), e.ymd.month()} + std::chrono::months{months};
    return std::tuple(int(ym.year()), unsigned(ym.month()), unsigned(e.ymd.day()));
  };
  const auto later = std::tuple(int(l.ymd.year()), unsigned(l.ymd.month()), unsigned(l.ymd.day()));
  while (shifted(k) > later) --k;
  return k;
}

TEST(DateTime, YearsAndMonthsBetweenAgreeWithAnIndependentDefinition) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<std::int64_t> day(-40000, 60000);
  std::uniform_int_distribution<std::int64_t> ms(0, 86399999);
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t d1 = day(rng), d2 = i % 3 == 0 ? d1 + day(rng) % 800 : day(rng);
    const std::int64_t m1 = ms(rng) / 3600000 * 3600000, m2 = ms(rng) / 3600000 * 3600000;
    const double a = ComposeDateTime(static_cast<double>(d1), static_cast<double>(m1) / 86400000.0);
    const double b = ComposeDateTime(static_cast<double>(d2), static_cast<double>(m2) / 86400000.0);
    const bool bLater = std::pair(d2, m2) >= std::pair(d1, m1);
    const Moment early = bLater ? Ref(d1, m1) : Ref(d2, m2);
    const Moment late = bLater ? Ref(d2, m2) : Ref(d1, m1);
    const std::int64_t months = RefMonths(early, late);
    const std::int64_t sign = bLater ? 1 : -1;
    ASSERT_EQ(MonthsBetween(a, b), sign * months) << d1 << "+" << m1 << " " << d2 << "+" << m2;
    // whole years are whole twelve-month steps
    const std::int64_t years = months >= 0 ? months / 12 : -((-months + 11) / 12);
    ASSERT_EQ(YearsBetween(a, b), sign * years) << d1 << " " << d2;
  }
}

class DateTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallDateFormats();
    clock_.Set(sys_days{year{2026} / 6 / 15} + hours{10});
    plat::SetCurrentClock(&clock_);
  }
  void TearDown() override {
    plat::SetCurrentClock(nullptr);
    InstallFormatSettings(FormatSettings{});
  }
  plat::FakeClock clock_;
};

TEST_F(DateTexts, NowComesFromTheInjectedClockInLocalTime) {
  const auto tp = clock_.Now();
  const std::time_t t = system_clock::to_time_t(tp);
  std::tm tm{};
  localtime_r(&t, &tm);
  const DateParts p = DecodeDateTime(Now());
  EXPECT_EQ(p.year, tm.tm_year + 1900);
  EXPECT_EQ(p.month, tm.tm_mon + 1);
  EXPECT_EQ(p.day, tm.tm_mday);
  EXPECT_EQ(p.hour, tm.tm_hour);
  EXPECT_EQ(ToTimePoint(Now()), tp);
  EXPECT_EQ(Today(), DateOf(Now()));
}

TEST_F(DateTexts, NowIsLocalTime) {
  // A zone given as a POSIX rule needs no zone database: eight hours east of UTC.
  DateParts p;
  std::chrono::system_clock::time_point back;
  {
    testsupport::ScopedEnv env;
    env.Set("TZ", "CST-8");
    ::tzset();
    p = DecodeDateTime(Now());  // the clock says 2026-06-15 10:00 UTC
    back = ToTimePoint(Now());
  }
  ::tzset();
  EXPECT_EQ(p.year, 2026);
  EXPECT_EQ(p.month, 6);
  EXPECT_EQ(p.day, 15);
  EXPECT_EQ(p.hour, 18);
  EXPECT_EQ(back, clock_.Now());
}

TEST_F(DateTexts, ProgramDateTextsUseDotsAndTheShortYearMonthDayForm) {
  const double t = At(2004, 3, 2, 6, 5);
  EXPECT_EQ(DateToStr(At(2004, 3, 2)), "2004.3.2");
  EXPECT_EQ(DateTimeToStr(At(2004, 3, 2)), "2004.3.2");
  EXPECT_EQ(DateTimeToStr(t), "2004.3.2 6:05:00");
  EXPECT_EQ(FormatDateTime("dddddd", t), "2004年3月2日");
  EXPECT_EQ(FormatDateTime("mmmm dddd", t), "三月 星期二");
  EXPECT_EQ(FormatDateTime("mmmm", At(2004, 1, 2)), "元月");
  EXPECT_EQ(FormatDateTime("h:nn ampm", At(2004, 1, 2, 15)), "3:00 下午");
}

TEST_F(DateTexts, ReadingDatesAndTimes) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"2004.3.2", true, At(2004, 3, 2)},
      {" 2004.03.02 ", true, At(2004, 3, 2)},
      {"2004.2.29", true, At(2004, 2, 29)},
      {"2003.2.29", false, 0},
      {"2004.2.31", false, 0},
      {"04.3.2", true, At(2004, 3, 2)},
      {"99.3.2", true, At(1999, 3, 2)},
      {"3.2", true, At(2026, 3, 2)},  // this year
      {"2004.3.2 6:05", true, At(2004, 3, 2, 6, 5)},
      {"2004.3.2 18:05:30.5", true, At(2004, 3, 2, 18, 5) + 30.5 / 86400},
      {"2004.3.2 6:05 PM", true, At(2004, 3, 2, 18, 5)},
      {"1800.6.15 12:00", true, ComposeDateTime(EncodeDate(1800, 6, 15), 0.5)},
      {"2004-3-2", false, 0},
      {"", false, 0},
      {"2004.3.2 25:00", false, 0},
      {"2004.3.2 x", false, 0},
  };
  for (const Case& c : cases) {
    TDateTime v = -99;
    EXPECT_EQ(TryStrToDateTime(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_NEAR(v, c.value, 1e-9) << c.text;
    }
  }
  EXPECT_THROW(StrToDate("2004.2.30"), EConvertError);
  try {
    StrToDateTime("xyz");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'xyz' is not a valid date and time");
  }
  EXPECT_DOUBLE_EQ(StrToTime("6:30"), 0.25 + 30.0 / 1440);
}

TEST_F(DateTexts, TextFormAndReadingRoundTrip) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> day(-30000, 80000), sec(0, 86399);
  for (int i = 0; i < 2000; ++i) {
    const double t = ComposeDateTime(day(rng), sec(rng) / 86400.0);
    ASSERT_NEAR(StrToDateTime(DateTimeToStr(t)), t, 1e-8) << DateTimeToStr(t);
  }
}

}  // namespace
}  // namespace olv
