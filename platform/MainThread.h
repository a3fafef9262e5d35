#pragma once
// Handing work to the main thread: the stand-in for window messages sent and posted to the main
// window from worker threads.
//
// - send(handler) runs the handler on the main thread and blocks the caller until it has
//   returned; an exception it throws is thrown again in the caller. Called on the main thread it
//   runs the handler at once (no queue, so no deadlock).
// - post(handler) queues the handler and returns at once.
// - Handlers run one at a time, in the order they were queued, whichever thread queued them.
// - Shutdown: once beginShutdown() has been called, send() and post() run nothing and return
//   false at once, and every sender still waiting for a handler that has not started is released
//   with false (its handler is dropped). So a worker can never hang on a main thread that has
//   stopped handling messages; its caller must accept that a notice was not delivered. A handler
//   that had already started still runs to its end before its sender returns.
// The numbers of the original window messages stay as constants, so callers can say which
// notice a handler stands for. Implementations: MainThreadQueue (the queue and the rules above),
// HeadlessMainThread (a loop for tests and for running without a window), and a Qt one that
// plugs a MainThreadQueue into the Qt event loop.
//
// There is no process-wide main thread: the program's main makes the one it runs and hands it to
// whoever sends or posts (the schemes' host, the dialogs, the form library, the database
// sessions), so that what a class reaches shows in its constructor and a test hands in its own.
#include <functional>

namespace plat {

class MainThread {
 public:
  using Handler = std::function<void()>;

  virtual ~MainThread() = default;

  // True when the handler ran; false when shutdown kept it from running.
  virtual bool send(Handler handler) = 0;
  // True when the handler was queued.
  virtual bool post(Handler handler) = 0;
  virtual bool isMainThread() const = 0;
  virtual void beginShutdown() = 0;
  virtual bool shuttingDown() const = 0;
};

}  // namespace plat
