#pragma once
// Work files of the program's own naming: "<prefix><8 letters or digits><suffix>", created
// exclusively (never an existing file, never through a link) in a given folder and locked
// (flock) from their first moment for as long as their creator holds them. A file of that
// pattern that nobody holds locked was left by a program that died (a kill during a save or a
// compression): RemoveStaleTempFiles removes such files, and only such files, so that a save
// or a start cleans up after a crash without touching the work of another program running at
// the same time.
//
// Ownership: a TempFile owns its descriptor (and so the lock) until Close or destruction; the
// file itself stays unless Remove is called. One thread at a time per object; the free
// functions may be called from any thread. Failures raise plat::FileError.
#include <sys/types.h>

#include <string>
#include <string_view>

namespace plat {

class TempFile {
 public:
  // Creates "<folder>/<prefix>XXXXXXXX<suffix>" with the given mode (before the umask).
  static TempFile Create(const std::string& folder, std::string_view prefix, std::string_view suffix = {},
                         mode_t mode = 0600);
  TempFile() = default;
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&& other) noexcept;
  ~TempFile();

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  // Keeps the lock but no longer the descriptor fd() gave: the caller has closed it (and
  // checked what close said). The lock goes with Close or destruction.
  void ReleaseDescriptor();
  // Closes the descriptor and releases the lock; the file stays.
  void Close() noexcept;
  // Closes and deletes the file.
  void Remove() noexcept;

 private:
  std::string path_;
  int fd_ = -1;
  int lockFd_ = -1;  // a second descriptor of the same open file: the lock outlives fd_
};

// Whether name is prefix, eight letters or digits and suffix.
bool IsTempFileName(std::string_view name, std::string_view prefix, std::string_view suffix = {});

// Removes the files of the pattern in folder that no one holds locked; returns how many went.
// A folder that cannot be read removes nothing.
int RemoveStaleTempFiles(const std::string& folder, std::string_view prefix, std::string_view suffix = {});

}  // namespace plat
