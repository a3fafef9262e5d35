#include "app/core/SchemeExecThread.h"

#include "app/core/SchemeObject.h"
#include "foundation/text/DateTime.h"

namespace sch {

std::chrono::milliseconds EffectiveTimerInterval(int timerInterval) {
  return std::chrono::milliseconds(timerInterval > 0 ? timerInterval : 1000);
}

TSchemeExecThread::TSchemeExecThread(TSchemeObject& scheme)
    : scheme_(scheme), worker_([this](plat::PausableWorker& w) { Execute(w); }, true) {}

TSchemeExecThread::~TSchemeExecThread() { Terminate(); }

void TSchemeExecThread::Terminate() {
  worker_.quit();
  worker_.join();
}

void TSchemeExecThread::Execute(plat::PausableWorker& worker) {
  while (worker.checkpoint()) {
    const double last = scheme_.LastRunTime;
    if (scheme_.SchemeTime->Matches(last, olv::Now())) {
      scheme_.ActiveMode = 0;
      scheme_.Run();  // never throws: the run frame keeps its failures in the record
      scheme_.ActiveMode = 1;
      // A run that moved LastRunTime past the due moment: look again at once. A refused run or
      // one whose program did not start leaves the time due; wait an interval before trying
      // again instead of writing a record every moment.
      if (scheme_.LastRunTime != last) continue;
    }
    if (!worker.sleepFor(EffectiveTimerInterval(scheme_.TimerInterval))) break;
  }
}

TBackExecute::TBackExecute(TSchemeObject& scheme)
    : thread_([this, &scheme] {
        scheme.ActiveMode = 1;
        scheme.Run();
        finished_ = true;
      }) {}

TBackExecute::~TBackExecute() {
  if (thread_.joinable()) thread_.join();
}

void RunSchemeInBackground(TSchemeObject& scheme) { scheme.RunInBackground(); }

}  // namespace sch
