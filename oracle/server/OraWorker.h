#pragma once
// Background execution for a connection's commands and record sets: RunThread starts a worker
// thread that runs the run procedure; the end procedure then runs on the main thread of the
// connection's TBackgroundServices, posted there as the notices kMsgBackgroundDone and
// kMsgBackgroundFailed stand for: with true after the run procedure returned, with false after it
// raised, in which case the error then goes, once, to the services' exception hook with the
// sender. An exception the end procedure raises goes to the hook the same way. Without a main
// thread the notice is handled on the worker itself; once the main thread shuts down, notices are
// dropped.
//
// StopThread ends a run mid-call: it breaks the connection's call in progress (repeating the
// break until the worker has ended, for a break that came before the call began), then waits for
// the worker. With dropPending, the stopped run's notice is dropped, so that its end procedure
// never reaches an owner that is going away.
//
// Ownership: the caller owns the TOraWorker; destroying it waits for the thread, unless it is
// destroyed on the worker itself (by its own end procedure), when the thread is let go.
#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace plat {
class MainThread;
}

namespace ora {

// The notices of a background statement that has ended: normally, or with an exception.
inline constexpr int kMsgBackgroundDone = 1024;
inline constexpr int kMsgBackgroundFailed = 1025;

class TOCIConnection;

using TExceptionHook = std::function<void(void* sender, const std::exception& error)>;

// What a connection's background statements reach, handed to the connection when it is made.
struct TBackgroundServices {
  // Where the end of a background statement is handled; null: on the worker. Must outlive the
  // connection.
  plat::MainThread* mainThread = nullptr;
  // Shows the error of a background statement (the application's exception handler); null:
  // the error is dropped. Called on the thread the end is handled on.
  TExceptionHook onError;
};

class TOraWorker {
 public:
  struct Context;
  TOraWorker(std::shared_ptr<Context> context, std::thread thread);
  ~TOraWorker();
  TOraWorker(const TOraWorker&) = delete;
  TOraWorker& operator=(const TOraWorker&) = delete;

  bool Finished() const;  // the run procedure has returned or raised
  Context& GetContext() { return *context_; }

 private:
  std::shared_ptr<Context> context_;
  std::thread thread_;
  friend bool StopThread(TOCIConnection*, TOraWorker&, bool);
};

std::unique_ptr<TOraWorker> RunThread(TOCIConnection* connection, void* sender, std::function<void()> run,
                                      std::function<void(bool completed)> end);
bool StopThread(TOCIConnection* connection, TOraWorker& worker, bool dropPending);

}  // namespace ora
