#pragma once
// Bounded waits for the tests of runs on other threads: each names what it waits for, so a wait
// that runs out fails the test with that name instead of hanging it.
//
// WaitUntil looks at a condition every few milliseconds until it holds or the deadline passes.
// Watchdog guards a wait that cannot look at a clock itself (an event loop, a blocking close):
// when the deadline passes first, it calls the given action on a thread of its own, which must
// end the wait (quit the loop, release what it waits on).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

namespace schtest {

inline constexpr std::chrono::milliseconds kWaitDeadline{10000};

inline bool WaitUntil(const std::string& what, const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = kWaitDeadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) {
      ADD_FAILURE() << "waited " << deadline.count() << " ms for " << what;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class Watchdog {
 public:
  Watchdog(std::string what, std::chrono::milliseconds deadline, std::function<void()> onExpiry)
      : what_(std::move(what)), deadline_(deadline) {
    thread_ = std::jthread([this, onExpiry = std::move(onExpiry)](std::stop_token stop) {
      std::mutex m;
      std::unique_lock lock(m);
      std::condition_variable_any().wait_for(lock, stop, deadline_, [] { return false; });
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
      ADD_FAILURE() << "waited " << deadline_.count() << " ms for " << what_;
    }
    return !expired_;
  }
  ~Watchdog() { Done(); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::string what_;
  std::chrono::milliseconds deadline_;
  std::atomic<bool> expired_{false};
  bool reported_ = false;
  std::jthread thread_;
};

}  // namespace schtest
