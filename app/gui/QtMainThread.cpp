#include "app/gui/QtMainThread.h"

#include <QCoreApplication>

#include "platform/Sanitizers.h"

// Qt keeps the posted events in a list under its own lock, which ThreadSanitizer cannot see (Qt
// is not built with it). QtQueueTurn says what that lock guarantees, on one address standing for
// it: threads posting at once take turns at the list (its storage grows on whichever thread
// posts), and the GUI thread reads and frees an event only after the thread that made it queued
// it. Without it, two workers growing the list are reported as a race.
#if ORASCHEME_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
namespace {
char qtPostedEventsLock;
struct QtQueueTurn {
  QtQueueTurn() { __tsan_acquire(&qtPostedEventsLock); }
  ~QtQueueTurn() { __tsan_release(&qtPostedEventsLock); }
  QtQueueTurn(const QtQueueTurn&) = delete;
  QtQueueTurn& operator=(const QtQueueTurn&) = delete;
};
}  // namespace
#else
namespace {
struct QtQueueTurn {};
}  // namespace
#endif

namespace sch {

namespace {
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

QtMainThread::QtMainThread() = default;

void QtMainThread::wake() {
  // Posted: handled in this object's (the GUI) thread whichever thread woke it.
  [[maybe_unused]] QtQueueTurn turn;
  QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

bool QtMainThread::event(QEvent* e) {
  {
    [[maybe_unused]] QtQueueTurn turn;
  }
  if (e->type() != kWakeEvent) return QObject::event(e);
  processPending();
  return true;
}

}  // namespace sch
