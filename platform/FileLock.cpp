#include "platform/FileLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat {

std::string FileLock::LockFileOf(const std::string& file) {
  const size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  return folder + "." + name + ".lock";
}

FileLock::Outcome FileLock::Take(const std::string& file) {
  Outcome out;
  const std::string path = LockFileOf(file);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    out.error = "Cannot open the lock file \"" + path + "\": " + std::strerror(errno);
    return out;
  }
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  for (;;) {
    if (::fcntl(fd, F_SETLK, &whole) == 0) break;
    if (errno != EACCES && errno != EAGAIN) {
      out.error = "Cannot lock \"" + path + "\": " + std::strerror(errno);
      ::close(fd);
      return out;
    }
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
      out.holder = probe.l_pid;
      ::close(fd);
      return out;
    }
    // The holder ended between the two calls: try again.
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) [[maybe_unused]] auto n = ::pwrite(fd, pid.data(), pid.size(), 0);
  out.lock.reset(new FileLock(fd, file));
  return out;
}

pid_t FileLock::HolderOf(const std::string& file) {
  // Read-only: opening for reading takes nothing, and a read lock probe finds a writer's lock.
  const int fd = ::open(LockFileOf(file).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  const pid_t holder = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK ? probe.l_pid : 0;
  ::close(fd);
  return holder;
}

FileLock::~FileLock() { ::close(fd_); }

}  // namespace plat
