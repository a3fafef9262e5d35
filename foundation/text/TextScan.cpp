#include "foundation/text/TextScan.h"

#include <limits>

#include "foundation/text/Utf8.h"

namespace olv {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

void TrimControl(std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 33) ++i;
  text.erase(0, i);
}

void AppendCode(std::string& out, std::int64_t code) {
  if (code >= 0 && code < 128) out += static_cast<char>(code);
  else if (code >= 128 && code <= 0x10FFFF) utf8::Append(out, static_cast<char32_t>(code));
  else utf8::Append(out, 0xFFFD);
}

}  // namespace

std::size_t NumberEnd(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  std::size_t p = pos;
  if (p < n && (CharAt(text, p) == '+' || CharAt(text, p) == '-')) ++p;
  bool hex = false;
  if (p < n && CharAt(text, p) == '$') {
    ++p;
    hex = true;
  } else if (p + 1 < n && CharAt(text, p) == '0' && (CharAt(text, p + 1) == 'x' || CharAt(text, p + 1) == 'X')) {
    // the "x" must not be the last character: a bare "0x" is the number 0 followed by an x
    p += 2;
    hex = true;
  }
  auto accepted = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
  if (p < 1 || p > n || !accepted(CharAt(text, p))) return pos;
  while (p <= n && accepted(CharAt(text, p))) ++p;
  return p;
}

std::size_t NumberEndEx(std::string_view text, std::size_t pos) {
  const std::size_t e = NumberEnd(text, pos);
  const char c = CharAt(text, e);
  if (c == '.' || c == 'E' || c == 'e') return NumberEnd(text, e + 1);
  return e;
}

std::size_t SkipQuote(std::string_view text, std::size_t pos) {
  if (pos < 1 || pos > text.size()) return pos;
  const std::size_t close = text.find(text[pos - 1], pos);
  return close == std::string_view::npos ? text.size() + 1 : close + 2;
}

std::size_t SkipLiteral(std::string_view text, std::size_t pos) {
  std::size_t p = pos;
  while (p >= 1 && p <= text.size()) {
    const char c = CharAt(text, p);
    if (IsQuote(c)) {
      p = SkipQuote(text, p);
    } else if (c == '#') {
      const std::size_t e = NumberEnd(text, p + 1);
      if (e == p + 1) break;
      p = e;
    } else if (c == '^' && IsIdentStart(CharAt(text, p + 1))) {
      p += 2;
    } else {
      break;
    }
  }
  return p;
}

std::size_t FindDelimiter(std::string_view text, std::string_view delimiter, std::size_t pos) {
  const std::size_t n = text.size();
  if (delimiter.empty()) return n + 1;
  std::size_t p = pos < 1 ? 1 : pos;
  while (p <= n) {
    if (IsQuote(text[p - 1])) {
      p = SkipLiteral(text, p);
      continue;
    }
    if (text.compare(p - 1, delimiter.size(), delimiter) == 0) return p;
    p += utf8::CharLen(text, p - 1);
  }
  return n + 1;
}

std::size_t MatchParen(std::string_view text, std::size_t pos, bool& balanced) {
  std::size_t p = pos < 1 ? 1 : pos;
  std::int64_t depth = 0;
  balanced = false;
  while (p <= text.size()) {
    const char c = text[p - 1];
    if (c == '(') ++depth;
    else if (c == ')') --depth;
    p = IsQuote(c) ? SkipLiteral(text, p) : p + utf8::CharLen(text, p - 1);
    if (depth < 0) break;  // a ")" with no "(" before it: nothing can balance any more
    if (depth == 0) {
      balanced = true;
      break;
    }
  }
  return p;
}

std::size_t ScanCharSet(std::string_view text, std::size_t pos, std::string_view firstSet,
                        std::string_view restSet) {
  const char c = CharAt(text, pos);
  if (c == '\0' || firstSet.find(c) == std::string_view::npos) return pos;
  std::size_t p = pos + 1;
  while (p <= text.size() && restSet.find(text[p - 1]) != std::string_view::npos) ++p;
  return p;
}

bool TryStrToInt(std::string_view text, std::int64_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  }
  if (i >= text.size()) return false;
  std::uint64_t v = 0;
  const std::uint64_t limit = hex ? std::numeric_limits<std::uint64_t>::max()
                                  : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (neg ? 1 : 0);
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned d;
    if (IsDigit(c)) d = static_cast<unsigned>(c - '0');
    else if (hex && IsHexDigit(c)) d = static_cast<unsigned>(utf8::AsciiUpper(c) - 'A' + 10);
    else return false;
    const unsigned base = hex ? 16 : 10;
    if (v > (limit - d) / base) return false;
    v = v * base + d;
  }
  // "$FFFFFFFFFFFFFFFF" is -1, as hexadecimal texts spell bit patterns
  value = neg ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  return true;
}

std::int64_t ParseCharCode(std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text[0]) < 33) TrimControl(text);
  const std::size_t e = NumberEnd(text, 1);
  std::int64_t v = 0;
  if (!TryStrToInt(std::string_view(text).substr(0, e - 1), v)) v = 0;
  text.erase(0, e - 1);
  return v;
}

std::string ParseQuotedText(std::string& text) {
  std::string out;
  if (text.empty()) return out;
  const char q = text[0];
  std::size_t i = 1;
  while (i < text.size()) {
    if (text[i] == q) {
      if (i + 1 < text.size() && text[i + 1] == q) {
        out += q;
        i += 2;
        continue;
      }
      text.erase(0, i + 1);
      return out;
    }
    out += text[i++];
  }
  text.clear();
  return out;
}

std::string ParseStringLiteral(std::string& text) {
  std::string out;
  for (;;) {
    TrimControl(text);
    while (!text.empty()) {
      const char c = text[0];
      if (IsQuote(c)) {
        out += ParseQuotedText(text);
      } else if (c == '#') {
        text.erase(0, 1);
        AppendCode(out, ParseCharCode(text));
      } else if (c == '^' && text.size() >= 2 && static_cast<unsigned char>(text[1]) < 128) {
        AppendCode(out, (static_cast<unsigned char>(utf8::AsciiUpper(text[1])) - 64) & 0xFF);
        text.erase(0, 2);
      } else {
        break;
      }
    }
    TrimControl(text);
    if (text.empty()) break;
    const char c = text[0];
    if (c == '+') {
      text.erase(0, 1);
      continue;
    }
    if (c == '^' || IsQuote(c) || c == '#') break;
    text.erase(0, utf8::CharLen(text, 0));
    break;
  }
  return out;
}

}  // namespace olv
