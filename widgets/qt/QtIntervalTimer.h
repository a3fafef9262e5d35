#pragma once
// The repeating timer on Qt: a QTimer of the thread that creates it (the GUI thread), which runs
// only while enabled with an interval above 0. GUI thread only.
#include <QTimer>

#include "widgets/IntervalTimer.h"

namespace olv {

class QtIntervalTimer : public IntervalTimer {
 public:
  QtIntervalTimer();

  void SetHandler(Handler handler) override { handler_ = std::move(handler); }
  void SetInterval(unsigned milliseconds) override;
  void SetEnabled(bool enabled) override;
  unsigned Interval() const override { return interval_; }
  bool Enabled() const override { return enabled_; }

  bool Running() const { return timer_.isActive(); }

 private:
  void Update();

  QTimer timer_;
  Handler handler_;
  unsigned interval_ = 0;
  bool enabled_ = false;
};

}  // namespace olv
