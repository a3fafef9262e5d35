#pragma once
// SIGTERM, SIGINT and SIGHUP as a request to close the program, handled on its main thread: the
// signal handler only writes the signal's number into a pipe (all it may safely do), a watcher
// thread reads it and posts the close to the main thread, where the program closes as its
// window's close does (children ended with 101, records saved). A second signal while the first
// is handled posts again; the close handler decides what a repeat means.
//
// IgnoreFileSizeSignal: SIGXFSZ ignored, so that a write past the file-size limit fails with an
// error (EFBIG) that the saves report, instead of killing the program. Children get the default
// back (Process resets every disposition).
//
// One TerminationSignals at a time in a process: construct it on the main thread once the main
// thread object exists; its destruction puts the previous dispositions back and joins the
// watcher. The main thread must outlive it.
#include <functional>
#include <thread>

namespace plat {

class MainThread;

void IgnoreFileSizeSignal();

class TerminationSignals {
 public:
  // onSignal(signal number) runs on mainThread. Raises std::system_error when the pipe cannot
  // be made, std::logic_error when another TerminationSignals is alive.
  TerminationSignals(MainThread& mainThread, std::function<void(int signal)> onSignal);
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // The signals handled.
  static constexpr int kSignals[] = {15 /*SIGTERM*/, 2 /*SIGINT*/, 1 /*SIGHUP*/};

 private:
  void Watch();
  MainThread& mainThread_;
  std::function<void(int)> onSignal_;
  int readFd_ = -1;
  std::thread watcher_;
};

}  // namespace plat
