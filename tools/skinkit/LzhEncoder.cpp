#include "tools/skinkit/LzhEncoder.h"

#include <array>
#include <memory>

#include "skin/LzhTree.h"

namespace skinkit {

using namespace skin::lzh;

namespace {

class BitOutput {
 public:
  explicit BitOutput(std::vector<uint8_t>& out) : out_(out) {}
  void Bit(unsigned b) {
    acc_ = static_cast<uint8_t>(acc_ << 1 | (b & 1));
    if (++count_ == 8) {
      out_.push_back(acc_);
      acc_ = 0;
      count_ = 0;
    }
  }
  // The top n bits of a value of `width` bits, most significant first.
  void Bits(unsigned value, int n, int width) {
    for (int i = 0; i < n; ++i) Bit(value >> (width - 1 - i));
  }
  void Flush() {
    if (count_) out_.push_back(static_cast<uint8_t>(acc_ << (8 - count_)));
    acc_ = 0;
    count_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint8_t acc_ = 0;
  int count_ = 0;
};

// The encoding side of the decoder's position tables: for each upper six bits of a position, the
// first byte that decodes to them gives the code (its top d_len bits) and its length.
struct PositionCodes {
  std::array<uint8_t, 64> code{}, len{};
  PositionCodes() {
    std::array<bool, 64> seen{};
    for (int b = 0; b < 256; ++b) {
      const int u = d_code[b];
      if (!seen[u]) {
        seen[u] = true;
        code[u] = static_cast<uint8_t>(b);
        len[u] = d_len[b];
      }
    }
  }
};

// Longest-match search over the ring with a binary tree per first byte, as LZSS packers do.
class MatchFinder {
 public:
  static constexpr int NIL = N;

  MatchFinder() {
    for (int i = N + 1; i <= N + 256; ++i) rson_[i] = NIL;
    for (int i = 0; i < N; ++i) dad_[i] = NIL;
  }
  std::array<uint8_t, N + F - 1>& Text() { return text_; }
  int MatchLength() const { return matchLength_; }
  int MatchPosition() const { return matchPosition_; }

  void Insert(int r) {
    int cmp = 1;
    const uint8_t* key = &text_[r];
    int p = N + 1 + key[0];
    rson_[r] = lson_[r] = NIL;
    matchLength_ = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson_[p] != NIL) {
          p = rson_[p];
        } else {
          rson_[p] = r;
          dad_[r] = p;
          return;
        }
      } else {
        if (lson_[p] != NIL) {
          p = lson_[p];
        } else {
          lson_[p] = r;
          dad_[r] = p;
          return;
        }
      }
      int i = 1;
      for (; i < F; ++i)
        if ((cmp = key[i] - text_[p + i]) != 0) break;
      if (i > THRESHOLD) {
        const int position = ((r - p) & (N - 1)) - 1;
        if (i > matchLength_) {
          matchPosition_ = position;
          if ((matchLength_ = i) >= F) break;
        } else if (i == matchLength_ && position < matchPosition_) {
          matchPosition_ = position;
        }
      }
    }
    // A full-length match: r takes p's place in the tree.
    dad_[r] = dad_[p];
    lson_[r] = lson_[p];
    rson_[r] = rson_[p];
    dad_[lson_[p]] = r;
    dad_[rson_[p]] = r;
    if (rson_[dad_[p]] == p)
      rson_[dad_[p]] = r;
    else
      lson_[dad_[p]] = r;
    dad_[p] = NIL;
  }

  void Delete(int p) {
    if (dad_[p] == NIL) return;
    int q;
    if (rson_[p] == NIL) {
      q = lson_[p];
    } else if (lson_[p] == NIL) {
      q = rson_[p];
    } else {
      q = lson_[p];
      if (rson_[q] != NIL) {
        do q = rson_[q];
        while (rson_[q] != NIL);
        rson_[dad_[q]] = lson_[q];
        dad_[lson_[q]] = dad_[q];
        lson_[q] = lson_[p];
        dad_[lson_[p]] = q;
      }
      rson_[q] = rson_[p];
      dad_[rson_[p]] = q;
    }
    dad_[q] = dad_[p];
    if (rson_[dad_[p]] == p)
      rson_[dad_[p]] = q;
    else
      lson_[dad_[p]] = q;
    dad_[p] = NIL;
  }

 private:
  std::array<uint8_t, N + F - 1> text_{};
  std::array<int, N + 1> lson_{};
  std::array<int, N + 257> rson_{};
  std::array<int, N + 1> dad_{};
  int matchPosition_ = 0;
  int matchLength_ = 0;
};

class Encoder {
 public:
  explicit Encoder(std::vector<uint8_t>& out) : bits_(out) {}

  void Char(int c) {
    // The path from the leaf up, then written from the root down: codes may be longer than 16 bits.
    int path[T];
    int depth = 0;
    for (int node = tree_.Parent(c + T); node != R; node = tree_.Parent(node))
      path[depth++] = node - tree_.Son(tree_.Parent(node));
    while (depth > 0) bits_.Bit(static_cast<unsigned>(path[--depth]));
    tree_.Update(c);
  }
  void Position(int p) {
    const int upper = p >> 6;
    bits_.Bits(codes_.code[upper], codes_.len[upper], 8);
    bits_.Bits(static_cast<unsigned>(p & 0x3F), 6, 6);
  }
  void Flush() { bits_.Flush(); }

 private:
  BitOutput bits_;
  skin::TLzhTree tree_;
  PositionCodes codes_;
};

}  // namespace

std::vector<uint8_t> LzhEncodeStream(std::span<const uint8_t> data) {
  std::vector<uint8_t> out;
  Encoder enc(out);
  auto finder = std::make_unique<MatchFinder>();
  auto& text = finder->Text();

  std::size_t next = 0;
  int s = 0, r = RING_FILL;
  std::fill(text.begin(), text.begin() + r, uint8_t{' '});
  int len = 0;
  for (; len < F && next < data.size(); ++len) text[r + len] = data[next++];
  for (int i = 1; i <= F; ++i) finder->Insert(r - i);
  finder->Insert(r);

  while (len > 0) {
    int matchLength = std::min(finder->MatchLength(), len);
    if (matchLength <= THRESHOLD) {
      matchLength = 1;
      enc.Char(text[r]);
    } else {
      enc.Char(255 - THRESHOLD + matchLength);
      enc.Position(finder->MatchPosition());
    }
    int i = 0;
    for (; i < matchLength && next < data.size(); ++i) {
      const uint8_t c = data[next++];
      finder->Delete(s);
      text[s] = c;
      if (s < F - 1) text[s + N] = c;
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      finder->Insert(r);
    }
    for (; i < matchLength; ++i) {
      finder->Delete(s);
      s = (s + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      if (--len) finder->Insert(r);
    }
  }
  enc.Flush();
  return out;
}

std::vector<uint8_t> LzhEncode(std::span<const uint8_t> data) {
  const auto size = static_cast<uint32_t>(data.size());
  std::vector<uint8_t> out{static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                           static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  const std::vector<uint8_t> stream = LzhEncodeStream(data);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

}  // namespace skinkit
