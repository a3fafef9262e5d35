#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace plat {

namespace {

[[noreturn]] void Raise(const std::string& text, int code = errno) {
  throw FileError(text + "\n[" + std::to_string(code) + "]" + std::strerror(code));
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ResolveLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) return path;
  return resolved;
}

std::optional<mode_t> Permissions(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_mode & 07777;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target, std::optional<mode_t> permissions, std::string_view tempPrefix,
                       Durability durability)
    : target_(ResolveLink(target)), durability_(durability) {
  if (!permissions) permissions = Permissions(target_);
  // A file that is to be private is private from its first byte.
  const mode_t initial = permissions ? 0600 : 0666;
  const std::string folder = FolderOf(target_);
  // What a save or compression killed half-way left behind goes now; a save in progress in
  // another program holds its file locked and keeps it.
  RemoveStaleTempFiles(folder, tempPrefix);
  temp_ = TempFile::Create(folder, tempPrefix, {}, initial);
  fd_ = temp_.fd();
  tempPath_ = temp_.path();
  if (permissions && ::fchmod(fd_, *permissions) != 0) {
    const int e = errno;
    discard();
    Raise("Cannot set the permissions of \"" + tempPath_ + "\"", e);
  }
}

AtomicFile::~AtomicFile() {
  if (!committed_) discard();
}

void AtomicFile::discard() noexcept {
  fd_ = -1;
  temp_.Remove();
}

bool WriteFully(int fd, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    const ssize_t n = ::write(fd, p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

void AtomicFile::write(const void* data, size_t count) {
  if (fd_ < 0) throw FileError("The file \"" + target_ + "\" is no longer open for saving");
  if (!WriteFully(fd_, data, count)) Raise("Cannot write file \"" + tempPath_ + "\"");
}

void AtomicFile::commit() {
  if (fd_ < 0) throw FileError("The file \"" + target_ + "\" is no longer open for saving");
  if (durability_ == Durability::Synced && ::fsync(fd_) != 0) Raise("Cannot flush file \"" + tempPath_ + "\"");
  const int fd = fd_;
  fd_ = -1;
  temp_.ReleaseDescriptor();
  if (::close(fd) != 0) Raise("Cannot close file \"" + tempPath_ + "\"");
  // The lock is held until the rename: a cleaner must not take the finished file for a stale one.
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0)
    Raise("Cannot rename \"" + tempPath_ + "\" to \"" + target_ + "\"");
  committed_ = true;
  temp_.Close();
  if (durability_ == Durability::Unsynced) return;
  const int dfd = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void WriteFileAtomically(const std::string& target, std::string_view bytes, std::optional<mode_t> permissions,
                         std::string_view tempPrefix, Durability durability) {
  AtomicFile file(target, permissions, tempPrefix, durability);
  file.write(bytes.data(), bytes.size());
  file.commit();
}

}  // namespace plat
