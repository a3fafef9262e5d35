// Business periods: the worked examples, and the invariants that every period of every kind
// contains its date and ends where the next one starts, also before 1899-12-30.
#include <gtest/gtest.h>

#include <string>

#include "foundation/text/DateTime.h"
#include "foundation/expr/OlvBTime.h"

using namespace olv;

namespace {

TDateTime At(int y, int m, int d, int h = 0, int n = 0) {
  return ComposeDateTime(EncodeDate(y, m, d), EncodeTime(h, n, 0, 0));
}

struct PeriodCase {
  const char* name;
  TDateTime date;
  TDateTime start;
  TDateTime end;
};

TEST(BusinessPeriods, WorkedExamples) {
  const PeriodCase cases[] = {
      {"季", At(2004, 5, 17, 10, 30), At(2004, 4, 1), At(2004, 7, 1)},
      {"周", At(2004, 6, 16), At(2004, 6, 13), At(2004, 6, 20)},
      {"周", At(2004, 2, 1), At(2004, 2, 1), At(2004, 2, 8)},
      {"周", At(2004, 1, 30), At(2004, 1, 25), At(2004, 2, 1)},
      {"两年", At(2005, 3, 1), At(2004, 1, 1), At(2006, 1, 1)},
      {"旬", At(2004, 5, 25), At(2004, 5, 21), At(2004, 6, 1)},
      {"旬", At(2004, 5, 11), At(2004, 5, 11), At(2004, 5, 21)},
      {"半月", At(2004, 2, 20), At(2004, 2, 16), At(2004, 3, 1)},
      {"半月", At(2004, 2, 15, 23), At(2004, 2, 1), At(2004, 2, 16)},
      {"年", At(2004, 12, 31, 23, 59), At(2004, 1, 1), At(2005, 1, 1)},
      {"半年", At(2004, 7, 1), At(2004, 7, 1), At(2005, 1, 1)},
      {"双月", At(2004, 4, 30), At(2004, 3, 1), At(2004, 5, 1)},
      {"月", At(2004, 2, 29, 12), At(2004, 2, 1), At(2004, 3, 1)},
      {"天", At(2004, 2, 29, 12), At(2004, 2, 29), At(2004, 3, 1)},
      {"不定", At(2004, 2, 29, 12), At(2004, 2, 29), At(2004, 3, 1)},
      {"十年", At(2004, 2, 29), At(2000, 1, 1), At(2010, 1, 1)},
      {"三天", 7.5, 6.0, 9.0},                 // N-day periods start on day numbers divisible by N
      {"nonexistent", At(2004, 2, 29, 12), At(2004, 2, 29), At(2004, 3, 1)},  // unknown: a day
      // Before 1899-12-30: floor division keeps the calendar's periods.
      {"周", At(1899, 12, 29, 6), At(1899, 12, 24), At(1899, 12, 31)},
      {"两年", At(1899, 5, 1), At(1898, 1, 1), At(1900, 1, 1)},
      {"三天", -1.25, -3.0, 0.0},
  };
  for (const auto& c : cases) {
    TDateTime s = c.date, e = c.date;
    PeriodStart(s, c.name);
    PeriodEnd(e, c.name);
    EXPECT_EQ(s, c.start) << c.name << " " << DateTimeToStr(c.date);
    EXPECT_EQ(e, c.end) << c.name << " " << DateTimeToStr(c.date);
  }
}

TEST(BusinessPeriods, ListHoldsTheTwentyThreeKindsWeeksFromSunday) {
  const auto& list = PeriodList();
  ASSERT_EQ(list.size(), static_cast<std::size_t>(kPeriodKindCount));
  for (int k = 0; k < kPeriodKindCount; ++k) {
    EXPECT_EQ(list[k]->PerName, PeriodKindName(k));
    int kind = -1;
    TDateTime offset = 0;
    ASSERT_TRUE(FindPeriod(PeriodKindName(k), kind, offset));
    EXPECT_EQ(kind, k);
    EXPECT_EQ(offset, k == 8 ? 3.0 : 2.0);
  }
  EXPECT_EQ(KindIndexOfName("nothing"), 0);
}

// Dates every 29 hours from 1899 to 2100 (every hour of the day and every weekday come round).
TEST(BusinessPeriods, EveryDateLiesInItsPeriodAndPeriodsJoin) {
  for (int k = 0; k < kPeriodKindCount; ++k) {
    const std::string name(PeriodKindName(k));
    const double first = LinearDateTime(At(1899, 1, 1)), last = LinearDateTime(At(2100, 12, 31));
    for (double lin = first; lin < last; lin += 29.0 / 24) {
      const TDateTime d = FromLinearDateTime(lin);
      TDateTime s = d, e = d;
      PeriodStart(s, name);
      PeriodEnd(e, name);
      const double ls = LinearDateTime(s), le = LinearDateTime(e);
      ASSERT_LE(ls, lin) << name << " " << DateTimeToStr(d);
      ASSERT_LT(lin, le) << name << " " << DateTimeToStr(d);
      TDateTime next = e;
      PeriodStart(next, name);
      ASSERT_EQ(next, e) << name << " " << DateTimeToStr(d);
      TDateTime again = s;
      PeriodEnd(again, name);
      ASSERT_EQ(again, e) << name << " " << DateTimeToStr(d);
    }
  }
}

TEST(BusinessPeriods, ShiftedCalendarMovesStartsByTheOffset) {
  // A financial year starting on April 1st at 06:00.
  const TDateTime offset = At(1900, 4, 1, 6);
  EXPECT_EQ(PeriodStartOf(At(2004, 3, 31, 12), 1, offset), At(2003, 4, 1, 6));
  EXPECT_EQ(PeriodEndOf(At(2004, 3, 31, 12), 1, offset), At(2004, 4, 1, 6));
  EXPECT_EQ(PeriodStartOf(At(2004, 4, 1, 5), 1, offset), At(2003, 4, 1, 6));
  EXPECT_EQ(PeriodStartOf(At(2004, 4, 1, 7), 1, offset), At(2004, 4, 1, 6));
  // Months starting on the 16th.
  const TDateTime mid = At(1900, 1, 16);
  EXPECT_EQ(PeriodStartOf(At(2004, 3, 10), 5, mid), At(2004, 2, 16));
  EXPECT_EQ(PeriodEndOf(At(2004, 3, 10), 5, mid), At(2004, 3, 16));
}

}  // namespace
