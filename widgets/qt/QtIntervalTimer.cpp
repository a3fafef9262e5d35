#include "widgets/qt/QtIntervalTimer.h"

#include <limits>

namespace olv {

QtIntervalTimer::QtIntervalTimer() {
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    if (!handler_) return;
    const Handler handler = handler_;  // the handler may end this timer
    handler();
  });
}

void QtIntervalTimer::SetInterval(unsigned milliseconds) {
  interval_ = milliseconds;
  Update();
}

void QtIntervalTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void QtIntervalTimer::Update() {
  if (enabled_ && interval_ > 0) {
    const unsigned maxMs = static_cast<unsigned>(std::numeric_limits<int>::max());
    timer_.start(static_cast<int>(interval_ > maxMs ? maxMs : interval_));
  } else {
    timer_.stop();
  }
}

}  // namespace olv
