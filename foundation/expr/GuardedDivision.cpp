#include "foundation/expr/GuardedDivision.h"

#include <cmath>
#include <limits>

#include "foundation/text/Format.h"
#include "foundation/base/SysErrors.h"

namespace olv {

static_assert(std::numeric_limits<long double>::max_exponent10 >= 4932,
              "fDiv's overflow guard needs the 80-bit long double");

std::int64_t iDiv(std::int64_t a, std::int64_t b) {
  if (b == 0) throw EDivByZero(Format("被0除iDiv(%d,0)", {a}));
  if (b == -1 && a == std::numeric_limits<std::int64_t>::min()) throw EOverflow("Integer overflow");
  return a / b;
}

long double fDiv(long double a, long double b) {
  if (std::fabs(b) <= 1e-19L) throw EZeroDivide(Format("被0除fDiv(%f,%f)", {a, b}));
  if (std::fabs(b) < 1 && std::fabs(b) * 1.1e4932L <= std::fabs(a))
    throw EOverflow(Format("浮点数上溢fDiv(%f,%f)", {a, b}));
  return a / b;
}

}  // namespace olv
