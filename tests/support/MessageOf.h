#pragma once
// What an action raises, as text: for tests that check an error's words.
#include <exception>
#include <functional>
#include <string>

namespace testsupport {

// The message of what the action raises, or "(nothing raised)".
inline std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(nothing raised)";
}

}  // namespace testsupport
