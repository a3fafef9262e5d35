#include "app/core/SchemeExecThread.h"

#include "app/core/SchemeObject.h"
#include "foundation/text/DateTime.h"

namespace sch {

std::chrono::milliseconds EffectiveTimerInterval(int timerInterval) {
  return std::chrono::milliseconds(timerInterval > 0 ? timerInterval : 1000);
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
  while (worker.checkpoint()) {
    double last;
    bool due;
    int interval;
    {
      auto lock = scheme_.Lock();
      last = scheme_.LastRunTime;
      due = scheme_.SchemeTime->Matches(last, olv::Now());
      interval = scheme_.TimerInterval;
    }
    if (due) {
      scheme_.Run(RunMode::Timed, *context_);  // never throws: the run frame keeps its failures in the record
      // A run that moved LastRunTime past the due moment: look again at once. A refused run or
      // one whose program did not start leaves the time due; wait an interval before trying
      // again instead of writing a record every moment.
      if (scheme_.LastRun() != last) continue;
    }
    if (!worker.sleepFor(EffectiveTimerInterval(interval))) break;
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

void RunSchemeInBackground(TSchemeObject& scheme, std::shared_ptr<RunContext> context) {
  scheme.RunInBackground(std::move(context));
}

}  // namespace sch
