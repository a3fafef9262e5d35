#pragma once
// All file-system access of the compressed-file and atomic-save code goes through here, so
// that it can move onto the library's file stream in one place. A PosixFile is an olv::TStream
// over a descriptor it owns and closes on destruction; one thread uses it at a time. Failures
// raise olv::Exception with the text, the system error code and its message; Write never
// returns short.
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "foundation/objects/Stream.h"

namespace sch {

class PosixFile : public olv::TStream {
 public:
  static PosixFile OpenRead(const std::string& path);
  // Creates a new file with a unique name `<folder of target>/<prefix><random>`, opened for
  // writing with `permissions` (before the umask); its name goes to `path`.
  static PosixFile CreateBeside(const std::string& target, std::string_view prefix,
                                mode_t permissions, std::string& path);

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
// The path with symbolic links resolved when it names an existing link; else unchanged.
std::string ResolveLink(const std::string& path);
void RenameFile(const std::string& from, const std::string& to);
// Removes a file, ignoring errors: used to clean up after another failure.
void RemoveFileQuietly(const std::string& path) noexcept;
// Makes a rename inside the folder of `path` durable.
void SyncFolderOf(const std::string& path);

}  // namespace sch
