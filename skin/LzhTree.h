#pragma once
// The adaptive Huffman tree and the position tables of the skin package's LZHUF coding (ring of
// 4,096 bytes, matches of 3 to 60 bytes, 314 symbols). The decoder walks the tree from the root
// down, the packer from a leaf up; both must update it identically after every symbol, so the one
// tree serves both. A tree is a plain value used by one thread at a time.
#include <array>
#include <cstdint>

namespace skin {

namespace lzh {
constexpr int N = 4096;          // ring size; positions are masked with N - 1
constexpr int F = 60;            // longest match
constexpr int THRESHOLD = 2;     // a match is longer than this
constexpr int N_CHAR = 256 - THRESHOLD + F;  // 314 symbols: 256 bytes, then match lengths 3..60
constexpr int T = 2 * N_CHAR - 1;            // 627 tree nodes
constexpr int R = T - 1;                     // the root
constexpr unsigned MAX_FREQ = 0x8000;        // the root's frequency that forces a rebuild
constexpr int RING_FILL = N - F;             // ring bytes preset to blanks; the first write index

// The position tables, indexed by the first byte of a coded position: the upper six bits of the
// position and the number of bits (3 to 8) that the byte stands for.
extern const std::array<uint8_t, 256> d_code;
extern const std::array<uint8_t, 256> d_len;
}  // namespace lzh

class TLzhTree {
 public:
  TLzhTree() { Start(); }

  // Every symbol a leaf of frequency 1, the inner nodes built pairwise from the left.
  void Start();
  // Counts one more occurrence of symbol c, keeping the frequencies sorted; halves them all first
  // when the root has reached MAX_FREQ.
  void Update(int c);

  // Children of node i are son[i] (bit 0) and son[i] + 1 (bit 1); a value of T or more is the
  // leaf of symbol value - T.
  uint16_t Son(int node) const { return son_[node]; }
  // The node holding a child or a leaf (leaves are addressed as symbol + T); the root's parent is 0.
  uint16_t Parent(int node) const { return prnt_[node]; }
  uint16_t Freq(int node) const { return freq_[node]; }

 private:
  void Rebuild();

  std::array<uint16_t, lzh::T + 1> freq_{};           // [T] is a 0xFFFF sentinel
  std::array<uint16_t, lzh::T + lzh::N_CHAR> prnt_{};
  std::array<uint16_t, lzh::T> son_{};
};

}  // namespace skin
