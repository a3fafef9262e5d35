#pragma once
// Waits of a test that give up. A broken run fails within its limit, naming what the test waited
// for, instead of turning into a silent ctest timeout minutes later.
//
// WaitUntil looks at a condition until it holds or the limit passes. Watchdog guards a wait that
// cannot look at a clock itself (an event loop, a blocking close): when the limit passes first,
// it calls the given action on a thread of its own, which must end the wait (quit the loop,
// release what it waits on).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

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

class Watchdog {
 public:
  Watchdog(std::string what, std::chrono::milliseconds limit, std::function<void()> onExpiry)
      : what_(std::move(what)), limit_(limit) {
    thread_ = std::jthread([this, onExpiry = std::move(onExpiry)](std::stop_token stop) {
      std::mutex m;
      std::unique_lock lock(m);
      std::condition_variable_any().wait_for(lock, stop, limit_, [] { return false; });
      if (stop.stop_requested()) return;
      expired_ = true;
      onExpiry();
    });
  }
  // The wait is over: stops the watchdog; false (and the test fails) when it had expired.
  bool Done() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
    if (expired_ && !reported_) {
      reported_ = true;
      ADD_FAILURE() << "gave up after " << limit_.count() << " ms waiting for " << what_;
    }
    return !expired_;
  }
  ~Watchdog() { Done(); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::string what_;
  std::chrono::milliseconds limit_;
  std::atomic<bool> expired_{false};
  bool reported_ = false;
  std::jthread thread_;
};

}  // namespace testsupport
