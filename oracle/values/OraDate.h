#pragma once
// The Oracle DATE: 7 bytes, century + 100, year of the century + 100, month, day, hour + 1,
// minute + 1, second + 1 (30-NOV-1992 15:17:00 is 119, 192, 11, 30, 16, 18, 1). Years run from
// 4712 BC to AD 9999; a year before Christ is negative (there is no year 0), and its century and
// year bytes lie below 100 (4712 BC is 53, 88). Fractions of a second are not kept.
//
// Conversions to and from the library's date-times (day numbers from 1899-12-30, the fraction
// being the time of day, on the side of zero the date lies on) and to and from time-stamp
// milliseconds (days since 0001-01-01, that day being 1, times 86 400 000, plus the milliseconds
// of the day), as the record set's buffers keep them. Years before AD 1 are proleptic Gregorian.
// Pure functions; any thread.
#include <cstdint>

namespace ora {

inline constexpr int kOraDateSize = 7;

// da::EConvertError for a value outside 4712 BC .. AD 9999.
void DateTimeToOraDate(double dateTime, std::uint8_t* date);
// da::EConvertError for bytes that are no valid date (a month 13, an hour byte 0, a year 0...).
double OraDateToDateTime(const std::uint8_t* date);

double OraDateToMSecs(const std::uint8_t* date);
void MSecsToOraDate(double msecs, std::uint8_t* date);

}  // namespace ora
