#include "foundation/files/ZlibStream.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace olv {

namespace {

[[noreturn]] void RaiseZlib(const z_stream& z, int code) {
  std::string text = z.msg ? z.msg : zError(code);
  if (code == Z_NEED_DICT) text = "Compressed data needs a preset dictionary";
  throw EZlibError("zlib error: " + text);
}

// zlib counts in 32-bit units.
constexpr std::size_t kMaxChunk = UINT_MAX;

// Buffers of kZlibBufferSize are kept per thread for the next stream, so that expanding many
// small streams one after the other (a folder of dumps, a fuzz run) does not map and clear fresh
// memory each time. At most kKeptBuffers stay per thread; they go with the thread.
constexpr std::size_t kKeptBuffers = 4;
thread_local bool tCacheGone = false;
struct BufferCache {
  std::vector<std::unique_ptr<unsigned char[]>> free;
  ~BufferCache() { tCacheGone = true; }
};
thread_local BufferCache tCache;

std::unique_ptr<unsigned char[]> AcquireBuffer() {
  if (!tCacheGone && !tCache.free.empty()) {
    std::unique_ptr<unsigned char[]> b = std::move(tCache.free.back());
    tCache.free.pop_back();
    return b;
  }
  return std::unique_ptr<unsigned char[]>(new unsigned char[kZlibBufferSize]);
}

void ReleaseBuffer(std::unique_ptr<unsigned char[]> buffer) {
  if (buffer && !tCacheGone && tCache.free.size() < kKeptBuffers) tCache.free.push_back(std::move(buffer));
}

}  // namespace

CompressionStream::CompressionStream(olv::TStream& out, int level, unsigned threads) : out_(out) {
  if (threads == kAllCores) threads = AvailableCores();
  if (threads > 1) {
    parallel_ = std::make_unique<ParallelDeflate>(out, level, threads);
    return;
  }
  buffer_ = AcquireBuffer();
  const int rc = deflateInit(&z_, level);
  if (rc != Z_OK) RaiseZlib(z_, rc);
}

CompressionStream::~CompressionStream() {
  if (!parallel_) deflateEnd(&z_);
  ReleaseBuffer(std::move(buffer_));
}

void CompressionStream::run(const void* buffer, std::size_t count, int flush) {
  auto* p = static_cast<const unsigned char*>(buffer);
  do {
    const std::size_t chunk = std::min(count, kMaxChunk);
    z_.next_in = const_cast<unsigned char*>(p);
    z_.avail_in = uInt(chunk);
    p += chunk;
    count -= chunk;
    const int mode = count == 0 ? flush : Z_NO_FLUSH;
    int rc;
    do {
      z_.next_out = buffer_.get();
      z_.avail_out = uInt(kZlibBufferSize);
      rc = deflate(&z_, mode);
      if (rc == Z_STREAM_ERROR) RaiseZlib(z_, rc);
      const std::size_t produced = kZlibBufferSize - z_.avail_out;
      if (produced) out_.WriteBuffer(buffer_.get(), produced);
    } while (z_.avail_out == 0 || (mode == Z_FINISH && rc != Z_STREAM_END));
  } while (count > 0);
}

int64_t CompressionStream::Write(const void* buffer, int64_t count) {
  if (finished_) throw EZlibError("zlib error: write after the end of the compressed stream");
  if (count <= 0) return 0;
  if (parallel_)
    parallel_->write(static_cast<const unsigned char*>(buffer), std::size_t(count));
  else
    run(buffer, std::size_t(count), Z_NO_FLUSH);
  Moved(count);
  return count;
}

void CompressionStream::finish() {
  if (finished_) return;
  if (parallel_)
    parallel_->finish();
  else
    run(nullptr, 0, Z_FINISH);
  finished_ = true;
}

ExpansionStream::ExpansionStream(olv::TStream& in) : in_(in), buffer_(AcquireBuffer()) {
  const int rc = inflateInit(&z_);
  if (rc != Z_OK) RaiseZlib(z_, rc);
}

ExpansionStream::~ExpansionStream() {
  inflateEnd(&z_);
  ReleaseBuffer(std::move(buffer_));
}

int64_t ExpansionStream::Read(void* buffer, int64_t count) {
  if (ended_ || count <= 0) return 0;
  z_.next_out = static_cast<unsigned char*>(buffer);
  z_.avail_out = uInt(std::min(std::size_t(count), kMaxChunk));
  const uInt wanted = z_.avail_out;
  while (z_.avail_out == wanted) {  // until some output, or the end
    if (z_.avail_in == 0) {
      const int64_t n = in_.Read(buffer_.get(), int64_t(kZlibBufferSize));
      if (n <= 0) throw EZlibError("zlib error: Compressed data is truncated");
      z_.next_in = buffer_.get();
      z_.avail_in = uInt(n);
    }
    const int rc = inflate(&z_, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) RaiseZlib(z_, rc);
  }
  const int64_t produced = int64_t(wanted - z_.avail_out);
  Moved(produced);
  return produced;
}

std::uint64_t CopyStream(olv::TStream& in, olv::TStream& out) {
  std::unique_ptr<unsigned char[]> buffer = AcquireBuffer();
  std::uint64_t total = 0;
  for (;;) {
    const int64_t n = in.Read(buffer.get(), int64_t(kZlibBufferSize));
    if (n <= 0) break;
    out.WriteBuffer(buffer.get(), std::size_t(n));
    total += std::uint64_t(n);
  }
  ReleaseBuffer(std::move(buffer));
  return total;
}

std::size_t ReadFully(olv::TStream& in, void* buffer, std::size_t count) {
  auto* p = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const int64_t n = in.Read(p + done, int64_t(count - done));
    if (n <= 0) break;
    done += std::size_t(n);
  }
  return done;
}

}  // namespace olv
