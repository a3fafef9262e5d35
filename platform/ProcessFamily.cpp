#include "platform/ProcessFamily.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace plat {

namespace {

// What follows runs in a forked copy of a threaded program too (the supervisor of a child,
// Process.cpp), where nothing may allocate or take a lock: system calls and plain loops only.

// The parent of the process named name from /proc/<name>/stat (the field after the state, past
// the last ')' of the command name); -1 when it cannot be read.
pid_t ParentOf(int procFd, const char* name) {
  char path[64];
  std::size_t len = 0;
  for (const char* p = name; *p && len < sizeof path - 6; ++p) path[len++] = *p;
  for (const char* p = "/stat"; *p; ++p) path[len++] = *p;
  path[len] = '\0';
  const int fd = ::openat(procFd, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char buf[512];
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return -1;
  buf[n] = '\0';
  const char* close = nullptr;
  for (const char* p = buf; *p; ++p)
    if (*p == ')') close = p;
  if (!close || close[1] != ' ' || close[2] == '\0' || close[3] != ' ') return -1;
  long ppid = 0;
  const char* p = close + 4;
  for (; *p >= '0' && *p <= '9'; ++p) ppid = ppid * 10 + (*p - '0');
  return p == close + 4 ? -1 : static_cast<pid_t>(ppid);
}

struct LinuxDirent64 {
  std::uint64_t ino;
  std::int64_t off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

// Calls visit(pid, parent) for every process listed in /proc.
template <class Visit>
void ForEachProcess(Visit visit) {
  const int procFd = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (procFd < 0) return;
  alignas(8) char buf[8192];
  for (;;) {
    const long n = ::syscall(SYS_getdents64, procFd, buf, sizeof buf);
    if (n <= 0) break;
    for (long off = 0; off < n;) {
      const auto* entry = reinterpret_cast<const LinuxDirent64*>(buf + off);
      off += entry->reclen;
      long pid = 0;
      const char* p = entry->name;
      for (; *p >= '0' && *p <= '9'; ++p) pid = pid * 10 + (*p - '0');
      if (p == entry->name || *p != '\0' || pid <= 0) continue;
      const pid_t parent = ParentOf(procFd, entry->name);
      if (parent > 0) visit(static_cast<pid_t>(pid), parent);
    }
  }
  ::close(procFd);
}

int PidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

int PidfdSignal(int pidfd, int sig) { return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0)); }

}  // namespace

std::vector<pid_t> DescendantsOf(const std::vector<pid_t>& roots) {
  std::unordered_multimap<pid_t, pid_t> children;
  ForEachProcess([&children](pid_t pid, pid_t parent) { children.emplace(parent, pid); });

  std::vector<pid_t> out;
  std::vector<pid_t> pending = roots;
  while (!pending.empty()) {
    const pid_t parent = pending.back();
    pending.pop_back();
    auto [first, last] = children.equal_range(parent);
    for (auto it = first; it != last; ++it) {
      const pid_t child = it->second;
      if (std::find(out.begin(), out.end(), child) != out.end() ||
          std::find(roots.begin(), roots.end(), child) != roots.end())
        continue;
      out.push_back(child);
      pending.push_back(child);
    }
  }
  return out;
}

void EndEveryDescendant() {
  const pid_t self = ::getpid();
  for (;;) {
    // Only our own children are signalled: their numbers cannot be reused before we reap them.
    // A member whose parent dies is adopted by us (the subreaper) before that parent's end is
    // reported, so the next round finds it.
    ForEachProcess([self](pid_t pid, pid_t parent) {
      if (parent == self) ::kill(pid, SIGKILL);
    });
    int status;
    pid_t reaped;
    do {
      reaped = ::waitpid(-1, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    if (reaped < 0) return;  // no child left
  }
}

ProcessFamily::~ProcessFamily() {
  for (int fd : pidfds_) ::close(fd);
}

bool ProcessFamily::Known(pid_t pid) const { return std::find(pids_.begin(), pids_.end(), pid) != pids_.end(); }

int ProcessFamily::Signal(int sig) {
  // Members still there are roots too: one orphaned since may have children of its own.
  std::vector<pid_t> roots{root_};
  for (std::size_t i = 0; i < pids_.size(); ++i)
    if (PidfdSignal(pidfds_[i], 0) == 0) roots.push_back(pids_[i]);
  for (pid_t pid : DescendantsOf(roots)) {
    if (Known(pid)) continue;
    const int fd = PidfdOpen(pid);
    if (fd < 0) continue;  // ended meanwhile
    pids_.push_back(pid);
    pidfds_.push_back(fd);
  }
  int signalled = 0;
  for (int fd : pidfds_)
    if (PidfdSignal(fd, sig) == 0) ++signalled;
  return signalled;
}

}  // namespace plat
