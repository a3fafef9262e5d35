#pragma once
// The 8-byte block transform of the text cipher and its key schedule. Every round function
// is computed from the halves as they were on entry, so the substitution boxes cancel out and
// the transform is its own inverse; stored passwords were enciphered exactly so, and the
// behaviour is kept bit for bit. The context is a plain value owned by the caller.
#include <cstdint>

#include "foundation/cipher/OlvLProc.h"

namespace olv {

struct CipherContext {
  std::uint32_t P[18];
  std::uint32_t S[4][256];
};

void CipherKeySchedule(const TCipherKey& key, CipherContext& context);
// L is bytes 0-3, R bytes 4-7 of the block, both little-endian.
void CipherBlock(const CipherContext& context, std::uint8_t block[8], bool encrypt);

}  // namespace olv
