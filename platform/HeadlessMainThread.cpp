#include "platform/HeadlessMainThread.h"

namespace plat {

void HeadlessMainThread::run() {
  for (;;) {
    processPending();
    MutexLock lock(loopMutex_);
    while (!quit_ && !hasPending()) lock.wait(loopCv_);
    if (quit_ && !hasPending()) {
      quit_ = false;  // so the loop can be run again
      return;
    }
  }
}

void HeadlessMainThread::quit() {
  {
    MutexLock lock(loopMutex_);
    quit_ = true;
  }
  loopCv_.notify_all();
}

void HeadlessMainThread::wake() {
  // Taking the loop's lock orders this wake-up after run()'s check, so none is lost.
  { MutexLock lock(loopMutex_); }
  loopCv_.notify_all();
}

}  // namespace plat
