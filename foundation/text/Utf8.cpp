#include "foundation/text/Utf8.h"

namespace olv::utf8 {

std::size_t CharLen(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  const auto b = static_cast<unsigned char>(text[pos]);
  std::size_t want = 1;
  if (b >= 0xF0 && b <= 0xF4) want = 4;
  else if (b >= 0xE0) want = b <= 0xEF ? 3 : 1;
  else if (b >= 0xC2) want = 2;
  // Only count the continuation bytes that are really there, so a truncated character is
  // taken byte by byte instead of swallowing the next one.
  std::size_t n = 1;
  while (n < want && pos + n < text.size() && IsContinuation(static_cast<unsigned char>(text[pos + n])))
    ++n;
  return n == want ? want : 1;
}

std::size_t CharStart(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return pos;
  std::size_t p = pos;
  while (p > 0 && pos - p < 3 && IsContinuation(static_cast<unsigned char>(text[p]))) --p;
  // Accept the found lead byte only when its character really spans pos.
  if (p != pos && p + CharLen(text, p) > pos) return p;
  return pos;
}

bool IsCharBoundary(std::string_view text, std::size_t pos) {
  return pos >= text.size() || CharStart(text, pos) == pos;
}

std::string_view CutWhole(std::string_view text, std::size_t maxBytes) {
  if (maxBytes >= text.size()) return text;
  return text.substr(0, CharStart(text, maxBytes));
}

std::size_t Length(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t p = 0; p < text.size(); p += CharLen(text, p)) ++n;
  return n;
}

std::size_t OffsetOfChar(std::string_view text, std::size_t index) {
  std::size_t p = 0;
  while (index > 0 && p < text.size()) {
    p += CharLen(text, p);
    --index;
  }
  return p;
}

void Append(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValid(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size()) {
    const auto b = static_cast<unsigned char>(text[p]);
    const std::size_t n = CharLen(text, p);
    if (n == 1 && b >= 0x80) return false;
    if (n == 3) {  // overlong forms and surrogates
      const auto b1 = static_cast<unsigned char>(text[p + 1]);
      if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0)) return false;
    } else if (n == 4) {
      const auto b1 = static_cast<unsigned char>(text[p + 1]);
      if ((b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 >= 0x90)) return false;
    }
    p += n;
  }
  return true;
}

std::string AsciiUpper(std::string_view text) {
  std::string r(text);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

std::string AsciiLower(std::string_view text) {
  std::string r(text);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
    const auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::size_t FindText(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
    if (SameText(hay.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

}  // namespace olv::utf8
