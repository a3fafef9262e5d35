// Room for columns described as strings: every value of the column's type must fit.
#include <gtest/gtest.h>

#include <cstring>

#include "oracle/values/OraStringFieldLength.h"

namespace ora {
namespace {

TEST(StringFieldLength, NumbersFitTheirLongestText) {
  const struct {
    int precision, scale;
    std::int32_t length;
    const char* longest;  // what the length must hold
  } cases[] = {
      {10, 2, 12, "-99999999.99"},
      {5, 0, 7, "-99999"},
      {4, 4, 7, "-0.9999"},
      {0, -127, 40, "(no precision)"},
      // A negative scale: NUMBER(3,-2) holds 99900.
      {3, -2, 6, "-99900"},
      // A scale above the precision: NUMBER(2,5) holds 0.00099.
      {2, 5, 8, "-0.00099"},
      {38, -84, 123, "(122 digits)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NumberStringLength(c.precision, c.scale), c.length) << c.precision << "," << c.scale;
    if (c.longest[0] != '(') {
      EXPECT_GE(NumberStringLength(c.precision, c.scale), static_cast<std::int32_t>(std::strlen(c.longest)));
    }
  }
}

TEST(StringFieldLength, DatesFromTheSessionFormats) {
  EXPECT_EQ(DateStringLength("DD-MON-RR", false), 9);
  EXPECT_EQ(DateStringLength("dd month yyyy", false), 13 + 7);
  EXPECT_EQ(DateStringLength("Day DD", false), 6 + 9);
  EXPECT_EQ(DateStringLength("DD-MON-RR HH.MI.SSXFF AM", true), 24 + 4);
  EXPECT_EQ(DateStringLength("DD-MON-RR HH.MI.SSXFF AM", false), 24);
  EXPECT_EQ(IntervalStringLength(true, 2, 6), 6);
  EXPECT_EQ(IntervalStringLength(false, 2, 6), 19);
}

}  // namespace
}  // namespace ora
