#pragma once
// A bound on one call made on the calling thread: when the call has not returned within the
// bound, the action given (which breaks the call off) runs on a thread of the deadline's own.
// The window's own waits on the database use it, so that a server that does not answer cannot
// freeze the window for longer than the bound.
//
// Ownership and threads: made and destroyed by the calling thread around the call; the
// destructor stands the watchdog down and waits for an action in progress, so the action never
// outlives what it breaks off.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace sch {

class TCallDeadline {
 public:
  TCallDeadline(std::chrono::milliseconds bound, std::function<void()> onExpiry);
  ~TCallDeadline();
  TCallDeadline(const TCallDeadline&) = delete;
  TCallDeadline& operator=(const TCallDeadline&) = delete;

  // The bound passed before the call returned (the action ran or is running).
  bool Expired() const { return expired_; }

 private:
  std::atomic<bool> expired_{false};
  std::jthread watchdog_;
};

}  // namespace sch
