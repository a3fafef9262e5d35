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

// The pid a stand-in wrote to file, once it is there; -1 when it is not there within 30 s.
inline pid_t WaitForPidFile(const std::string& file) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    pid_t pid = 0;
    std::ifstream(file) >> pid;
    if (pid > 0) return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return -1;
}

}  // namespace schtest
