#pragma once
// Everything a child started: the processes whose chain of parents leads to it, read from
// /proc, whatever process group or session they moved to (a grandchild that called setsid left
// the child's group, so a signal to the group misses it). A child started by Process runs
// under a supervisor of its own that is the family's subreaper, so a member whose parent ends is
// adopted by the supervisor and its chain still leads there while the supervisor lives; the
// root is that supervisor.
//
// Members are held by process file descriptors once found, so a signal never reaches a later
// process that got the same number. Used by Process under its own lock; one thread at a time.
#include <sys/types.h>

#include <vector>

namespace plat {

// The pids of every living descendant of the roots (the roots not included), each once.
std::vector<pid_t> DescendantsOf(const std::vector<pid_t>& roots);

// For a subreaper whose family must go with it: SIGKILL to every descendant, each reaped, until
// none is left. Uses system calls only (no allocation, no lock), so a forked copy of a threaded
// program may call it. Also reaps (and so swallows the status of) the caller's own children.
void EndEveryDescendant();

class ProcessFamily {
 public:
  explicit ProcessFamily(pid_t root) : root_(root) {}
  ~ProcessFamily();
  ProcessFamily(const ProcessFamily&) = delete;
  ProcessFamily& operator=(const ProcessFamily&) = delete;

  // Sends sig to every member: the root's descendants found now, every member found before, and
  // their own descendants (members orphaned since, now under another parent). The root itself
  // is not signalled (its group is the caller's). Returns how many members were signalled.
  int Signal(int sig);

 private:
  bool Known(pid_t pid) const;
  pid_t root_;
  std::vector<pid_t> pids_;
  std::vector<int> pidfds_;
};

}  // namespace plat
