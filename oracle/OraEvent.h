#pragma once
// TOraEvent: a manual-reset event, as the record set's fetch event is: Set and Reset change its
// state, Wait returns once it is set, and Pulse wakes whoever waits now without leaving it set
// (a background fetch marks each block it has added). Any thread.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ora {

class TOraEvent {
 public:
  explicit TOraEvent(bool signalled) : signalled_(signalled) {}

  void Set() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
  }
  void Pulse() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++pulses_;
    changed_.notify_all();
  }
  // Until the event is set or pulsed.
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t pulses = pulses_;
    changed_.wait(lock, [&] { return signalled_ || pulses_ != pulses; });
  }
  bool IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_;
  std::uint64_t pulses_ = 0;
};

}  // namespace ora
