#include "app/gui/QtMainThread.h"

#include <QCoreApplication>

#include "platform/Sanitizers.h"

#if ORASCHEME_TSAN
#include <mutex>
#endif

// Qt keeps the posted events in a list under its own lock, which ThreadSanitizer cannot see (Qt
// is not built with it). Under the checker two things say what that lock guarantees: the GUI
// thread reads and frees an event only after the thread that made it has queued it (HandOver and
// TakeOver on the event, handed over before it is queued: the GUI thread may take it before
// postEvent returns), and threads posting at once take turns at the list, whose storage grows on
// whichever thread posts (QueueTurn: a lock of our own around the post, which the checker sees;
// annotations around the call could not say that Qt's lock is given up inside it).
#if ORASCHEME_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
namespace {
void HandOver(void* event) { __tsan_release(event); }
void TakeOver(void* event) { __tsan_acquire(event); }
std::mutex postingLock;
struct QueueTurn {
  std::lock_guard<std::mutex> turn{postingLock};
};
}  // namespace
#else
namespace {
void HandOver(void*) {}
void TakeOver(void*) {}
struct QueueTurn {};
}  // namespace
#endif

namespace sch {

namespace {
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

QtMainThread::QtMainThread() = default;

void QtMainThread::wake() {
  // Posted: handled in this object's (the GUI) thread whichever thread woke it.
  auto* e = new QEvent(kWakeEvent);
  HandOver(e);
  [[maybe_unused]] QueueTurn turn;
  QCoreApplication::postEvent(this, e);
}

bool QtMainThread::event(QEvent* e) {
  TakeOver(e);
  if (e->type() != kWakeEvent) return QObject::event(e);
  processPending();
  return true;
}

}  // namespace sch
