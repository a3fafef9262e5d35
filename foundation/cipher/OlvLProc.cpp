#include "foundation/cipher/OlvLProc.h"

#include <algorithm>
#include <cstring>

#include "foundation/cipher/CipherTables.h"

namespace olv {

namespace {

std::uint32_t LoadLE(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void StoreLE(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}

const std::uint32_t kMixConstants[4] = {0x55555555u, 0xAAAAAAAAu, 0x33333333u, 0xCCCCCCCCu};
const std::uint8_t kDigestPad[8] = {1, 0, 0, 0, 0, 0, 0, 0};

// The digest starts from the first 256 bytes of the pi digits: the 18 P words and then the
// first 46 words of box 0, each most significant byte first.
std::array<std::uint8_t, 256> InitialDigest() {
  std::array<std::uint8_t, 256> bytes{};
  for (int i = 0; i < 64; ++i) {
    std::uint32_t w = i < 18 ? kCipherInitP[i] : kCipherInitS[0][i - 18];
    bytes[i * 4 + 0] = std::uint8_t(w >> 24);
    bytes[i * 4 + 1] = std::uint8_t(w >> 16);
    bytes[i * 4 + 2] = std::uint8_t(w >> 8);
    bytes[i * 4 + 3] = std::uint8_t(w);
  }
  return bytes;
}

void MixDigestKey(PiDigest& ctx) {
  std::uint8_t* k = ctx.Key.data();
  std::uint32_t a = LoadLE(k + 12), b = LoadLE(k + 8), c = LoadLE(k + 4), d = LoadLE(k);
  for (int i = 0; i < 4; ++i) MixWords(a, b, c, d);
  StoreLE(k, a);
  StoreLE(k + 4, b);
  StoreLE(k + 8, c);
  StoreLE(k + 12, d);
}

}  // namespace

void MixWords(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
  a += d; d += a; a ^= a >> 7;
  b += a; a += b; b ^= b << 13;
  c += b; b += c; c ^= c >> 17;
  d += c; c += d; d ^= d << 9;
  a += d; d += a; a ^= a >> 3;
  b += a; a += b; b ^= b << 7;
  c += b; b += c; c ^= d >> 15;  // the shifted word is d: stored keys depend on it
  d += c; c += d; d ^= d << 11;
}

void PiDigestInit(PiDigest& context) {
  static const std::array<std::uint8_t, 256> initial = InitialDigest();
  context.DigestIndex = 0;
  context.Digest = initial;
  context.KeyIndex = 0;
  context.Key.fill(0x55);
}

void PiDigestUpdate(PiDigest& context, const void* buffer, std::size_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = in[i];
    context.Digest[context.DigestIndex] ^= b;
    context.DigestIndex = (context.DigestIndex + 1) & 0xFF;
    context.Key[context.KeyIndex] ^= b;
    if (++context.KeyIndex == 8) {
      MixDigestKey(context);
      context.KeyIndex = 0;
    }
  }
}

void PiDigestFinal(PiDigest& context, void* digest, int size) {
  PiDigestUpdate(context, kDigestPad, 8 - context.KeyIndex);
  MixCipher mix;
  MixCipherInit(context.Key, mix, 8, true);
  for (int block = 0; block < 16; ++block) MixCipherEncryptBlock(mix, context.Digest.data() + block * 16);
  if (size > 0) std::memcpy(digest, context.Digest.data(), std::size_t(std::min(256, size)));
}

void PiDigestBuffer(void* digest, int size, const void* buffer, std::size_t count) {
  PiDigest context;
  PiDigestInit(context);
  PiDigestUpdate(context, buffer, count);
  PiDigestFinal(context, digest, size);
}

void MakeTextKey(void* key, int size, std::string_view text) {
  PiDigestBuffer(key, size, text.data(), text.size());
}

TCipherKey MakeTextKey(std::string_view text) {
  TCipherKey key{};
  MakeTextKey(key.data(), int(key.size()), text);
  return key;
}

void MixCipherInit(const TCipherKey& key, MixCipher& context, int rounds, bool encrypt) {
  context.Rounds = std::uint32_t(std::clamp(rounds, 4, 16));
  context.Encrypt = encrypt ? 1 : 0;
  const std::uint32_t k0 = LoadLE(&key[0]), k1 = LoadLE(&key[4]), k2 = LoadLE(&key[8]),
                      k3 = LoadLE(&key[12]);
  int pair = 0;
  for (std::uint32_t s : kMixConstants) {
    std::uint32_t a = k0, b = s, c = k1, d = s, e = k2, f = s, g = k3, h = s;
    for (int i = 0; i < 8; ++i) {
      a ^= b << 11; d += a; b += c;
      b ^= c >> 2; e += b; c += d;
      c ^= d << 8; f += c; d += e;
      d ^= e >> 16; g += d; e += f;
      e ^= f << 10; h += e; f += g;
      f ^= g >> 4; a += f; g += h;
      g ^= h << 8; b += g; h += a;
      h ^= a >> 9; c += h; a += b;
    }
    const std::uint32_t out[8] = {a, b, c, d, e, f, g, h};
    for (int i = 0; i < 4; ++i, ++pair) {
      context.SubKeys[pair][0] = out[i * 2];
      context.SubKeys[pair][1] = out[i * 2 + 1];
    }
  }
  if (!encrypt) {
    for (std::uint32_t i = 0, j = context.Rounds - 1; i < j; ++i, --j) {
      std::swap(context.SubKeys[i][0], context.SubKeys[j][0]);
      std::swap(context.SubKeys[i][1], context.SubKeys[j][1]);
    }
  }
}

void MixCipherEncryptBlock(const MixCipher& context, std::uint8_t block[16]) {
  std::uint32_t x0 = LoadLE(block), x1 = LoadLE(block + 4);
  std::uint32_t y0 = LoadLE(block + 8), y1 = LoadLE(block + 12);
  for (std::uint32_t r = 0; r < context.Rounds; ++r) {
    std::uint32_t a = x0, b = context.SubKeys[r][0], c = x1, d = context.SubKeys[r][1];
    MixWords(a, b, c, d);
    std::swap(a, c);
    std::swap(b, d);
    MixWords(a, b, c, d);
    const std::uint32_t t0 = b ^ a ^ y0, t1 = d ^ c ^ y1;
    y0 = x0;
    y1 = x1;
    x0 = t0;
    x1 = t1;
  }
  StoreLE(block, y0);
  StoreLE(block + 4, y1);
  StoreLE(block + 8, x0);
  StoreLE(block + 12, x1);
}

}  // namespace olv
