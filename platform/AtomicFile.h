#pragma once
// The one way the program replaces a file: the new content goes to a temporary file beside the
// target (created exclusively, private from its first byte when the target is to be private),
// is flushed to disk and renamed over the target, and the folder is synced. Until the rename
// the target is untouched, so a failure (full disk, a writer that raises, a crash) leaves the
// previous file as it was; the temporary file is removed on every failure path. Links are
// followed: the file a link names is replaced. The temporary file is of the program's own naming
// (TempFile.h: "<tempPrefix>" and eight letters or digits) and locked while written; stale ones of
// the same prefix, left in the folder by a program that died while saving, are removed first.
//
// Files written afresh at every start and deleted on the way out (scratch copies of the program's
// own data) may skip the flushing: they are still replaced by a rename, so no reader sees half a
// file, and one that a system crash spoiled is written again by the next start.
//
// Failures raise FileError with the text, the system error code and its message. An AtomicFile
// belongs to one thread.
#include <sys/types.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/TempFile.h"

namespace plat {

// The prefix of the temporary files of saves unless another is given.
inline constexpr std::string_view kSaveTempPrefix = ".save";

// Whether commit flushes the file and its folder to disk (Synced) or only renames (Unsynced).
enum class Durability { Synced, Unsynced };

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AtomicFile {
 public:
  // permissions: the exact mode of the saved file; without it an existing target keeps its
  // mode and a new one gets the usual mode of a new file (0666 less the umask).
  explicit AtomicFile(const std::string& target, std::optional<mode_t> permissions = std::nullopt,
                      std::string_view tempPrefix = kSaveTempPrefix, Durability durability = Durability::Synced);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Without a successful commit the temporary file is removed and the target left alone.
  ~AtomicFile();

  // Appends to the new content; never writes short.
  void write(const void* data, size_t count);
  // Flushes (when Synced), closes and renames over the target.
  void commit();

  const std::string& target() const { return target_; }
  const std::string& tempPath() const { return tempPath_; }
  bool open() const { return fd_ >= 0; }

 private:
  void discard() noexcept;
  std::string target_;
  std::string tempPath_;
  TempFile temp_;
  int fd_ = -1;
  bool committed_ = false;
  Durability durability_ = Durability::Synced;
};

// Writes all of data to the descriptor, going on after interruptions and short writes; false
// (errno set) on failure.
bool WriteFully(int fd, const void* data, size_t count);

// The whole content at once.
void WriteFileAtomically(const std::string& target, std::string_view bytes,
                         std::optional<mode_t> permissions = std::nullopt, std::string_view tempPrefix = kSaveTempPrefix,
                         Durability durability = Durability::Synced);

}  // namespace plat
