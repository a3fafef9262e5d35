#pragma once
// The one source of "now" for schedulers, runs and date functions, so a test can set the time
// instead of sleeping until it comes. Thread-safe: the current clock is read by timer threads.
#include <atomic>
#include <chrono>

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
  void Set(time_point t) { now_.store(t.time_since_epoch().count()); }
  void Advance(std::chrono::system_clock::duration d) { now_.fetch_add(d.count()); }

 private:
  std::atomic<time_point::rep> now_;
};

// The process-wide clock; SystemClock() unless a test installed another. The installed clock must
// outlive its use; SetCurrentClock(nullptr) restores the wall clock.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);

}  // namespace plat
