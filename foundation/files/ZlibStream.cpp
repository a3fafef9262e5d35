#include "foundation/files/ZlibStream.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <climits>
#include <cstring>
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

ExpansionStream::ExpansionStream(olv::TStream& in)
    : in_(in), start_(in.Position()), isal_(new inflate_state), buffer_(AcquireBuffer()) {
  isal_inflate_init(isal_.get());
  // The header is checked here; ISA-L expands the body and checks the Adler-32 trailer.
  isal_->crc_flag = ISAL_ZLIB_NO_HDR_VER;
}

ExpansionStream::~ExpansionStream() {
  if (zlib_) inflateEnd(&z_);
  ReleaseBuffer(std::move(buffer_));
}

namespace {
constexpr const char* kTruncated = "Compressed data is truncated";

// zlib's words for what ISA-L found, where the source cannot be read again for zlib's own.
const char* IsalFinding(int rc) {
  switch (rc) {
    case ISAL_INCORRECT_CHECKSUM: return "incorrect data check";
    case ISAL_INVALID_LOOKBACK: return "invalid distance too far back";
    case ISAL_INVALID_SYMBOL: return "invalid literal/length or distance code";
    default: return "invalid block";
  }
}
}  // namespace

// Reads the next piece of input into the buffer; false when `in` has ended.
bool ExpansionStream::fill() {
  const int64_t n = in_.Read(buffer_.get(), int64_t(kZlibBufferSize));
  if (n <= 0) return false;
  next_ = buffer_.get();
  avail_ = std::size_t(n);
  return true;
}

// The two header bytes (and a dictionary id), refused in zlib's order with zlib's words.
void ExpansionStream::readHeader() {
  unsigned char header[6];
  std::size_t have = 0, need = 2;
  while (have < need) {
    if (avail_ == 0 && !fill()) throw EZlibError(std::string("zlib error: ") + kTruncated);
    const std::size_t take = std::min(avail_, need - have);
    std::memcpy(header + have, next_, take);
    next_ += take;
    avail_ -= take;
    have += take;
    if (have == 2) {
      if ((header[0] << 8 | header[1]) % 31 != 0) throw EZlibError("zlib error: incorrect header check");
      if ((header[0] & 0x0F) != Z_DEFLATED) throw EZlibError("zlib error: unknown compression method");
      if ((header[0] >> 4) + 8 > 15) throw EZlibError("zlib error: invalid window size");
      if (header[1] & 0x20) need = 6;  // a dictionary id follows
    }
  }
  if (need == 6) throw EZlibError("zlib error: Compressed data needs a preset dictionary");
  headerRead_ = true;
}

// ISA-L refused the data or it ended early: zlib expands it again from the start, past what was
// delivered, and raises its own error or carries on.
void ExpansionStream::fallBack(const char* finding) {
  try {
    in_.SetPosition(start_);
  } catch (const EStreamError&) {
    throw EZlibError(std::string("zlib error: ") + finding);
  }
  avail_ = 0;
  const int rc = inflateInit(&z_);
  if (rc != Z_OK) RaiseZlib(z_, rc);
  zlib_ = true;
  std::unique_ptr<unsigned char[]> scratch = AcquireBuffer();
  for (uint64_t skipped = 0; skipped < delivered_;) {
    const std::size_t n = inflateZlib(scratch.get(), std::size_t(std::min<uint64_t>(kZlibBufferSize, delivered_ - skipped)));
    if (n == 0) break;  // cannot happen: zlib expanded at least as far as ISA-L before
    skipped += n;
  }
  ReleaseBuffer(std::move(scratch));
}

std::size_t ExpansionStream::inflateZlib(unsigned char* out, std::size_t count) {
  z_.next_out = out;
  z_.avail_out = uInt(std::min(count, kMaxChunk));
  const uInt wanted = z_.avail_out;
  while (!ended_ && z_.avail_out == wanted) {  // until some output, or the end
    if (z_.avail_in == 0) {
      if (!fill()) throw EZlibError(std::string("zlib error: ") + kTruncated);
      z_.next_in = const_cast<unsigned char*>(next_);
      z_.avail_in = uInt(avail_);
      avail_ = 0;
    }
    const int rc = inflate(&z_, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) ended_ = true;
    else if (rc != Z_OK && rc != Z_BUF_ERROR) RaiseZlib(z_, rc);
  }
  return wanted - z_.avail_out;
}

int64_t ExpansionStream::Read(void* buffer, int64_t count) {
  if (ended_ || count <= 0) return 0;
  auto* out = static_cast<unsigned char*>(buffer);
  const std::size_t wanted = std::min(std::size_t(count), kMaxChunk);
  std::size_t produced = 0;
  if (!zlib_) {
    if (!headerRead_) readHeader();
    inflate_state& s = *isal_;
    s.next_out = out;
    s.avail_out = uint32_t(wanted);
    const char* finding = nullptr;
    while (s.avail_out == wanted) {  // until some output, or the end
      if (s.avail_in == 0) {
        if (avail_ == 0 && !fill()) {
          finding = kTruncated;
          break;
        }
        s.next_in = const_cast<unsigned char*>(next_);
        s.avail_in = uint32_t(avail_);
        avail_ = 0;
      }
      const int rc = isal_inflate(&s);
      if (rc < 0) {
        finding = IsalFinding(rc);
        break;
      }
      if (s.block_state == ISAL_BLOCK_FINISH) {
        ended_ = true;
        break;
      }
    }
    if (finding)
      fallBack(finding);  // zlib raises, or delivers this read's bytes again below
    else
      produced = wanted - s.avail_out;
  }
  if (zlib_) produced = inflateZlib(out, wanted);
  delivered_ += produced;
  Moved(int64_t(produced));
  return int64_t(produced);
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
