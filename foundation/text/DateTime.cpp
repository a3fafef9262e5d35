#include "foundation/text/DateTime.h"

#include <cmath>
#include <ctime>

#include "foundation/base/SysErrors.h"
#include "foundation/text/Utf8.h"
#include "platform/Clock.h"

namespace olv {
namespace {

// Day number 0 of TDateTime (1899-12-30) counted from 1970-01-01.
constexpr std::int64_t kUnixOffset = -25569;

// Days from 1970-01-01 to a proleptic Gregorian date, and back (valid far beyond 1..9999).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * static_cast<unsigned>(m > 2 ? m - 3 : m + 9) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

// Day number (TDateTime's integral day, before the time is applied) and milliseconds of the day.
// Values beyond any calendar the program meets are clamped so that decoding always yields a date.
void Split(double value, std::int64_t& day, std::int64_t& msec) {
  if (!std::isfinite(value)) value = 0;
  if (value > 1e8) value = 1e8;
  if (value < -1e8) value = -1e8;
  const double whole = std::trunc(value);
  day = static_cast<std::int64_t>(whole);
  msec = std::llround(std::fabs(value - whole) * kMSecsPerDay);
  if (msec >= static_cast<std::int64_t>(kMSecsPerDay)) {
    msec = 0;
    day += value < 0 ? -1 : 1;
  }
}

DateParts PartsOf(std::int64_t day, std::int64_t msec) {
  DateParts p;
  CivilFromDays(day + kUnixOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(msec / 3600000);
  p.minute = static_cast<int>(msec / 60000 % 60);
  p.second = static_cast<int>(msec / 1000 % 60);
  p.msec = static_cast<int>(msec % 1000);
  const std::int64_t unixDays = day + kUnixOffset;
  p.dayOfWeek = static_cast<int>(((unixDays % 7) + 7 + 4) % 7) + 1;  // 1970-01-01 was a Thursday
  return p;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysOfMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysOfMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int msec) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && msec >= 0 &&
         msec < 1000;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (!IsValidDate(year, month, day)) return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) - kUnixOffset);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out) {
  if (!IsValidTime(hour, minute, second, msec)) return false;
  out = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime r;
  if (!TryEncodeTime(hour, minute, second, msec, r)) throw EConvertError("Invalid argument to time encode");
  return r;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

TDateTime SafeEncodeDate(int year, int month, int day) {
  if (month < 1) month = 1;
  if (month > 12) month = 12;
  if (day < 1) day = 1;
  const int last = DaysOfMonth(year, month);
  if (day > last) day = last;
  return EncodeDate(year, month, day);
}

DateParts DecodeDateTime(TDateTime value) {
  std::int64_t day, msec;
  Split(value, day, msec);
  return PartsOf(day, msec);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  const DateParts p = DecodeDateTime(value);
  year = p.year;
  month = p.month;
  day = p.day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  const DateParts p = DecodeDateTime(value);
  hour = p.hour;
  minute = p.minute;
  second = p.second;
  msec = p.msec;
}

int DayOfWeek(TDateTime value) { return DecodeDateTime(value).dayOfWeek; }

TDateTime DateOf(TDateTime value) {
  std::int64_t day, msec;
  Split(value, day, msec);
  return static_cast<double>(day);
}

TDateTime TimeOf(TDateTime value) {
  std::int64_t day, msec;
  Split(value, day, msec);
  return static_cast<double>(msec) / kMSecsPerDay;
}

namespace {

// Milliseconds from day 0 in calendar order. Before 1899-12-30 the raw numbers do not run in
// calendar order (-1.25 is earlier in its day than -1.75), so comparisons go through this.
std::int64_t Chrono(std::int64_t day, std::int64_t msec) {
  return day * static_cast<std::int64_t>(kMSecsPerDay) + msec;
}

// Calendar parts of the later and earlier moment, the later one a day earlier when its time of
// day is before the earlier one's. Returns whether b is the later one (b when they are equal).
bool LaterEarlier(TDateTime a, TDateTime b, DateParts& later, DateParts& earlier) {
  std::int64_t aDay, aMs, bDay, bMs;
  Split(a, aDay, aMs);
  Split(b, bDay, bMs);
  const bool bLater = Chrono(bDay, bMs) >= Chrono(aDay, aMs);
  std::int64_t lDay = bLater ? bDay : aDay, lMs = bLater ? bMs : aMs;
  const std::int64_t eDay = bLater ? aDay : bDay, eMs = bLater ? aMs : bMs;
  if (lMs < eMs) lDay -= 1;  // the day number is the calendar day on both sides of zero
  later = PartsOf(lDay, lMs);
  earlier = PartsOf(eDay, eMs);
  return bLater;
}

}  // namespace

std::int64_t YearsBetween(TDateTime a, TDateTime b) {
  DateParts l, e;
  const bool bLater = LaterEarlier(a, b, l, e);
  int month = l.month;
  if (l.day < e.day) --month;
  std::int64_t years = static_cast<std::int64_t>(l.year) - e.year;
  if (month < e.month) --years;
  return bLater ? years : -years;
}

std::int64_t MonthsBetween(TDateTime a, TDateTime b) {
  DateParts l, e;
  const bool bLater = LaterEarlier(a, b, l, e);
  int month = l.month;
  if (l.day < e.day) --month;
  const std::int64_t months = 12 * (static_cast<std::int64_t>(l.year) - e.year) + month - e.month;
  return bLater ? months : -months;
}

std::int64_t DaysBetween(TDateTime a, TDateTime b) {
  std::int64_t aDay, aMs, bDay, bMs;
  Split(a, aDay, aMs);
  Split(b, bDay, bMs);
  return (Chrono(bDay, bMs) - Chrono(aDay, aMs)) / static_cast<std::int64_t>(kMSecsPerDay);
}

TDateTime FromTimePoint(std::chrono::system_clock::time_point tp) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(tp.time_since_epoch()).count();
  std::int64_t secs = ms / 1000;
  std::int64_t rem = ms % 1000;
  if (rem < 0) {
    rem += 1000;
    --secs;
  }
  const std::time_t t = static_cast<std::time_t>(secs);
  std::tm tm{};
  localtime_r(&t, &tm);
  const std::int64_t day = DaysFromCivil(tm.tm_year + 1900LL, tm.tm_mon + 1, tm.tm_mday) - kUnixOffset;
  const double time = (tm.tm_hour * 3600000.0 + tm.tm_min * 60000.0 + tm.tm_sec * 1000.0 +
                       static_cast<double>(rem)) / kMSecsPerDay;
  return ComposeDateTime(static_cast<double>(day), time);
}

std::chrono::system_clock::time_point ToTimePoint(TDateTime value) {
  const DateParts p = DecodeDateTime(value);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return std::chrono::system_clock::from_time_t(t) + std::chrono::milliseconds(p.msec);
}

TDateTime Now() { return FromTimePoint(plat::CurrentClock().Now()); }
TDateTime Today() { return DateOf(Now()); }
TDateTime CurrentTime() { return TimeOf(Now()); }

std::string DateToStr(TDateTime value) { return FormatDateTime("ddddd", value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime("tt", value); }
std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

// ---- reading dates and times ------------------------------------------------------------------

namespace {

struct Scanner {
  std::string_view s;
  std::size_t i = 0;
  void Blanks() {
    while (i < s.size() && s[i] == ' ') ++i;
  }
  bool Number(int& v, int& digits) {
    Blanks();
    digits = 0;
    long long n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 9) {
      n = n * 10 + (s[i++] - '0');
      ++digits;
    }
    v = static_cast<int>(n);
    return digits > 0;
  }
  bool Text(std::string_view t) {
    Blanks();
    if (t.empty() || s.substr(i, t.size()) != t) return false;
    i += t.size();
    return true;
  }
  bool TextCI(std::string_view t) {
    Blanks();
    if (t.empty() || i + t.size() > s.size() || !utf8::SameText(s.substr(i, t.size()), t)) return false;
    i += t.size();
    return true;
  }
  bool AtEnd() {
    Blanks();
    return i >= s.size();
  }
};

// "YMD", "MDY" or "DMY" as the short date format orders its parts.
std::string DateOrder(const FormatSettings& fs) {
  std::string order;
  for (char c : fs.ShortDateFormat) {
    const char u = utf8::AsciiUpper(c);
    if ((u == 'Y' || u == 'M' || u == 'D') && order.find(u) == std::string::npos) order += u;
  }
  return order.size() == 3 ? order : "YMD";
}

bool ScanDate(Scanner& sc, const FormatSettings& fs, TDateTime& out) {
  int n[3] = {0, 0, 0}, len[3] = {0, 0, 0};
  int count = 0;
  if (!sc.Number(n[0], len[0])) return false;
  count = 1;
  while (count < 3) {
    const std::size_t save = sc.i;
    if (!sc.Text(fs.DateSeparator)) break;
    if (!sc.Number(n[count], len[count])) {
      sc.i = save;
      return false;
    }
    ++count;
  }
  if (count < 2) return false;
  sc.Text(fs.DateSeparator);  // a trailing separator is allowed
  const std::string order = DateOrder(fs);
  int y = 0, m = 0, d = 0, yLen = 4;
  const int currentYear = DecodeDateTime(Now()).year;
  if (count == 3) {
    for (int k = 0; k < 3; ++k) {
      if (order[static_cast<std::size_t>(k)] == 'Y') {
        y = n[k];
        yLen = len[k];
      } else if (order[static_cast<std::size_t>(k)] == 'M') {
        m = n[k];
      } else {
        d = n[k];
      }
    }
  } else {  // two numbers: month and day in the order the format gives them, this year
    y = currentYear;
    const bool monthFirst = order.find('M') < order.find('D');
    m = monthFirst ? n[0] : n[1];
    d = monthFirst ? n[1] : n[0];
  }
  if (yLen <= 2) {  // two-digit year: within 50 years of now
    const int base = currentYear - 50;
    y += base / 100 * 100;
    if (y < base) y += 100;
  }
  return TryEncodeDate(y, m, d, out);
}

bool ScanTime(Scanner& sc, const FormatSettings& fs, TDateTime& out) {
  int h = 0, n = 0, s = 0, z = 0, len = 0;
  if (!sc.Number(h, len)) return false;
  if (sc.Text(fs.TimeSeparator)) {
    if (!sc.Number(n, len)) return false;
    if (sc.Text(fs.TimeSeparator)) {
      if (!sc.Number(s, len)) return false;
      if (sc.Text(std::string(1, fs.DecimalSeparator))) {
        if (!sc.Number(z, len) || len > 3) return false;
        for (int k = len; k < 3; ++k) z *= 10;
      }
    }
  }
  int half = 0;  // 1 = morning, 2 = afternoon
  if (sc.TextCI(fs.TimeAMString) || sc.TextCI("AM")) half = 1;
  else if (sc.TextCI(fs.TimePMString) || sc.TextCI("PM")) half = 2;
  if (half) {
    if (h < 1 || h > 12) return false;
    h %= 12;
    if (half == 2) h += 12;
  }
  return TryEncodeTime(h, n, s, z, out);
}

[[noreturn]] void Invalid(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& out) {
  const auto fs = CurrentFormatSettings();
  Scanner sc{text};
  TDateTime d;
  if (!ScanDate(sc, *fs, d) || !sc.AtEnd()) return false;
  out = d;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& out) {
  const auto fs = CurrentFormatSettings();
  Scanner sc{text};
  TDateTime t;
  if (!ScanTime(sc, *fs, t) || !sc.AtEnd()) return false;
  out = t;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& out) {
  const auto fs = CurrentFormatSettings();
  Scanner sc{text};
  TDateTime d = 0, t = 0;
  if (!ScanDate(sc, *fs, d)) {
    // a time alone is a time on day 0
    sc.i = 0;
    if (!ScanTime(sc, *fs, t) || !sc.AtEnd()) return false;
    out = t;
    return true;
  }
  if (!sc.AtEnd() && (!ScanTime(sc, *fs, t) || !sc.AtEnd())) return false;
  out = ComposeDateTime(d, t);
  return true;
}

TDateTime StrToDate(std::string_view text) {
  TDateTime r;
  if (!TryStrToDate(text, r)) Invalid(text, "date");
  return r;
}

TDateTime StrToTime(std::string_view text) {
  TDateTime r;
  if (!TryStrToTime(text, r)) Invalid(text, "time");
  return r;
}

TDateTime StrToDateTime(std::string_view text) {
  TDateTime r;
  if (!TryStrToDateTime(text, r)) Invalid(text, "date and time");
  return r;
}

}  // namespace olv
