#pragma once
// What a run needs from the program around it, handed to the run by whoever starts it (the
// schemes' host, a test): where its start and end notices are handled, where its children are
// listed, the hooks called around it and whether children show their output. Nothing here is
// part of the stored model.
//
// Ownership: the starter owns the context and keeps it alive while any run or timer it started
// may use it (the host holds it in a shared_ptr that every timer and background run shares).
// Threads: the fields are set before the context is handed out and then only read, from the
// running threads; showDos may change at any time.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace plat {
class MainThread;
class ProcessRegistry;
}  // namespace plat

namespace sch {

class TSchemeObject;
class TOracleSession;

// Who started a run: its timer or the user. Recorded in the run's record (ActiveMode).
enum class RunMode { Timed = 0, ByHand = 1 };

// The start and end of a run, as the notice's first parameter (the original's message 7946).
inline constexpr int kMsgSchemeRun = 7946;
inline constexpr int kSchemeRunStarted = 0;
inline constexpr int kSchemeRunEnded = 1;
// Ours: the run's record (exit code -1, no end yet) is listed, so that the file can hold it while
// the run goes on and a program that dies meanwhile leaves an open record behind.
inline constexpr int kSchemeRunRecorded = 2;

// How the timers started in a context sleep.
struct TimerSettings {
  // The longest sleep with nothing due sooner: how late a timer sees a wall clock set forward.
  std::chrono::milliseconds longestSleep{std::chrono::seconds(60)};
  // Called on the timer's thread each time it goes to sleep with nothing due, with how long it
  // means to sleep (an edit, a start or stop, or a set clock cuts that short); null: nothing.
  std::function<void(TSchemeObject& scheme, std::chrono::milliseconds sleep)> sleeps;
};

struct RunContext {
  // Where notice runs (a blocking send: the run waits while it is handled); null: called on the
  // running thread. Once the main thread shuts down, notices are dropped and the run goes on.
  plat::MainThread* mainThread = nullptr;
  // The start (kSchemeRunStarted), listed record (kSchemeRunRecorded) or end (kSchemeRunEnded)
  // of a run of scheme.
  std::function<void(TSchemeObject& scheme, int phase)> notice;
  // Where the runs' children are listed; null: plat::ProcessRegistry::global().
  plat::ProcessRegistry* processes = nullptr;
  // Called on the running thread: after the start notice, and after the end notice.
  std::function<void(TSchemeObject& scheme)> beforeRun;
  std::function<void(TSchemeObject& scheme)> afterRun;
  // The database session of the scripts around an Oracle run; null: none (scripts fail).
  std::shared_ptr<TOracleSession> oracleSession;
  // "Show DOS window": children started from now on show their output.
  std::atomic<bool> showDos{false};
  TimerSettings timers;

  // A context with nothing bound: no notices, the program's process registry.
  static RunContext& Detached();
};

}  // namespace sch
