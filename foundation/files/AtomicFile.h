#pragma once
// Atomic replacement of a file as a library stream: plat::AtomicFile (the program's one
// atomic-save routine: written beside, flushed, renamed; a failure leaves the previous file)
// behind olv::TStream, its failures raised as olv::Exception. A writer belongs to one thread.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/streams/Stream.h"
#include "platform/AtomicFile.h"

namespace olv {

// A forward-only stream: Write appends to the new content and never returns short.
class AtomicFileWriter : public olv::TSequentialStream {
 public:
  // `permissions`: the exact mode of the saved file; without it an existing target keeps its
  // mode and a new one gets the usual mode of a new file (0666 less the umask).
  explicit AtomicFileWriter(const std::string& target, std::optional<mode_t> permissions = std::nullopt,
                            std::string_view tempPrefix = plat::kSaveTempPrefix,
                            plat::Durability durability = plat::Durability::Synced);
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  // Without a successful commit the temporary file is removed and the target left alone.
  ~AtomicFileWriter() override;

  int64_t Write(const void* buffer, int64_t count) override;
  // Flushes, closes and renames over the target. Raises on failure (the target unchanged).
  void commit();

  const std::string& target() const;
  const std::string& tempPath() const;

 private:
  std::optional<plat::AtomicFile> file_;
};

// Writes `target` atomically with what `writeContent` puts into the stream. Whatever
// `writeContent` raises passes on, and the previous file stays.
void SaveFileAtomically(const std::string& target, std::optional<mode_t> permissions,
                        const std::function<void(olv::TStream&)>& writeContent,
                        plat::Durability durability = plat::Durability::Synced);

}  // namespace olv
