#pragma once
// The decoder of the skin package's compression (LZSS with adaptive Huffman coding). A compressed
// package is a 32-bit little-endian unpacked size followed by the bit stream. Decoding is a pure
// function of the bytes: no state survives a call, any thread may call it.
//
// Unlike the original decoder, which read zeros past the end of its input and "succeeded" with
// whatever came out, a stream that runs out of bits before the stated size is produced is an
// error, and a stated size that no input of this length could produce is refused before any
// memory is taken for it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/base/Exception.h"

namespace skin {

class ElzhException : public olv::Exception {
 public:
  using olv::Exception::Exception;
};

class TLZH {
 public:
  // The largest unpacked size accepted; no skin comes near it.
  static constexpr uint64_t kMaxUnpacked = 64u << 20;
  // Every symbol takes at least one bit and a match of 60 bytes at least ten (one for the length
  // symbol, nine for its position): no bit stream yields more than 48 bytes per byte, plus the
  // last match that may run past the end.
  static constexpr uint64_t kMaxRatio = 48;
  static constexpr uint64_t kMaxOverrun = 60;

  // Whether a bit stream of streamBytes could unpack to size bytes at all.
  static bool PlausibleSize(uint64_t size, uint64_t streamBytes);

  // Decodes a compressed package: exactly its stated size of bytes. A last match that runs past
  // the stated size is decoded whole, but only the stated bytes are returned.
  // Throws ElzhException for a size refused by PlausibleSize or a stream that runs out of bits.
  static std::vector<uint8_t> Decode(std::span<const uint8_t> package);
  // The same for a bare bit stream and its unpacked size.
  static std::vector<uint8_t> DecodeStream(std::span<const uint8_t> stream, uint64_t size);
};

}  // namespace skin
