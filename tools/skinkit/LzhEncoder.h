#pragma once
// The packer's side of the skin package's compression: LZSS matches found in a binary search tree
// over the 4,096-byte ring, coded with the adaptive Huffman tree that the decoder updates the same
// way. A build and test tool only; the program never writes a package. Pure function, any thread.
#include <cstdint>
#include <span>
#include <vector>

namespace skinkit {

// The bit stream of data alone (no size in front). It decodes to exactly data.size() bytes; the
// last partial byte is padded with zero bits.
std::vector<uint8_t> LzhEncodeStream(std::span<const uint8_t> data);

// A compressed package: the 32-bit little-endian size of data, then its bit stream.
std::vector<uint8_t> LzhEncode(std::span<const uint8_t> data);

}  // namespace skinkit
