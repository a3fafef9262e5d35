#pragma once
// Divisions that raise a clear error instead of trapping or yielding infinity. Pure; any thread.
#include <cstdint>

namespace olv {

// Truncating quotient. b = 0 raises EDivByZero "被0除iDiv(<a>,0)"; the one quotient that does
// not fit (the smallest integer divided by -1) raises EOverflow.
std::int64_t iDiv(std::int64_t a, std::int64_t b);

// a / b. |b| <= 1E-19 raises EZeroDivide "被0除fDiv(<a>,<b>)"; a quotient beyond the range of
// long double raises EOverflow "浮点数上溢fDiv(<a>,<b>)" (both numbers with two decimals).
long double fDiv(long double a, long double b);

}  // namespace olv
