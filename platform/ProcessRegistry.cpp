#include "platform/ProcessRegistry.h"

#include <algorithm>

namespace plat {

ProcessRegistry& ProcessRegistry::global() {
  static ProcessRegistry registry;
  return registry;
}

std::vector<std::shared_ptr<Process>> ProcessRegistry::running() const {
  MutexLock lock(mutex_);
  return running_;
}

bool ProcessRegistry::closing() const {
  MutexLock lock(mutex_);
  return closing_;
}

bool ProcessRegistry::add(std::shared_ptr<Process> process) {
  MutexLock lock(mutex_);
  // Listed even while closing, so that shutdown() also waits for a child that slipped in.
  running_.push_back(std::move(process));
  return !closing_;
}

void ProcessRegistry::remove(const Process* process) {
  std::shared_ptr<Process> last;  // released outside the lock
  MutexLock lock(mutex_);
  auto it = std::find_if(running_.begin(), running_.end(),
                         [&](const std::shared_ptr<Process>& p) { return p.get() == process; });
  if (it != running_.end()) {
    last = std::move(*it);
    running_.erase(it);
  }
}

int ProcessRegistry::terminateAll(int exitCode, std::chrono::milliseconds grace) {
  int n = 0;
  for (const auto& p : running())
    if (p->terminate(exitCode, grace)) ++n;
  return n;
}

void ProcessRegistry::shutdown(std::chrono::milliseconds grace) {
  {
    MutexLock lock(mutex_);
    closing_ = true;
  }
  // A child that ended on its own is waited for like the others; one that slipped in between
  // the two steps was ended by spawn() itself.
  for (;;) {
    auto list = running();
    if (list.empty()) return;
    for (const auto& p : list) p->terminate(kExitTerminatedOnClose, grace);
    for (const auto& p : list) p->wait();
  }
}

}  // namespace plat
