#include "foundation/files/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>

#include "foundation/base/Exception.h"
#include "platform/AtomicFile.h"

namespace olv {

namespace {

[[noreturn]] void RaiseFileError(const std::string& text, int code = errno) {
  throw olv::Exception(text + "\n[" + std::to_string(code) + "]" + std::strerror(code));
}

}  // namespace

PosixFile PosixFile::OpenRead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseFileError("Cannot open file \"" + path + "\"");
  return PosixFile(fd, path);
}

PosixFile::PosixFile(PosixFile&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

PosixFile::~PosixFile() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t PosixFile::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, std::size_t(count));
    if (n >= 0) return int64_t(n);
    if (errno != EINTR) RaiseFileError("Cannot read file \"" + path_ + "\"");
  }
}

int64_t PosixFile::Seek(int64_t offset, olv::TSeekOrigin origin) {
  const int whence = origin == olv::TSeekOrigin::Beginning ? SEEK_SET
                     : origin == olv::TSeekOrigin::Current ? SEEK_CUR
                                                           : SEEK_END;
  const off_t pos = ::lseek(fd_, off_t(offset), whence);
  if (pos < 0) RaiseFileError("Cannot seek in file \"" + path_ + "\"");
  return int64_t(pos);
}

int64_t PosixFile::Size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) RaiseFileError("Cannot read the size of file \"" + path_ + "\"");
  return int64_t(st.st_size);
}

void PosixFile::SetSize(int64_t size) {
  if (::ftruncate(fd_, off_t(size)) != 0) RaiseFileError("Cannot set the size of file \"" + path_ + "\"");
}

int64_t PosixFile::Write(const void* buffer, int64_t total) {
  if (total <= 0) return 0;
  if (!plat::WriteFully(fd_, buffer, std::size_t(total))) RaiseFileError("Cannot write file \"" + path_ + "\"");
  return total;
}

void PosixFile::setPermissions(mode_t permissions) {
  if (::fchmod(fd_, permissions) != 0) RaiseFileError("Cannot set the mode of file \"" + path_ + "\"");
}

void PosixFile::sync() {
  if (::fsync(fd_) != 0) RaiseFileError("Cannot write file \"" + path_ + "\"");
}

void PosixFile::close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) RaiseFileError("Cannot write file \"" + path_ + "\"");
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::optional<mode_t> FilePermissions(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_mode & 07777;
}

}  // namespace olv
