#pragma once
// The library's exception: a failure carrying a message text. Subsystems derive their own
// (stream errors, conversion errors, ...) from it so that callers can catch one type.
#include <stdexcept>
#include <string>

namespace olv {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace olv
