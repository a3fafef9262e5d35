#include "foundation/expr/OlvMoney.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace olv {
namespace {

// ---------------------------------------------------------------------------------------------
// Constant texts

struct StyleRow {
  const char* plus;
  const char* comma;
  const char* minus;
  const char* point;
  std::array<const char*, 10> digits;
};

constexpr std::array<StyleRow, 4> kStyles{{
    {"+", ",", "-", ".", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
    {"＋", "，", "－", "。", {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"}},
    {"正", "，", "负", "点", {"○", "一", "二", "三", "四", "五", "六", "七", "八", "九"}},
    {"正", "，", "负", "点", {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"}},
}};

// Indexed by unit number + 3 (units -3 .. 6).
constexpr std::array<const char*, 10> kUnitsPlain{"厘", "分", "角", "元", "十",
                                                  "百", "千", "万", "亿", "兆"};
constexpr std::array<const char*, 10> kUnitsCapital{"厘", "分", "角", "圆", "拾",
                                                    "佰", "仟", "万", "亿", "兆"};
constexpr const char* kZeroWord = "零";
constexpr const char* kDefaultClosing = "整";
constexpr const char* kDefaultCurrency = "￥";

const StyleRow& StyleOf(int style) { return kStyles[static_cast<size_t>(style)]; }

// Text of '+', ',', '-', '.' or a digit in a style; other characters are their own text.
std::string_view StyleText(int style, std::string_view c) {
  const StyleRow& row = StyleOf(style);
  if (c.size() == 1) {
    char ch = c[0];
    if (ch >= '0' && ch <= '9') return row.digits[static_cast<size_t>(ch - '0')];
    switch (ch) {
      case '+': return row.plus;
      case ',': return row.comma;
      case '-': return row.minus;
      case '.': return row.point;
      default: break;
    }
  }
  return c;
}

// Unit number of digit position p (p >= -3): -3..4 are themselves; above, the myriad units
// repeat every 16 positions (万 亿 万 兆) with 十 百 千 between them.
int UnitOf(int p) {
  if (p <= 4) return p;
  switch (p % 16) {
    case 0: return 6;
    case 4: return 4;
    case 8: return 5;
    case 12: return 4;
    default: return p % 4;
  }
}

// ---------------------------------------------------------------------------------------------
// UTF-8 characters: money texts are cut and padded by characters, never inside one.

size_t CharLen(std::string_view s, size_t i) {
  auto b = static_cast<unsigned char>(s[i]);
  size_t len = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  if (i + len > s.size()) return 1;
  for (size_t k = 1; k < len; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  }
  return len;
}

std::vector<std::string_view> SplitChars(std::string_view s) {
  std::vector<std::string_view> chars;
  for (size_t i = 0; i < s.size();) {
    size_t len = CharLen(s, i);
    chars.push_back(s.substr(i, len));
    i += len;
  }
  return chars;
}

size_t CharCount(std::string_view s) { return SplitChars(s).size(); }

std::string_view FirstChars(std::string_view s, size_t count) {
  size_t i = 0;
  for (size_t n = 0; n < count && i < s.size(); ++n) i += CharLen(s, i);
  return s.substr(0, i);
}

std::string PadFront(std::string text, int width) {
  size_t have = CharCount(text);
  if (width > 0 && have < static_cast<size_t>(width)) {
    text.insert(0, static_cast<size_t>(width) - have, ' ');
  }
  return text;
}

// ---------------------------------------------------------------------------------------------
// Fixed-point text of a value, worked on its decimal digits so that no binary fraction leaks
// into an amount: the value is taken at 15 significant digits (what a double holds for
// certain), then rounded half away from zero to `decimals` places.

std::string AddOne(std::string digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return "1" + digits;
}

std::string FixedText(int width, int decimals, double value) {
  std::string body;
  if (std::isnan(value)) {
    body = "NAN";
  } else if (std::isinf(value)) {
    body = value < 0 ? "-INF" : "INF";
  } else {
    std::string digits = "0";
    int exponent = 0;
    double magnitude = std::fabs(value);
    if (magnitude != 0) {
      char buf[64];
      auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
      std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));  // d.ddddddddddddddde±x
      size_t e = sci.find('e');
      digits.assign(1, sci[0]);
      digits.append(sci.substr(2, e - 2));
      std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                      exponent);
    }
    // value = digits * 10^(exponent - (digits.size() - 1)); scaled = value * 10^decimals.
    int shift = exponent - static_cast<int>(digits.size() - 1) + decimals;
    std::string scaled;
    if (shift >= 0) {
      scaled = digits + std::string(static_cast<size_t>(shift), '0');
    } else {
      int keep = static_cast<int>(digits.size()) + shift;
      if (keep < 0) {
        scaled = "0";
      } else {
        scaled = keep == 0 ? "0" : digits.substr(0, static_cast<size_t>(keep));
        if (digits[static_cast<size_t>(keep)] >= '5') scaled = AddOne(scaled);
      }
    }
    size_t nz = scaled.find_first_not_of('0');
    bool zero = nz == std::string::npos;
    scaled.erase(0, zero ? scaled.size() : nz);
    if (scaled.size() < static_cast<size_t>(decimals) + 1) {
      scaled.insert(0, static_cast<size_t>(decimals) + 1 - scaled.size(), '0');
    }
    size_t intLen = scaled.size() - static_cast<size_t>(decimals);
    body = scaled.substr(0, intLen);
    if (decimals > 0) body += "." + scaled.substr(intLen);
    // A value that rounds to nothing has no sign: -0.001 is "0.00", not "-0.00".
    if (std::signbit(value) && !zero) body.insert(0, 1, '-');
  }
  return PadFront(std::move(body), width);
}

// ---------------------------------------------------------------------------------------------
// Reading the format

bool IsCode(char c) {
  switch (c) {
    case '#': case '$': case '&': case ',': case '@': case '^': case '~': return true;
    default: return false;
  }
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// A quoted literal: quoted parts without blanks between ('it''s' is two parts). `closed` is
// false when the text ends inside a quote. Only quotes make a literal here: a "#" or "^" after
// a quote is the next format code, not a character code.
size_t SkipQuoted(std::string_view s, size_t pos, bool* closed) {
  *closed = true;
  while (pos < s.size() && IsQuote(s[pos])) {
    size_t end = s.find(s[pos], pos + 1);
    if (end == std::string_view::npos) {
      *closed = false;
      return s.size();
    }
    pos = end + 1;
  }
  return pos;
}

std::string_view ReadLiteralRun(std::string_view s, size_t& pos) {
  size_t start = pos;
  bool closed;
  while (pos < s.size() && !IsCode(s[pos])) {
    pos = IsQuote(s[pos]) ? SkipQuoted(s, pos, &closed) : pos + 1;
  }
  return s.substr(start, pos - start);
}

// The text inside a quoted literal at `pos`, if one stands there.
bool ReadQuoted(std::string_view s, size_t& pos, std::string& text) {
  if (pos >= s.size() || !IsQuote(s[pos])) return false;
  bool closed;
  size_t end = SkipQuoted(s, pos, &closed);
  text = closed ? s.substr(pos + 1, end - pos - 2) : s.substr(pos + 1);
  pos = end;
  return true;
}

bool IsDigitOf(char c, bool hex) {
  if (c >= '0' && c <= '9') return true;
  return hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// End of an integer token at `pos`: optional sign, then decimal digits or hexadecimal ones
// after "$" or "0x"; `pos` itself when no digit follows.
size_t NumberEnd(std::string_view s, size_t pos) {
  size_t n = s.size();
  size_t p = pos;
  if (p + 1 < n && (s[p] == '+' || s[p] == '-')) ++p;
  bool hex = false;
  if (p + 1 < n && s[p] == '$') {
    ++p;
    hex = true;
  } else if (p + 2 < n && s[p] == '0' && (s[p + 1] == 'x' || s[p + 1] == 'X')) {
    p += 2;
    hex = true;
  }
  if (p >= n || !IsDigitOf(s[p], hex)) return pos;
  while (p < n && IsDigitOf(s[p], hex)) ++p;
  return p;
}

// Value of a token that NumberEnd accepted; values beyond the int range are held at its ends.
int TokenValue(std::string_view t) {
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  int64_t v = 0;
  for (char c : t) {
    int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    v = v * base + d;
    if (v > int64_t{INT_MAX} + 1) v = int64_t{INT_MAX} + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

// A number is read only when a sign or digit stands at `pos`; a sign with no digit after it
// leaves the default.
bool ReadNumber(std::string_view s, size_t& pos, int& value) {
  if (pos >= s.size()) return false;
  char c = s[pos];
  if (c != '+' && c != '-' && !(c >= '0' && c <= '9')) return false;
  size_t end = NumberEnd(s, pos);
  if (end == pos) return false;
  value = TokenValue(s.substr(pos, end - pos));
  pos = end;
  return true;
}

// Literal text of the format: "%%" is one "%"; any other "%" is kept as written.
void AppendLiteral(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
  }
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// ---------------------------------------------------------------------------------------------
// The pattern that rendering walks: the characters of the number and the marks put among them.

enum class Kind : uint8_t { Char, Sign, Unit, Point, Group, Currency, Closing };

struct Token {
  Kind kind;
  std::string_view text;  // for Char and Sign: one character of the number text
};

bool IsChar(const Token& t, char c) {
  return t.kind == Kind::Char && t.text.size() == 1 && t.text[0] == c;
}

bool IsBlankOrSign(std::string_view c) { return c == " " || c == "+" || c == "-"; }

struct Pending {
  int unit;
  bool point;
};

}  // namespace

// ---------------------------------------------------------------------------------------------

TRenMinBi::TRenMinBi(std::string_view format, double value) {
  ParseFormat(format);
  NumberText = FixedText(IntWidth, Decimals, value);
}

void TRenMinBi::ParseFormat(std::string_view format) {
  size_t pos = 0;
  std::string_view run = ReadLiteralRun(format, pos);
  Template.assign(run);
  templateSlot_ = Template.size();
  Template += "%s";
  while (pos < format.size()) {
    char code = format[pos++];
    switch (code) {
      case '@': {
        int v = 0;
        ReadNumber(format, pos, v);
        Style = v;
        break;
      }
      case '^': {
        int v = 0;
        ReadNumber(format, pos, v);
        PositionOn = true;
        Position = v;
        break;
      }
      case '~': {
        std::string t = kDefaultClosing;
        ReadQuoted(format, pos, t);
        Closing = t;
        break;
      }
      case ',': {
        int g = 3;
        ReadNumber(format, pos, g);
        std::string sep = ",";
        ReadQuoted(format, pos, sep);
        GroupSize = g;
        GroupSep = sep;
        break;
      }
      case '#': {
        std::string fill = "0";
        ReadQuoted(format, pos, fill);
        int width = 1;
        ReadNumber(format, pos, width);
        FillText = fill;
        IntWidth = width;
        if (pos < format.size() && format[pos] == '.') {
          ++pos;
          int d = 2;
          ReadNumber(format, pos, d);
          Decimals = d;
        }
        break;
      }
      case '$': {
        std::string c = kDefaultCurrency;
        ReadQuoted(format, pos, c);
        Currency = c;
        break;
      }
      case '&': {
        Units = true;
        if (pos < format.size() && format[pos] == '&') {
          ++pos;
          DoubleUnits = true;
        }
        std::string u;
        if (ReadQuoted(format, pos, u)) {
          UnitText = u;
          if (u.empty()) Units = false;
        }
        if (pos < format.size() && format[pos] == '.') {
          ++pos;
          std::string p = ".";
          ReadQuoted(format, pos, p);
          Point = true;
          PointText = p;
        } else {
          Point = false;
        }
        break;
      }
      default:
        break;  // literal runs stop only at codes
    }
    Template += ReadLiteralRun(format, pos);
  }
  if (Style < 0 || Style > 3) Style = 0;
  // Bounds of our own: an absurd width or precision would only cost memory, and nothing is
  // ever written beyond these.
  IntWidth = Clamp(IntWidth, 0, MaxWidth);
  Decimals = Clamp(Decimals, 0, MaxDecimals);
  if (FillText == "0") FillText = StyleOf(Style).digits[0];
  if (PointText == ".") PointText = StyleOf(Style).point;
}

void TRenMinBi::SetNumberText(std::string_view text) {
  std::string t(text);
  size_t dot = t.find('.');
  if (dot == std::string::npos) {
    if (Decimals >= 1) t += "." + std::string(static_cast<size_t>(Decimals), '0');
  } else if (Decimals == 0) {
    t.erase(dot);
  } else {
    std::string_view frac = std::string_view(t).substr(dot + 1);
    std::string kept(FirstChars(frac, static_cast<size_t>(Decimals)));
    size_t have = CharCount(kept);
    kept.append(static_cast<size_t>(Decimals) - have, '0');
    t.erase(dot + 1);
    t += kept;
  }
  NumberText = PadFront(std::move(t), IntWidth);
}

std::string TRenMinBi::Render() const {
  const int style = (Style >= 0 && Style <= 3) ? Style : 0;
  const int decimals = Clamp(Decimals, 0, MaxDecimals);
  std::string_view number = NumberText;
  size_t dot = number.find('.');
  std::string_view intText = dot == std::string_view::npos ? number : number.substr(0, dot);
  std::string_view fracText;
  if (dot != std::string_view::npos) {
    fracText = FirstChars(number.substr(dot + 1), static_cast<size_t>(decimals));
  }

  // Integer part. The sign is the first character after the padding; it takes no unit, so an
  // amount never reads as "负仟..." for -123.
  std::vector<std::string_view> intChars = SplitChars(intText);
  size_t signAt = intChars.size();
  for (size_t i = 0; i < intChars.size(); ++i) {
    if (intChars[i] == " ") continue;
    if (intChars[i] == "+" || intChars[i] == "-") signAt = i;
    break;
  }
  std::vector<Token> ip;
  for (size_t i = 0; i < intChars.size(); ++i) {
    ip.push_back({i == signAt ? Kind::Sign : Kind::Char, intChars[i]});
    if (Units && i != signAt) ip.push_back({Kind::Unit, {}});
  }
  if (Units) {
    // A number without integer digits (".5") reads as 0.5; the point needs a unit to replace.
    bool hasDigits = false;
    for (auto c : intChars) hasDigits = hasDigits || !IsBlankOrSign(c);
    if (!hasDigits) {
      ip.push_back({Kind::Char, "0"});
      ip.push_back({Kind::Unit, {}});
    }
    if (Point) ip.back() = {Kind::Point, {}};
  }

  std::vector<Token> fp;
  for (auto c : SplitChars(fracText)) {
    fp.push_back({Kind::Char, c});
    if (Units && !Point) fp.push_back({Kind::Unit, {}});
  }

  // Grouping counts every character of the integer part (padding included; with units each
  // digit together with its unit) except the sign, which stays where it stood. A group size
  // below 1 means no grouping.
  if (!GroupSep.empty() && GroupSize > 0) {
    std::optional<Token> sign;
    size_t signPos = 0;
    for (size_t i = 0; i < ip.size(); ++i) {
      if (ip[i].kind == Kind::Sign) {
        sign = ip[i];
        signPos = i;
        ip.erase(ip.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    const int64_t g = int64_t{GroupSize} * (Units ? 2 : 1);
    const int64_t len = static_cast<int64_t>(ip.size());
    std::vector<Token> grouped;
    size_t signNewPos = sign ? SIZE_MAX : 0;
    for (int64_t k = 1; k <= len; ++k) {
      if (sign && static_cast<size_t>(k - 1) == signPos) signNewPos = grouped.size();
      grouped.push_back(ip[static_cast<size_t>(k - 1)]);
      if (k < len && k % g == len % g) grouped.push_back({Kind::Group, {}});
    }
    if (sign) {
      if (signNewPos == SIZE_MAX) signNewPos = grouped.size();
      grouped.insert(grouped.begin() + static_cast<std::ptrdiff_t>(signNewPos), *sign);
    }
    ip = std::move(grouped);
  }
  if (Point && !Units) ip.push_back({Kind::Point, {}});
  if (!Currency.empty()) ip.insert(ip.begin(), Token{Kind::Currency, {}});

  const int lo = PositionOn ? Position : -(decimals + 1);
  const int hi = PositionOn ? Position : 255;
  const bool doubleUnits = DoubleUnits && Units && UnitText.empty();
  if (!Closing.empty() && (fracText.empty() || (!number.empty() && number.back() == '0'))) {
    fp.push_back({Kind::Closing, {}});
  }

  std::vector<Token> pattern = std::move(ip);
  pattern.insert(pattern.end(), fp.begin(), fp.end());

  const StyleRow& row = StyleOf(style);
  const auto& unitNames = style == 3 ? kUnitsCapital : kUnitsPlain;
  const std::string_view fill = FillText == "0" ? std::string_view(row.digits[0]) : FillText;
  const std::string_view groupSep = GroupSep == "," ? std::string_view(row.comma) : GroupSep;

  // Texts are collected from the right end and joined in reverse at the end.
  std::vector<std::string> out;
  int p = -decimals;
  auto emit = [&](std::string_view text, int at) {
    if (at >= lo && at <= hi && !text.empty()) out.emplace_back(text);
  };
  bool zeroRun = true;
  bool nonZeroSeen = false;
  // A zero word waiting for a non-zero digit: its place in `out` and its position.
  bool zeroWord = false;
  size_t zeroWordIndex = 0;
  int zeroWordAt = 0;
  std::vector<Pending> pending;
  size_t firstDigit = pattern.size();
  for (size_t i = 0; i < pattern.size(); ++i) {
    const Token& t = pattern[i];
    if (t.kind == Kind::Char && t.text.size() == 1 && t.text[0] >= '0' && t.text[0] <= '9') {
      firstDigit = i;
      break;
    }
  }
  auto push = [&](Pending u) {
    while (!pending.empty() && pending.back().unit != 0 && pending.back().unit <= u.unit) {
      pending.pop_back();
    }
    pending.push_back(u);
  };
  auto flush = [&] {
    std::string joined;
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
      joined += it->point ? std::string_view(PointText)
                          : std::string_view(unitNames[static_cast<size_t>(it->unit + 3)]);
    }
    pending.clear();
    emit(joined, p);
  };

  for (size_t i = pattern.size(); i-- > 0;) {
    const Token& t = pattern[i];
    const bool zeroBefore = i > 0 && IsChar(pattern[i - 1], '0');
    switch (t.kind) {
      case Kind::Group:
        emit(groupSep, p);
        break;
      case Kind::Currency:
        emit(Currency, p);
        break;
      case Kind::Closing:
        emit(Closing, p - 1);
        break;
      case Kind::Unit:
        if (!UnitText.empty()) {
          emit(UnitText, p);
        } else if (p >= -3) {
          int u = UnitOf(p);
          if (doubleUnits && (zeroRun || zeroBefore)) {
            push({u, false});
          } else {
            emit(unitNames[static_cast<size_t>(u + 3)], p);
          }
        }
        break;
      case Kind::Point:
        if (doubleUnits && (zeroRun || zeroBefore)) {
          push({0, true});
        } else {
          emit(PointText, p);
        }
        break;
      case Kind::Sign:
        // The sign stands outside the reading: units still pending belong to nothing it
        // could carry, so they are dropped like those at the left end of the amount.
        if (doubleUnits) {
          pending.clear();
          zeroWord = false;
        }
        emit(StyleText(style, t.text), p);
        ++p;
        break;
      case Kind::Char: {
        std::string_view c = t.text;
        if (c == " ") {
          emit(fill, p);
          ++p;
          break;
        }
        bool digitLike =
            c.size() == 1 && (c[0] == '+' || c[0] == '-' || (c[0] >= '0' && c[0] <= '9'));
        if (!digitLike) {
          emit(c, p);
          break;
        }
        if (c[0] >= '1' && c[0] <= '9') nonZeroSeen = true;
        bool unitAfter = i + 1 < pattern.size() && pattern[i + 1].kind == Kind::Unit;
        if (doubleUnits && (p >= 0 || unitAfter)) {
          if (c == "0") {
            bool pendingPoint = !pending.empty() && pending.front().point;
            if (p == 0 && i == firstDigit && (pendingPoint || !nonZeroSeen)) {
              // The amount is below 1 with its point written (0.5 reads 零点五, not 五), or
              // it is zero altogether (零圆整, not a bare 整): the units digit is read.
              zeroWord = false;
              flush();
              emit(row.digits[0], p);
              zeroRun = false;
            } else {
              // The zero word of a run is placed where the run begins but written only once
              // a non-zero digit stands left of the run: zeros at the left end are not read.
              if (!zeroRun && p != 0) {
                zeroWord = true;
                zeroWordIndex = out.size();
                zeroWordAt = p;
              }
              zeroRun = true;
            }
          } else {
            if (zeroRun) {
              if (zeroWord && zeroWordAt >= lo && zeroWordAt <= hi) {
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(zeroWordIndex), kZeroWord);
              }
              zeroWord = false;
              flush();
              zeroRun = false;
            }
            emit(StyleText(style, c), p);
          }
        } else {
          emit(StyleText(style, c), p);
        }
        ++p;
        break;
      }
    }
  }

  std::string walked;
  for (auto it = out.rbegin(); it != out.rend(); ++it) walked += *it;

  // The amount goes where ParseFormat put its "%s" (or the first "%s", should a caller have
  // replaced Template); literal text on either side is never read as a format.
  std::string_view tmpl = Template;
  size_t slot = templateSlot_;
  if (slot > tmpl.size() || tmpl.substr(slot, 2) != "%s") slot = tmpl.find("%s");
  std::string result;
  if (slot == std::string_view::npos) {
    AppendLiteral(result, tmpl);
    return result + walked;
  }
  AppendLiteral(result, tmpl.substr(0, slot));
  result += walked;
  AppendLiteral(result, tmpl.substr(slot + 2));
  return result;
}

std::string FormatMoney(std::string_view format, double value) {
  return TRenMinBi(format, value).Render();
}

std::string FormatMoneyStr(std::string_view numberText, std::string_view format) {
  TRenMinBi money(format, 0);
  money.SetNumberText(numberText);
  return money.Render();
}

}  // namespace olv
