#include "app/core/SchemeReaper.h"

#include <atomic>

#include "app/core/SchemeObject.h"

namespace sch {

struct SchemeReaper::Job {
  std::atomic<bool> done{false};
  std::thread thread;
};

void SchemeReaper::Retire(std::unique_ptr<olv::TBaseObject> owner, std::vector<TSchemeObject*> schemes) {
  // No new timed run starts from here on; a run in progress goes on to its end.
  for (TSchemeObject* scheme : schemes) scheme->RequestStop();
  auto job = std::make_shared<Job>();
  job->thread = std::thread([job = job.get(), owner = std::move(owner), schemes = std::move(schemes)]() mutable {
    for (TSchemeObject* scheme : schemes) scheme->StopThreads();
    owner.reset();
    job->done = true;
  });
  plat::MutexLock lock(mutex_);
  // Jobs that have ended are joined as new ones come.
  for (auto& old : jobs_) {
    if (old->done && old->thread.joinable()) old->thread.join();
  }
  std::erase_if(jobs_, [](const auto& j) { return !j->thread.joinable(); });
  jobs_.push_back(std::move(job));
}

bool SchemeReaper::Busy() const {
  plat::MutexLock lock(mutex_);
  for (const auto& job : jobs_)
    if (!job->done) return true;
  return false;
}

void SchemeReaper::Join() {
  std::vector<std::shared_ptr<Job>> jobs;
  {
    plat::MutexLock lock(mutex_);
    jobs.swap(jobs_);
  }
  for (auto& job : jobs)
    if (job->thread.joinable()) job->thread.join();
}

}  // namespace sch
