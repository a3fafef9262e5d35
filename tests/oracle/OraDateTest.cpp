// The 7-byte Oracle DATE. The expected bytes are worked out by hand from the layout (century and
// year of the century in excess-100 notation, month, day, hour + 1, minute + 1, second + 1).
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "dataaccess/DAErrors.h"
#include "foundation/text/DateTime.h"
#include "oracle/values/OraDate.h"

namespace ora {
namespace {

using Bytes = std::array<std::uint8_t, 7>;

struct DateCase {
  const char* name;
  int year, month, day, hour, minute, second;  // AD dates only: encoded through the library's calendar
  Bytes bytes;
};

class OraDateCodec : public ::testing::TestWithParam<DateCase> {};

TEST_P(OraDateCodec, EncodesAndDecodes) {
  const DateCase& c = GetParam();
  const double value =
      olv::ComposeDateTime(olv::EncodeDate(c.year, c.month, c.day), olv::EncodeTime(c.hour, c.minute, c.second, 0));
  Bytes got{};
  DateTimeToOraDate(value, got.data());
  EXPECT_EQ(got, c.bytes);
  const olv::DateParts back = olv::DecodeDateTime(OraDateToDateTime(c.bytes.data()));
  EXPECT_EQ(back.year, c.year);
  EXPECT_EQ(back.month, c.month);
  EXPECT_EQ(back.day, c.day);
  EXPECT_EQ(back.hour, c.hour);
  EXPECT_EQ(back.minute, c.minute);
  EXPECT_EQ(back.second, c.second);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OraDateCodec,
    ::testing::Values(DateCase{"Nov1992", 1992, 11, 30, 15, 17, 0, {119, 192, 11, 30, 16, 18, 1}},
                      DateCase{"Y2000", 2000, 1, 1, 0, 0, 0, {120, 100, 1, 1, 1, 1, 1}},
                      DateCase{"Nov2004", 2004, 11, 20, 13, 5, 9, {120, 104, 11, 20, 14, 6, 10}},
                      DateCase{"LastDay", 9999, 12, 31, 23, 59, 59, {199, 199, 12, 31, 24, 60, 60}},
                      DateCase{"FirstAD", 1, 1, 1, 0, 0, 0, {100, 101, 1, 1, 1, 1, 1}},
                      DateCase{"BeforeOrigin", 1899, 12, 29, 18, 0, 0, {118, 199, 12, 29, 19, 1, 1}}),
    [](const auto& info) { return info.param.name; });

TEST(OraDate, DatesBeforeTheDayNumberOriginKeepTheirTime) {
  // 1899-12-29 18:00 is -1.75: the day counts back, the time of day still counts forward.
  const Bytes b{118, 199, 12, 29, 19, 1, 1};
  EXPECT_DOUBLE_EQ(OraDateToDateTime(b.data()), -1.75);
  Bytes got{};
  DateTimeToOraDate(-1.75, got.data());
  EXPECT_EQ(got, b);
}

TEST(OraDate, YearsBeforeChristDecodeAsSuch) {
  // 4712 BC, 1 January, and 1 BC, 31 December; a year before Christ is no year after Christ.
  const Bytes first{53, 88, 1, 1, 1, 1, 1};
  const Bytes lastBC{100, 99, 12, 31, 1, 1, 1};
  const Bytes firstAD{100, 101, 1, 1, 1, 1, 1};
  const double a = OraDateToDateTime(first.data());
  const double b = OraDateToDateTime(lastBC.data());
  const double c = OraDateToDateTime(firstAD.data());
  EXPECT_DOUBLE_EQ(c - b, 1.0);  // 1 BC and AD 1 are neighbours
  EXPECT_LT(a, b);
  // 4712 BC to 1 BC are 4712 proleptic years with 1142 leap days: 1 721 022 days.
  EXPECT_DOUBLE_EQ(b - a, 1721022.0 - 1.0);
  for (const Bytes& bytes : {first, lastBC, firstAD}) {
    Bytes again{};
    DateTimeToOraDate(OraDateToDateTime(bytes.data()), again.data());
    EXPECT_EQ(again, bytes);
  }
}

TEST(OraDate, MillisecondsSinceYearOne) {
  const Bytes firstAD{100, 101, 1, 1, 1, 1, 2};  // 0001-01-01 00:00:01
  EXPECT_DOUBLE_EQ(OraDateToMSecs(firstAD.data()), 86400000.0 + 1000.0);
  const Bytes nov1992{119, 192, 11, 30, 16, 18, 1};
  Bytes back{};
  MSecsToOraDate(OraDateToMSecs(nov1992.data()), back.data());
  EXPECT_EQ(back, nov1992);
  const Bytes bc{53, 88, 1, 1, 13, 1, 1};
  MSecsToOraDate(OraDateToMSecs(bc.data()), back.data());
  EXPECT_EQ(back, bc);
}

TEST(OraDate, FractionsOfASecondAreDropped) {
  Bytes got{};
  DateTimeToOraDate(olv::EncodeDate(2000, 1, 1) + 59.6 / 86400.0, got.data());
  EXPECT_EQ(got, (Bytes{120, 100, 1, 1, 1, 1, 60}));
}

TEST(OraDate, BadBytesAndValuesOutOfRangeAreRefused) {
  const Bytes bad[] = {
      {120, 100, 13, 1, 1, 1, 1},   // month 13
      {120, 100, 2, 30, 1, 1, 1},   // 30 February
      {120, 100, 1, 1, 0, 1, 1},    // hour byte 0
      {120, 100, 1, 1, 25, 1, 1},   // hour 24
      {100, 100, 1, 1, 1, 1, 1},    // year 0
      {52, 1, 1, 1, 1, 1, 1},       // before 4712 BC
      {119, 50, 1, 1, 1, 1, 1},     // century and year of different signs
  };
  for (const Bytes& b : bad) EXPECT_THROW(OraDateToDateTime(b.data()), da::EConvertError);
  Bytes out{};
  EXPECT_THROW(DateTimeToOraDate(olv::EncodeDate(9999, 12, 31) + 1.0, out.data()), da::EConvertError);
  EXPECT_THROW(DateTimeToOraDate(NAN, out.data()), da::EConvertError);
  EXPECT_THROW(DateTimeToOraDate(1e300, out.data()), da::EConvertError);
}

}  // namespace
}  // namespace ora
