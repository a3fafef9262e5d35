#pragma once
// The one source of "now" for schedulers, runs and date functions, so a test can set the time
// instead of sleeping until it comes. Thread-safe: the current clock is read by timer threads.
#include <atomic>
#include <chrono>
#include <functional>

namespace plat {

class Clock {
 public:
  using time_point = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  virtual time_point Now() const = 0;
};

// The wall clock.
Clock& SystemClock();

// A clock that stands still until a test moves it.
class FakeClock : public Clock {
 public:
  explicit FakeClock(time_point start = time_point{}) : now_(start.time_since_epoch().count()) {}
  time_point Now() const override { return time_point(time_point::duration(now_.load())); }
  // Both tell the ClockSetListeners.
  void Set(time_point t);
  void Advance(std::chrono::system_clock::duration d);

 private:
  std::atomic<time_point::rep> now_;
};

// The process-wide clock; SystemClock() unless a test installed another. The installed clock must
// outlive its use; SetCurrentClock(nullptr) restores the wall clock.
// Why process-wide: "now" is read through the free function olv::Now() (DateTime.h), which the
// expression language's date functions, the default moment of a new run time and the run records
// all call, and the schemes' timers must compare due moments on the very clock the runs that
// write LastRunTime read; one clock for all of them keeps a timer and its runs from disagreeing.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);

// Who sleeps until a moment of the current clock learns here that the clock was set rather than
// running on (a FakeClock set or advanced, another clock installed), so that it looks again at
// once instead of at the end of a sleep measured for the old time. The call runs on the thread
// that set the clock, under a lock that the destructor also takes: no call runs once the
// destructor has returned, and the call must not create or destroy a listener.
class ClockSetListener {
 public:
  explicit ClockSetListener(std::function<void()> onSet);
  ~ClockSetListener();
  ClockSetListener(const ClockSetListener&) = delete;
  ClockSetListener& operator=(const ClockSetListener&) = delete;

 private:
  friend void NotifyClockSet();
  std::function<void()> onSet_;
};

// Tells every listener; called by the clocks that can be set.
void NotifyClockSet();

}  // namespace plat
