#include "widgets/gif/GIFDecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "widgets/gif/GIFInterlace.h"

namespace olv {

namespace {

// The data sub-blocks, read as the codes need them, some kilobytes at a time into one small
// buffer: gathering a whole frame's data first would take a second buffer nearly the frame's size,
// and on first touch every 4 KiB of it costs a page fault.
class TSubBlocks {
 public:
  explicit TSubBlocks(TStream& s, const TGIFWarn& warn) : stream_(s), warn_(warn) {}
  // Replaces the buffer's bytes with the next whole sub-blocks, up to its size; how many bytes
  // it got (0 at the terminator or at the end of the stream).
  size_t Next(uint8_t*& bytes) {
    size_t n = 0;
    while (!ended_ && n + 255 <= sizeof buffer_) {
      uint8_t length = 0;
      if (stream_.Read(&length, 1) != 1 || length == 0) {  // no terminator: the data simply ends
        ended_ = true;
        break;
      }
      const int64_t got = stream_.Read(buffer_ + n, length);
      n += static_cast<size_t>(std::max<int64_t>(got, 0));
      if (got < length) {
        ended_ = true;
        warn_("Premature end of data");
      }
    }
    bytes = buffer_;
    return n;
  }
  // Reads on to the terminator, whatever the codes said.
  void Skip() {
    uint8_t* bytes = nullptr;
    while (!ended_) Next(bytes);
  }

 private:
  TStream& stream_;
  const TGIFWarn& warn_;
  bool ended_ = false;
  uint8_t buffer_[16 * 1024];
};

// A string of the table, by where it was last written: every string above the roots is a string
// already written followed by the first pixel written after it, so it lies whole in the output
// and is copied from there rather than rebuilt pixel by pixel through its prefixes.
struct Entry {
  uint32_t offset;
  uint32_t length;
};

}  // namespace

void GIFDecodeImage(TStream& s, std::span<uint8_t> pixels, int width, int height, bool interlaced,
                    const TGIFWarn& warn) {
  uint8_t minCodeSize = 0;
  if (s.Read(&minCodeSize, 1) != 1) return;
  TSubBlocks blocks(s, warn);
  if (minCodeSize < 1 || minCodeSize > 11) {
    blocks.Skip();
    warn("Invalid minimum code size");
    return;
  }
  const size_t total = std::min(pixels.size(), static_cast<size_t>(width) * static_cast<size_t>(height));
  std::vector<uint8_t> ordered;
  uint8_t* out = pixels.data();
  if (interlaced) {
    ordered.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(total));
    out = ordered.data();
  }

  const int clear = 1 << minCodeSize;
  const int eof = clear + 1;
  static thread_local Entry table[4096];
  int codeSize = minCodeSize + 1;
  int codeMask = (1 << codeSize) - 1;
  int avail = clear + 2;
  int prev = -1;
  Entry prevString{0, 0};
  uint64_t acc = 0;
  int bits = 0;
  size_t o = 0;
  uint8_t* in = nullptr;
  size_t pos = 0, size = 0;

  while (o < total) {
    if (bits < codeSize) {
      while (bits <= 56) {
        if (pos == size) {
          size = blocks.Next(in);
          pos = 0;
          if (size == 0) break;
        }
        acc |= static_cast<uint64_t>(in[pos++]) << bits;
        bits += 8;
      }
      if (bits < codeSize) {
        warn("Decoder bit buffer under-run");
        break;
      }
    }
    const int code = static_cast<int>(acc & static_cast<uint64_t>(codeMask));
    acc >>= codeSize;
    bits -= codeSize;

    if (code == clear) {
      codeSize = minCodeSize + 1;
      codeMask = (1 << codeSize) - 1;
      avail = clear + 2;
      prev = -1;
      continue;
    }
    if (code == eof) break;
    if (prev < 0) {
      if (code > clear) {  // right after a clear only a pixel can come
        warn("Invalid code in image data");
        break;
      }
      prevString = {static_cast<uint32_t>(o), 1};
      out[o++] = static_cast<uint8_t>(code);
      prev = code;
      continue;
    }
    if (code > avail || (code == avail && avail >= 4096)) {
      warn("Invalid code in image data");
      break;
    }
    // The new string is the previous one and the first pixel of this code's, which is about to
    // be written right after it.
    const bool newest = code == avail;
    if (avail < 4096) {
      table[avail] = {prevString.offset, prevString.length + 1};
      ++avail;
      if (avail == (1 << codeSize) && codeSize < 12) {
        ++codeSize;
        codeMask = (1 << codeSize) - 1;
      }
    }
    const Entry string = code < clear ? Entry{0, 1} : table[code];
    // Past the last pixel the string's tail is dropped.
    const size_t n = std::min<size_t>(string.length, total - o);
    if (code < clear) {
      out[o] = static_cast<uint8_t>(code);
    } else if (newest) {
      // The string ends with its own first pixel, which this copy writes first: byte by byte.
      for (size_t k = 0; k < n; ++k) out[o + k] = out[string.offset + k];
    } else {
      std::memcpy(out + o, out + string.offset, n);
    }
    prevString = {static_cast<uint32_t>(o), string.length};
    o += n;
    prev = code;
  }

  blocks.Skip();

  // An image without pixels (a width or height of 0) has no rows to put in place, and no buffers
  // to copy between.
  if (interlaced && total > 0) {
    const std::vector<int> rows = GIFRowOrder(height, true);
    for (size_t i = 0; i < rows.size(); ++i)
      std::memcpy(pixels.data() + static_cast<size_t>(rows[i]) * static_cast<size_t>(width),
                  ordered.data() + i * static_cast<size_t>(width), static_cast<size_t>(width));
  }
}

}  // namespace olv
