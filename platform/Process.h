#pragma once
// Child processes: start a program without a shell, wait for it, end it with its whole group.
//
// - spawn() starts the program with an explicit argument vector (no shell, no word splitting), an
//   optional working folder and extra environment entries for the child alone; the parent's
//   environment is never changed. The child runs under a small supervisor process that leads a
//   process group of its own (the child is in it) and is the subreaper of everything the child
//   starts, so that terminate() reaches the whole family, members that left the group (setsid)
//   included (ProcessFamily.h); pid() is the supervisor's, and the supervisor ends with the
//   child's own status. Should the program die without ending it (killed, crashed), the
//   supervisor learns it (a parent-death signal; the kernel ties it to the thread that spawned,
//   so that thread must outlive the child, as runAndWait's caller does) and kills the child and
//   every descendant before it goes. The child's standard input is /dev/null (a child in a
//   background group that read the terminal would be stopped for ever); its output goes to
//   /dev/null unless showOutput is set, in which case it shares the program's. No other file of
//   the program is passed on.
// - A program that cannot be started is not an exception: spawn() returns a Process that has
//   already ended with kExitStartFailed and says why in startError().
// - wait() blocks on the process itself (no polling loop, no CPU while the child runs) and
//   returns the exit code. terminate() may be called from any thread at any time; it sends
//   SIGTERM to the group and the family, and the waiting thread sends SIGKILL to both once the
//   grace period has passed. A terminated process reports the code its terminator chose (100 or
//   101), however the child actually ended; its group and family are killed outright once the
//   child is gone.
// - Owners hold a Process through std::shared_ptr; every member is thread-safe. Someone must
//   wait() for a started process (its owner, or ProcessRegistry::shutdown()), or it is never
//   reaped. Destroying the last reference to a running process kills its group and reaps it.
// Needs Linux 5.3 or later (process file descriptors).
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ThreadAnnotations.h"

namespace plat {

class ProcessFamily;
class ProcessRegistry;

// Exit codes with a meaning of their own.
inline constexpr int kExitStartFailed = -1;           // the program could not be started
inline constexpr int kExitTerminatedByUser = 100;     // ended by the terminate commands
inline constexpr int kExitTerminatedOnClose = 101;    // ended because the application is closing

inline constexpr std::chrono::milliseconds kDefaultTerminateGrace{500};

struct SpawnOptions {
  // A path, or a bare name looked up on the program's PATH. A relative path is taken from the
  // program's current folder, not from workingDir.
  std::string program;
  // The child's arguments after argv[0] (which is the program text), passed as they are.
  std::vector<std::string> args;
  // "NAME=value" entries added to (or replacing in) the child's copy of the environment.
  std::vector<std::string> extraEnv;
  // The child's current folder; empty: the program's.
  std::string workingDir;
  // "Show DOS window": true leaves the child's stdout and stderr on the program's.
  bool showOutput = false;
};

class Process : public std::enable_shared_from_this<Process> {
 public:
  // Starts a child. While it runs it is listed in the registry (the process-wide one unless
  // another is given; none when nullptr).
  static std::shared_ptr<Process> spawn(const SpawnOptions& options);
  static std::shared_ptr<Process> spawn(const SpawnOptions& options, ProcessRegistry* registry);

  // Starts a child, hands it to started (when it did start: so that a terminate command can
  // reach it), waits for it and returns its exit code: kExitStartFailed when it could not start.
  static int runAndWait(const SpawnOptions& options,
                        const std::function<void(const std::shared_ptr<Process>&)>& started = {},
                        std::string* startError = nullptr);
  // The same, the child listed in registry (none when nullptr).
  static int runAndWait(const SpawnOptions& options,
                        const std::function<void(const std::shared_ptr<Process>&)>& started,
                        std::string* startError, ProcessRegistry* registry);

  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return pid_ > 0; }
  // Why the start failed (empty after a successful start).
  const std::string& startError() const { return startError_; }
  // The supervisor's: our own child, the leader of the child's group.
  pid_t pid() const { return pid_; }
  // The started program's own process.
  pid_t programPid() const { return programPid_; }

  // Blocks until the child has ended and been reaped; returns its exit code: the program's own
  // code, 128 + the signal number when a signal ended it, the terminator's code when terminate()
  // got it, kExitStartFailed when it never started. Any number of threads may wait at once.
  int wait();

  // The exit code once the child has ended and been reaped; empty while it runs.
  std::optional<int> exitCode() const;
  bool running() const { return !exitCode().has_value(); }

  // Ends the child and its group: SIGTERM now, SIGKILL once grace has passed. Returns false (and
  // changes nothing) when the child had already ended or another terminate() came first; the
  // result then stays what it was.
  bool terminate(int exitCode, std::chrono::milliseconds grace = kDefaultTerminateGrace);

 private:
  Process() = default;
  void startChild(const SpawnOptions& options);

  // Set while starting, before the process is shared; only read after that.
  pid_t pid_ = -1;
  pid_t programPid_ = -1;
  int pidfd_ = -1;   // readable once the child has ended
  int wakefd_ = -1;  // eventfd: tells the reaping thread that terminate() set a deadline
  std::string startError_;
  ProcessRegistry* registry_ = nullptr;

  mutable Mutex mutex_;
  std::unique_ptr<ProcessFamily> family_ PT_GUARDED_BY(mutex_);  // set once started
  std::condition_variable ended_;
  std::optional<int> exitCode_ GUARDED_BY(mutex_);
  std::optional<int> terminateCode_ GUARDED_BY(mutex_);
  std::chrono::steady_clock::time_point killDeadline_ GUARDED_BY(mutex_);
  bool reaping_ GUARDED_BY(mutex_) = false;  // one thread at a time waits on the child itself
  // The child has ended; it may be reaped any moment, so no more signals.
  bool exited_ GUARDED_BY(mutex_) = false;
  bool killed_ GUARDED_BY(mutex_) = false;  // SIGKILL already sent to the group
};

}  // namespace plat
