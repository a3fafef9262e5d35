#include "widgets/qt/QtAnimationClock.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace olv {

QtAnimationClock::QtAnimationClock() { elapsed_.start(); }

QtAnimationClock::~QtAnimationClock() {
  for (auto& [id, timer] : timers_) delete timer;
}

uint64_t QtAnimationClock::Schedule(int64_t ms, Callback fn) {
  const uint64_t id = nextId_++;
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  timers_[id] = timer;
  connect(timer, &QTimer::timeout, this, [this, id, fn = std::move(fn)] {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->deleteLater();
    timers_.erase(it);
    fn();
  });
  const int64_t capped = std::min<int64_t>(std::max<int64_t>(ms, 0), std::numeric_limits<int>::max());
  timer->start(static_cast<int>(capped));
  return id;
}

void QtAnimationClock::Cancel(uint64_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

void QtAnimationClock::Sleep(int64_t ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

void QtAnimationClock::ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace olv
