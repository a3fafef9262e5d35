#pragma once
// The time source and timer of GIF animation painters. Painters never run on threads of their own:
// a timed painter asks its clock to call it back on the main thread when its next frame is due, so
// every frame is painted on the main thread, between the events of its loop. A painter without a
// timer (DrawInThread off) plays inside the call that starts it and waits through Sleep, handling
// pending events between slices.
//
// DefaultAnimationClock: the steady clock; Sleep really sleeps; it has no event loop, so it never
// calls a scheduled painter back (a timed painter stays on its first frame). A painter with a loop
// to run on is handed a clock that has one (TGIFImage::Clock; widgets/qt/QtAnimationClock.h).
// ManualAnimationClock: time moves only when a test says so, and due callbacks run then, in time
// order.
//
// Threads: main thread only, like the painters they drive.
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace olv {

class TAnimationClock {
 public:
  using Callback = std::function<void()>;
  virtual ~TAnimationClock() = default;
  // Milliseconds of a monotonic clock.
  virtual int64_t NowMs() = 0;
  // Calls fn once, ms milliseconds from now (0: as soon as the loop is free), on this thread.
  // Returns an id for Cancel; ids are never 0.
  virtual uint64_t Schedule(int64_t ms, Callback fn) = 0;
  // Forgets a scheduled call; an id already run or cancelled is ignored.
  virtual void Cancel(uint64_t id) = 0;
  // For painters without a timer: blocks for about ms milliseconds ...
  virtual void Sleep(int64_t ms) = 0;
  // ... and then lets pending events of the thread run.
  virtual void ProcessMessages() {}
};

// The built-in clock, for painters that were handed none.
TAnimationClock& DefaultAnimationClock();

class ManualAnimationClock : public TAnimationClock {
 public:
  int64_t NowMs() override { return now_; }
  uint64_t Schedule(int64_t ms, Callback fn) override;
  void Cancel(uint64_t id) override;
  // Moves time by ms; callbacks due meanwhile run at their own times, in order.
  void Sleep(int64_t ms) override { Advance(ms); }
  void Advance(int64_t ms);
  // Runs the callbacks that are due now (a callback scheduled with 0 ms, for example).
  void RunDue() { Advance(0); }
  // Time of the next scheduled call, or -1 when none is waiting.
  int64_t NextDue() const;
  int Pending() const { return static_cast<int>(queue_.size()); }

 private:
  int64_t now_ = 0;
  uint64_t nextId_ = 1;
  // (due time, id) -> callback; ids keep calls of the same time in scheduling order.
  std::map<std::pair<int64_t, uint64_t>, Callback> queue_;
};

}  // namespace olv
