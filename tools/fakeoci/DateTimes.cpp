// Datetime and interval descriptors, the calls on them, and Oracle's datetime format models as
// far as the Oracle layer's texts need them: YYYY YYY YY Y RRRR RR, MM MON MONTH, DD DY DAY,
// HH HH12 HH24, MI, SS, FF and FF1..FF9, AM PM A.M. P.M., TZH TZM TZR, X, FM, quoted text and
// the punctuation " -/,.;:". Reading a text is lenient as the server's is: numbers may have fewer
// digits, any run of punctuation matches any punctuation.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

const char* const kMonthNames[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                     "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDayNames[7] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};
const char* const kPunctuation = " -/,.;:";

bool IsPunct(char c) { return c != '\0' && std::strchr(kPunctuation, c) != nullptr; }

int DaysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int y = year < 0 ? year + 1 : year;  // no year 0: 1 BC is a leap year
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

// 0 Sunday .. 6 Saturday, proleptic Gregorian.
int Weekday(int year, int month, int day) {
  std::int64_t y = (year < 0 ? year + 1 : year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

Status CheckDateTime(const DateTimeValue& v) {
  if (v.year == 0 || v.year < -4712 || v.year > 9999) return Error(1841, "(full) year must be between -4713 and +9999, and not be 0");
  if (v.month < 1 || v.month > 12) return Error(1843);
  if (v.day < 1 || v.day > DaysIn(v.year, v.month)) return Error(1847);
  if (v.hour < 0 || v.hour > 23) return Error(1850);
  if (v.minute < 0 || v.minute > 59) return Error(1851);
  if (v.second < 0 || v.second > 59) return Error(1852);
  if (v.fsec > 999999999) return Error(1880, "the fractional seconds must be between 0 and 999999999");
  return {};
}

std::string Pad(std::int64_t value, int width, bool fill) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (fill && static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return (value < 0 ? "-" : "") + digits;
}

// ---- format models ----
enum class El { Punct, Quoted, FM, YYYY, YYY, YY, Y, RRRR, RR, MM, MON, MONTH, DD, DY, DAY, HH, HH12, HH24, MI, SS,
                FF, AM, AMDOT, TZH, TZM, TZR, X };

struct Element {
  El kind;
  std::string text;  // the punctuation or quoted text
  int digits = 0;    // FF1..FF9
  int style = 0;     // names: 0 upper case, 1 capitalised, 2 lower case
};

bool ParseModel(const std::string& fmt, std::vector<Element>& out) {
  struct Token {
    const char* text;
    El kind;
    int digits;
  };
  static const Token tokens[] = {
      {"FM", El::FM, 0},      {"YYYY", El::YYYY, 0}, {"YYY", El::YYY, 0},   {"YY", El::YY, 0},     {"Y", El::Y, 0},
      {"RRRR", El::RRRR, 0},  {"RR", El::RR, 0},     {"MONTH", El::MONTH, 0}, {"MON", El::MON, 0}, {"MM", El::MM, 0},
      {"MI", El::MI, 0},      {"DAY", El::DAY, 0},   {"DY", El::DY, 0},     {"DD", El::DD, 0},     {"HH24", El::HH24, 0},
      {"HH12", El::HH12, 0},  {"HH", El::HH, 0},     {"SS", El::SS, 0},     {"FF1", El::FF, 1},    {"FF2", El::FF, 2},
      {"FF3", El::FF, 3},     {"FF4", El::FF, 4},    {"FF5", El::FF, 5},    {"FF6", El::FF, 6},    {"FF7", El::FF, 7},
      {"FF8", El::FF, 8},     {"FF9", El::FF, 9},    {"FF", El::FF, 0},     {"A.M.", El::AMDOT, 0}, {"P.M.", El::AMDOT, 0},
      {"AM", El::AM, 0},      {"PM", El::AM, 0},     {"TZH", El::TZH, 0},   {"TZM", El::TZM, 0},   {"TZR", El::TZR, 0},
      {"X", El::X, 0},
  };
  out.clear();
  std::size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i];
    if (c == '"') {
      const std::size_t close = fmt.find('"', i + 1);
      if (close == std::string::npos) return false;
      out.push_back({El::Quoted, fmt.substr(i + 1, close - i - 1)});
      i = close + 1;
      continue;
    }
    if (IsPunct(c)) {
      out.push_back({El::Punct, std::string(1, c)});
      ++i;
      continue;
    }
    bool matched = false;
    for (const Token& t : tokens) {
      const std::size_t n = std::strlen(t.text);
      if (i + n > fmt.size()) continue;
      bool same = true;
      for (std::size_t k = 0; k < n && same; ++k)
        same = std::toupper(static_cast<unsigned char>(fmt[i + k])) == t.text[k];
      if (!same) continue;
      const bool upper0 = std::isupper(static_cast<unsigned char>(fmt[i])) != 0;
      const bool upper1 = n > 1 && std::isupper(static_cast<unsigned char>(fmt[i + 1])) != 0;
      out.push_back({t.kind, {}, t.digits, upper0 ? (upper1 || n == 1 ? 0 : 1) : 2});
      i += n;
      matched = true;
      break;
    }
    if (!matched) return false;
  }
  return true;
}

std::string Styled(std::string name, int style) {
  for (std::size_t k = 0; k < name.size(); ++k) {
    const bool lower = style == 2 || (style == 1 && k > 0);
    if (lower) name[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[k])));
  }
  return name;
}

std::string ZoneText(int minutes) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%02d:%02d", minutes < 0 ? '-' : '+', std::abs(minutes) / 60, std::abs(minutes) % 60);
  return buf;
}

Status FormatDateTime(const DateTimeValue& v, const std::vector<Element>& model, int fsprec, std::string& out) {
  bool fm = false;
  out.clear();
  const int h12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
  for (const Element& e : model) {
    switch (e.kind) {
      case El::Punct: case El::Quoted: out += e.text; break;
      case El::FM: fm = !fm; break;
      case El::YYYY: case El::RRRR: out += Pad(v.year, 4, !fm); break;
      case El::YYY: out += Pad(std::abs(v.year) % 1000, 3, !fm); break;
      case El::YY: case El::RR: out += Pad(std::abs(v.year) % 100, 2, !fm); break;
      case El::Y: out += Pad(std::abs(v.year) % 10, 1, !fm); break;
      case El::MM: out += Pad(v.month, 2, !fm); break;
      case El::MON: out += Styled(std::string(kMonthNames[v.month - 1], 3), e.style); break;
      case El::MONTH: {
        std::string name = Styled(kMonthNames[v.month - 1], e.style);
        if (!fm) name.resize(9, ' ');
        out += name;
        break;
      }
      case El::DD: out += Pad(v.day, 2, !fm); break;
      case El::DY: out += Styled(std::string(kDayNames[Weekday(v.year, v.month, v.day)], 3), e.style); break;
      case El::DAY: {
        std::string name = Styled(kDayNames[Weekday(v.year, v.month, v.day)], e.style);
        if (!fm) name.resize(9, ' ');
        out += name;
        break;
      }
      case El::HH: case El::HH12: out += Pad(h12, 2, !fm); break;
      case El::HH24: out += Pad(v.hour, 2, !fm); break;
      case El::MI: out += Pad(v.minute, 2, !fm); break;
      case El::SS: out += Pad(v.second, 2, !fm); break;
      case El::FF: {
        const int n = e.digits ? e.digits : std::min(fsprec, 9);
        std::int64_t scaled = v.fsec;
        for (int k = n; k < 9; ++k) scaled /= 10;
        if (n > 0) out += Pad(scaled, n, true);
        break;
      }
      case El::AM: out += Styled(v.hour < 12 ? "AM" : "PM", e.style); break;
      case El::AMDOT: out += Styled(v.hour < 12 ? "A.M." : "P.M.", e.style); break;
      case El::TZH: out += (v.tzMinutes < 0 ? "-" : "+") + Pad(std::abs(v.tzMinutes) / 60, 2, true); break;
      case El::TZM: out += Pad(std::abs(v.tzMinutes) % 60, 2, true); break;
      case El::TZR: out += ZoneText(v.tzMinutes); break;
      case El::X: out += '.'; break;
    }
  }
  return {};
}

bool MatchName(const std::string& text, std::size_t& pos, const char* const* names, int count, std::size_t length,
               int& index) {
  for (int k = 0; k < count; ++k) {
    const std::string name = length ? std::string(names[k], length) : std::string(names[k]);
    if (pos + name.size() > text.size()) continue;
    bool same = true;
    for (std::size_t j = 0; j < name.size() && same; ++j)
      same = std::toupper(static_cast<unsigned char>(text[pos + j])) == name[j];
    if (same) {
      pos += name.size();
      index = k;
      return true;
    }
  }
  return false;
}

bool ReadDigits(const std::string& text, std::size_t& pos, int maxDigits, std::int64_t& value, int& count) {
  value = 0;
  count = 0;
  while (pos < text.size() && count < maxDigits && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10 + (text[pos++] - '0');
    ++count;
  }
  return count > 0;
}

Status ParseDateTime(const std::string& text, const std::vector<Element>& model, DateTimeValue& v) {
  v = DateTimeValue{};
  std::size_t pos = 0;
  bool twelveHour = false, hasMeridian = false, pm = false;
  int tzSign = 1, tzHours = 0, tzMinutes = 0;
  for (std::size_t k = 0; k < model.size(); ++k) {
    const Element& e = model[k];
    const bool beforeZone = k + 1 < model.size() && (model[k + 1].kind == El::TZH || model[k + 1].kind == El::TZR);
    std::int64_t n = 0;
    int count = 0;
    auto number = [&](int maxDigits) {
      if (!ReadDigits(text, pos, maxDigits, n, count)) return false;
      return true;
    };
    switch (e.kind) {
      case El::Punct:
      case El::X:
        while (pos < text.size() && IsPunct(text[pos]) && !(beforeZone && (text[pos] == '-'))) ++pos;
        break;
      case El::Quoted: {
        for (char c : e.text) {
          if (pos >= text.size() || std::toupper(static_cast<unsigned char>(text[pos])) != std::toupper(static_cast<unsigned char>(c)))
            return Error(1861);
          ++pos;
        }
        break;
      }
      case El::FM: break;
      case El::YYYY: case El::RRRR:
        if (!number(4)) return Error(1858);
        v.year = static_cast<int>(count <= 2 ? (n < 50 ? 2000 + n : 1900 + n) : n);
        break;
      case El::YYY: if (!number(3)) return Error(1858); v.year = static_cast<int>(2000 + n); break;
      case El::YY: if (!number(2)) return Error(1858); v.year = static_cast<int>(2000 + n); break;
      case El::RR: if (!number(2)) return Error(1858); v.year = static_cast<int>(n < 50 ? 2000 + n : 1900 + n); break;
      case El::Y: if (!number(1)) return Error(1858); v.year = static_cast<int>(2000 + n); break;
      case El::MM: if (!number(2)) return Error(1858); v.month = static_cast<int>(n); break;
      case El::MON:
      case El::MONTH: {
        int index = 0;
        if (!MatchName(text, pos, kMonthNames, 12, 0, index) && !MatchName(text, pos, kMonthNames, 12, 3, index))
          return Error(1843);
        v.month = index + 1;
        break;
      }
      case El::DD: if (!number(2)) return Error(1858); v.day = static_cast<int>(n); break;
      case El::DY:
      case El::DAY: {
        int index = 0;
        if (!MatchName(text, pos, kDayNames, 7, 0, index) && !MatchName(text, pos, kDayNames, 7, 3, index))
          return Error(1846, "not a valid day of the week");
        break;
      }
      case El::HH: case El::HH12:
        if (!number(2)) return Error(1858);
        twelveHour = true;
        v.hour = static_cast<int>(n);
        break;
      case El::HH24: if (!number(2)) return Error(1858); v.hour = static_cast<int>(n); break;
      case El::MI: if (!number(2)) return Error(1858); v.minute = static_cast<int>(n); break;
      case El::SS: if (!number(2)) return Error(1858); v.second = static_cast<int>(n); break;
      case El::FF: {
        if (!number(e.digits ? e.digits : 9)) return Error(1858);
        for (int d = count; d < 9; ++d) n *= 10;
        v.fsec = static_cast<ub4>(n);
        break;
      }
      case El::AM:
      case El::AMDOT: {
        static const char* const marks[4] = {"A.M.", "P.M.", "AM", "PM"};
        int index = 0;
        if (!MatchName(text, pos, marks, 4, 0, index)) return Error(1855, "AM/A.M. or PM/P.M. required");
        hasMeridian = true;
        pm = index % 2 == 1;
        break;
      }
      case El::TZH:
      case El::TZR: {
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) tzSign = text[pos++] == '-' ? -1 : 1;
        if (!number(2)) return Error(1874, "time zone hour must be between -12 and 14");
        tzHours = static_cast<int>(n);
        if (e.kind == El::TZR) {
          if (pos < text.size() && text[pos] == ':') ++pos;
          if (!number(2)) return Error(1875, "time zone minute must be between 0 and 59");
          tzMinutes = static_cast<int>(n);
        }
        break;
      }
      case El::TZM: if (!number(2)) return Error(1875, "time zone minute must be between 0 and 59"); tzMinutes = static_cast<int>(n); break;
    }
  }
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos != text.size()) return Error(1830);
  if (twelveHour) {
    if (v.hour < 1 || v.hour > 12) return Error(1849);
    v.hour = v.hour % 12 + (pm ? 12 : 0);
  } else if (hasMeridian && pm && v.hour < 12) {
    v.hour += 12;
  }
  v.tzMinutes = tzSign * (tzHours * 60 + tzMinutes);
  return CheckDateTime(v);
}

// ---- the texts values have in the database ----
std::string StorageText(const DateTimeValue& v, bool zone) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d.%09u", v.year < 0 ? "-" : "", std::abs(v.year),
                v.month, v.day, v.hour, v.minute, v.second, v.fsec);
  return zone ? buf + (" " + ZoneText(v.tzMinutes)) : std::string(buf);
}

bool ParseStorage(const std::string& text, DateTimeValue& v) {
  v = DateTimeValue{};
  std::size_t pos = 0;
  bool bc = false;
  if (pos < text.size() && text[pos] == '-') {
    bc = true;
    ++pos;
  }
  std::int64_t n = 0;
  int count = 0;
  auto field = [&](int& out, char after) {
    if (!ReadDigits(text, pos, 4, n, count)) return false;
    out = static_cast<int>(n);
    if (after) {
      if (pos >= text.size() || text[pos] != after) return false;
      ++pos;
    }
    return true;
  };
  if (!field(v.year, '-') || !field(v.month, '-') || !field(v.day, 0)) return false;
  if (bc) v.year = -v.year;
  if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) {
    ++pos;
    if (!field(v.hour, ':') || !field(v.minute, ':') || !field(v.second, 0)) return false;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      if (!ReadDigits(text, pos, 9, n, count)) return false;
      for (int d = count; d < 9; ++d) n *= 10;
      v.fsec = static_cast<ub4>(n);
    }
  }
  if (pos < text.size() && text[pos] == ' ') {
    ++pos;
    int sign = 1, hours = 0, minutes = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) sign = text[pos++] == '-' ? -1 : 1;
    if (!field(hours, ':') || !field(minutes, 0)) return false;
    v.tzMinutes = sign * (hours * 60 + minutes);
  }
  return pos == text.size() && CheckDateTime(v).Ok();
}

// Intervals: "[+-]Y-M" and "[+-]D H:M:S[.F]", fields of any size (CheckInterval judges them).
Status ParseInterval(const std::string& raw, bool yearMonth, IntervalValue& v) {
  v = IntervalValue{};
  std::size_t begin = raw.find_first_not_of(' '), end = raw.find_last_not_of(' ');
  if (begin == std::string::npos) return Error(1867);
  const std::string text = raw.substr(begin, end - begin + 1);
  std::size_t pos = 0;
  if (text[pos] == '+' || text[pos] == '-') v.negative = text[pos++] == '-';
  std::int64_t n = 0;
  int count = 0;
  auto field = [&](std::int64_t& out, char after) {
    if (!ReadDigits(text, pos, 9, n, count)) return false;
    out = n;
    if (after) {
      if (pos >= text.size() || text[pos] != after) return false;
      ++pos;
    }
    return true;
  };
  if (yearMonth) {
    if (!field(v.years, '-') || !field(v.months, 0)) return Error(1867);
  } else {
    if (!field(v.days, ' ') || !field(v.hours, ':') || !field(v.minutes, ':') || !field(v.seconds, 0)) return Error(1867);
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      if (!ReadDigits(text, pos, 9, n, count)) return Error(1867);
      for (int d = count; d < 9; ++d) n *= 10;
      v.fsec = static_cast<ub4>(n);
    }
  }
  if (pos != text.size()) return Error(1867);
  return {};
}

ub4 CheckInterval(const IntervalValue& v, bool yearMonth) {
  ub4 invalid = 0;
  if (yearMonth && v.months > 11) invalid |= 0x1;
  if (!yearMonth && v.hours > 23) invalid |= 0x2;
  if (!yearMonth && v.minutes > 59) invalid |= 0x4;
  if (!yearMonth && v.seconds > 59) invalid |= 0x8;
  return invalid;
}

Status IntervalText(const IntervalValue& v, bool yearMonth, int lfprec, int fsprec, std::string& out) {
  const std::int64_t lead = yearMonth ? v.years : v.days;
  const std::string leadDigits = std::to_string(lead);
  if (static_cast<int>(leadDigits.size()) > lfprec) return Error(1873);
  out = v.negative ? "-" : "+";
  out += Pad(lead, lfprec, true);
  if (yearMonth) return out += "-" + Pad(v.months, 2, true), Status{};
  out += " " + Pad(v.hours, 2, true) + ":" + Pad(v.minutes, 2, true) + ":" + Pad(v.seconds, 2, true);
  if (fsprec > 0) {
    std::int64_t scaled = v.fsec;
    for (int k = std::min(fsprec, 9); k < 9; ++k) scaled /= 10;
    out += "." + Pad(scaled, std::min(fsprec, 9), true);
  }
  return {};
}

std::string IntervalStorage(const IntervalValue& v, bool yearMonth) {
  std::string out;
  IntervalText(v, yearMonth, static_cast<int>(std::to_string(yearMonth ? v.years : v.days).size()), 9, out);
  return out;
}

DateTimeDescriptor* LiveDateTime(const void* p) {
  Handle* h = FindHandle(p);
  return h && (h->type == OCI_DTYPE_TIMESTAMP || h->type == OCI_DTYPE_TIMESTAMP_TZ ||
               h->type == OCI_DTYPE_TIMESTAMP_LTZ)
             ? static_cast<DateTimeDescriptor*>(h)
             : nullptr;
}

IntervalDescriptor* LiveInterval(const void* p) {
  Handle* h = FindHandle(p);
  return h && (h->type == OCI_DTYPE_INTERVAL_YM || h->type == OCI_DTYPE_INTERVAL_DS)
             ? static_cast<IntervalDescriptor*>(h)
             : nullptr;
}

bool IsYearMonth(const IntervalDescriptor* d) { return d->type == OCI_DTYPE_INTERVAL_YM; }

std::string Arg(const OraText* p, std::size_t n) {
  return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
}

}  // namespace

Status DateTimeToExternal(const Value& v, ub2 type, void* buffer, sb2*) {
  void* desc = *static_cast<void**>(buffer);
  if (type == SQLT_INTERVAL_YM || type == SQLT_INTERVAL_DS) {
    IntervalDescriptor* d = LiveInterval(desc);
    if (!d) return Error(3115);
    if (v.kind != Value::Text) return Error(932);
    IntervalValue value;
    Status s = ParseInterval(v.s, IsYearMonth(d), value);
    if (!s.Ok()) return s;
    d->value = value;
    d->set = true;
    return {};
  }
  DateTimeDescriptor* d = LiveDateTime(desc);
  if (!d) return Error(3115);
  DateTimeValue value;
  if (v.kind != Value::Text || !ParseStorage(v.s, value)) return Error(932);
  d->value = value;
  d->set = true;
  return {};
}

Value DateTimeFromExternal(ub2 type, const void* buffer, Status& status) {
  const void* desc = *static_cast<void* const*>(buffer);
  if (type == SQLT_INTERVAL_YM || type == SQLT_INTERVAL_DS) {
    const IntervalDescriptor* d = LiveInterval(desc);
    if (!d || !d->set) {
      status = Error(d ? 1891 : 3115);
      return {};
    }
    return Value::OfText(IntervalStorage(d->value, IsYearMonth(d)));
  }
  const DateTimeDescriptor* d = LiveDateTime(desc);
  if (!d || !d->set) {
    status = Error(d ? 1891 : 3115);
    return {};
  }
  return Value::OfText(StorageText(d->value, d->type == OCI_DTYPE_TIMESTAMP_TZ));
}

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_OCI9 sword OCIDateTimeConstruct(void*, OCIError* err, OCIDateTime* datetime, sb2 year, ub1 month, ub1 day,
                                        ub1 hour, ub1 min, ub1 sec, ub4 fsec, OraText* timezone, std::size_t tzLength) {
  const std::string zone = Arg(timezone, tzLength);
  if (auto e = Enter("OCIDateTimeConstruct", StorageText({year, month, day, hour, min, sec, fsec, 0}, false) +
                                                 (zone.empty() ? std::string() : " zone=" + zone)))
    return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  DateTimeDescriptor* d = LiveDateTime(datetime);
  if (!d) return OCI_INVALID_HANDLE;
  DateTimeValue v{year, month, day, hour, min, sec, fsec, 0};
  if (!zone.empty()) {
    DateTimeValue z;
    if (!ParseStorage("2000-01-01 00:00:00 " + zone, z)) return Fail(err, Error(1857, "not a valid time zone"));
    v.tzMinutes = z.tzMinutes;
  }
  Status s = CheckDateTime(v);
  if (!s.Ok()) return Fail(err, s);
  d->value = v;
  d->set = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIDateTimeCheck(void*, OCIError* err, const OCIDateTime* date, ub4* valid) {
  if (auto e = Enter("OCIDateTimeCheck", "")) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const DateTimeDescriptor* d = LiveDateTime(date);
  if (!d || !valid) return OCI_INVALID_HANDLE;
  *valid = d->set && CheckDateTime(d->value).Ok() ? 0 : 1;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIDateTimeFromText(void*, OCIError* err, const OraText* date_str, std::size_t dstr_length,
                                       const OraText* fmt, ub1 fmt_length, const OraText*, std::size_t,
                                       OCIDateTime* datetime) {
  const std::string text = Arg(date_str, dstr_length), model = Arg(fmt, fmt_length);
  if (auto e = Enter("OCIDateTimeFromText", "text=" + text + " format=" + model)) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  DateTimeDescriptor* d = LiveDateTime(datetime);
  if (!d) return OCI_INVALID_HANDLE;
  std::vector<Element> elements;
  if (!ParseModel(model, elements)) return Fail(err, Error(1821));
  DateTimeValue v;
  Status s = ParseDateTime(text, elements, v);
  if (!s.Ok()) return Fail(err, s);
  d->value = v;
  d->set = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIDateTimeToText(void*, OCIError* err, const OCIDateTime* date, const OraText* fmt, ub1 fmt_length,
                                     ub1 fsprec, const OraText*, std::size_t, ub4* buf_size, OraText* buf) {
  const std::string model = Arg(fmt, fmt_length);
  if (auto e = Enter("OCIDateTimeToText", "format=" + model + " precision=" + std::to_string(fsprec)))
    return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const DateTimeDescriptor* d = LiveDateTime(date);
  if (!d || !buf_size || !buf) return OCI_INVALID_HANDLE;
  if (!d->set) return Fail(err, Error(1891));
  std::vector<Element> elements;
  if (!ParseModel(model, elements)) return Fail(err, Error(1821));
  std::string text;
  Status s = FormatDateTime(d->value, elements, fsprec, text);
  if (!s.Ok()) return Fail(err, s);
  if (text.size() > *buf_size) return Fail(err, Error(1877));
  std::memcpy(buf, text.data(), text.size());
  *buf_size = static_cast<ub4>(text.size());
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIDateTimeGetDate(void*, OCIError* err, const OCIDateTime* date, sb2* year, ub1* month, ub1* day) {
  if (auto e = Enter("OCIDateTimeGetDate", "")) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const DateTimeDescriptor* d = LiveDateTime(date);
  if (!d || !year || !month || !day) return OCI_INVALID_HANDLE;
  if (!d->set) return Fail(err, Error(1891));
  *year = static_cast<sb2>(d->value.year);
  *month = static_cast<ub1>(d->value.month);
  *day = static_cast<ub1>(d->value.day);
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIDateTimeGetTime(void*, OCIError* err, OCIDateTime* datetime, ub1* hour, ub1* min, ub1* sec,
                                      ub4* fsec) {
  if (auto e = Enter("OCIDateTimeGetTime", "")) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const DateTimeDescriptor* d = LiveDateTime(datetime);
  if (!d || !hour || !min || !sec || !fsec) return OCI_INVALID_HANDLE;
  if (!d->set) return Fail(err, Error(1891));
  *hour = static_cast<ub1>(d->value.hour);
  *min = static_cast<ub1>(d->value.minute);
  *sec = static_cast<ub1>(d->value.second);
  *fsec = d->value.fsec;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIDateTimeAssign(void*, OCIError* err, const OCIDateTime* from, OCIDateTime* to) {
  if (auto e = Enter("OCIDateTimeAssign", "")) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const DateTimeDescriptor* source = LiveDateTime(from);
  DateTimeDescriptor* target = LiveDateTime(to);
  if (!source || !target) return OCI_INVALID_HANDLE;
  target->value = source->value;
  target->set = source->set;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIIntervalFromText(void*, OCIError* err, const OraText* inpstring, std::size_t str_len,
                                       OCIInterval* result) {
  const std::string text = Arg(inpstring, str_len);
  if (auto e = Enter("OCIIntervalFromText", "text=" + text)) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  IntervalDescriptor* d = LiveInterval(result);
  if (!d) return OCI_INVALID_HANDLE;
  IntervalValue v;
  Status s = ParseInterval(text, IsYearMonth(d), v);
  if (!s.Ok()) return Fail(err, s);
  d->value = v;
  d->set = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIIntervalToText(void*, OCIError* err, const OCIInterval* interval, ub1 lfprec, ub1 fsprec,
                                     OraText* buffer, std::size_t buflen, std::size_t* resultlen) {
  if (auto e = Enter("OCIIntervalToText", "lead=" + std::to_string(lfprec) + " fraction=" + std::to_string(fsprec)))
    return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const IntervalDescriptor* d = LiveInterval(interval);
  if (!d || !buffer || !resultlen) return OCI_INVALID_HANDLE;
  if (!d->set) return Fail(err, Error(1891));
  std::string text;
  Status s = IntervalText(d->value, IsYearMonth(d), lfprec, fsprec, text);
  if (!s.Ok()) return Fail(err, s);
  if (text.size() > buflen) return Fail(err, Error(1877));
  std::memcpy(buffer, text.data(), text.size());
  *resultlen = text.size();
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIIntervalCheck(void*, OCIError* err, const OCIInterval* interval, ub4* valid) {
  if (auto e = Enter("OCIIntervalCheck", "")) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const IntervalDescriptor* d = LiveInterval(interval);
  if (!d || !valid) return OCI_INVALID_HANDLE;
  *valid = d->set ? CheckInterval(d->value, IsYearMonth(d)) : 0x10;
  return OCI_SUCCESS;
}

FAKEOCI_OCI9 sword OCIIntervalAssign(void*, OCIError* err, const OCIInterval* inpinter, OCIInterval* outinter) {
  if (auto e = Enter("OCIIntervalAssign", "")) return Fail(err, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const IntervalDescriptor* source = LiveInterval(inpinter);
  IntervalDescriptor* target = LiveInterval(outinter);
  if (!source || !target) return OCI_INVALID_HANDLE;
  target->value = source->value;
  target->set = source->set;
  return OCI_SUCCESS;
}
