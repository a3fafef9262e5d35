#include "foundation/expr/OlvBTime.h"

#include <cmath>
#include <cstdint>

namespace olv {

namespace {

constexpr std::string_view kKindNames[kPeriodKindCount] = {
    "不定", "年", "半年", "季", "双月", "月", "半月", "旬", "周", "五天", "四天", "三天",
    "两天", "天", "两年", "三年", "四年", "五年", "六年", "七年", "八年", "九年", "十年"};

enum Kind {
  kNone = 0, kYear = 1, kHalfYear = 2, kQuarter = 3, kTwoMonths = 4, kMonth = 5, kHalfMonth = 6,
  kTenDays = 7, kWeek = 8, kFiveDays = 9, kFourDays = 10, kThreeDays = 11, kTwoDays = 12,
  kDay = 13, kTwoYears = 14, kTenYears = 22,
};

constexpr TDateTime kDefaultOffset = 2.0;  // 1900-01-01

std::int64_t FloorMod(std::int64_t a, std::int64_t n) {
  const std::int64_t r = a % n;
  return r < 0 ? r + n : r;
}

int DaysOfKind(int kind) {
  switch (kind) {
    case kWeek: return 7;
    case kFiveDays: return 5;
    case kFourDays: return 4;
    case kThreeDays: return 3;
    case kTwoDays: return 2;
    default: return 0;
  }
}

// Date parts of an integral day number (any sign).
void DecodeDay(std::int64_t day, int& y, int& m, int& d) { DecodeDate(static_cast<double>(day), y, m, d); }
std::int64_t DayOf(int y, int m, int d) { return static_cast<std::int64_t>(SafeEncodeDate(y, m, d)); }

// Moves a date by whole months, the day clamped to the new month.
std::int64_t AddMonthsClamped(std::int64_t day, int months) {
  int y, m, d;
  DecodeDay(day, y, m, d);
  std::int64_t total = static_cast<std::int64_t>(y) * 12 + (m - 1) + months;
  const int ny = static_cast<int>(total >= 0 ? total / 12 : -((-total + 11) / 12));
  const int nm = static_cast<int>(total - static_cast<std::int64_t>(ny) * 12) + 1;
  return DayOf(ny, nm, d);
}

struct Offset {
  bool shifted = false;
  int years = 0, months = 0, days = 0;
  double time = 0;
};

Offset SplitOffset(TDateTime o) {
  Offset off;
  if (o == kDefaultOffset) return off;
  off.shifted = true;
  const double lin = LinearDateTime(o);
  const double whole = std::floor(lin);
  off.time = lin - whole;
  int y, m, d;
  DecodeDay(static_cast<std::int64_t>(whole), y, m, d);
  off.years = y - 1900;
  off.months = m - 1;
  off.days = d - 1;
  return off;
}

// The day number in the period's own calendar, and the time left in it.
std::int64_t IntoPeriodCalendar(TDateTime d, const Offset& off, double& time) {
  double lin = LinearDateTime(d);
  if (off.shifted) lin -= off.time + off.days;
  const double whole = std::floor(lin);
  time = lin - whole;
  std::int64_t day = static_cast<std::int64_t>(whole);
  if (off.shifted && (off.years || off.months)) day = AddMonthsClamped(day, -(off.years * 12 + off.months));
  return day;
}

TDateTime OutOfPeriodCalendar(std::int64_t day, const Offset& off) {
  if (!off.shifted) return static_cast<double>(day);
  if (off.years || off.months) day = AddMonthsClamped(day, off.years * 12 + off.months);
  return FromLinearDateTime(static_cast<double>(day + off.days) + off.time);
}

std::int64_t StartDay(std::int64_t day, int kind) {
  int y, m, d;
  DecodeDay(day, y, m, d);
  if (kind >= kTwoYears && kind <= kTenYears) {
    const int n = kind - kTwoYears + 2;
    return DayOf(y - static_cast<int>(FloorMod(y - 1900, n)), 1, 1);
  }
  switch (kind) {
    case kYear: return DayOf(y, 1, 1);
    case kHalfYear: return DayOf(y, m <= 6 ? 1 : 7, 1);
    case kQuarter: return DayOf(y, m - (m - 1) % 3, 1);
    case kTwoMonths: return DayOf(y, m - (m - 1) % 2, 1);
    case kMonth: return DayOf(y, m, 1);
    case kHalfMonth: return DayOf(y, m, d <= 15 ? 1 : 16);
    case kTenDays: return DayOf(y, m, d <= 10 ? 1 : d <= 20 ? 11 : 21);
    default: break;
  }
  if (const int n = DaysOfKind(kind)) return day - FloorMod(day, n);
  return day;
}

std::int64_t EndDay(std::int64_t day, int kind) {
  const std::int64_t start = StartDay(day, kind);
  if (kind >= kTwoYears && kind <= kTenYears) return AddMonthsClamped(start, 12 * (kind - kTwoYears + 2));
  switch (kind) {
    case kYear: return AddMonthsClamped(start, 12);
    case kHalfYear: return AddMonthsClamped(start, 6);
    case kQuarter: return AddMonthsClamped(start, 3);
    case kTwoMonths: return AddMonthsClamped(start, 2);
    case kMonth: return AddMonthsClamped(start, 1);
    case kHalfMonth:
    case kTenDays: {
      int y, m, d;
      DecodeDay(start, y, m, d);
      const int step = kind == kHalfMonth ? 15 : 10;
      const int last = kind == kHalfMonth ? 16 : 21;  // the start of the part running to month end
      if (d < last) return DayOf(y, m, d + step);
      return AddMonthsClamped(DayOf(y, m, 1), 1);
    }
    default: break;
  }
  if (const int n = DaysOfKind(kind)) return start + n;
  return day + 1;
}

std::string FormatOffset(TDateTime d) { return DateTimeToStr(d); }

}  // namespace

std::string_view PeriodKindName(int kind) {
  return kind >= 0 && kind < kPeriodKindCount ? kKindNames[kind] : std::string_view();
}

int KindIndexOfName(std::string_view name) {
  for (int i = 0; i < kPeriodKindCount; ++i)
    if (kKindNames[i] == name) return i;
  return 0;
}

void TPeriodObj::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<pkString>("PerName", PerName, !PerName.empty());
  proc.Report<pkString>("KindName", KindName, !KindName.empty());
  proc.Report<pkString>("PeriodDate", PeriodDate, !PeriodDate.empty());
}

void RegisterPeriodStreamClasses() { RegisterObjClasses({&TPeriodObj::StaticClass()}); }

namespace {
bool SamePeriodName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

TDateTime PredefinedOffset(int kind) { return kind == kWeek ? 3.0 : kDefaultOffset; }
}  // namespace

const std::vector<std::unique_ptr<TPeriodObj>>& PeriodList() {
  static const std::vector<std::unique_ptr<TPeriodObj>> list = [] {
    RegisterPeriodStreamClasses();
    std::vector<std::unique_ptr<TPeriodObj>> l;
    for (int k = 0; k < kPeriodKindCount; ++k) {
      auto p = std::make_unique<TPeriodObj>();
      p->PerName = p->KindName = std::string(kKindNames[k]);
      p->PeriodDate = FormatOffset(PredefinedOffset(k));
      l.push_back(std::move(p));
    }
    return l;
  }();
  return list;
}

bool FindPeriod(std::string_view name, int& kind, TDateTime& offsetDate) {
  for (const auto& p : PeriodList()) {
    if (SamePeriodName(p->PerName, name)) {
      kind = KindIndexOfName(p->KindName);
      // The list is read-only and built from these offsets; taking the number spares a reading
      // of the text that would depend on the date settings of the moment.
      offsetDate = PredefinedOffset(kind);
      return true;
    }
  }
  kind = 0;
  offsetDate = kDefaultOffset;
  return false;
}

double LinearDateTime(TDateTime d) {
  if (d >= 0) return d;
  const double day = std::trunc(d);
  return day + (day - d);
}

TDateTime FromLinearDateTime(double linear) {
  const double day = std::floor(linear);
  return ComposeDateTime(day, linear - day);
}

TDateTime PeriodStartOf(TDateTime d, int kind, TDateTime offsetDate) {
  const Offset off = SplitOffset(offsetDate);
  double time = 0;
  const std::int64_t day = IntoPeriodCalendar(d, off, time);
  return OutOfPeriodCalendar(StartDay(day, kind), off);
}

TDateTime PeriodEndOf(TDateTime d, int kind, TDateTime offsetDate) {
  const Offset off = SplitOffset(offsetDate);
  double time = 0;
  const std::int64_t day = IntoPeriodCalendar(d, off, time);
  return OutOfPeriodCalendar(EndDay(day, kind), off);
}

void PeriodStart(TDateTime& d, std::string_view name) {
  int kind;
  TDateTime offset;
  FindPeriod(name, kind, offset);
  d = PeriodStartOf(d, kind, offset);
}

void PeriodEnd(TDateTime& d, std::string_view name) {
  int kind;
  TDateTime offset;
  FindPeriod(name, kind, offset);
  d = PeriodEndOf(d, kind, offset);
}

TDateTime BusinessNow() { return Now(); }

TDateTime BStartTimeOf(std::string_view name) {
  TDateTime d = BusinessNow();
  PeriodStart(d, name);
  return d;
}

TDateTime BEndTimeOf(std::string_view name) {
  TDateTime d = BusinessNow();
  PeriodEnd(d, name);
  return d;
}

TDateTime BPriorStartOf(std::string_view name) {
  TDateTime d = BusinessNow();
  PeriodStart(d, name);
  d = FromLinearDateTime(LinearDateTime(d) - 1);
  PeriodStart(d, name);
  return d;
}

TDateTime BNextEndOf(std::string_view name) {
  TDateTime d = BusinessNow();
  PeriodEnd(d, name);
  PeriodEnd(d, name);
  return d;
}

}  // namespace olv
