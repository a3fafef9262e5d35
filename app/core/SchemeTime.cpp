#include "app/core/SchemeTime.h"

#include <algorithm>

#include "foundation/text/DateTime.h"

namespace sch {

namespace {
const char* const kModeNames[] = {"Day", "Week", "Month", "Year", "Specifically"};
const char* const kWeekDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

std::string N(int v) { return std::to_string(v); }
}  // namespace

std::string GetTimeModeName(int mode) {
  if (mode < 0 || mode > 4) mode = tmSpecifically;
  return kModeNames[mode];
}

std::string GetWeekDayName(int day) {
  if (day < 0 || day > 6) return {};
  return kWeekDays[day];
}

TSchemeTimeItem::TSchemeTimeItem() {
  const olv::DateParts now = olv::DecodeDateTime(olv::Now());
  Year = static_cast<uint16_t>(now.year);
  Month = static_cast<uint16_t>(now.month);
  Day = static_cast<uint16_t>(now.day);
  Hour = static_cast<uint16_t>(now.hour);
  Minute = static_cast<uint16_t>(now.minute);
  Week = static_cast<uint8_t>((now.dayOfWeek + 5) % 7);  // 1 = Sunday becomes 6, 2 = Monday 0
}

void TSchemeTimeItem::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkWord>("Hour", Hour, true);
  proc.Report<olv::pkWord>("Minute", Minute, true);
  proc.Report<olv::pkByte>("Week", Week, true);
  proc.Report<olv::pkWord>("Month", Month, Month != 0);
  proc.Report<olv::pkWord>("Year", Year, Year != 0);
  proc.Report<olv::pkWord>("Day", Day, Day != 0);
  proc.Report<olv::pkString>("TimeMask", TimeMask, !TimeMask.empty());
}

std::string TSchemeTimeItem::GetText(int mode) const {
  const std::string time = N(Hour) + ":" + N(Minute);
  switch (mode) {
    case tmDay: return time;
    case tmWeek: return GetWeekDayName(Week) + time;
    case tmMonth: return N(Day) + " days " + time;
    case tmYear: return N(Month) + "-" + N(Day) + " " + time;
    default: return N(Year) + "-" + N(Month) + "-" + N(Day) + " " + time;
  }
}

TSchemeTime::TSchemeTime() : List(std::make_unique<olv::TList>()) {}

void TSchemeTime::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkByte>("FMode", FMode, true);
  proc.ReportObjectList("List", List, List && List->Count() > 0);
}

void TSchemeTime::AfterRead(olv::TObjReader&) {
  if (!List) List = std::make_unique<olv::TList>();
}

void TSchemeTime::Add(std::unique_ptr<TSchemeTimeItem> item) { List->Add(std::move(item)); }

void TSchemeTime::Delete(int index) { List->Delete(index); }

TSchemeTimeItem* TSchemeTime::GetItem(int index) const {
  return dynamic_cast<TSchemeTimeItem*>(List->Items(index));
}

void TSchemeTime::GetTexts(olv::TStringList& strings) const {
  for (int i = 0; i < Count(); ++i) {
    if (const TSchemeTimeItem* item = GetItem(i)) strings.Add(item->GetText(FMode));
  }
}

bool TSchemeTimeItem::MomentInPeriod(int mode, double inPeriod, double& moment) const {
  int y = 0, m = 0, d = 0;
  olv::DecodeDate(inPeriod, y, m, d);
  olv::TDateTime date = 0;
  bool ok = false;
  switch (mode) {
    case tmDay:
      ok = olv::TryEncodeDate(y, m, d, date);
      break;
    case tmWeek: {
      if (Week > 6) return false;
      const int today = (olv::DayOfWeek(inPeriod) + 5) % 7;  // 0 = Monday
      date = olv::DateOf(inPeriod) - today + Week;
      ok = true;
      break;
    }
    case tmMonth:
      ok = olv::TryEncodeDate(y, m, Day, date);
      break;
    case tmYear:
      ok = olv::TryEncodeDate(y, Month, Day, date);
      break;
    case tmSpecifically:
      ok = olv::TryEncodeDate(Year, Month, Day, date);
      break;
    default:
      return false;
  }
  // A date the period lacks skips this item for the period; the timer goes on.
  olv::TDateTime time = 0;
  if (!ok || !olv::TryEncodeTime(Hour, Minute, 0, 0, time)) return false;
  moment = olv::ComposeDateTime(date, time);
  return true;
}

bool TSchemeTimeItem::Matches(int mode, double last, double now) const {
  double t = 0;
  return MomentInPeriod(mode, now, t) && last < t && t <= now;
}

namespace {

// The first day of the period after the one holding day (under mode); false past the calendar.
bool NextPeriod(int mode, double day, double& next) {
  int y = 0, m = 0, d = 0;
  olv::DecodeDate(day, y, m, d);
  switch (mode) {
    case tmDay:
      next = olv::DateOf(day) + 1;
      return true;
    case tmWeek:
      next = olv::DateOf(day) - (olv::DayOfWeek(day) + 5) % 7 + 7;
      return true;
    case tmMonth:
      return m < 12 ? olv::TryEncodeDate(y, m + 1, 1, next) : olv::TryEncodeDate(y + 1, 1, 1, next);
    case tmYear:
      return olv::TryEncodeDate(y + 1, 1, 1, next);
    default:  // "Specifically" has one period
      return false;
  }
}

// Periods NextDue looks at before it gives up: the first may hold a moment before last, and
// then the longest run of periods lacking the date (29 February: from 2096 to 2104) must fit.
constexpr int kPeriodsToTry = 13;

}  // namespace

double TSchemeTimeItem::NextDue(int mode, double last, double now) const {
  double period = last > now ? last : now;
  for (int i = 0; i < kPeriodsToTry; ++i) {
    double t = 0;
    if (MomentInPeriod(mode, period, t) && last < t) return t > now ? t : now;
    if (!NextPeriod(mode, period, period)) break;
  }
  return kNeverDue;
}

bool TSchemeTime::Matches(double last, double now) const {
  for (int i = 0; i < Count(); ++i) {
    const TSchemeTimeItem* item = GetItem(i);
    if (item && item->Matches(FMode, last, now)) return true;
  }
  return false;
}

double TSchemeTime::NextDue(double last, double now) const {
  double next = kNeverDue;
  for (int i = 0; i < Count() && next > now; ++i) {
    if (const TSchemeTimeItem* item = GetItem(i)) next = std::min(next, item->NextDue(FMode, last, now));
  }
  return next;
}

}  // namespace sch
