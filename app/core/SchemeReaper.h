#pragma once
// Schemes taken out of use (another file loaded, a scheme deleted) whose threads may still run:
// their threads are ended and joined, and the schemes freed, on a thread of the reaper's, so the
// main thread never blocks on a run that waits for it to handle a notice.
//
// Ownership: the reaper owns what it was given until its threads are joined. Threads: Retire
// and Join from the main thread; Join (also run by the destructor) waits for everything retired.
// Call it only once the main thread has stopped blocking senders (MainThread::beginShutdown), or
// when no retired run can be waiting for a notice.
#include <memory>
#include <thread>
#include <vector>

#include "foundation/objects/OlvClass.h"
#include "platform/ThreadAnnotations.h"

namespace sch {

class TSchemeObject;

class SchemeReaper {
 public:
  SchemeReaper() = default;
  ~SchemeReaper() { Join(); }
  SchemeReaper(const SchemeReaper&) = delete;
  SchemeReaper& operator=(const SchemeReaper&) = delete;

  // Ends the threads of schemes (each asked to stop at once) and then frees owner, which owns
  // them (a container, or a scheme taken off its list).
  void Retire(std::unique_ptr<olv::TBaseObject> owner, std::vector<TSchemeObject*> schemes) EXCLUDES(mutex_);
  // True while something retired is still being ended.
  bool Busy() const EXCLUDES(mutex_);
  void Join() EXCLUDES(mutex_);

 private:
  struct Job;
  mutable plat::Mutex mutex_;
  std::vector<std::shared_ptr<Job>> jobs_ GUARDED_BY(mutex_);
};

}  // namespace sch
