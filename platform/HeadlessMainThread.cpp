#include "platform/HeadlessMainThread.h"

namespace plat {

void HeadlessMainThread::run() {
  for (;;) {
    processPending();
    std::unique_lock lock(loopMutex_);
    loopCv_.wait(lock, [&] { return quit_ || hasPending(); });
    if (quit_ && !hasPending()) {
      quit_ = false;  // so the loop can be run again
      return;
    }
  }
}

void HeadlessMainThread::quit() {
  {
    std::lock_guard lock(loopMutex_);
    quit_ = true;
  }
  loopCv_.notify_all();
}

void HeadlessMainThread::wake() {
  // Taking the loop's lock orders this wake-up after run()'s check, so none is lost.
  { std::lock_guard lock(loopMutex_); }
  loopCv_.notify_all();
}

}  // namespace plat
