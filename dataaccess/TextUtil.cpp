#include "dataaccess/TextUtil.h"

#include <cstdint>

namespace da {

namespace {

using olv::utf8::IsContinuation;

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Decodes one character at text[i]; advances i. Returns U+FFFD for a malformed sequence,
// consuming only its first byte so that the next character is not swallowed.
char32_t DecodeOne(std::string_view text, std::size_t& i) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  std::size_t n = Utf8SequenceLength(lead);
  if (n == 1) {
    ++i;
    return lead < 0x80 ? lead : 0xFFFD;
  }
  if (i + n > text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = lead & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    unsigned char c = static_cast<unsigned char>(text[i + k]);
    if (!IsContinuation(c)) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += n;
  return cp;
}


}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = DecodeOne(text, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    olv::utf8::Append(out, c);
  }
  return out;
}

std::string TrimText(std::string_view text) {
  std::size_t a = 0, b = text.size();
  while (a < b && static_cast<unsigned char>(text[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(text[b - 1]) <= ' ') --b;
  return std::string(text.substr(a, b - a));
}

}  // namespace da
