#pragma once
// The program's main thread on Qt: the shared MainThreadQueue, woken by a queued call into the
// GUI thread's event loop. Construct it on the GUI thread after the QApplication and hand it to
// what sends or posts to it. Worker threads send and post to it; after beginShutdown() nothing
// blocks (see platform/MainThread.h).
#include <QEvent>
#include <QObject>

#include "platform/MainThreadQueue.h"

namespace sch {

class QtMainThread : public QObject, public plat::MainThreadQueue {
 public:
  QtMainThread();

 protected:
  void wake() override;
  bool event(QEvent* e) override;
};

}  // namespace sch
