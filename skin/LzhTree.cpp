#include "skin/LzhTree.h"

#include <algorithm>

namespace skin {

namespace lzh {
namespace {

// The tables follow from runs of equal values: d_len by ranges of the byte, d_code by how many
// bytes share each upper position value.
constexpr std::array<uint8_t, 256> MakeLen() {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b)
    t[b] = b < 32 ? 3 : b < 80 ? 4 : b < 144 ? 5 : b < 192 ? 6 : b < 240 ? 7 : 8;
  return t;
}

constexpr std::array<uint8_t, 256> MakeCode() {
  struct Run { int values, bytesEach; };
  constexpr Run runs[] = {{1, 32}, {3, 16}, {8, 8}, {12, 4}, {24, 2}, {16, 1}};
  std::array<uint8_t, 256> t{};
  int b = 0, code = 0;
  for (const Run& run : runs)
    for (int v = 0; v < run.values; ++v, ++code)
      for (int k = 0; k < run.bytesEach; ++k) t[b++] = static_cast<uint8_t>(code);
  return t;
}

}  // namespace

const std::array<uint8_t, 256> d_code = MakeCode();
const std::array<uint8_t, 256> d_len = MakeLen();

}  // namespace lzh

using namespace lzh;

void TLzhTree::Start() {
  for (int i = 0; i < N_CHAR; ++i) {
    freq_[i] = 1;
    son_[i] = static_cast<uint16_t>(i + T);
    prnt_[i + T] = static_cast<uint16_t>(i);
  }
  for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
    freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    son_[j] = static_cast<uint16_t>(i);
    prnt_[i] = prnt_[i + 1] = static_cast<uint16_t>(j);
  }
  freq_[T] = 0xFFFF;
  prnt_[R] = 0;
}

void TLzhTree::Rebuild() {
  // Keep the leaves, halving their counts (rounded up).
  int j = 0;
  for (int i = 0; i < T; ++i) {
    if (son_[i] >= T) {
      freq_[j] = static_cast<uint16_t>((freq_[i] + 1u) / 2u);
      son_[j] = son_[i];
      ++j;
    }
  }
  // Join pairs from the left; each new node goes after the last node not heavier than it.
  for (int i = 0, n = N_CHAR; n < T; i += 2, ++n) {
    const uint16_t f = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    int k = n - 1;
    while (f < freq_[k]) --k;
    ++k;
    std::copy_backward(freq_.begin() + k, freq_.begin() + n, freq_.begin() + n + 1);
    freq_[k] = f;
    std::copy_backward(son_.begin() + k, son_.begin() + n, son_.begin() + n + 1);
    son_[k] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < T; ++i) {
    const int k = son_[i];
    if (k >= T)
      prnt_[k] = static_cast<uint16_t>(i);
    else
      prnt_[k] = prnt_[k + 1] = static_cast<uint16_t>(i);
  }
}

void TLzhTree::Update(int c) {
  if (freq_[R] == MAX_FREQ) Rebuild();
  int node = prnt_[c + T];
  do {
    const uint16_t k = ++freq_[node];
    // Out of order: swap with the last node still lighter than the new count. The sentinel at
    // [T] stops the search.
    if (k > freq_[node + 1]) {
      int l = node + 1;
      while (k > freq_[++l]) {
      }
      --l;
      freq_[node] = freq_[l];
      freq_[l] = k;

      const int i = son_[node];
      prnt_[i] = static_cast<uint16_t>(l);
      if (i < T) prnt_[i + 1] = static_cast<uint16_t>(l);
      const int j = son_[l];
      son_[l] = static_cast<uint16_t>(i);
      prnt_[j] = static_cast<uint16_t>(node);
      if (j < T) prnt_[j + 1] = static_cast<uint16_t>(node);
      son_[node] = static_cast<uint16_t>(j);
      node = l;
    }
    node = prnt_[node];
  } while (node != 0);
}

}  // namespace skin
