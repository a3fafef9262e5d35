#include "widgets/gif/AnimationClock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace olv {

namespace {

class SteadyAnimationClock : public TAnimationClock {
 public:
  int64_t NowMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  uint64_t Schedule(int64_t, Callback) override { return ++lastId_; }
  void Cancel(uint64_t) override {}
  void Sleep(int64_t ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }

 private:
  uint64_t lastId_ = 0;
};

}  // namespace

TAnimationClock& DefaultAnimationClock() {
  static SteadyAnimationClock builtIn;
  return builtIn;
}

uint64_t ManualAnimationClock::Schedule(int64_t ms, Callback fn) {
  const uint64_t id = nextId_++;
  queue_.emplace(std::make_pair(now_ + (ms > 0 ? ms : 0), id), std::move(fn));
  return id;
}

void ManualAnimationClock::Cancel(uint64_t id) {
  for (auto it = queue_.begin(); it != queue_.end(); ++it)
    if (it->first.second == id) {
      queue_.erase(it);
      return;
    }
}

void ManualAnimationClock::Advance(int64_t ms) {
  const int64_t end = now_ + (ms > 0 ? ms : 0);
  while (!queue_.empty() && queue_.begin()->first.first <= end) {
    auto it = queue_.begin();
    now_ = std::max(now_, it->first.first);
    Callback fn = std::move(it->second);
    queue_.erase(it);
    fn();  // may schedule or cancel further calls
  }
  now_ = end;
}

int64_t ManualAnimationClock::NextDue() const { return queue_.empty() ? -1 : queue_.begin()->first.first; }

}  // namespace olv
