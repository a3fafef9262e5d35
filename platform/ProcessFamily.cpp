#include "platform/ProcessFamily.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace plat {

namespace {

// The parent of pid from /proc/<pid>/stat (the field after the state, past the last ')' of the
// command name); -1 when it cannot be read.
pid_t ParentOf(int procFd, const char* pidText) {
  char path[300] = {};
  std::snprintf(path, sizeof path, "%s/stat", pidText);
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
  char* end = nullptr;
  const long ppid = std::strtol(close + 4, &end, 10);
  return end == close + 4 ? -1 : static_cast<pid_t>(ppid);
}

int PidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

int PidfdSignal(int pidfd, int sig) { return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0)); }

}  // namespace

std::vector<pid_t> DescendantsOf(const std::vector<pid_t>& roots) {
  std::unordered_multimap<pid_t, pid_t> children;
  DIR* proc = ::opendir("/proc");
  if (!proc) return {};
  const int procFd = ::dirfd(proc);
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || pid <= 0) continue;
    const pid_t parent = ParentOf(procFd, entry->d_name);
    if (parent > 0) children.emplace(parent, static_cast<pid_t>(pid));
  }
  ::closedir(proc);

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
