// When a run time falls due: one table of moments against the rule "last < T <= now" in the
// current period of each time mode; then the earliest moment something can fall due, from a
// table over the modes.
#include <gtest/gtest.h>

#include <memory>

#include "app/core/SchemeTime.h"
#include "foundation/text/DateTime.h"

namespace {

using sch::TSchemeTimeItem;

double At(int y, int mo, int d, int h, int mi, int s = 0) {
  return olv::EncodeDate(y, mo, d) + olv::EncodeTime(h, mi, s, 0);
}

struct MatchCase {
  const char* name;
  int mode;
  // The run time.
  int year, month, day, week, hour, minute;
  double last;
  double now;
  bool due;
};

std::unique_ptr<TSchemeTimeItem> Item(const MatchCase& c) {
  auto item = std::make_unique<TSchemeTimeItem>();
  item->Year = c.year;
  item->Month = c.month;
  item->Day = c.day;
  item->Week = c.week;
  item->Hour = c.hour;
  item->Minute = c.minute;
  return item;
}

// 2024-03-06 is a Wednesday; 2024 is a leap year, 2023 is not.
const MatchCase kCases[] = {
    {"day: a minute before", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 5, 8, 31), At(2024, 3, 6, 8, 29), false},
    {"day: at the moment exactly", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 5, 8, 31), At(2024, 3, 6, 8, 30), true},
    {"day: after the run of today", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 6, 8, 45), At(2024, 3, 6, 23, 59), false},
    {"day: the next day", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 6, 8, 45), At(2024, 3, 7, 8, 30), true},
    {"day: never run, time passed", sch::tmDay, 0, 0, 0, 0, 8, 0, 0, At(2024, 3, 6, 10, 20), true},
    {"day: last run at the moment itself", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 6, 8, 30), At(2024, 3, 6, 9, 0), false},
    {"week: on Wednesday", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 6, 9, 0), true},
    {"week: caught up on Friday", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 8, 12, 0), true},
    {"week: still due on Sunday night", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 10, 23, 59), true},
    {"week: not on Monday", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 4, 12, 0), false},
    {"week: not on Tuesday", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 5, 23, 0), false},
    {"week: once per week", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 3, 6, 9, 5), At(2024, 3, 9, 9, 0), false},
    {"week: Sunday item seen on Sunday", sch::tmWeek, 0, 0, 0, 6, 7, 0, At(2024, 3, 3, 7, 1), At(2024, 3, 10, 7, 0), true},
    {"week: Sunday item not yet on Saturday", sch::tmWeek, 0, 0, 0, 6, 7, 0, At(2024, 3, 3, 7, 1), At(2024, 3, 9, 7, 0), false},
    {"month: from the 15th", sch::tmMonth, 0, 0, 15, 0, 2, 0, At(2024, 2, 15, 2, 1), At(2024, 3, 15, 2, 0), true},
    {"month: before the 15th", sch::tmMonth, 0, 0, 15, 0, 2, 0, At(2024, 2, 15, 2, 1), At(2024, 3, 14, 23, 0), false},
    {"month: once", sch::tmMonth, 0, 0, 15, 0, 2, 0, At(2024, 3, 15, 2, 5), At(2024, 3, 31, 0, 0), false},
    {"month: the 31st in April is skipped", sch::tmMonth, 0, 0, 31, 0, 1, 0, At(2024, 3, 31, 1, 5), At(2024, 4, 30, 23, 59), false},
    {"month: the 31st in May", sch::tmMonth, 0, 0, 31, 0, 1, 0, At(2024, 3, 31, 1, 5), At(2024, 5, 31, 1, 0), true},
    {"month: the 30th in February is skipped", sch::tmMonth, 0, 0, 30, 0, 1, 0, 0, At(2024, 2, 29, 23, 0), false},
    {"year: 29 February in a leap year", sch::tmYear, 0, 2, 29, 0, 6, 0, At(2023, 1, 1, 0, 0), At(2024, 2, 29, 6, 0), true},
    {"year: 29 February otherwise skipped", sch::tmYear, 0, 2, 29, 0, 6, 0, At(2024, 2, 29, 6, 5), At(2025, 12, 31, 23, 0), false},
    {"year: 1 March", sch::tmYear, 0, 3, 1, 0, 0, 0, At(2023, 3, 1, 0, 5), At(2024, 3, 6, 0, 0), true},
    {"year: not before its day", sch::tmYear, 0, 12, 24, 0, 20, 0, At(2023, 12, 24, 21, 0), At(2024, 12, 24, 19, 59), false},
    {"specifically: past, not yet run", sch::tmSpecifically, 2024, 1, 10, 0, 3, 0, At(2023, 1, 1, 0, 0), At(2024, 3, 6, 10, 0), true},
    {"specifically: past, already run", sch::tmSpecifically, 2024, 1, 10, 0, 3, 0, At(2024, 1, 10, 3, 2), At(2024, 3, 6, 10, 0), false},
    {"specifically: future", sch::tmSpecifically, 2024, 12, 1, 0, 3, 0, 0, At(2024, 3, 6, 10, 0), false},
    {"specifically: 29 February of a common year", sch::tmSpecifically, 2023, 2, 29, 0, 3, 0, 0, At(2024, 3, 6, 10, 0), false},
    {"unknown mode", 5, 2024, 3, 6, 2, 0, 0, 0, At(2024, 3, 6, 10, 0), false},
};

class MatchTable : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchTable, DueExactlyInItsPeriod) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(Item(c)->Matches(c.mode, c.last, c.now), c.due) << c.name;
}

INSTANTIATE_TEST_SUITE_P(RunTimes, MatchTable, ::testing::ValuesIn(kCases));

TEST(SchemeTimeMatches, AnyItemUnderTheSchemesMode) {
  sch::TSchemeTime times;
  times.FMode = sch::tmDay;
  EXPECT_FALSE(times.Matches(0, At(2024, 3, 6, 23, 0))) << "no run time, never due";
  auto late = std::make_unique<TSchemeTimeItem>();
  late->Hour = 22;
  late->Minute = 0;
  late->Day = 20;
  times.Add(std::move(late));
  auto broken = std::make_unique<TSchemeTimeItem>();
  broken->Hour = 30;  // no such hour: never due, and no harm to the others
  times.Add(std::move(broken));
  auto early = std::make_unique<TSchemeTimeItem>();
  early->Hour = 6;
  early->Minute = 0;
  early->Day = 20;
  times.Add(std::move(early));
  EXPECT_TRUE(times.Matches(At(2024, 3, 5, 22, 5), At(2024, 3, 6, 6, 0)));
  EXPECT_FALSE(times.Matches(At(2024, 3, 6, 6, 5), At(2024, 3, 6, 21, 59)));
  EXPECT_TRUE(times.Matches(At(2024, 3, 6, 6, 5), At(2024, 3, 6, 22, 0)));
  times.FMode = sch::tmMonth;  // the 20th is still to come
  EXPECT_FALSE(times.Matches(At(2024, 3, 6, 22, 5), At(2024, 3, 6, 23, 0)));
}

// ---- The earliest due moment ------------------------------------------------------------------

struct NextCase {
  const char* name;
  int mode;
  int year, month, day, week, hour, minute;
  double last;
  double now;
  double next;  // sch::kNeverDue for none
};

const double kNever = sch::kNeverDue;

// 2024-03-06 is a Wednesday.
const NextCase kNextCases[] = {
    {"day: later today", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 5, 8, 31), At(2024, 3, 6, 7, 0), At(2024, 3, 6, 8, 30)},
    {"day: due now", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 5, 8, 31), At(2024, 3, 6, 9, 0, 17), At(2024, 3, 6, 9, 0, 17)},
    {"day: ran today, so tomorrow", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 6, 8, 45), At(2024, 3, 6, 9, 0), At(2024, 3, 7, 8, 30)},
    {"day: last run at the moment itself", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 6, 8, 30), At(2024, 3, 6, 8, 30), At(2024, 3, 7, 8, 30)},
    {"day: a missed day is not caught up", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 1, 8, 31), At(2024, 3, 6, 7, 0), At(2024, 3, 6, 8, 30)},
    {"day: clock set back behind the last run", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 6, 12, 0), At(2024, 3, 6, 7, 0), At(2024, 3, 7, 8, 30)},
    {"day: last run days ahead of the clock", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 3, 10, 9, 0), At(2024, 3, 6, 7, 0), At(2024, 3, 11, 8, 30)},
    {"day: last run a month ahead of the clock", sch::tmDay, 0, 0, 0, 0, 8, 30, At(2024, 4, 6, 9, 0), At(2024, 3, 6, 7, 0), At(2024, 4, 7, 8, 30)},
    {"day: the last minute of the day", sch::tmDay, 0, 0, 0, 0, 23, 59, At(2024, 3, 5, 23, 59, 30), At(2024, 3, 6, 0, 0), At(2024, 3, 6, 23, 59)},
    {"day: no such hour", sch::tmDay, 0, 0, 0, 0, 24, 0, 0, At(2024, 3, 6, 7, 0), kNever},
    {"week: Wednesday from Monday", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 4, 12, 0), At(2024, 3, 6, 9, 0)},
    {"week: caught up on Friday", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 2, 28, 9, 10), At(2024, 3, 8, 12, 0), At(2024, 3, 8, 12, 0)},
    {"week: ran this week, so next week", sch::tmWeek, 0, 0, 0, 2, 9, 0, At(2024, 3, 6, 9, 5), At(2024, 3, 8, 12, 0), At(2024, 3, 13, 9, 0)},
    {"week: Sunday from Saturday", sch::tmWeek, 0, 0, 0, 6, 7, 0, At(2024, 3, 3, 7, 1), At(2024, 3, 9, 7, 0), At(2024, 3, 10, 7, 0)},
    {"week: Monday midnight from Sunday night", sch::tmWeek, 0, 0, 0, 0, 0, 0, At(2024, 3, 4, 0, 5), At(2024, 3, 10, 23, 59, 59), At(2024, 3, 11, 0, 0)},
    {"week: no eighth day", sch::tmWeek, 0, 0, 0, 7, 9, 0, 0, At(2024, 3, 6, 7, 0), kNever},
    {"month: the 15th from the 14th", sch::tmMonth, 0, 0, 15, 0, 2, 0, At(2024, 2, 15, 2, 1), At(2024, 3, 14, 23, 0), At(2024, 3, 15, 2, 0)},
    {"month: ran this month, so next month", sch::tmMonth, 0, 0, 15, 0, 2, 0, At(2024, 3, 15, 2, 5), At(2024, 3, 20, 0, 0), At(2024, 4, 15, 2, 0)},
    {"month: the 31st skips April", sch::tmMonth, 0, 0, 31, 0, 1, 0, At(2024, 3, 31, 1, 5), At(2024, 4, 1, 0, 0), At(2024, 5, 31, 1, 0)},
    {"month: the 30th skips February", sch::tmMonth, 0, 0, 30, 0, 1, 0, At(2024, 1, 30, 1, 5), At(2024, 2, 1, 0, 0), At(2024, 3, 30, 1, 0)},
    {"month: the 29th in a leap February", sch::tmMonth, 0, 0, 29, 0, 1, 0, At(2024, 1, 29, 1, 5), At(2024, 2, 1, 0, 0), At(2024, 2, 29, 1, 0)},
    {"month: the 29th skips a common February", sch::tmMonth, 0, 0, 29, 0, 1, 0, At(2023, 1, 29, 1, 5), At(2023, 2, 1, 0, 0), At(2023, 3, 29, 1, 0)},
    {"month: the 31st into the next year", sch::tmMonth, 0, 0, 31, 0, 1, 0, At(2024, 12, 31, 1, 5), At(2024, 12, 31, 2, 0), At(2025, 1, 31, 1, 0)},
    {"month: no 32nd", sch::tmMonth, 0, 0, 32, 0, 1, 0, 0, At(2024, 3, 6, 7, 0), kNever},
    {"month: no day 0", sch::tmMonth, 0, 0, 0, 0, 1, 0, 0, At(2024, 3, 6, 7, 0), kNever},
    {"year: the next 29 February", sch::tmYear, 0, 2, 29, 0, 6, 0, At(2024, 2, 29, 6, 5), At(2024, 3, 1, 0, 0), At(2028, 2, 29, 6, 0)},
    {"year: 29 February across 2100", sch::tmYear, 0, 2, 29, 0, 6, 0, At(2096, 2, 29, 6, 5), At(2096, 3, 1, 0, 0), At(2104, 2, 29, 6, 0)},
    {"year: later this year", sch::tmYear, 0, 12, 24, 0, 20, 0, At(2023, 12, 24, 21, 0), At(2024, 12, 24, 19, 59), At(2024, 12, 24, 20, 0)},
    {"year: New Year from New Year's Eve", sch::tmYear, 0, 1, 1, 0, 0, 0, At(2024, 1, 1, 0, 5), At(2024, 12, 31, 23, 59), At(2025, 1, 1, 0, 0)},
    {"year: no 13th month", sch::tmYear, 0, 13, 1, 0, 6, 0, 0, At(2024, 3, 6, 7, 0), kNever},
    {"year: no 30 February", sch::tmYear, 0, 2, 30, 0, 6, 0, 0, At(2024, 3, 6, 7, 0), kNever},
    {"year: past the calendar's end", sch::tmYear, 0, 1, 1, 0, 0, 0, At(9999, 1, 1, 0, 5), At(9999, 6, 1, 0, 0), kNever},
    {"specifically: future", sch::tmSpecifically, 2024, 12, 1, 0, 3, 0, 0, At(2024, 3, 6, 10, 0), At(2024, 12, 1, 3, 0)},
    {"specifically: past, not yet run", sch::tmSpecifically, 2024, 1, 10, 0, 3, 0, At(2023, 1, 1, 0, 0), At(2024, 3, 6, 10, 0), At(2024, 3, 6, 10, 0)},
    {"specifically: past, already run", sch::tmSpecifically, 2024, 1, 10, 0, 3, 0, At(2024, 1, 10, 3, 2), At(2024, 3, 6, 10, 0), kNever},
    {"specifically: 29 February of a common year", sch::tmSpecifically, 2023, 2, 29, 0, 3, 0, 0, At(2023, 1, 6, 10, 0), kNever},
    {"unknown mode", 5, 2024, 3, 6, 2, 0, 0, 0, At(2024, 3, 6, 10, 0), kNever},
};

void PrintTo(const NextCase& c, std::ostream* os) { *os << c.name; }

class NextDueTable : public ::testing::TestWithParam<NextCase> {};

TEST_P(NextDueTable, EarliestMomentTheRunTimeMatches) {
  const NextCase& c = GetParam();
  MatchCase asMatch{c.name, c.mode, c.year, c.month, c.day, c.week, c.hour, c.minute, c.last, c.now, false};
  const auto item = Item(asMatch);
  const double next = item->NextDue(c.mode, c.last, c.now);
  EXPECT_EQ(next, c.next) << c.name;
  if (next != kNever) {
    EXPECT_TRUE(item->Matches(c.mode, c.last, next)) << c.name << ": not due at the moment given";
    if (next > c.now) {
      EXPECT_FALSE(item->Matches(c.mode, c.last, next - 1 / olv::kMSecsPerDay)) << c.name << ": due earlier";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RunTimes, NextDueTable, ::testing::ValuesIn(kNextCases));

TEST(SchemeTimeNextDue, TheEarliestItemUnderTheSchemesMode) {
  sch::TSchemeTime times;
  EXPECT_EQ(times.NextDue(0, At(2024, 3, 6, 10, 0)), kNever) << "no run time";
  for (int hour : {22, 30, 6}) {  // 30: no such hour, never due, no harm to the others
    auto item = std::make_unique<TSchemeTimeItem>();
    item->Hour = hour;
    item->Minute = 0;
    item->Day = 20;
    times.Add(std::move(item));
  }
  EXPECT_EQ(times.NextDue(At(2024, 3, 6, 6, 5), At(2024, 3, 6, 10, 0)), At(2024, 3, 6, 22, 0));
  EXPECT_EQ(times.NextDue(At(2024, 3, 6, 22, 5), At(2024, 3, 6, 23, 0)), At(2024, 3, 7, 6, 0));
  EXPECT_EQ(times.NextDue(At(2024, 3, 5, 22, 5), At(2024, 3, 6, 10, 0)), At(2024, 3, 6, 10, 0)) << "due now";
  times.FMode = sch::tmMonth;
  EXPECT_EQ(times.NextDue(At(2024, 3, 6, 6, 5), At(2024, 3, 6, 10, 0)), At(2024, 3, 20, 6, 0));
}

}  // namespace
