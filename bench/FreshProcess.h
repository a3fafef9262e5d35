#pragma once
// Measuring in a fresh process: the figures of code that allocates much depend on what the heap
// already holds, so a measurement made after others (or after the previous iteration) looks
// better than the program's first one. InFreshProcess forks, applies the program's heap policy
// in the child as its start-up does (olv::KeepFreedMemory), runs `measure` there and hands back
// the numbers it returned. The child starts from this process's heap, so a program that uses it
// runs its fresh-process benchmarks first, while its own heap is still small.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include "foundation/base/HeapPolicy.h"

namespace bench {

inline std::vector<double> InFreshProcess(const std::function<std::vector<double>()>& measure) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    int status = 1;
    try {
      olv::KeepFreedMemory();
      const std::vector<double> values = measure();
      const auto bytes = static_cast<ssize_t>(values.size() * sizeof(double));
      if (::write(fds[1], values.data(), static_cast<size_t>(bytes)) == bytes) status = 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "measurement failed: %s\n", e.what());
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  ::close(fds[1]);
  std::vector<double> values;
  double v;
  while (::read(fds[0], &v, sizeof v) == static_cast<ssize_t>(sizeof v)) values.push_back(v);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the measuring process failed");
  return values;
}

}  // namespace bench
