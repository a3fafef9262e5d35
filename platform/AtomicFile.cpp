#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

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

std::string RandomSuffix() {
  static const char chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::string s(8, '0');
  for (char& c : s) c = chars[engine() % (sizeof chars - 1)];
  return s;
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

AtomicFile::AtomicFile(const std::string& target, std::optional<mode_t> permissions, std::string_view tempPrefix)
    : target_(ResolveLink(target)) {
  if (!permissions) permissions = Permissions(target_);
  // A file that is to be private is private from its first byte.
  const mode_t initial = permissions ? 0600 : 0666;
  const std::string folder = FolderOf(target_);
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    std::string candidate = folder + "/" + std::string(tempPrefix) + RandomSuffix();
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, initial);
    if (fd_ >= 0) {
      tempPath_ = std::move(candidate);
    } else if (errno != EEXIST) {
      Raise("Cannot create file \"" + candidate + "\"");
    }
  }
  if (fd_ < 0) Raise("Cannot create a temporary file beside \"" + target_ + "\"", EEXIST);
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
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
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
  if (::fsync(fd_) != 0) Raise("Cannot flush file \"" + tempPath_ + "\"");
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Raise("Cannot close file \"" + tempPath_ + "\"");
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0)
    Raise("Cannot rename \"" + tempPath_ + "\" to \"" + target_ + "\"");
  committed_ = true;
  const int dfd = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void WriteFileAtomically(const std::string& target, std::string_view bytes, std::optional<mode_t> permissions,
                         std::string_view tempPrefix) {
  AtomicFile file(target, permissions, tempPrefix);
  file.write(bytes.data(), bytes.size());
  file.commit();
}

}  // namespace plat
