#include "foundation/text/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "foundation/base/Exception.h"

namespace olv {

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    // Plain ASCII runs are the common case; test eight bytes at a time.
    while (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if (w & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p >= end) break;
    const unsigned c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int need;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      need = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      need = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      need = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (end - p <= need) return false;
    for (int i = 1; i <= need; ++i) {
      const unsigned cc = p[i];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((need == 2 && cp < 0x800) || (need == 3 && cp < 0x10000)) return false;  // overlong
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;                              // surrogate
    if (cp > 0x10FFFF) return false;
    p += need + 1;
  }
  return true;
}

std::string GbkToUtf8(std::string_view gbk, bool* lossless) {
  if (lossless) *lossless = true;
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw Exception("GBK text conversion is not available on this system");
  }
  std::string out;
  out.resize(gbk.size() * 2 + 16);
  char* in = const_cast<char*>(gbk.data());
  size_t inLeft = gbk.size();
  size_t outPos = 0;
  while (inLeft > 0) {
    char* op = out.data() + outPos;
    size_t outLeft = out.size() - outPos;
    const size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    outPos = static_cast<size_t>(op - out.data());
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else {
      // EILSEQ or EINVAL (a lead byte cut off at the end): one byte becomes U+FFFD.
      if (lossless) *lossless = false;
      if (out.size() - outPos < 3) out.resize(out.size() * 2);
      std::memcpy(out.data() + outPos, "\xEF\xBF\xBD", 3);
      outPos += 3;
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  out.resize(outPos);
  return out;
}

std::string ToUtf8FromStored(std::string text) {
  if (IsValidUtf8(text)) return text;
  return GbkToUtf8(text);
}

}  // namespace olv
