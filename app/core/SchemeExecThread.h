#pragma once
// The threads that run schemes.
//
// TSchemeExecThread: the timer of one scheme. Created paused by the scheme's first StartTimer;
// while resumed it checks the scheme's run times against LastRunTime and now (the clock of
// plat::CurrentClock()), runs the scheme when one is due and checks again at once after a run
// that advanced LastRunTime. After a run that was refused or could not start its program it
// sleeps TimerInterval milliseconds (1000 when 0 or less) before trying again. With nothing due
// it sleeps until the earliest moment anything can fall due (TimerSleep), so an idle timer
// wakes about once a minute; Wake() (a changed run time, mode or LastRunTime), a start, stop or
// end, and a clock that is set (plat::ClockSetListener) cut the sleep short. Pausing takes effect
// between runs. Owned by its scheme; destroying it ends and joins the thread.
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
#include "platform/Clock.h"
#include "platform/PausableWorker.h"

namespace sch {

class TSchemeObject;

// TimerInterval as the timer sleeps it.
std::chrono::milliseconds EffectiveTimerInterval(int timerInterval);

// How long a timer that found nothing due at now (a moment of the clock) sleeps when the earliest
// due moment is nextDue (local time, TSchemeTime::NextDue; kNeverDue for none): until then,
// rounded up to the millisecond, at most longest. Local time runs with the clock except where
// its offset changes (summer time); a sleep across such a change is cut to interval, so there
// the timer looks as often as the per-interval check always did.
std::chrono::milliseconds TimerSleep(double nextDue, std::chrono::system_clock::time_point now,
                                     std::chrono::milliseconds interval, std::chrono::milliseconds longest);

class TSchemeExecThread {
 public:
  TSchemeExecThread(TSchemeObject& scheme, std::shared_ptr<RunContext> context);
  ~TSchemeExecThread();

  void Resume() { worker_.resume(); }
  void Suspend() { worker_.pause(); }
  bool Started() const { return worker_.active(); }
  // The run times or LastRunTime changed: look again at once. Any thread.
  void Wake() { worker_.wake(); }
  // Asks the thread to end, at once.
  void RequestQuit() { worker_.quit(); }
  // Asks the thread to end and waits for it (a run in progress finishes first).
  void Terminate();

 private:
  void Execute(plat::PausableWorker& worker);
  TSchemeObject& scheme_;
  std::shared_ptr<RunContext> context_;
  plat::PausableWorker worker_;  // its thread uses the fields above
  plat::ClockSetListener clockSet_{[this] { worker_.wake(); }};  // ends before worker_
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

}  // namespace sch
