#include "platform/Clock.h"

namespace plat {
namespace {

class WallClock : public Clock {
 public:
  time_point Now() const override { return std::chrono::system_clock::now(); }
};

std::atomic<Clock*> g_current{nullptr};

}  // namespace

Clock& SystemClock() {
  static WallClock clock;
  return clock;
}

Clock& CurrentClock() {
  Clock* c = g_current.load(std::memory_order_acquire);
  return c ? *c : SystemClock();
}

void SetCurrentClock(Clock* clock) { g_current.store(clock, std::memory_order_release); }

}  // namespace plat
