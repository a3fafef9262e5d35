#pragma once
// The exceptions of the data-access layer, standing in for the platform's exception classes:
// - Exception: the base of every error this layer raises, itself the library's olv::Exception, so
//   one handler catches both ("Invalid BLOB.", "Attribute %s not found.").
// - EConvertError: a text that does not convert to the requested type.
// - EDatabaseError: a database-side refusal (a field that cannot be modified, a dataset in the
//   wrong state).
// - EDAError: a data-access error with an error number; the Oracle layer derives its own from it.
// - EAbort: the silent abort, which stops an operation without showing anything.
// - EAssertionFailed: a broken internal invariant (double free, foreign pointer); names the module.
//   Raised by DAAssert; always checked, also in optimised builds.
// All are thrown by value and caught by reference; any thread may raise them.
#include <stdexcept>
#include <string>

#include "foundation/base/Exception.h"

namespace da {

class Exception : public olv::Exception {
 public:
  explicit Exception(const std::string& message) : olv::Exception(message) {}
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

class EDAError : public EDatabaseError {
 public:
  EDAError(int errorCode, const std::string& message) : EDatabaseError(message), errorCode_(errorCode) {}
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

// The platform's silent abort: stops an operation without an error message.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EAssertionFailed : public Exception {
 public:
  EAssertionFailed(const std::string& module, const std::string& text)
      : Exception(text + " (" + module + ")"), module_(module), text_(text) {}
  const std::string& Module() const { return module_; }
  const std::string& Text() const { return text_; }

 private:
  std::string module_;
  std::string text_;
};

// Raises EAssertionFailed(module, text) unless the condition holds.
inline void DAAssert(bool condition, const char* module, const char* text = "Assertion failure") {
  if (!condition) throw EAssertionFailed(module, text);
}

}  // namespace da
