#pragma once
// Atomic replacement of a file: the new content is written to a temporary file in the same
// folder, flushed to disk, given its mode and renamed over the target. Until the rename the
// target is untouched, so a failure (full disk, a writer that raises, a crash) leaves the
// previous file as it was; the temporary file is removed on every failure path.
// A writer belongs to one thread. Links are followed: the file a link names is replaced.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/files/PosixFile.h"
#include "foundation/objects/Stream.h"

namespace sch {

// The scheme file holds database passwords: only its owner may read it.
inline constexpr mode_t kSchemeFileMode = 0600;

// A forward-only stream: Write appends to the new content and never returns short.
class AtomicFileWriter : public olv::TSequentialStream {
 public:
  // `permissions`: the exact mode of the saved file; without it an existing target keeps its
  // mode and a new one gets the usual mode of a new file (0666 less the umask).
  explicit AtomicFileWriter(const std::string& target, std::optional<mode_t> permissions = std::nullopt,
                            std::string_view tempPrefix = ".save");
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  // Without a successful commit the temporary file is removed and the target left alone.
  ~AtomicFileWriter() override;

  int64_t Write(const void* buffer, int64_t count) override;
  // Flushes, closes and renames over the target. Raises on failure (the target unchanged).
  void commit();

  const std::string& target() const { return target_; }
  const std::string& tempPath() const { return tempPath_; }

 private:
  std::string target_;
  std::string tempPath_;
  std::optional<PosixFile> file_;
  bool committed_ = false;
};

// Writes `target` atomically with what `writeContent` puts into the stream. Whatever
// `writeContent` raises passes on, and the previous file stays.
void SaveFileAtomically(const std::string& target, std::optional<mode_t> permissions,
                        const std::function<void(olv::TStream&)>& writeContent);

}  // namespace sch
