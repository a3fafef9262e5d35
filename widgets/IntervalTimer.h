#pragma once
// A repeating timer that calls its handler on the thread that owns it (the GUI thread for the
// window's timers), never on a thread of its own: handlers may touch window state without locks.
// It runs only while enabled with an interval above 0: a zero interval would fire without pause.
// ManualTimer is the headless one: nothing fires until a test (or a headless loop) calls Fire().
#include <functional>

namespace olv {

class IntervalTimer {
 public:
  using Handler = std::function<void()>;
  virtual ~IntervalTimer() = default;
  virtual void SetHandler(Handler handler) = 0;
  virtual void SetInterval(unsigned milliseconds) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual unsigned Interval() const = 0;
  virtual bool Enabled() const = 0;
};

class ManualTimer : public IntervalTimer {
 public:
  void SetHandler(Handler handler) override { handler_ = std::move(handler); }
  void SetInterval(unsigned milliseconds) override { interval_ = milliseconds; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  unsigned Interval() const override { return interval_; }
  bool Enabled() const override { return enabled_; }

  // Whether a period can elapse at all.
  bool Running() const { return enabled_ && interval_ > 0; }
  // One period elapsed: runs the handler when the timer is running and has one.
  void Fire() {
    if (!Running() || !handler_) return;
    const Handler handler = handler_;  // the handler may end this timer
    handler();
  }

 private:
  Handler handler_;
  unsigned interval_ = 0;
  bool enabled_ = false;
};

}  // namespace olv
