#pragma once
// Runs a headless main loop the way a test expects it to end: a handler quits it. Should none do
// so within the limit, the loop is quit from outside and the test fails naming what it awaited.
#include <chrono>
#include <string>

#include "platform/HeadlessMainThread.h"
#include "tests/support/WaitUntil.h"

namespace testsupport {

inline bool RunUntilQuit(plat::HeadlessMainThread& main, std::chrono::milliseconds limit,
                         const std::string& what) {
  Watchdog dog(what, limit, [&main] { main.quit(); });
  main.run();
  return dog.Done();
}

inline bool RunUntilQuit(plat::HeadlessMainThread& main, const std::string& what) {
  return RunUntilQuit(main, kPatience, what);
}

}  // namespace testsupport
