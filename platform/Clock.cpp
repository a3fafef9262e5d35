#include "platform/Clock.h"

#include <algorithm>
#include <vector>

#include "platform/ThreadAnnotations.h"

namespace plat {
namespace {

class WallClock : public Clock {
 public:
  time_point Now() const override { return std::chrono::system_clock::now(); }
};

std::atomic<Clock*> g_current{nullptr};

// Never destroyed: a listener may end during the program's exit.
Mutex& ListenersMutex() {
  static auto* m = new Mutex;
  return *m;
}
std::vector<ClockSetListener*>& Listeners() REQUIRES(ListenersMutex()) {
  static auto* list = new std::vector<ClockSetListener*>;
  return *list;
}

}  // namespace

Clock& SystemClock() {
  static WallClock clock;
  return clock;
}

Clock& CurrentClock() {
  Clock* c = g_current.load(std::memory_order_acquire);
  return c ? *c : SystemClock();
}

void SetCurrentClock(Clock* clock) {
  g_current.store(clock, std::memory_order_release);
  NotifyClockSet();
}

void FakeClock::Set(time_point t) {
  now_.store(t.time_since_epoch().count());
  NotifyClockSet();
}

void FakeClock::Advance(std::chrono::system_clock::duration d) {
  now_.fetch_add(d.count());
  NotifyClockSet();
}

ClockSetListener::ClockSetListener(std::function<void()> onSet) : onSet_(std::move(onSet)) {
  MutexLock lock(ListenersMutex());
  Listeners().push_back(this);
}

ClockSetListener::~ClockSetListener() {
  MutexLock lock(ListenersMutex());
  std::erase(Listeners(), this);
}

void NotifyClockSet() {
  MutexLock lock(ListenersMutex());
  for (ClockSetListener* listener : Listeners()) listener->onSet_();
}

}  // namespace plat
