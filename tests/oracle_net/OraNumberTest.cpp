// Oracle NUMBER bytes both ways: the values worked out by hand from the layout, the overflows
// that must raise instead of wrapping, and malformed bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <random>

#include "oracle/net/NetErrors.h"
#include "oracle/net/OraNumber.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromInt(std::int64_t v) {
  std::uint8_t out[ora::kOraNumberBuffer];
  return Bytes(out, out + ora::IntToOraNumber(v, out));
}

Bytes FromFloat(double v) {
  std::uint8_t out[ora::kOraNumberBuffer];
  return Bytes(out, out + ora::FloatToOraNumber(v, out));
}

std::int64_t ToInt(const Bytes& b, int width = 8) { return ora::OraNumberToInt(b.data(), b.size(), width); }
double ToFloat(const Bytes& b) { return ora::OraNumberToFloat(b.data(), b.size()); }

int OracleCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const ora::EOraNetError& e) {
    return e.Code();
  } catch (const ora::EDBError& e) {
    return -e.Code();
  }
  return 0;
}

TEST(OraNumber, IntegersBothWays) {
  const std::vector<std::pair<std::int64_t, Bytes>> table = {
      {5, {0xC1, 0x06}},
      {-5, {0x3E, 0x60, 0x66}},
      {2767, {0xC2, 0x1C, 0x44}},
      {-2767, {0x3D, 0x4A, 0x22, 0x66}},
      {100000, {0xC3, 0x0B}},
      {1234567, {0xC4, 0x02, 0x18, 0x2E, 0x44}},
      {-123, {0x3D, 0x64, 0x4E, 0x66}},
      {0, {0x80}},
      {1, {0xC1, 0x02}},
      {-1, {0x3E, 0x64, 0x66}},
      {100, {0xC2, 0x02}},
      {12345, {0xC3, 0x02, 0x18, 0x2E}},
  };
  for (const auto& [value, bytes] : table) {
    EXPECT_EQ(FromInt(value), bytes) << value;
    EXPECT_EQ(ToInt(bytes), value) << value;
    EXPECT_EQ(ToFloat(bytes), double(value)) << value;
  }
}

TEST(OraNumber, FloatsAndTheirSpecialValues) {
  EXPECT_EQ(FromFloat(0.5), (Bytes{0xC0, 0x33}));
  EXPECT_EQ(FromFloat(1.5), (Bytes{0xC1, 0x02, 0x33}));
  EXPECT_EQ(FromFloat(0), (Bytes{0x80}));
  EXPECT_EQ(FromFloat(std::numeric_limits<double>::infinity()), (Bytes{0xFF, 0x65}));
  EXPECT_EQ(FromFloat(-std::numeric_limits<double>::infinity()), (Bytes{0x00}));
  EXPECT_EQ(ToFloat({0xFF, 0x65}), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ToFloat({0x00}), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ToFloat({0xC0, 0x33}), 0.5);
  // 12.7: the integer target takes the integer part.
  const Bytes twelvePointSeven = FromFloat(12.7);
  EXPECT_EQ(twelvePointSeven, (Bytes{0xC1, 0x0D, 0x47}));
  EXPECT_EQ(ToInt(twelvePointSeven), 12);
  EXPECT_EQ(ToInt(FromFloat(-12.7)), -12);
  // Fifteen significant digits survive the round trip.
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-120, 120);
  for (int i = 0; i < 2000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, exponent(random)) * (i % 2 ? -1 : 1);
    const double back = ToFloat(FromFloat(v));
    EXPECT_NEAR(back / v, 1.0, 1e-14) << v;
  }
}

// Exact decimal ties on the fifteenth significant digit go up, never to the even neighbour; a
// value just below the tie goes down, and a carry through every digit moves the exponent.
TEST(OraNumber, FloatTiesRoundHalfUp) {
  const std::vector<std::pair<double, Bytes>> table = {
      // First base-100 digit of two decimals: the eighth digit rounds to a multiple of ten.
      {1000000000000005.0, {0xC8, 0x0B, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x0B}},
      {1000000000000015.0, {0xC8, 0x0B, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x15}},
      {1000000000000004.0, {0xC8, 0x0B}},
      {-1000000000000005.0, {0x37, 0x5B, 0x65, 0x65, 0x65, 0x65, 0x65, 0x65, 0x5B, 0x66}},
      // First digit of one decimal: the ninth digit of 50 lifts the eighth (the tie below the point).
      {100000000000000.5, {0xC8, 0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x02}},
      {100000000000000.25, {0xC8, 0x02}},
      // 999999999999999.5 carries out of the first digit.
      {999999999999999.5, {0xC8, 0x0B}},
  };
  for (const auto& [value, bytes] : table) EXPECT_EQ(FromFloat(value), bytes) << std::setprecision(17) << value;
}

TEST(OraNumber, OverflowRaisesInsteadOfWrapping) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  // The extremes of 64 bits encode and come back exactly.
  EXPECT_EQ(ToInt(FromInt(kMin)), kMin);
  EXPECT_EQ(ToInt(FromInt(kMax)), kMax);
  EXPECT_EQ(ToInt(FromInt(INT32_MIN), 4), INT32_MIN);
  EXPECT_EQ(ToInt(FromInt(INT32_MAX), 4), INT32_MAX);
  struct Case {
    const char* name;
    std::function<void()> f;
    int code;
  };
  const std::vector<Case> cases = {
      {"2^31 into 4 bytes", [] { ToInt(FromInt(std::int64_t(INT32_MAX) + 1), 4); }, 1455},
      {"-2^31-1 into 4 bytes", [] { ToInt(FromInt(std::int64_t(INT32_MIN) - 1), 4); }, 1455},
      {"40000 into 2 bytes", [] { ToInt(FromInt(40000), 2); }, 1455},
      {"1e30 into 8 bytes", [] { ToInt(FromFloat(1e30)); }, 1455},
      {"2^63 into 8 bytes", [] { ToInt(FromFloat(9223372036854775808.0)); }, 1455},
      {"plus infinity into an integer", [] { ToInt({0xFF, 0x65}); }, 1455},
      {"NaN", [] { FromFloat(std::nan("")); }, 1426},
      {"1e126", [] { FromFloat(1e126); }, 1426},
      {"-1e200", [] { FromFloat(-1e200); }, 1426},
      {"rounds up to 1e126", [] { FromFloat(9.999999999999999e125); }, 1426},
      {"a subnormal", [] { FromFloat(std::numeric_limits<double>::denorm_min()); }, 1426},
      {"below 1e-130", [] { FromFloat(1e-131); }, 1426},
      {"22 bytes", [] { ToInt(Bytes(22, 0xC1)); }, -1},
      {"no bytes", [] { ToFloat({}); }, -1},
      {"digit byte 0 in a positive number", [] { ToInt({0xC1, 0x00}); }, -1},
      {"digit byte 120 in a negative number", [] { ToFloat({0x3E, 120, 0x66}); }, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(OracleCode(c.f), c.code) << c.name;
  // Just inside the range.
  EXPECT_EQ(OracleCode([] { FromFloat(9.99999999999999e125); }), 0);
  EXPECT_EQ(OracleCode([] { FromFloat(1e-130); }), 0);
}

}  // namespace
