#pragma once
// The two encoders of a frame's pixels: TLZWEncoder (the dictionary coder, strings found through
// an 8009-slot open-addressing hash table, a clear code when the next free code reaches 4095) and
// TRLEEncoder (a valid LZW code stream made of runs only: faster, larger except for flat
// pictures). Both write the minimum code size byte, the codes packed least significant bit first
// in sub-blocks of at most 255 bytes, and the 0 terminator.
//
// An encoder object encodes one frame at a time; it owns nothing but its working state.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/streams/Stream.h"

namespace olv {

// Buffers data into sub-blocks of 255 bytes on the destination stream; Flush writes what is left
// as a last, shorter sub-block (the terminator is the caller's).
class TGIFWriter {
 public:
  explicit TGIFWriter(TStream& s) : stream_(s) {}
  void Put(uint8_t b) {
    buffer_[count_++] = b;
    if (count_ == 256) FlushFull();
  }
  void Flush();

 private:
  void FlushFull();
  TStream& stream_;
  uint8_t buffer_[256];
  int count_ = 1;  // buffer_[0] is the count byte
};

class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;
  // pixels: width x height bytes, rows top to bottom; each must be below colorCount ("Color not in
  // color table"). Written in interlaced row order when interlaced is set.
  void Compress(TStream& s, int bitsPerPixel, int colorCount, const uint8_t* pixels, bool interlaced, int height,
                int width);

 protected:
  virtual void Output(int code);
  virtual void Clear() = 0;
  virtual void CompressLoop() = 0;
  // The next pixel in coding order; false after the last.
  bool NextPixel(int& pixel) {
    if (cursor_ == rowEnd_ && !NextRow()) return false;
    pixel = *cursor_++;
    CheckPixel(pixel);
    return true;
  }
  // The next whole row in coding order, for loops that keep their cursor in a register; false
  // after the last. Not to be mixed with NextPixel.
  bool NextRowSpan(const uint8_t*& begin, const uint8_t*& end) {
    if (!NextRow()) return false;
    begin = cursor_;
    end = rowEnd_;
    cursor_ = rowEnd_;
    return true;
  }
  void CheckPixel(int pixel) const {
    if (pixel >= colorCount_) BadPixel();
  }

  int initCodeSize_ = 0, codeSize_ = 0, maxCode_ = 0;
  int clearCode_ = 0, eofCode_ = 0, baseCode_ = 0;
  bool justCleared_ = false;

 private:
  bool NextRow();
  [[noreturn]] static void BadPixel();
  TGIFWriter* writer_ = nullptr;
  uint64_t accumulator_ = 0;
  int bits_ = 0;
  int colorCount_ = 0;
  int width_ = 0;
  const uint8_t* pixels_ = nullptr;
  const uint8_t* cursor_ = nullptr;
  const uint8_t* rowEnd_ = nullptr;
  std::vector<int> rows_;
  size_t nextRow_ = 0;
};

class TLZWEncoder final : public TGIFEncoder {
 protected:
  void Output(int code) override;
  void Clear() override;
  void CompressLoop() override;

 private:
  static constexpr int kHashSize = 8009;
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  int Lookup(uint32_t key) const;
  void Insert(uint32_t key, int code);
  std::unique_ptr<uint32_t[]> table_;
  // runCodes_[pixel]: the codes of the strings pixel repeated 1, 2, ... times, as far as the table
  // has them (it holds every shorter run of a run it holds). Flat areas are made of such runs,
  // and a new string followed by n repeats of its pixel is one look-up instead of n steps.
  void ResetRuns();
  // The code of the longest known run of pixel (already taken from p) that the pixels from p
  // continue; p moves past the pixels it covers.
  int StartString(int pixel, const uint8_t*& p, const uint8_t* end) const;
  std::array<std::vector<uint16_t>, 256> runCodes_;
  // The last of each runCodes_, apart: the test on every new string then stays in one cache line
  // or two instead of touching 256 separate vectors.
  std::array<uint16_t, 256> longestRun_{};
  int nextFree_ = 0;
};

class TRLEEncoder final : public TGIFEncoder {
 protected:
  void Clear() override;
  void CompressLoop() override;

 private:
  void OutputPlain(int code);
  void ResetOutClear();
  void Flush(int count);
  void FlushFromClear(int count);
  void FlushClearOrRepeat(int count);
  void FlushWithTable(int count);
  int TriangleCount(int count, int codes) const;

  int maxOutCodes_ = 0, outBump_ = 0, outBumpInit_ = 0, outClear_ = 0, outClearInit_ = 0, outCount_ = 0;
  int tableMax_ = 0, tablePixel_ = 0, runPixel_ = -1;
};

}  // namespace olv
