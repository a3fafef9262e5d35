#pragma once
// A main-thread loop without a window, for tests and for running the schemes headless.
//
// Construct it on the thread that is to be the main thread and call run() there: it handles
// sent and posted handlers until quit() is called (from any thread, or from a handler).
// processPending() handles what is queued without waiting, for tests that drive the loop step by
// step.
#include <condition_variable>

#include "platform/MainThreadQueue.h"
#include "platform/ThreadAnnotations.h"

namespace plat {

class HeadlessMainThread : public MainThreadQueue {
 public:
  // Main thread only: handles handlers until quit(); the handlers queued before quit() still run.
  void run();
  // Any thread: makes run() return.
  void quit();

 protected:
  void wake() override;

 private:
  Mutex loopMutex_;
  std::condition_variable loopCv_;
  bool quit_ GUARDED_BY(loopMutex_) = false;
};

}  // namespace plat
