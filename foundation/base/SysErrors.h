#pragma once
// The runtime errors that the library's conversions and arithmetic raise, one family: a failed
// text-to-number or text-to-date conversion or a format that does not fit its argument
// (EConvertError), an integer division by zero (EDivByZero), a floating division by zero
// (EZeroDivide) and a floating result out of range (EOverflow). Callers that only report the
// message catch olv::Exception.
#include "foundation/base/Exception.h"

namespace olv {

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EDivByZero : public Exception {
 public:
  using Exception::Exception;
};

class EZeroDivide : public Exception {
 public:
  using Exception::Exception;
};

class EOverflow : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace olv
