#pragma once
// zlib compression and expansion as streams over fixed buffers: memory use is constant
// whatever the amount of data, so dumps of many gigabytes pass through a few hundred KiB.
// The data is the zlib format (header and Adler-32 trailer). Each stream is used by one
// thread; it borrows the sink or source it wraps, which must outlive it.
#include <zlib.h>

#include <cstddef>
#include <memory>
#include <string>

#include "app/core/ByteStream.h"
#include "foundation/Exception.h"

namespace sch {

// A damaged or truncated zlib stream, or a failure inside zlib.
class EZlibError : public olv::Exception {
 public:
  using olv::Exception::Exception;
};

// Size of the buffers between zlib and the wrapped stream.
inline constexpr std::size_t kZlibBufferSize = 256 * 1024;

// Compresses everything written to it into `out`. `finish` writes the rest and the trailer;
// without it the output is incomplete (destruction only frees).
class CompressionStream : public ByteSink {
 public:
  explicit CompressionStream(ByteSink& out, int level = Z_DEFAULT_COMPRESSION);
  ~CompressionStream() override;
  CompressionStream(const CompressionStream&) = delete;
  CompressionStream& operator=(const CompressionStream&) = delete;

  void write(const void* buffer, std::size_t count) override;
  void finish();

 private:
  void run(const void* buffer, std::size_t count, int flush);
  ByteSink& out_;
  z_stream z_{};
  std::unique_ptr<unsigned char[]> buffer_;
  bool finished_ = false;
};

// Expands the zlib stream read from `in`. `read` returns 0 once the stream's end is reached;
// input that ends before it raises EZlibError("Compressed data is truncated"), damaged data
// raises EZlibError with zlib's message. Bytes after the stream's end are not read further.
class ExpansionStream : public ByteSource {
 public:
  explicit ExpansionStream(ByteSource& in);
  ~ExpansionStream() override;
  ExpansionStream(const ExpansionStream&) = delete;
  ExpansionStream& operator=(const ExpansionStream&) = delete;

  std::size_t read(void* buffer, std::size_t count) override;

 private:
  ByteSource& in_;
  z_stream z_{};
  std::unique_ptr<unsigned char[]> buffer_;
  bool ended_ = false;
};

// Copies a source into a sink through one fixed buffer; returns the number of bytes.
std::uint64_t CopyStream(ByteSource& in, ByteSink& out);

}  // namespace sch
