#pragma once
// A worker thread that can be paused, resumed and ended cooperatively: the base of the schemes'
// timer threads.
//
// The body runs once on the worker's own thread and loops by itself, calling sleepFor() between
// rounds (and checkpoint() wherever it may stop). Both block while the worker is paused and
// return false once it is to end; sleepFor() waits on a condition variable, so a sleeping or
// paused worker uses no CPU, and pause(), resume() and quit() wake it at once. A pause takes
// effect at the body's next checkpoint or sleep: work in progress (a run) is finished first,
// never frozen half-way. A sleep that meets a pause (at its start or while it lasts) ends with
// it: after the resume the body goes on at once (a resume ends the sleep even when the pause
// before it came and went while the body slept on).
//
// wake() tells the body that what it looks at has changed: the sleep in progress ends at once, or,
// when the body is not asleep, its next sleep does. The wake is kept until the body's next sleep
// or checkpoint takes it, so a change made before wake() is seen by the body's next look however
// the two threads interleave.
//
// The worker is created paused (its body has not begun) unless told otherwise. pause(), resume(),
// quit() and the state queries may be called from any thread; sleepFor() and checkpoint() only
// from the body. The destructor quits and joins, so the body must not outlive what it uses.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <thread>

#include "platform/ThreadAnnotations.h"

namespace plat {

class PausableWorker {
 public:
  using Body = std::function<void(PausableWorker&)>;

  explicit PausableWorker(Body body, bool startPaused = true);
  ~PausableWorker();
  PausableWorker(const PausableWorker&) = delete;
  PausableWorker& operator=(const PausableWorker&) = delete;

  void pause();
  void resume();
  // Ends the body's current or next sleep (see above).
  void wake();
  // Asks the body to end; returns at once. join() waits for it.
  void quit();
  void join();

  bool paused() const;
  bool quitting() const;
  // True while the body is running or sleeping (not paused and not ended): the timer's "started".
  bool active() const;
  bool ended() const;
  // What the body threw, if it ended by an exception (the thread ends; the program goes on).
  std::exception_ptr failure() const;

  // Body only. Sleep up to interval, less when woken; false when the worker is to end.
  bool sleepFor(std::chrono::milliseconds interval);
  // Body only. Waits while paused; false when the worker is to end. Takes a pending wake: the
  // body is about to look afresh.
  bool checkpoint();

 private:
  void main(Body body);
  bool waitWhilePaused(MutexLock& lock) REQUIRES(mutex_);

  mutable Mutex mutex_;
  std::condition_variable cv_;
  bool paused_ GUARDED_BY(mutex_);
  bool quit_ GUARDED_BY(mutex_) = false;
  bool woken_ GUARDED_BY(mutex_) = false;
  bool ended_ GUARDED_BY(mutex_) = false;
  std::exception_ptr failure_ GUARDED_BY(mutex_);
  std::thread thread_;  // last: started once the state above exists
};

}  // namespace plat
