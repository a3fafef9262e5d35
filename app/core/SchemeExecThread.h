#pragma once
// The threads that run schemes.
//
// TSchemeExecThread: the timer of one scheme. Created paused by the scheme's first StartTimer;
// while resumed it checks the scheme's run times against LastRunTime and now (the clock of
// plat::CurrentClock()), runs the scheme when one is due and checks again at once after a run
// that advanced LastRunTime; otherwise (nothing due, or a run that was refused or could not start
// its program) it sleeps TimerInterval milliseconds (1000 when 0 or less) on a condition
// variable. Pausing takes effect between runs. Owned by its scheme; destroying it ends and joins
// the thread.
//
// TBackExecute: a run by hand on a thread of its own, owned by the scheme until it is joined.
//
// Both run in the RunContext they were given (RunContext::Detached() when null), which they keep
// alive while they live.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/core/RunContext.h"
#include "platform/PausableWorker.h"

namespace sch {

class TSchemeObject;

// TimerInterval as the timer sleeps it.
std::chrono::milliseconds EffectiveTimerInterval(int timerInterval);

class TSchemeExecThread {
 public:
  TSchemeExecThread(TSchemeObject& scheme, std::shared_ptr<RunContext> context);
  ~TSchemeExecThread();

  void Resume() { worker_.resume(); }
  void Suspend() { worker_.pause(); }
  bool Started() const { return worker_.active(); }
  // Asks the thread to end, at once.
  void RequestQuit() { worker_.quit(); }
  // Asks the thread to end and waits for it (a run in progress finishes first).
  void Terminate();

 private:
  void Execute(plat::PausableWorker& worker);
  TSchemeObject& scheme_;
  std::shared_ptr<RunContext> context_;
  plat::PausableWorker worker_;  // last: its thread uses the fields above
};

class TBackExecute {
 public:
  TBackExecute(TSchemeObject& scheme, std::shared_ptr<RunContext> context);
  ~TBackExecute();  // joins
  bool Finished() const { return finished_.load(); }

 private:
  std::atomic<bool> finished_{false};
  std::shared_ptr<RunContext> context_;
  std::thread thread_;
};

// A run by hand of the scheme in the background (TSchemeObject::RunInBackground).
void RunSchemeInBackground(TSchemeObject& scheme, std::shared_ptr<RunContext> context = {});

}  // namespace sch
