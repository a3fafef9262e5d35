#pragma once
// EOraError: an Oracle error raised by the Oracle layer, carrying the Oracle error number as a
// positive integer (ErrorCode) beside the message text. Thrown by value, caught by reference.
#include <string>

#include "dataaccess/DAErrors.h"

namespace ora {

class EOraError : public da::EDAError {
 public:
  EOraError(int errorCode, const std::string& message) : da::EDAError(errorCode, message) {}
};

}  // namespace ora
