#include "widgets/gif/GIFEncoder.h"

#include <cmath>
#include <cstring>

#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFInterlace.h"
#include "widgets/gif/GIFStreamIO.h"

namespace olv {

void TGIFWriter::FlushFull() {
  buffer_[0] = 255;
  stream_.WriteBuffer(buffer_, 256);
  count_ = 1;
}

void TGIFWriter::Flush() {
  if (count_ > 1) {
    buffer_[0] = static_cast<uint8_t>(count_ - 1);
    stream_.WriteBuffer(buffer_, static_cast<size_t>(count_));
  }
  count_ = 1;
}

void TGIFEncoder::Compress(TStream& s, int bitsPerPixel, int colorCount, const uint8_t* pixels, bool interlaced,
                           int height, int width) {
  const int bits = std::max(2, bitsPerPixel);
  GIFWriteByte(s, static_cast<uint8_t>(bits));
  initCodeSize_ = bits + 1;
  codeSize_ = initCodeSize_;
  maxCode_ = (1 << codeSize_) - 1;
  clearCode_ = 1 << bits;
  eofCode_ = clearCode_ + 1;
  baseCode_ = clearCode_ + 2;
  justCleared_ = false;
  accumulator_ = 0;
  bits_ = 0;
  colorCount_ = colorCount;
  width_ = width;
  pixels_ = pixels;
  rows_ = GIFRowOrder(height, interlaced);
  nextRow_ = 0;
  cursor_ = rowEnd_ = nullptr;
  TGIFWriter writer(s);
  writer_ = &writer;
  if (pixels && width >= 1 && height >= 1) CompressLoop();
  Output(eofCode_);
  writer.Flush();
  writer_ = nullptr;
  GIFWriteByte(s, 0);
}

bool TGIFEncoder::NextRow() {
  if (nextRow_ >= rows_.size()) return false;
  cursor_ = pixels_ + static_cast<size_t>(rows_[nextRow_++]) * static_cast<size_t>(width_);
  rowEnd_ = cursor_ + width_;
  return true;
}

void TGIFEncoder::BadPixel() { throw GIFException("Color not in color table"); }

void TGIFEncoder::Output(int code) {
  accumulator_ |= static_cast<uint64_t>(code) << bits_;
  bits_ += codeSize_;
  while (bits_ >= 8) {
    writer_->Put(static_cast<uint8_t>(accumulator_));
    accumulator_ >>= 8;
    bits_ -= 8;
  }
  if (code == eofCode_ && bits_ > 0) {
    writer_->Put(static_cast<uint8_t>(accumulator_));
    accumulator_ = 0;
    bits_ = 0;
  }
}

// ---- LZW ----

void TLZWEncoder::Output(int code) {
  TGIFEncoder::Output(code);
  if (nextFree_ > maxCode_ || justCleared_) {
    if (justCleared_) {
      codeSize_ = initCodeSize_;
      maxCode_ = (1 << codeSize_) - 1;
      justCleared_ = false;
    } else {
      ++codeSize_;
      maxCode_ = codeSize_ == 12 ? 4096 : (1 << codeSize_) - 1;
    }
  }
}

void TLZWEncoder::Clear() {
  justCleared_ = true;
  Output(clearCode_);
  std::memset(table_.get(), 0xFF, sizeof(uint32_t) * kHashSize);
  ResetRuns();
  nextFree_ = baseCode_;
}

// The table's slots: a key's first slot spreads keys by a multiplicative hash (the strings of a
// flat picture differ only in their prefix codes, which a shift-and-xor hash clusters); collisions
// step to the next slot.
static inline int FirstSlot(uint32_t key, int size) {
  return static_cast<int>((uint64_t{key * 0x9E3779B1u} * static_cast<uint64_t>(size)) >> 32);
}

inline int TLZWEncoder::Lookup(uint32_t key) const {
  int slot = FirstSlot(key, kHashSize);
  for (int probes = 0; probes < kHashSize; ++probes) {
    const uint32_t entry = table_[static_cast<size_t>(slot)];
    if (entry == kEmpty) return -1;
    if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
    if (++slot == kHashSize) slot = 0;
  }
  return -1;
}

inline void TLZWEncoder::Insert(uint32_t key, int code) {
  int slot = FirstSlot(key, kHashSize);
  for (int probes = 0; probes < kHashSize; ++probes) {
    uint32_t& entry = table_[static_cast<size_t>(slot)];
    if (entry == kEmpty) {
      entry = (key << 12) | static_cast<uint32_t>(code);
      return;
    }
    if (++slot == kHashSize) slot = 0;
  }
  // A full table cannot happen (at most 3838 of 8009 slots are used between clears); were it to,
  // the string would simply stay unknown to the encoder while the code is still counted below.
}

void TLZWEncoder::ResetRuns() {
  for (int c = 0; c < 256; ++c) {
    runCodes_[static_cast<size_t>(c)].assign(1, static_cast<uint16_t>(c));
    longestRun_[static_cast<size_t>(c)] = static_cast<uint16_t>(c);
  }
}

inline int TLZWEncoder::StartString(int pixel, const uint8_t*& p, const uint8_t* end) const {
  // Off flat areas the next two pixels seldom both repeat this one: one test, well predicted,
  // and the pixels go the ordinary way (which finds the same strings, one step at a time).
  if (end - p < 2 || ((p[0] ^ pixel) | (p[1] ^ pixel)) != 0) return pixel;
  const std::vector<uint16_t>& codes = runCodes_[static_cast<size_t>(pixel)];
  const uint8_t* stop = p + std::min(static_cast<size_t>(end - p), codes.size() - 1);
  const uint8_t* q = p;
  while (q != stop && *q == pixel) ++q;
  const int code = codes[static_cast<size_t>(q - p)];
  p = q;
  return code;
}

void TLZWEncoder::CompressLoop() {
  table_ = std::make_unique<uint32_t[]>(kHashSize);
  Clear();
  // Row by row with local cursors, which stay in registers.
  const uint8_t* p = nullptr;
  const uint8_t* end = nullptr;
  if (!NextRowSpan(p, end)) return;
  const int first = *p++;
  CheckPixel(first);
  int prefix = StartString(first, p, end);
  do {
    while (p != end) {
      const int pixel = *p++;
      CheckPixel(pixel);
      const uint32_t key = static_cast<uint32_t>(prefix) * 256 + static_cast<uint32_t>(pixel);
      const int found = Lookup(key);
      if (found >= 0) {
        prefix = found;
        continue;
      }
      Output(prefix);
      if (nextFree_ >= 4095) {
        Clear();
      } else {
        Insert(key, nextFree_);
        // A prefix made of this pixel alone that has no longer string is the longest such run.
        uint16_t& longest = longestRun_[static_cast<size_t>(pixel)];
        if (longest == prefix) {
          longest = static_cast<uint16_t>(nextFree_);
          runCodes_[static_cast<size_t>(pixel)].push_back(longest);
        }
        ++nextFree_;
      }
      prefix = StartString(pixel, p, end);
    }
  } while (NextRowSpan(p, end));
  Output(prefix);
  table_.reset();
}

// ---- run-length ----

void TRLEEncoder::Clear() {
  // The clear code goes out at the present code size; the decoder starts over after it.
  Output(clearCode_);
  codeSize_ = initCodeSize_;
  outBump_ = outBumpInit_;
  outClear_ = outClearInit_;
  outCount_ = 0;
  tableMax_ = 0;
  justCleared_ = true;
}

void TRLEEncoder::OutputPlain(int code) {
  justCleared_ = false;
  Output(code);
  ++outCount_;
  if (outCount_ >= outBump_) {
    ++codeSize_;
    outBump_ += 1 << (codeSize_ - 1);
  }
  if (outCount_ >= outClear_) Clear();
}

void TRLEEncoder::ResetOutClear() {
  outClear_ = outClearInit_;
  if (outCount_ >= outClear_) Clear();
}

int TRLEEncoder::TriangleCount(int count, int codes) const {
  int cost = 0;
  const int perRep = codes * (codes + 1) / 2;
  while (count >= perRep) {
    cost += codes;
    count -= perRep;
  }
  if (count > 0) {
    int k = static_cast<int>(std::sqrt(static_cast<double>(count)));
    while (k * (k + 1) >= 2 * count) --k;
    while (k * (k + 1) < 2 * count) ++k;
    cost += k;
  }
  return cost;
}

void TRLEEncoder::FlushFromClear(int count) {
  outClear_ = maxOutCodes_;
  tablePixel_ = runPixel_;
  int step = 1;
  while (count > 0) {
    if (step == 1) {
      tableMax_ = 1;
      OutputPlain(runPixel_);
      --count;
    } else if (count >= step) {
      tableMax_ = step;
      OutputPlain(baseCode_ + step - 2);
      count -= step;
    } else if (count == 1) {
      ++tableMax_;
      OutputPlain(runPixel_);
      count = 0;
    } else {
      ++tableMax_;
      OutputPlain(baseCode_ + count - 2);
      count = 0;
    }
    step = outCount_ == 0 ? 1 : step + 1;
  }
  ResetOutClear();
}

void TRLEEncoder::FlushClearOrRepeat(int count) {
  if (1 + TriangleCount(count, maxOutCodes_) < count) {
    Clear();
    FlushFromClear(count);
  } else {
    for (; count > 0; --count) OutputPlain(runPixel_);
  }
}

void TRLEEncoder::FlushWithTable(int count) {
  int repeats = count / tableMax_;
  int left = count % tableMax_;
  int extra = left ? 1 : 0;
  if (outCount_ + repeats + extra > maxOutCodes_) {
    repeats = maxOutCodes_ - outCount_;
    left = count - repeats * tableMax_;
    extra = 1 + TriangleCount(left, maxOutCodes_);
  }
  if (1 + TriangleCount(count, maxOutCodes_) < repeats + extra) {
    Clear();
    FlushFromClear(count);
    return;
  }
  outClear_ = maxOutCodes_;
  for (; repeats > 0; --repeats) OutputPlain(baseCode_ + tableMax_ - 2);
  if (left) {
    if (justCleared_) FlushFromClear(left);
    else if (left == 1) OutputPlain(runPixel_);
    else OutputPlain(baseCode_ + left - 2);
  }
  ResetOutClear();
}

void TRLEEncoder::Flush(int count) {
  if (count == 1) OutputPlain(runPixel_);
  else if (justCleared_) FlushFromClear(count);
  else if (tableMax_ < 2 || tablePixel_ != runPixel_) FlushClearOrRepeat(count);
  else FlushWithTable(count);
}

void TRLEEncoder::CompressLoop() {
  maxOutCodes_ = 4095 - baseCode_;
  outBumpInit_ = clearCode_ - 1;
  outClearInit_ = initCodeSize_ - 1 > 3 ? clearCode_ - 2 : 9;
  runPixel_ = -1;
  Clear();
  int count = 0;
  int pixel = 0;
  while (NextPixel(pixel)) {
    if (count > 0 && pixel != runPixel_) {
      Flush(count);
      count = 0;
    }
    if (pixel == runPixel_) {
      ++count;
    } else {
      runPixel_ = pixel;
      count = 1;
    }
  }
  if (count > 0) Flush(count);
}

}  // namespace olv
