#include "app/gui/QtMainThread.h"

#include <QCoreApplication>

#include "platform/Sanitizers.h"

// Qt hands a posted event to the GUI thread under its own lock, which ThreadSanitizer cannot see
// (Qt is not built with it): these two say what that lock guarantees, so that the event's
// allocation on the waking thread and its reading on the GUI thread are not taken for a race.
#if ORASCHEME_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#define ORASCHEME_HAND_OVER(p) __tsan_release(p)
#define ORASCHEME_TAKE_OVER(p) __tsan_acquire(p)
#else
#define ORASCHEME_HAND_OVER(p) ((void)(p))
#define ORASCHEME_TAKE_OVER(p) ((void)(p))
#endif

namespace sch {

namespace {
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

QtMainThread::QtMainThread() = default;

void QtMainThread::wake() {
  // Posted: handled in this object's (the GUI) thread whichever thread woke it.
  auto* e = new QEvent(kWakeEvent);
  ORASCHEME_HAND_OVER(e);
  QCoreApplication::postEvent(this, e);
}

bool QtMainThread::event(QEvent* e) {
  ORASCHEME_TAKE_OVER(e);
  if (e->type() != kWakeEvent) return QObject::event(e);
  processPending();
  return true;
}

}  // namespace sch
