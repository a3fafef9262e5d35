#pragma once
// The 32-bit little-endian words of skin packages and pictures. The caller has checked that four
// bytes are there.
#include <cstdint>

namespace skin {

inline uint32_t ReadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace skin
