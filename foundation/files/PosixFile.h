#pragma once
// Reading files for the compressed-file code (saving goes through AtomicFile.h), so that it can
// move onto the library's file stream in one place. A PosixFile is an olv::TStream
// over a descriptor it owns and closes on destruction; one thread uses it at a time. Failures
// raise olv::Exception with the text, the system error code and its message; Write never
// returns short.
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "foundation/streams/Stream.h"

namespace olv {

class PosixFile : public olv::TStream {
 public:
  static PosixFile OpenRead(const std::string& path);
  // Takes over an open descriptor (read and written from its position; closed on destruction).
  static PosixFile Adopt(int fd, std::string path) { return PosixFile(fd, std::move(path)); }

  PosixFile(PosixFile&& other) noexcept;
  PosixFile& operator=(PosixFile&& other) noexcept;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  ~PosixFile() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, olv::TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  void setPermissions(mode_t permissions);
  void sync();
  // Closes and reports a failure of the close itself (a delayed write error).
  void close();

 private:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  std::string path_;
};

// True when something exists at `path` (following links).
bool FileExists(const std::string& path);
// The permission bits of an existing file, or nothing when there is none.
std::optional<mode_t> FilePermissions(const std::string& path);

}  // namespace olv
