#pragma once
// Date-times as the whole library keeps them: TDateTime is a floating day number counted from
// 1899-12-30 00:00 with the time of day as fraction. Before that day the integral part counts
// days backwards and the fraction is still the time of day, so -1.25 is 1899-12-29 06:00.
// Calendar arithmetic is proleptic Gregorian for years 1 to 9999. "Now" comes from
// plat::CurrentClock() in local time, so tests set the time instead of waiting for it.
// Text forms use the settings of foundation/text/Format.h. All functions may be called from any thread.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/text/Format.h"

namespace olv {

using TDateTime = double;

constexpr double kMSecsPerDay = 86400000.0;

// Calendar helpers.
bool IsLeapYear(int year);                  // divisible by 4 and (not by 100, or by 400)
int DaysOfMonth(int year, int month);       // 28..31; 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int msec);

// Encoding raises EConvertError for an invalid date or time; the Try forms report false instead.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// A date plus a time of day, on the side of zero the date lies on.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Clamps month to 1..12 and day to 1..the month's last day, then encodes.
TDateTime SafeEncodeDate(int year, int month, int day);

struct DateParts {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, msec = 0;
  int dayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
};
// Splits a date-time into its parts; the time is rounded to the nearest millisecond, and a time
// that rounds up to midnight carries into the next day.
DateParts DecodeDateTime(TDateTime value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday
TDateTime DateOf(TDateTime value);   // midnight of the same day
TDateTime TimeOf(TDateTime value);   // the time of day, 0 <= t < 1

// Whole years / months from a to b: positive when b is the later, negative when a is (calendar
// order, also before 1899-12-30); a time of day earlier in the later one than in the earlier one
// borrows a day.
std::int64_t YearsBetween(TDateTime a, TDateTime b);
std::int64_t MonthsBetween(TDateTime a, TDateTime b);
// Whole days from a to b, truncated towards zero (b - a for dates from 1899-12-30 on; earlier
// dates are compared in calendar order).
std::int64_t DaysBetween(TDateTime a, TDateTime b);

// The current local date-time (plat::CurrentClock()), today's date and the time of day.
TDateTime Now();
TDateTime Today();
TDateTime CurrentTime();

// Conversions to and from system time points, through the local time zone.
TDateTime FromTimePoint(std::chrono::system_clock::time_point tp);
std::chrono::system_clock::time_point ToTimePoint(TDateTime value);

// Text forms: the short date format, and the long time format when the time is not midnight.
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);

// Reading texts written in the short date order (year, month, day for "yyyy.m.d") with the date
// separator, and times as h[:n[:s[.z]]] with an optional AM/PM. A two-digit year is taken in the
// current century; a date of two numbers is in the current year. Raise EConvertError with
// "'%s' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);
bool TryStrToDate(std::string_view text, TDateTime& out);
bool TryStrToTime(std::string_view text, TDateTime& out);
bool TryStrToDateTime(std::string_view text, TDateTime& out);

}  // namespace olv
