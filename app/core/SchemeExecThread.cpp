#include "app/core/SchemeExecThread.h"

#include <algorithm>
#include <cmath>

#include "app/core/SchemeObject.h"
#include "foundation/text/DateTime.h"

namespace sch {

std::chrono::milliseconds EffectiveTimerInterval(int timerInterval) {
  return std::chrono::milliseconds(timerInterval > 0 ? timerInterval : 1000);
}

std::chrono::milliseconds TimerSleep(double nextDue, std::chrono::system_clock::time_point now,
                                     std::chrono::milliseconds interval, std::chrono::milliseconds longest) {
  using std::chrono::milliseconds;
  const double local = olv::FromTimePoint(now);
  // Rounded up, less a hair of arithmetic noise: moments are whole milliseconds.
  const double ms = std::ceil((nextDue - local) * olv::kMSecsPerDay - 1e-3);
  milliseconds sleep = longest;
  if (ms < static_cast<double>(longest.count())) sleep = milliseconds(std::max<int64_t>(1, static_cast<int64_t>(ms)));
  // Both ends are read the same way (whole milliseconds of local time), so without a change of
  // offset between them they lie exactly sleep apart.
  const double localSpan = (olv::FromTimePoint(now + sleep) - local) * olv::kMSecsPerDay;
  if (std::abs(localSpan - static_cast<double>(sleep.count())) > 0.5) sleep = std::min(sleep, interval);
  return sleep;
}

namespace {
std::shared_ptr<RunContext> OrDetached(std::shared_ptr<RunContext> context) {
  if (context) return context;
  return std::shared_ptr<RunContext>(std::shared_ptr<RunContext>{}, &RunContext::Detached());
}
}  // namespace

TSchemeExecThread::TSchemeExecThread(TSchemeObject& scheme, std::shared_ptr<RunContext> context)
    : scheme_(scheme),
      context_(OrDetached(std::move(context))),
      worker_([this](plat::PausableWorker& w) { Execute(w); }, true) {}

TSchemeExecThread::~TSchemeExecThread() { Terminate(); }

void TSchemeExecThread::Terminate() {
  worker_.quit();
  worker_.join();
}

void TSchemeExecThread::Execute(plat::PausableWorker& worker) {
  const TimerSettings& settings = context_->timers;
  while (worker.checkpoint()) {
    const auto clockNow = plat::CurrentClock().Now();
    const double now = olv::FromTimePoint(clockNow);
    double last, next = kNeverDue;
    bool due;
    int interval;
    {
      plat::MutexLock lock(scheme_.DataLock());
      last = scheme_.LastRunTime;
      due = scheme_.SchemeTime->Matches(last, now);
      if (!due) next = scheme_.SchemeTime->NextDue(last, now);
      interval = scheme_.TimerInterval;
    }
    if (due) {
      scheme_.Run(RunMode::Timed, *context_);  // never throws: the run frame keeps its failures in the record
      // A run that moved LastRunTime past the due moment: look again at once. A refused run or
      // one whose program did not start leaves the time due; wait an interval before trying
      // again instead of writing a record every moment.
      if (scheme_.LastRun() != last) continue;
      if (!worker.sleepFor(EffectiveTimerInterval(interval))) break;
      continue;
    }
    const auto sleep = TimerSleep(next, clockNow, EffectiveTimerInterval(interval), settings.longestSleep);
    if (settings.sleeps) settings.sleeps(scheme_, sleep);
    if (!worker.sleepFor(sleep)) break;
  }
}

TBackExecute::TBackExecute(TSchemeObject& scheme, std::shared_ptr<RunContext> context)
    : context_(OrDetached(std::move(context))), thread_([this, &scheme] {
        scheme.Run(RunMode::ByHand, *context_);
        finished_ = true;
      }) {}

TBackExecute::~TBackExecute() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace sch
