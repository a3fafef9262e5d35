#include "foundation/files/FileStream.h"

#include "foundation/files/Folders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "platform/ThreadAnnotations.h"

namespace olv {

namespace {

plat::Mutex g_expanderMutex;
std::shared_ptr<const PathExpander> g_expander GUARDED_BY(g_expanderMutex);

// Share modes as open-file-description locks on bytes far beyond any real data: each stream
// holds a read lock on the bytes naming what it does (reads, writes) and what it denies (others
// reading, others writing); an open first tests the opposite bytes. A whole-file flock, held for
// the moment of test and claim, makes them one step for concurrent openers. Read locks need a
// readable descriptor, so a write-only stream keeps a second, read-only one for its locks.
constexpr off_t kLockBase = std::numeric_limits<off_t>::max() - 16;
constexpr off_t kReading = kLockBase + 1, kWriting = kLockBase + 2, kDenyRead = kLockBase + 3,
                kDenyWrite = kLockBase + 4;

class Gate {
 public:
  explicit Gate(int fd) : fd_(fd) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~Gate() { ::flock(fd_, LOCK_UN); }
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;

 private:
  int fd_;
};

bool LockByte(int fd, off_t at, short type, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  for (;;) {
    if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// True when another open file description holds a lock on the byte.
bool Held(int fd, off_t at) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

// Claims the share locks of mode on fd; false (errno EBUSY) when another stream's mode forbids
// this open. A file system without such locks leaves the open unshared.
bool ClaimSharing(int fd, std::uint16_t mode) {
  const int access = mode & 3;
  const bool reads = access == 0 || access == 2;
  const bool writes = access == 1 || access == 2;
  const int share = mode & 0xF0;
  const bool denyRead = share == fmShareExclusive || share == fmShareDenyRead;
  const bool denyWrite = share == fmShareExclusive || share == fmShareDenyWrite;

  Gate gate(fd);
  bool ok = !(reads && Held(fd, kDenyRead)) && !(writes && Held(fd, kDenyWrite)) &&
            !(denyRead && Held(fd, kReading)) && !(denyWrite && Held(fd, kWriting));
  if (ok) {
    if (reads) LockByte(fd, kReading, F_RDLCK, false);
    if (writes) LockByte(fd, kWriting, F_RDLCK, false);
    if (denyRead) LockByte(fd, kDenyRead, F_RDLCK, false);
    if (denyWrite) LockByte(fd, kDenyWrite, F_RDLCK, false);
  }
  if (!ok) errno = EBUSY;
  return ok;
}

int AccessFlags(std::uint16_t mode) {
  switch (mode & 3) {
    case 1: return O_WRONLY;
    case 2: return O_RDWR;
    default: return O_RDONLY;
  }
}

std::string SystemText(int err) {
  if (err == EBUSY) return "The file is in use by another stream that does not share it.";
  return std::strerror(err);
}

[[noreturn]] void RaiseIo(const std::string& what, const std::string& file, int err) {
  throw EFileStreamError(what + " \"" + file + "\". " + SystemText(err));
}

}  // namespace

void SetPathExpander(PathExpander expander) {
  std::shared_ptr<const PathExpander> p;
  if (expander) p = std::make_shared<const PathExpander>(std::move(expander));
  plat::MutexLock lock(g_expanderMutex);
  g_expander = std::move(p);
}

std::string ExpandStreamFileName(const std::string& name) {
  std::shared_ptr<const PathExpander> p;
  {
    plat::MutexLock lock(g_expanderMutex);
    p = g_expander;
  }
  return p ? (*p)(name) : name;
}

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode)
    : fileName_(ExpandStreamFileName(fileName)) {
  std::uint16_t m = mode;
  if (m != fmCreate && (m & fmOpenOrCreate)) {
    struct stat st {};
    m = ::stat(fileName_.c_str(), &st) == 0 ? static_cast<std::uint16_t>(m & ~fmOpenOrCreate) : fmCreate;
  }
  if (m != fmCreate) {
    mode_ = m;
    OpenWith(m, false);
    return;
  }
  // Created files are kept open with a share mode: read-write deny-write for a plain create.
  mode_ = mode == fmCreate ? static_cast<std::uint16_t>(fmOpenReadWrite | fmShareDenyWrite)
                           : static_cast<std::uint16_t>(mode & ~fmOpenOrCreate);
  OpenWith(mode_, true);
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptions drops their share locks
  if (lockFd_ >= 0) ::close(lockFd_);
  fd_ = lockFd_ = -1;
}

void TFileStream::OpenWith(std::uint16_t mode, bool create) {
  // A file being created is opened for writing first, and emptied only once no other stream's
  // share mode forbids it, so a refused create leaves the file as it was.
  int flags = (create ? O_RDWR | O_CREAT : AccessFlags(mode)) | O_CLOEXEC;
  int fd = ::open(fileName_.c_str(), flags, 0666);
  if (fd < 0) {
    int e = lastError_ = errno;
    if (create) throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + SystemText(e));
    throw EFOpenError("Cannot open file \"" + fileName_ + "\". " + SystemText(e));
  }
  std::uint16_t claim = create ? static_cast<std::uint16_t>((mode & 0xF0) | fmOpenReadWrite) : mode;
  int lockFd = -1;
  if (!create && (mode & 3) == fmOpenWrite) lockFd = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
  if (!ClaimSharing(lockFd >= 0 ? lockFd : fd, claim) || (create && ::ftruncate(fd, 0) != 0)) {
    int e = lastError_ = errno;
    ::close(fd);
    if (lockFd >= 0) ::close(lockFd);
    if (create) throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + SystemText(e));
    throw EFOpenError("Cannot open file \"" + fileName_ + "\". " + SystemText(e));
  }
  if (create && (mode & 3) != fmOpenReadWrite) {
    // Keep the asked access: open again with it and let the creating description go.
    ::close(fd);
    OpenWith(mode, false);
    return;
  }
  fd_ = fd;
  lockFd_ = lockFd;
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  auto* p = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd_, p + done, static_cast<std::size_t>(count - done), position_ + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseIo("Cannot read", fileName_, errno);
    }
    if (n == 0) break;
    done += n;
  }
  position_ += done;
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  auto* p = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(fd_, p + done, static_cast<std::size_t>(count - done), position_ + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseIo("Cannot write", fileName_, errno);
    }
    done += n;
  }
  position_ += done;
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = origin == TSeekOrigin::Beginning ? 0 : origin == TSeekOrigin::Current ? position_ : Size();
  std::int64_t p = base + offset;
  if (p < 0) throw EFileStreamError("Seek before the beginning of \"" + fileName_ + "\"");
  position_ = p;
  return position_;
}

std::int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) RaiseIo("Cannot get the size of", fileName_, errno);
  return st.st_size;
}

void TFileStream::SetSize(std::int64_t size) {
  if (size < 0) throw EFileStreamError("Negative size for \"" + fileName_ + "\"");
  if (::ftruncate(fd_, size) != 0) RaiseIo("Cannot set the size of", fileName_, errno);
  if (position_ > size) position_ = size;
}

void TFileStream::DeleteBytes(std::int64_t position, std::int64_t count) {
  if (position < 0 || count < 0) throw EFileStreamError("Bad range to delete in \"" + fileName_ + "\"");
  const std::int64_t size = Size();
  if (count == 0 || position >= size) return;
  count = std::min(count, size - position);
  const std::int64_t keep = position_;
  std::vector<char> block(static_cast<std::size_t>(kMoveBlock));
  std::int64_t from = position + count, to = position;
  while (from < size) {
    std::int64_t n = std::min(kMoveBlock, size - from);
    position_ = from;
    ReadBuffer(block.data(), static_cast<std::size_t>(n));
    position_ = to;
    WriteBuffer(block.data(), static_cast<std::size_t>(n));
    from += n;
    to += n;
  }
  position_ = keep;
  SetSize(size - count);
}

void TFileStream::InsertBytes(std::int64_t position, std::int64_t count) {
  if (position < 0 || count < 0) throw EFileStreamError("Bad range to insert in \"" + fileName_ + "\"");
  if (count == 0) return;
  const std::int64_t size = Size();
  const std::int64_t keep = position_;
  if (position >= size) {
    SetSize(position + count);
  } else {
    std::vector<char> block(static_cast<std::size_t>(kMoveBlock));
    std::int64_t end = size;  // the bytes [position, end) are still to move
    while (end > position) {
      std::int64_t n = std::min(kMoveBlock, end - position);
      position_ = end - n;
      ReadBuffer(block.data(), static_cast<std::size_t>(n));
      position_ = end - n + count;
      WriteBuffer(block.data(), static_cast<std::size_t>(n));
      end -= n;
    }
  }
  position_ = keep;
}

void TFileStream::Reopen() {
  Close();
  try {
    OpenWith(mode_, false);
  } catch (const EFileStreamError&) {
    RaiseFileError("打开文件失败\r\n文件：" + fileName_, lastError_);
  }
}

void TFileStream::Truncate() { SetSize(position_); }

}  // namespace olv
