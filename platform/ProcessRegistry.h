#pragma once
// The children that are still running, so that closing the application can end them all.
//
// Process::spawn() lists each started child here and the child leaves the list once it has been
// reaped; the registry keeps it alive until then. shutdown() ends every listed child with
// kExitTerminatedOnClose (101) and waits until all of them are reaped; a child started after
// shutdown() began is ended the same way at once. Thread-safe; shutdown() is meant for the main
// thread while the application closes, and may be called more than once.
#include <chrono>
#include <memory>
#include <vector>

#include "platform/Process.h"
#include "platform/ThreadAnnotations.h"

namespace plat {

class ProcessRegistry {
 public:
  ProcessRegistry() = default;
  ProcessRegistry(const ProcessRegistry&) = delete;
  ProcessRegistry& operator=(const ProcessRegistry&) = delete;

  // The registry of the whole program.
  static ProcessRegistry& global();

  // The children that still run.
  std::vector<std::shared_ptr<Process>> running() const;
  bool closing() const;

  // Ends every listed child with exitCode; returns how many were ended by this call.
  int terminateAll(int exitCode, std::chrono::milliseconds grace = kDefaultTerminateGrace);

  // Closing: from now on every child is ended with 101, and this returns once none is left.
  void shutdown(std::chrono::milliseconds grace = kDefaultTerminateGrace);

 private:
  friend class Process;
  // False when the registry is closing: the caller then ends the child itself.
  bool add(std::shared_ptr<Process> process) EXCLUDES(mutex_);
  void remove(const Process* process) EXCLUDES(mutex_);

  mutable Mutex mutex_;
  std::vector<std::shared_ptr<Process>> running_ GUARDED_BY(mutex_);
  bool closing_ GUARDED_BY(mutex_) = false;
};

}  // namespace plat
