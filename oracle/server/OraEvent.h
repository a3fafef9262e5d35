#pragma once
// TOraEvent: a manual-reset event, as the record set's fetch event is: Set and Reset change its
// state, Wait returns once it is set, and Pulse wakes whoever waits now without leaving it set
// (a background fetch marks each block it has added). Any thread.
#include <condition_variable>
#include <cstdint>

#include "platform/ThreadAnnotations.h"

namespace ora {

class TOraEvent {
 public:
  explicit TOraEvent(bool signalled) : signalled_(signalled) {}

  void Set() {
    plat::MutexLock lock(mutex_);
    signalled_ = true;
    changed_.notify_all();
  }
  void Reset() {
    plat::MutexLock lock(mutex_);
    signalled_ = false;
  }
  void Pulse() {
    plat::MutexLock lock(mutex_);
    ++pulses_;
    changed_.notify_all();
  }
  // Until the event is set or pulsed.
  void Wait() {
    plat::MutexLock lock(mutex_);
    const std::uint64_t pulses = pulses_;
    while (!signalled_ && pulses_ == pulses) lock.wait(changed_);
  }
  bool IsSet() const {
    plat::MutexLock lock(mutex_);
    return signalled_;
  }

 private:
  mutable plat::Mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ GUARDED_BY(mutex_);
  std::uint64_t pulses_ GUARDED_BY(mutex_) = 0;
};

}  // namespace ora
