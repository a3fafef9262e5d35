#pragma once
// zlib compression and expansion as streams over fixed buffers: memory use is constant
// whatever the amount of data, so dumps of many gigabytes pass through a few MiB.
// The data is the zlib format (header and Adler-32 trailer). Each stream is used by one
// thread; it borrows the stream it wraps, which must outlive it. Both are forward-only
// olv::TStreams, so they plug in wherever the library's streams do. Compression runs on every
// core the process may use (ParallelDeflate.h); expansion, which is far cheaper, on the caller's,
// through ISA-L's inflate (several times zlib's speed), with zlib's verdict on damaged data.
// The buffers are reused: a thread keeps a few for its next streams, so many small streams in a
// row cost no fresh memory.
#include <zlib.h>

#include <cstddef>
#include <memory>
#include <string>

#include "foundation/base/Exception.h"
#include "foundation/files/ParallelDeflate.h"
#include "foundation/streams/Stream.h"

struct inflate_state;  // ISA-L's

namespace olv {

// A damaged or truncated zlib stream, or a failure inside zlib.
class EZlibError : public olv::Exception {
 public:
  using olv::Exception::Exception;
};

// Size of the buffers between zlib and the wrapped stream.
inline constexpr std::size_t kZlibBufferSize = 256 * 1024;

// Compresses everything written to it into `out`. `finish` writes the rest and the trailer;
// without it the output is incomplete (destruction only frees). Write takes every byte or
// raises (a failure of `out` passes on). `threads`: kAllCores for one worker per available
// core, 1 for a plain zlib stream on the caller's thread; the output of a given input and
// thread count does not depend on how it is cut into writes.
inline constexpr unsigned kAllCores = 0;
class CompressionStream : public olv::TSequentialStream {
 public:
  explicit CompressionStream(olv::TStream& out, int level = Z_DEFAULT_COMPRESSION, unsigned threads = kAllCores);
  ~CompressionStream() override;
  CompressionStream(const CompressionStream&) = delete;
  CompressionStream& operator=(const CompressionStream&) = delete;

  int64_t Write(const void* buffer, int64_t count) override;
  void finish();

 private:
  void run(const void* buffer, std::size_t count, int flush);
  olv::TStream& out_;
  std::unique_ptr<ParallelDeflate> parallel_;  // or the plain stream below
  z_stream z_{};
  std::unique_ptr<unsigned char[]> buffer_;
  bool finished_ = false;
};

// Expands the zlib stream read from `in`. `Read` returns 0 once the stream's end is reached;
// input that ends before it raises EZlibError("zlib error: Compressed data is truncated"), damaged
// data raises EZlibError with zlib's message. Bytes after the stream's end may have been read from
// `in` into the buffer but are not expanded.
// The body is expanded by ISA-L, which is far faster than zlib but laxer about a few malformed
// headers and says less about what is wrong. So the zlib header is checked here as zlib checks
// it, and when ISA-L refuses the data (or it ends early), `in` is taken back to where the stream
// began and zlib expands it again, past what was delivered already: what zlib then raises is the
// error, and should zlib accept the data, its expansion carries on. A source that cannot go back
// gets the nearest zlib message for ISA-L's finding instead.
class ExpansionStream : public olv::TSequentialStream {
 public:
  explicit ExpansionStream(olv::TStream& in);
  ~ExpansionStream() override;
  ExpansionStream(const ExpansionStream&) = delete;
  ExpansionStream& operator=(const ExpansionStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;

 private:
  bool fill();
  void readHeader();
  void fallBack(const char* finding);
  std::size_t inflateZlib(unsigned char* out, std::size_t count);
  olv::TStream& in_;
  int64_t start_ = 0;       // position of the stream in `in`
  uint64_t delivered_ = 0;  // bytes returned by Read
  std::unique_ptr<inflate_state> isal_;
  const unsigned char* next_ = nullptr;  // unread input in buffer_, before ISA-L takes it
  std::size_t avail_ = 0;
  bool headerRead_ = false;
  bool zlib_ = false;  // zlib has taken over
  z_stream z_{};
  std::unique_ptr<unsigned char[]> buffer_;
  bool ended_ = false;
};

// Copies from `in`'s position until it ends into `out` through one fixed buffer; returns the
// number of bytes. A short write raises.
std::uint64_t CopyStream(olv::TStream& in, olv::TStream& out);
// Reads until `count` bytes are in or `in` ends; returns how many were read.
std::size_t ReadFully(olv::TStream& in, void* buffer, std::size_t count);

}  // namespace olv
