#pragma once
// Waits of a test that give up. A broken run fails within its limit, naming what the test waited
// for, instead of turning into a silent ctest timeout minutes later.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

namespace testsupport {

// Long enough for a loaded machine or a sanitizer build; a healthy wait ends far sooner.
inline constexpr std::chrono::milliseconds kPatience{30'000};

// Checks `done` every few milliseconds until it holds or `limit` has passed. On giving up it
// records a failure naming `what` and returns false, so the caller can stop early.
template <class Predicate>
bool WaitUntil(Predicate&& done, std::chrono::milliseconds limit, std::string_view what) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ADD_FAILURE() << "gave up after " << limit.count() << " ms waiting for " << what;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

template <class Predicate>
bool WaitUntil(Predicate&& done, std::string_view what) {
  return WaitUntil(std::forward<Predicate>(done), kPatience, what);
}

// The same for state guarded by a mutex and signalled through a condition variable: `lock`
// holds the mutex on entry and on return.
template <class Predicate>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, Predicate&& done,
               std::chrono::milliseconds limit, std::string_view what) {
  if (cv.wait_for(lock, limit, std::forward<Predicate>(done))) return true;
  ADD_FAILURE() << "gave up after " << limit.count() << " ms waiting for " << what;
  return false;
}

}  // namespace testsupport
