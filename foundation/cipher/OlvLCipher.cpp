#include "foundation/cipher/OlvLCipher.h"

#include <cstring>

#include "foundation/cipher/CipherTables.h"

namespace olv {

namespace {

std::uint32_t F(const CipherContext& c, std::uint32_t x) {
  return ((c.S[0][x >> 24] + c.S[1][(x >> 16) & 0xFF]) ^ c.S[2][(x >> 8) & 0xFF]) + c.S[3][x & 0xFF];
}

void Transform(const CipherContext& c, std::uint32_t& l, std::uint32_t& r, bool encrypt) {
  const std::uint32_t lIn = l, rIn = r;
  if (encrypt) {
    l ^= c.P[0];
    for (int i = 1; i <= 15; i += 2) {
      r = F(c, lIn) ^ c.P[i] ^ r;
      l = F(c, rIn) ^ c.P[i + 1] ^ l;
    }
    r ^= c.P[17];
  } else {
    r ^= c.P[17];
    for (int i = 16; i >= 2; i -= 2) {
      l = F(c, rIn) ^ c.P[i] ^ l;
      r = F(c, lIn) ^ c.P[i - 1] ^ r;
    }
    l ^= c.P[0];
  }
}

}  // namespace

void CipherKeySchedule(const TCipherKey& key, CipherContext& context) {
  std::memcpy(context.P, kCipherInitP, sizeof context.P);
  std::memcpy(context.S, kCipherInitS, sizeof context.S);
  std::size_t k = 0;
  for (std::uint32_t& p : context.P) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i, k = (k + 1) % key.size()) word = word << 8 | key[k];
    p ^= word;
  }
  std::uint32_t l = 0, r = 0;
  for (int i = 0; i < 18; i += 2) {
    Transform(context, l, r, true);
    context.P[i] = l;
    context.P[i + 1] = r;
  }
  for (auto& box : context.S) {
    for (int i = 0; i < 256; i += 2) {
      Transform(context, l, r, true);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

void CipherBlock(const CipherContext& context, std::uint8_t block[8], bool encrypt) {
  std::uint32_t l = std::uint32_t(block[0]) | std::uint32_t(block[1]) << 8 |
                    std::uint32_t(block[2]) << 16 | std::uint32_t(block[3]) << 24;
  std::uint32_t r = std::uint32_t(block[4]) | std::uint32_t(block[5]) << 8 |
                    std::uint32_t(block[6]) << 16 | std::uint32_t(block[7]) << 24;
  Transform(context, l, r, encrypt);
  for (int i = 0; i < 4; ++i) {
    block[i] = std::uint8_t(l >> (8 * i));
    block[4 + i] = std::uint8_t(r >> (8 * i));
  }
}

}  // namespace olv
