#pragma once
// Whether a process of a test's stand-in program has ended: no such process, or a zombie left
// for a parent that does not reap it (an orphan under a container's init).
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/WaitUntil.h"

namespace schtest {

inline bool ProcessGone(pid_t pid) {
  if (::kill(pid, 0) == -1 && errno == ESRCH) return true;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

// A killed process takes a moment to be torn down; allow it generously.
inline bool ProcessGoneSoon(pid_t pid) {
  for (int i = 0; i < 500; ++i) {
    if (ProcessGone(pid)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The pid a stand-in wrote to file, once it is there; 0, the test failing, when it is not there
// within the deadline.
inline pid_t WaitForPidFile(const std::string& file,
                            std::chrono::milliseconds limit = testsupport::kPatience) {
  pid_t pid = 0;
  testsupport::WaitUntil([&] {
    std::ifstream(file) >> pid;
    return pid > 0;
  }, limit, "a pid in " + file);
  return pid;
}

}  // namespace schtest
