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
// TBackExecute: a run by hand (ActiveMode 1) on a thread of its own, owned by the scheme until it
// is joined.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/PausableWorker.h"

namespace sch {

class TSchemeObject;

// TimerInterval as the timer sleeps it.
std::chrono::milliseconds EffectiveTimerInterval(int timerInterval);

class TSchemeExecThread {
 public:
  explicit TSchemeExecThread(TSchemeObject& scheme);
  ~TSchemeExecThread();

  void Resume() { worker_.resume(); }
  void Suspend() { worker_.pause(); }
  bool Started() const { return worker_.active(); }
  // Asks the thread to end and waits for it (a run in progress finishes first).
  void Terminate();

 private:
  void Execute(plat::PausableWorker& worker);
  TSchemeObject& scheme_;
  plat::PausableWorker worker_;  // last: its thread uses the fields above
};

class TBackExecute {
 public:
  explicit TBackExecute(TSchemeObject& scheme);
  ~TBackExecute();  // joins
  bool Finished() const { return finished_.load(); }

 private:
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// A run by hand of the scheme in the background (TSchemeObject::RunInBackground).
void RunSchemeInBackground(TSchemeObject& scheme);

}  // namespace sch
