#include "skin/Lzh.h"

#include <algorithm>
#include <array>
#include <string>

#include "skin/LittleEndian.h"
#include "skin/LzhTree.h"

namespace skin {

using namespace lzh;

namespace {

// Bits most significant first; past the end of the input it reads zeros, as the original did, but
// counts what was taken so the caller can tell a stream that ran dry.
class BitInput {
 public:
  explicit BitInput(std::span<const uint8_t> in)
      : p_(in.data()), end_(in.data() + in.size()), available_(uint64_t{in.size()} * 8) {}

  int Bit() {
    if (count_ == 0) Refill();
    const int b = static_cast<int>(buf_ >> 63);
    buf_ <<= 1;
    --count_;
    ++taken_;
    return b;
  }
  int Byte() {
    if (count_ < 8) Refill();
    const int b = static_cast<int>(buf_ >> 56);
    buf_ <<= 8;
    count_ -= 8;
    taken_ += 8;
    return b;
  }
  bool RanDry() const { return taken_ > available_; }

 private:
  void Refill() {
    while (count_ <= 56) {
      const uint64_t byte = p_ < end_ ? *p_++ : 0;
      buf_ |= byte << (56 - count_);
      count_ += 8;
    }
  }

  const uint8_t* p_;
  const uint8_t* end_;
  uint64_t buf_ = 0;
  int count_ = 0;
  uint64_t taken_ = 0;
  uint64_t available_;
};

int DecodeChar(TLzhTree& tree, BitInput& in) {
  int c = tree.Son(R);
  while (c < T) c = tree.Son(c + in.Bit());
  c -= T;
  tree.Update(c);
  return c;
}

int DecodePosition(BitInput& in) {
  int b = in.Byte();
  const int upper = d_code[b] << 6;
  for (int j = d_len[b] - 2; j > 0; --j) b = (b << 1) + in.Bit();
  return upper | (b & 0x3F);
}

}  // namespace

bool TLZH::PlausibleSize(uint64_t size, uint64_t streamBytes) {
  return size <= kMaxUnpacked && size <= streamBytes * kMaxRatio + kMaxOverrun;
}

std::vector<uint8_t> TLZH::Decode(std::span<const uint8_t> package) {
  if (package.size() < 4) throw ElzhException("LZH : the package has no unpacked size");
  return DecodeStream(package.subspan(4), ReadLE32(package.data()));
}

std::vector<uint8_t> TLZH::DecodeStream(std::span<const uint8_t> stream, uint64_t size) {
  if (!PlausibleSize(size, stream.size()))
    throw ElzhException("LZH : unpacked size " + std::to_string(size) + " is impossible for " +
                        std::to_string(stream.size()) + " bytes of input");
  // Room for a last match that runs past the stated size.
  std::vector<uint8_t> out(static_cast<std::size_t>(size) + F);
  uint8_t* const first = out.data();
  uint8_t* dst = first;
  const uint8_t* const stop = first + size;

  std::array<uint8_t, N> ring{};
  ring.fill(0);
  std::fill(ring.begin(), ring.begin() + RING_FILL, uint8_t{' '});
  unsigned r = RING_FILL;

  TLzhTree tree;
  BitInput in(stream);
  while (dst < stop) {
    const int c = DecodeChar(tree, in);
    if (c < 256) {
      *dst++ = static_cast<uint8_t>(c);
      ring[r] = static_cast<uint8_t>(c);
      r = (r + 1) & (N - 1);
    } else {
      const unsigned from = (r - static_cast<unsigned>(DecodePosition(in)) - 1) & (N - 1);
      const int len = c - 255 + THRESHOLD;
      for (int k = 0; k < len; ++k) {
        const uint8_t b = ring[(from + static_cast<unsigned>(k)) & (N - 1)];
        *dst++ = b;
        ring[r] = b;
        r = (r + 1) & (N - 1);
      }
    }
    if (in.RanDry())
      throw ElzhException("LZH : the compressed stream ends after " +
                          std::to_string(dst - first) + " of " + std::to_string(size) + " bytes");
  }
  out.resize(static_cast<std::size_t>(size));
  return out;
}

}  // namespace skin
