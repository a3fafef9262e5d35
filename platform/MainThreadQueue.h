#pragma once
// The queue behind every MainThread: keeps the handlers sent and posted from other threads and
// runs them when the main thread's loop calls processPending().
//
// An event loop plugs in by deriving and implementing wake(), which must make the loop call
// processPending() on the main thread soon (the headless loop signals a condition variable; a Qt
// loop queues a call to processPending() on an object of the main thread). The thread that
// constructs the queue is the main thread.
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <thread>

#include "platform/MainThread.h"
#include "platform/ThreadAnnotations.h"

namespace plat {

class MainThreadQueue : public MainThread {
 public:
  MainThreadQueue();
  // Releases any sender still waiting, as beginShutdown() does.
  ~MainThreadQueue() override;
  MainThreadQueue(const MainThreadQueue&) = delete;
  MainThreadQueue& operator=(const MainThreadQueue&) = delete;

  bool send(Handler handler) override;
  bool post(Handler handler) override;
  bool isMainThread() const override;
  void beginShutdown() override;
  bool shuttingDown() const override;

  // Main thread only: runs the handlers queued before the call, in order, and returns how many
  // ran. Handlers queued meanwhile wait for the next call. An exception from a posted handler
  // leaves through here (the handler is gone from the queue; the rest stay queued).
  int processPending();
  bool hasPending() const;

 protected:
  // Called from any thread, with no lock held, after a handler was queued.
  virtual void wake() = 0;

 private:
  struct Sent {
    bool done = false;
    bool ran = false;
    std::exception_ptr error;
  };
  struct Item {
    Handler handler;
    std::shared_ptr<Sent> sent;  // null for a posted handler
  };

  const std::thread::id mainId_;
  mutable Mutex mutex_;
  std::condition_variable doneCv_;  // a sent handler has finished, or was dropped
  std::deque<Item> queue_ GUARDED_BY(mutex_);
  bool shutdown_ GUARDED_BY(mutex_) = false;
};

}  // namespace plat
