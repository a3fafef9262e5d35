#include "platform/TempFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/AtomicFile.h"

namespace plat {

namespace {

constexpr std::size_t kRandomLength = 8;
constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomPart() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::string s(kRandomLength, '0');
  for (char& c : s) c = kChars[engine() % (sizeof kChars - 1)];
  return s;
}

bool IsLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

[[noreturn]] void Raise(const std::string& text, int code) {
  throw FileError(text + "\n[" + std::to_string(code) + "]" + std::strerror(code));
}

int LockRetrying(int fd, int operation) {
  int r;
  do {
    r = ::flock(fd, operation);
  } while (r != 0 && errno == EINTR);
  return r;
}

}  // namespace

TempFile TempFile::Create(const std::string& folder, std::string_view prefix, std::string_view suffix, mode_t mode) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = base + "/" + std::string(prefix) + RandomPart() + std::string(suffix);
    const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      Raise("Cannot create file \"" + candidate + "\"", errno);
    }
    // Locked before anything is written; a cleaner that came between the creation and the lock
    // has removed the name, so the file is made again.
    struct stat st {};
    if (LockRetrying(fd, LOCK_EX) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
      ::close(fd);
      continue;
    }
    TempFile file;
    file.lockFd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (file.lockFd_ < 0) {
      const int e = errno;
      ::close(fd);
      ::unlink(candidate.c_str());
      Raise("Cannot create file \"" + candidate + "\"", e);
    }
    file.fd_ = fd;
    file.path_ = std::move(candidate);
    return file;
  }
  Raise("Cannot create a temporary file in \"" + base + "\"", EEXIST);
}

TempFile::TempFile(TempFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), lockFd_(other.lockFd_) {
  other.fd_ = other.lockFd_ = -1;
  other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    Close();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    lockFd_ = other.lockFd_;
    other.fd_ = other.lockFd_ = -1;
    other.path_.clear();
  }
  return *this;
}

TempFile::~TempFile() { Close(); }

void TempFile::ReleaseDescriptor() { fd_ = -1; }

void TempFile::Close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  if (lockFd_ >= 0) ::close(lockFd_);
  fd_ = lockFd_ = -1;
}

void TempFile::Remove() noexcept {
  // Unlinked while still locked, so no cleaner can meet a half-removed file.
  if (!path_.empty() && (fd_ >= 0 || lockFd_ >= 0)) ::unlink(path_.c_str());
  Close();
}

bool IsTempFileName(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.size() != prefix.size() + kRandomLength + suffix.size()) return false;
  if (name.substr(0, prefix.size()) != prefix || name.substr(name.size() - suffix.size()) != suffix) return false;
  for (char c : name.substr(prefix.size(), kRandomLength))
    if (!IsLetterOrDigit(c)) return false;
  return true;
}

int RemoveStaleTempFiles(const std::string& folder, std::string_view prefix, std::string_view suffix) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  DIR* dir = ::opendir(base.c_str());
  if (!dir) return 0;
  const int dfd = ::dirfd(dir);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!IsTempFileName(name, prefix, suffix)) continue;
    const int fd = ::openat(dfd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held {}, named {};
    // Only our own plain files, and only when nobody holds them: a live save keeps its lock.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
        LockRetrying(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dfd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino && ::unlinkat(dfd, entry->d_name, 0) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

}  // namespace plat
