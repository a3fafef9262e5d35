#include "oracle/values/OraDate.h"

#include <cmath>
#include <cstdint>

#include "dataaccess/DAErrors.h"

namespace ora {

namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;

// Days since 1970-01-01 of a proleptic Gregorian date; the year is astronomical (0 is 1 BC).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

const std::int64_t kDayNumberOrigin = DaysFromCivil(1899, 12, 30);
const std::int64_t kTimeStampOrigin = DaysFromCivil(1, 1, 1) - 1;  // 0001-01-01 is time-stamp day 1

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(std::int64_t astronomicalYear, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1] + (month == 2 && IsLeap(astronomicalYear) ? 1 : 0);
}

// A calendar day (days since 1970-01-01) and a time of day in whole seconds.
struct CivilTime {
  std::int64_t days;
  std::int64_t seconds;
};

CivilTime Decode(const std::uint8_t* b) {
  const int century = b[0] - 100, ofCentury = b[1] - 100;
  const int year = century * 100 + ofCentury;
  const int month = b[2], day = b[3], hour = b[4] - 1, minute = b[5] - 1, second = b[6] - 1;
  const std::int64_t astro = year > 0 ? year : year + 1;
  const bool mixedSigns = (century > 0 && ofCentury < 0) || (century < 0 && ofCentury > 0);
  if (year == 0 || year < -4712 || year > 9999 || ofCentury < -99 || ofCentury > 99 || mixedSigns || month < 1 || month > 12 || day < 1 ||
      day > DaysIn(astro, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    throw da::EConvertError("Invalid Oracle date");
  return {DaysFromCivil(astro, month, day), (hour * 60 + minute) * 60 + second};
}

void Encode(CivilTime t, std::uint8_t* b) {
  std::int64_t astro;
  int month, day;
  CivilFromDays(t.days, astro, month, day);
  const std::int64_t year = astro > 0 ? astro : astro - 1;
  if (year < -4712 || year > 9999) throw da::EConvertError("Invalid argument to date encode");
  b[0] = static_cast<std::uint8_t>(year / 100 + 100);
  b[1] = static_cast<std::uint8_t>(year % 100 + 100);
  b[2] = static_cast<std::uint8_t>(month);
  b[3] = static_cast<std::uint8_t>(day);
  b[4] = static_cast<std::uint8_t>(t.seconds / 3600 + 1);
  b[5] = static_cast<std::uint8_t>(t.seconds / 60 % 60 + 1);
  b[6] = static_cast<std::uint8_t>(t.seconds % 60 + 1);
}

}  // namespace

void DateTimeToOraDate(double dateTime, std::uint8_t* date) {
  // Far beyond any DATE: refused before the arithmetic below can overflow.
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e8) throw da::EConvertError("Invalid argument to date encode");
  const double whole = std::trunc(dateTime);
  std::int64_t ms = std::llround(std::fabs(dateTime - whole) * kMSecsPerDay);
  std::int64_t days = static_cast<std::int64_t>(whole) + kDayNumberOrigin;
  if (ms >= kMSecsPerDay) {  // rounds up to the next midnight
    ms -= kMSecsPerDay;
    ++days;
  }
  Encode({days, ms / 1000}, date);
}

double OraDateToDateTime(const std::uint8_t* date) {
  const CivilTime t = Decode(date);
  const double d = static_cast<double>(t.days - kDayNumberOrigin);
  const double time = static_cast<double>(t.seconds) / 86400.0;
  return d < 0 ? d - time : d + time;
}

double OraDateToMSecs(const std::uint8_t* date) {
  const CivilTime t = Decode(date);
  return static_cast<double>((t.days - kTimeStampOrigin) * kMSecsPerDay + t.seconds * 1000);
}

void MSecsToOraDate(double msecs, std::uint8_t* date) {
  if (!std::isfinite(msecs) || std::fabs(msecs) > 1e18) throw da::EConvertError("Invalid argument to date encode");
  const auto ms = static_cast<std::int64_t>(std::floor(msecs));
  std::int64_t days = ms / kMSecsPerDay, rest = ms % kMSecsPerDay;
  if (rest < 0) {
    rest += kMSecsPerDay;
    --days;
  }
  Encode({days + kTimeStampOrigin, rest / 1000}, date);
}

}  // namespace ora
