#include "app/gui/QtMainThread.h"

#include <QMetaObject>

namespace sch {

QtMainThread::QtMainThread() = default;

void QtMainThread::wake() {
  // Queued: runs in this object's (the GUI) thread whichever thread woke it.
  QMetaObject::invokeMethod(this, [this] { processPending(); }, Qt::QueuedConnection);
}

}  // namespace sch
