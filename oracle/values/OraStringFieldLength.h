#pragma once
// The lengths of columns a command describes as strings (FieldsAsString): room for the longest
// text the server writes for the column's type.
//   NUMBER(p, s): a sign, the integer digits (p - s, at least one), and for a scale above 0 the
//     decimal point and s digits, never less than p + 2; 40 for a NUMBER without precision. So
//     a negative scale (NUMBER(3,-2) holds 99900) and a scale above the precision
//     (NUMBER(2,5) holds 0.00099) get their digits;
//   DATE and the timestamps: the session's NLS format upper-cased, 7 more with MONTH, 9 more
//     with DAY, and for a timestamp 4 more with SSXFF;
//   intervals: leading precision + 4 (YEAR TO MONTH), leading + fractional precision + 11 (DAY
//     TO SECOND).
// Pure functions; any thread.
#include <cstdint>
#include <string>

namespace ora {

std::int32_t NumberStringLength(int precision, int scale);
std::int32_t DateStringLength(const std::string& nlsFormat, bool timestamp);
std::int32_t IntervalStringLength(bool yearToMonth, int leadPrecision, int fracPrecision);

}  // namespace ora
