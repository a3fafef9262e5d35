#pragma once
// The compress dialog's "Do" command apart from its window: the checks and the question run on
// the main thread (Prepare), the work itself on a worker thread (Run), so the window stays
// responsive while a large dump is compressed or expanded.
#include <string>

namespace sch {

struct CompressJob {
  std::string source;
  std::string destination;
  bool compress = true;  // false: "UnCompress"

  // Raises olv::Exception "File <source>not exist!" when the source is missing; asks through the
  // installed plat::Dialogs before overwriting an existing destination. False: the user said No.
  bool Prepare() const;
  // Compresses or expands; errors of the stream raise. Expanding a file without the compression
  // header leaves the destination as it was (and is not an error).
  void Run() const;
};

inline constexpr const char* kCompressCaption = "Compress / UnCompress dmp file";
inline constexpr const char* kCompressWorking = "working...";
inline constexpr const char* kCompressDone = "done";

}  // namespace sch
