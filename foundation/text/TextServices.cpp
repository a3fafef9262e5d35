#include "foundation/text/TextServices.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "foundation/text/Format.h"
#include "foundation/base/SysErrors.h"
#include "foundation/text/TextScan.h"
#include "foundation/text/Utf8.h"

namespace olv {
namespace {

bool IsBlank(char c) { return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the valid floating number at the start of s (after blanks): sign, digits, an optional
// point with digits, an optional exponent. 0 when no digit stands there.
std::size_t FloatPrefix(std::string_view s, std::size_t& begin) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  begin = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

long double ConvertFloat(std::string_view s) {
  std::string t(s);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (!t.empty() && t.back() == '.') t.pop_back();
  // "-.5" and ".5" are valid here; from_chars wants a digit before the point
  const bool neg = !t.empty() && t[0] == '-';
  if (neg) t.erase(0, 1);
  if (!t.empty() && t[0] == '.') t.insert(0, "0");
  double v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // beyond double: infinity or zero, as the magnitude says
    const auto e = t.find_first_of("eE");
    const bool tiny = e != std::string::npos && e + 1 < t.size() && t[e + 1] == '-';
    v = tiny ? 0.0 : HUGE_VAL;
  }
  return neg ? -static_cast<long double>(v) : static_cast<long double>(v);
}

}  // namespace

std::string TrimLeftBlank(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return std::string(text.substr(i));
}

std::string TrimRightBlank(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return std::string(text.substr(0, n));
}

std::string RepeatChar(char ch, std::size_t count) { return std::string(count, ch); }
std::string Spaces(std::size_t count) { return std::string(count, ' '); }

std::size_t LastCharPos(char ch, std::string_view text) {
  const std::size_t p = text.rfind(ch);
  return p == std::string_view::npos ? 0 : p + 1;
}

void ReplaceAt(std::string& text, std::size_t pos, std::size_t count, std::string_view insert) {
  const std::size_t at = pos < 1 ? 0 : (pos - 1 > text.size() ? text.size() : pos - 1);
  text.replace(at, count, insert);
}

std::string ByteToHex(std::uint8_t b) {
  return {kHexDigits[b >> 4], kHexDigits[b & 15]};
}

std::string CapitalizeFirst(std::string_view text) {
  std::string s = utf8::AsciiLower(text);
  if (!s.empty()) s[0] = utf8::AsciiUpper(s[0]);
  return s;
}

bool IsCharStart(std::string_view text, std::size_t pos) {
  if (pos <= 1) return true;
  return utf8::IsCharBoundary(text, pos - 1);
}

std::string CopyWholeChars(std::string_view text, std::size_t start, std::size_t count) {
  std::size_t from = start < 1 ? 0 : start - 1;
  if (from >= text.size()) return {};
  const std::size_t back = utf8::CharStart(text, from);
  count += from - back;  // the bytes stepped back are part of the copy
  from = back;
  return std::string(utf8::CutWhole(text.substr(from), count));
}

std::int64_t StrToIntSigned(std::string_view text) {
  if (text.empty()) return 0;
  bool neg = false;
  std::string rest(text);
  if (rest[0] == '+' || rest[0] == '-') {
    neg = rest[0] == '-';
    rest.erase(0, 1);
  }
  std::int64_t v = 0;
  if (!TryStrToInt(rest, v)) {
    const std::string original = rest;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
      rest[0] = '$';
      rest[1] = '0';
      if (!TryStrToInt(rest, v)) throw EConvertError("'" + original + "' is not a valid integer value");
    } else {
      throw EConvertError("'" + original + "' is not a valid integer value");
    }
  }
  return neg ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(v)) : v;
}

long double StrToFloatPrefix(std::string_view text) {
  std::size_t begin = 0;
  const std::size_t end = FloatPrefix(text, begin);
  if (end == 0) return 0;
  return ConvertFloat(text.substr(begin, end - begin));
}

bool TryStrToFloat(std::string_view text, long double& value) {
  std::size_t begin = 0;
  const std::size_t end = FloatPrefix(text, begin);
  std::size_t tail = end;
  while (tail < text.size() && text[tail] == ' ') ++tail;
  if (end == 0 || tail != text.size()) return false;
  value = ConvertFloat(text.substr(begin, end - begin));
  return true;
}

std::string FloatToFixed(int width, int decimals, long double value) {
  std::string s = FloatToStrF(value, FloatStyle::Fixed, 15, decimals < 0 ? 0 : decimals);
  if (width > 0 && s.size() < static_cast<std::size_t>(width))
    s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

long double RoundToDigits(int digits, long double value) {
  const long double factor = std::pow(10.0L, static_cast<long double>(digits < 0 ? -digits : digits));
  if (digits >= 0) return std::nearbyint(value * factor) / factor;
  return std::nearbyint(value / factor) * factor;
}

std::size_t PCharLen(const char* p) { return p ? std::strlen(p) : 0; }
std::string PCharCopy(const char* p) { return p ? std::string(p) : std::string(); }

std::string ConcatToPChar(const std::vector<std::string>& strings) {
  std::string out;
  for (const auto& s : strings) out += s;
  return out;
}

}  // namespace olv
