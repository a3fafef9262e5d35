#pragma once
// Runs a headless main loop the way a test expects it to end: a handler quits it. Should none do
// so within the limit, the loop is quit from outside and the test fails naming what it awaited.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/HeadlessMainThread.h"
#include "tests/support/WaitUntil.h"

namespace testsupport {

inline bool RunUntilQuit(plat::HeadlessMainThread& main, std::chrono::milliseconds limit,
                         std::string_view what) {
  std::mutex m;
  std::condition_variable cv;
  bool returned = false;  // guarded by m
  bool gaveUp = false;    // guarded by m
  std::thread watchdog([&] {
    std::unique_lock lock(m);
    if (!cv.wait_for(lock, limit, [&] { return returned; })) {
      gaveUp = true;
      main.quit();
    }
  });
  main.run();
  {
    std::lock_guard lock(m);
    returned = true;
  }
  cv.notify_all();
  watchdog.join();
  if (gaveUp) ADD_FAILURE() << "gave up after " << limit.count() << " ms waiting for " << what;
  return !gaveUp;
}

inline bool RunUntilQuit(plat::HeadlessMainThread& main, std::string_view what) {
  return RunUntilQuit(main, kPatience, what);
}

}  // namespace testsupport
