#include "app/core/ZlibStream.h"

#include <algorithm>
#include <climits>

namespace sch {

namespace {

[[noreturn]] void RaiseZlib(const z_stream& z, int code) {
  std::string text = z.msg ? z.msg : zError(code);
  if (code == Z_NEED_DICT) text = "Compressed data needs a preset dictionary";
  throw EZlibError("zlib error: " + text);
}

// zlib counts in 32-bit units.
constexpr std::size_t kMaxChunk = UINT_MAX;

}  // namespace

CompressionStream::CompressionStream(ByteSink& out, int level)
    : out_(out), buffer_(new unsigned char[kZlibBufferSize]) {
  const int rc = deflateInit(&z_, level);
  if (rc != Z_OK) RaiseZlib(z_, rc);
}

CompressionStream::~CompressionStream() { deflateEnd(&z_); }

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
      if (produced) out_.write(buffer_.get(), produced);
    } while (z_.avail_out == 0 || (mode == Z_FINISH && rc != Z_STREAM_END));
  } while (count > 0);
}

void CompressionStream::write(const void* buffer, std::size_t count) {
  if (finished_) throw EZlibError("zlib error: write after the end of the compressed stream");
  if (count) run(buffer, count, Z_NO_FLUSH);
}

void CompressionStream::finish() {
  if (finished_) return;
  run(nullptr, 0, Z_FINISH);
  finished_ = true;
}

ExpansionStream::ExpansionStream(ByteSource& in) : in_(in), buffer_(new unsigned char[kZlibBufferSize]) {
  const int rc = inflateInit(&z_);
  if (rc != Z_OK) RaiseZlib(z_, rc);
}

ExpansionStream::~ExpansionStream() { inflateEnd(&z_); }

std::size_t ExpansionStream::read(void* buffer, std::size_t count) {
  if (ended_ || count == 0) return 0;
  z_.next_out = static_cast<unsigned char*>(buffer);
  z_.avail_out = uInt(std::min(count, kMaxChunk));
  const uInt wanted = z_.avail_out;
  while (z_.avail_out == wanted) {  // until some output, or the end
    if (z_.avail_in == 0) {
      const std::size_t n = in_.read(buffer_.get(), kZlibBufferSize);
      if (n == 0) throw EZlibError("zlib error: Compressed data is truncated");
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
  return wanted - z_.avail_out;
}

std::uint64_t CopyStream(ByteSource& in, ByteSink& out) {
  std::unique_ptr<char[]> buffer(new char[kZlibBufferSize]);
  std::uint64_t total = 0;
  for (;;) {
    const std::size_t n = in.read(buffer.get(), kZlibBufferSize);
    if (n == 0) return total;
    out.write(buffer.get(), n);
    total += n;
  }
}

}  // namespace sch
