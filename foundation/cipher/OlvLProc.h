#pragma once
// The pi digest and the mixing cipher it finishes with. `MakeTextKey` turns a key text into
// the 16-byte key of the text cipher; stored scheme-file passwords depend on every bit of it.
// Contexts are plain values owned by the caller; the functions keep no state of their own,
// so any thread may call them on its own contexts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace olv {

using TCipherKey = std::array<std::uint8_t, 16>;

// The eight-step word mixer shared by the digest and the mixing cipher.
void MixWords(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d);

struct PiDigest {
  std::uint32_t DigestIndex = 0;  // 0..255
  std::array<std::uint8_t, 256> Digest{};
  std::uint32_t KeyIndex = 0;  // 0..7
  std::array<std::uint8_t, 16> Key{};
};

void PiDigestInit(PiDigest& context);
void PiDigestUpdate(PiDigest& context, const void* buffer, std::size_t count);
// Writes the first min(256, size) bytes of the digest (nothing for a size of 0 or less).
void PiDigestFinal(PiDigest& context, void* digest, int size);
void PiDigestBuffer(void* digest, int size, const void* buffer, std::size_t count);

// The digest of the bytes of `text` (no terminator); the first min(256, size) bytes are written.
void MakeTextKey(void* key, int size, std::string_view text);
TCipherKey MakeTextKey(std::string_view text);

struct MixCipher {
  std::uint8_t Encrypt = 1;
  std::uint32_t Rounds = 8;  // 4..16
  std::uint32_t SubKeys[16][2]{};
};

// Rounds are clamped to 4..16. With `encrypt` false the first Rounds subkey pairs are reversed.
void MixCipherInit(const TCipherKey& key, MixCipher& context, int rounds, bool encrypt);
void MixCipherEncryptBlock(const MixCipher& context, std::uint8_t block[16]);

}  // namespace olv
