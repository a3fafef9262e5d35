#include "foundation/text/Format.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "foundation/text/DateTime.h"
#include "foundation/base/SysErrors.h"
#include "foundation/text/Utf8.h"

namespace olv {
namespace {

std::mutex g_settingsMutex;
std::shared_ptr<const FormatSettings> g_settings = std::make_shared<FormatSettings>();

// ---- decimal digits of a floating value ------------------------------------------------------

// value = 0.d1d2d3... x 10^exp; digits carry no trailing zeros; empty digits mean zero.
struct Decimal {
  bool neg = false;
  std::string digits;
  int exp = 0;
};

void TrimZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exp = 0;
}

// The value's first `sig` significant digits, correctly rounded from its binary value.
Decimal ToDecimal(long double v, int sig) {
  if (sig < 1) sig = 1;
  if (sig > 18) sig = 18;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", sig - 1, v);
  Decimal d;
  const char* p = buf;
  if (*p == '-') {
    d.neg = true;
    ++p;
  }
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits += *p;
  int e = 0;
  if (*p == 'e') e = std::atoi(p + 1);
  d.exp = e + 1;
  std::size_t lead = 0;  // only "0.000e+00" has a leading zero
  while (lead < d.digits.size() && d.digits[lead] == '0') ++lead;
  if (lead == d.digits.size()) d.digits.clear();
  TrimZeros(d);
  return d;
}

// Keeps the first n digits, rounding half away from zero on the decimal digits, as a reader of the
// text expects (0.125 to two decimals is 0.13).
void RoundAt(Decimal& d, int n) {
  if (n >= static_cast<int>(d.digits.size())) return;
  if (n < 0) {
    d.digits.clear();
    d.exp = 0;
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(n)] >= '5';
  d.digits.resize(static_cast<std::size_t>(n));
  if (up) {
    int i = n - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') d.digits[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exp;
    } else {
      ++d.digits[static_cast<std::size_t>(i)];
    }
  }
  TrimZeros(d);
}

// The value rounded to `sig` significant digits. Digits are first taken at 15 significant places
// (the precision a double really carries) so that binary noise such as 2.67499999... for 2.675
// does not decide a rounding.
Decimal Significant(long double v, int sig) {
  Decimal d = ToDecimal(v, sig > 15 ? sig : 15);
  RoundAt(d, sig);
  return d;
}

// The value rounded to `decimals` places after the point.
Decimal Fixed(long double v, int decimals) {
  Decimal d = ToDecimal(v, 15);
  const int need = d.exp + decimals;
  if (need > 15) d = ToDecimal(v, need > 18 ? 18 : need);
  RoundAt(d, need);
  return d;
}

char DigitAt(const Decimal& d, int i) {
  return (i >= 0 && i < static_cast<int>(d.digits.size())) ? d.digits[static_cast<std::size_t>(i)] : '0';
}

std::string IntegerDigits(const Decimal& d) {
  if (d.exp <= 0) return "0";
  std::string s;
  for (int i = 0; i < d.exp; ++i) s += DigitAt(d, i);
  return s;
}

std::string FractionDigits(const Decimal& d, int decimals) {
  std::string s;
  for (int i = 0; i < decimals; ++i) s += DigitAt(d, d.exp + i);
  return s;
}

std::string Group(const std::string& intDigits, char sep) {
  std::string s;
  const std::size_t n = intDigits.size();
  for (std::size_t i = 0; i < n; ++i) {
    s += intDigits[i];
    if (sep && i + 1 < n && (n - 1 - i) % 3 == 0) s += sep;
  }
  return s;
}

bool SpecialFloat(long double v, std::string& out) {
  if (std::isnan(v)) {
    out = "NAN";
    return true;
  }
  if (std::isinf(v)) {
    out = v < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

std::string FixedText(const FormatSettings& fs, long double v, int decimals, bool thousands) {
  const Decimal d = Fixed(v, decimals);
  std::string s = d.neg && !d.digits.empty() ? "-" : "";
  const std::string i = IntegerDigits(d);
  s += thousands ? Group(i, fs.ThousandSeparator) : i;
  if (decimals > 0) {
    s += fs.DecimalSeparator;
    s += FractionDigits(d, decimals);
  }
  return s;
}

std::string ExponentDigits(int e, int minDigits, bool plus) {
  std::string s = e < 0 ? "-" : (plus ? "+" : "");
  std::string n = std::to_string(e < 0 ? -e : e);
  if (static_cast<int>(n.size()) < minDigits) n.insert(0, static_cast<std::size_t>(minDigits) - n.size(), '0');
  return s + n;
}

std::string GeneralText(const FormatSettings& fs, long double v, int precision) {
  if (precision < 1 || precision > 18) precision = 15;
  const Decimal d = Significant(v, precision);
  if (d.digits.empty()) return "0";
  std::string s = d.neg ? "-" : "";
  const int n = static_cast<int>(d.digits.size());
  if (d.exp > precision || d.exp < -4) {
    s += d.digits[0];
    if (n > 1) {
      s += fs.DecimalSeparator;
      s += d.digits.substr(1);
    }
    s += 'E';
    s += ExponentDigits(d.exp - 1, 0, false);
    return s;
  }
  s += IntegerDigits(d);
  if (n > d.exp) {
    s += fs.DecimalSeparator;
    s += FractionDigits(d, n - d.exp);
  }
  return s;
}

std::string ExponentText(const FormatSettings& fs, long double v, int precision, int minExp) {
  if (precision < 1 || precision > 18) precision = 15;
  const Decimal d = Significant(v, precision);
  std::string s = d.neg && !d.digits.empty() ? "-" : "";
  s += DigitAt(d, 0);
  if (precision > 1) {
    s += fs.DecimalSeparator;
    for (int i = 1; i < precision; ++i) s += DigitAt(d, i);
  }
  s += 'E';
  s += ExponentDigits(d.digits.empty() ? 0 : d.exp - 1, minExp, true);
  return s;
}

// ---- Format ----------------------------------------------------------------------------------

[[noreturn]] void InvalidFormat(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

[[noreturn]] void MissingArgument(std::string_view format) {
  throw EConvertError("No argument for format '" + std::string(format) + "'");
}

std::string Hex(std::uint64_t v, int minDigits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), kDigits[v & 15]);
    v >>= 4;
  } while (v);
  if (static_cast<int>(s.size()) < minDigits) s.insert(0, static_cast<std::size_t>(minDigits) - s.size(), '0');
  return s;
}

std::string PadDigits(std::string digits, int minDigits) {
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return digits;
}

// An integer argument as an unsigned number of the width it was given with (for %u and %x).
std::uint64_t AsUnsigned(const FormatArg& a) {
  if (a.kind() == FormatArg::Kind::UInt) return a.asUInt();
  const auto u = static_cast<std::uint64_t>(a.asInt());
  return a.bits() >= 64 ? u : (u & ((std::uint64_t{1} << a.bits()) - 1));
}

}  // namespace

std::shared_ptr<const FormatSettings> CurrentFormatSettings() {
  std::lock_guard lock(g_settingsMutex);
  return g_settings;
}

void InstallFormatSettings(const FormatSettings& settings) {
  auto s = std::make_shared<const FormatSettings>(settings);
  std::lock_guard lock(g_settingsMutex);
  g_settings = std::move(s);
}

std::string FormatV(std::string_view format, std::span<const FormatArg> args) {
  return FormatV(*CurrentFormatSettings(), format, args);
}

std::string FormatV(const FormatSettings& fs, std::string_view format, std::span<const FormatArg> args) {
  using Kind = FormatArg::Kind;
  std::string out;
  std::size_t argIndex = 0;
  const std::size_t n = format.size();
  std::size_t i = 0;
  auto next = [&]() -> const FormatArg& {
    if (argIndex >= args.size()) MissingArgument(format);
    return args[argIndex++];
  };
  // A number, or "*" taking the next integer argument; -1 when neither stands at i.
  auto readNumber = [&]() -> long long {
    if (i < n && format[i] == '*') {
      ++i;
      const FormatArg& a = next();
      if (a.kind() != Kind::Int && a.kind() != Kind::UInt) InvalidFormat(format);
      const long long v = a.kind() == Kind::Int ? a.asInt() : static_cast<long long>(a.asUInt());
      return v < 0 ? 0 : (v > 100000 ? 100000 : v);
    }
    if (i >= n || format[i] < '0' || format[i] > '9') return -1;
    long long v = 0;
    while (i < n && format[i] >= '0' && format[i] <= '9') {
      v = v * 10 + (format[i++] - '0');
      if (v > 100000) InvalidFormat(format);  // widths beyond reason are a typing error
    }
    return v;
  };

  while (i < n) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= n) InvalidFormat(format);
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    long long num = readNumber();
    if (num >= 0 && i < n && format[i] == ':') {
      argIndex = static_cast<std::size_t>(num);
      ++i;
      num = -1;
    }
    bool left = false;
    if (num < 0 && i < n && format[i] == '-') {
      left = true;
      ++i;
    }
    long long width = num >= 0 ? num : readNumber();
    long long prec = -1;
    if (i < n && format[i] == '.') {
      ++i;
      prec = readNumber();
      if (prec < 0) prec = 0;
    }
    if (i >= n) InvalidFormat(format);
    const char type = utf8::AsciiUpper(format[i++]);
    std::string text;
    switch (type) {
      case 'D': {
        const FormatArg& a = next();
        if (a.kind() == Kind::Int) {
          const std::int64_t v = a.asInt();
          const std::uint64_t mag = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
          text = (v < 0 ? "-" : "") + PadDigits(std::to_string(mag), static_cast<int>(prec));
        } else if (a.kind() == Kind::UInt) {
          text = PadDigits(std::to_string(a.asUInt()), static_cast<int>(prec));
        } else {
          InvalidFormat(format);
        }
        break;
      }
      case 'U': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Int && a.kind() != Kind::UInt) InvalidFormat(format);
        text = PadDigits(std::to_string(AsUnsigned(a)), static_cast<int>(prec));
        break;
      }
      case 'X': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Int && a.kind() != Kind::UInt) InvalidFormat(format);
        text = Hex(AsUnsigned(a), static_cast<int>(prec));
        break;
      }
      case 'P': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Pointer) InvalidFormat(format);
        text = Hex(a.asUInt(), static_cast<int>(sizeof(void*) * 2));
        break;
      }
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Float) InvalidFormat(format);
        const long double v = a.asFloat();
        if (SpecialFloat(v, text)) break;
        if (type == 'E') text = ExponentText(fs, v, prec < 0 ? 15 : static_cast<int>(prec), 3);
        else if (type == 'G') text = GeneralText(fs, v, prec < 0 ? 15 : static_cast<int>(prec));
        else {
          int decimals = prec < 0 ? (type == 'M' ? fs.CurrencyDecimals : 2) : static_cast<int>(prec);
          if (decimals > 18) decimals = 18;
          if (type == 'F') text = FixedText(fs, v, decimals, false);
          else if (type == 'N') text = FixedText(fs, v, decimals, true);
          else text = FloatToStrF(fs, v, FloatStyle::Currency, 15, decimals);
        }
        break;
      }
      case 'S': {
        const FormatArg& a = next();
        if (a.kind() != Kind::String && a.kind() != Kind::Char) InvalidFormat(format);
        std::string_view s = a.asText();
        if (prec >= 0) s = s.substr(0, utf8::OffsetOfChar(s, static_cast<std::size_t>(prec)));
        text = s;
        break;
      }
      default:
        InvalidFormat(format);
    }
    const std::size_t len = utf8::Length(text);
    if (width > 0 && static_cast<std::size_t>(width) > len) {
      const std::string pad(static_cast<std::size_t>(width) - len, ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

std::string FloatToStrF(long double value, FloatStyle style, int precision, int digits) {
  return FloatToStrF(*CurrentFormatSettings(), value, style, precision, digits);
}

std::string FloatToStrF(const FormatSettings& fs, long double value, FloatStyle style, int precision,
                        int digits) {
  std::string special;
  if (SpecialFloat(value, special)) return special;
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  switch (style) {
    case FloatStyle::General:
      return GeneralText(fs, value, precision);
    case FloatStyle::Exponent:
      return ExponentText(fs, value, precision, digits);
    case FloatStyle::Fixed:
      return FixedText(fs, value, digits, false);
    case FloatStyle::Number:
      return FixedText(fs, value, digits, true);
    case FloatStyle::Currency:  // the sign follows the currency sign: "$-3.50"
      return fs.CurrencyString + FixedText(fs, value, digits, true);
  }
  return {};
}

std::string FloatToStr(long double value) {
  return FloatToStrF(value, FloatStyle::General, 15, 0);
}

// ---- FormatFloat -----------------------------------------------------------------------------

namespace {

// The sections of a picture format, split at ";" outside quotes.
std::vector<std::string_view> Sections(std::string_view f) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && out.size() < 2) {
      out.push_back(f.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(f.substr(start));
  return out;
}

struct Picture {
  int intPlaces = 0;      // "0" and "#" before the point
  int minIntDigits = 0;   // places from the first "0" before the point
  int decPlaces = 0;      // "0" and "#" after the point
  int minDecDigits = 0;   // places up to the last "0" after the point
  bool point = false;
  bool thousands = false;
  bool scientific = false;
};

Picture Analyse(std::string_view s) {
  Picture p;
  char quote = 0;
  bool sawZero = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    switch (c) {
      case '\'':
      case '"':
        quote = c;
        break;
      case '0':
      case '#':
        if (p.point) {
          ++p.decPlaces;
          if (c == '0') p.minDecDigits = p.decPlaces;
        } else {
          ++p.intPlaces;
          if (c == '0') sawZero = true;
          if (sawZero) ++p.minIntDigits;
        }
        break;
      case '.':
        p.point = true;
        break;
      case ',':
        if (!p.point) p.thousands = true;
        break;
      case 'E':
      case 'e':
        if (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
          p.scientific = true;
          // the exponent's zeros are no digit places
          i += 2;
          while (i < s.size() && s[i] == '0') ++i;
          --i;
        }
        break;
      default:
        break;
    }
  }
  return p;
}

std::string Picture1(const FormatSettings& fs, std::string_view s, long double v, bool minusSign) {
  const Picture p = Analyse(s);
  std::string intDigits, fracDigits;
  int exponent = 0;
  if (p.scientific) {
    const int lead = p.intPlaces > 0 ? p.intPlaces : 1;
    Decimal d = Significant(v, lead + p.decPlaces);
    if (!d.digits.empty()) exponent = d.exp - lead;
    for (int i = 0; i < lead; ++i) intDigits += DigitAt(d, i);
    for (int i = 0; i < p.decPlaces; ++i) fracDigits += DigitAt(d, lead + i);
    while (intDigits.size() > 1 && intDigits[0] == '0') intDigits.erase(0, 1);
    if (d.digits.empty()) intDigits.clear();
  } else {
    const Decimal d = Fixed(v, p.decPlaces);
    if (d.exp > 0) intDigits = IntegerDigits(d);
    fracDigits = FractionDigits(d, p.decPlaces);
  }
  while (static_cast<int>(fracDigits.size()) > p.minDecDigits && fracDigits.back() == '0') fracDigits.pop_back();
  if (static_cast<int>(intDigits.size()) < p.minIntDigits)
    intDigits.insert(0, static_cast<std::size_t>(p.minIntDigits) - intDigits.size(), '0');
  const bool allZero = intDigits.find_first_not_of('0') == std::string::npos &&
                       fracDigits.find_first_not_of('0') == std::string::npos;

  std::string out = minusSign && !allZero ? "-" : "";
  const int len = static_cast<int>(intDigits.size());
  auto emitDigit = [&](int j) {
    out += intDigits[static_cast<std::size_t>(j)];
    if (p.thousands && j + 1 < len && (len - 1 - j) % 3 == 0) out += fs.ThousandSeparator;
  };
  int intSeen = 0;
  int fracSeen = 0;
  bool pointDone = false;
  bool intFlushed = false;
  auto flushInt = [&]() {  // integer digits with no place of their own (".00" and the like)
    if (intFlushed) return;
    intFlushed = true;
    for (int j = intSeen; j < len; ++j) emitDigit(j);
  };
  char quote = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      else out += c;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if ((c == '0' || c == '#') && !pointDone) {
      const int excess = len - p.intPlaces;
      if (intSeen == 0)
        for (int j = 0; j < excess; ++j) emitDigit(j);
      const int j = intSeen + excess;
      if (j >= 0 && j < len) emitDigit(j);
      ++intSeen;
      if (intSeen == p.intPlaces) intFlushed = true;
    } else if ((c == '0' || c == '#') && pointDone) {
      if (fracSeen < static_cast<int>(fracDigits.size())) out += fracDigits[static_cast<std::size_t>(fracSeen)];
      ++fracSeen;
    } else if (c == '.' && !pointDone) {
      if (p.intPlaces == 0) flushInt();
      pointDone = true;
      if (!fracDigits.empty()) out += fs.DecimalSeparator;
    } else if (c == ',') {
      // a thousands marker, no literal
    } else if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      out += c;
      const bool plus = s[i + 1] == '+';
      i += 2;
      int zeros = 0;
      while (i < s.size() && s[i] == '0') {
        ++zeros;
        ++i;
      }
      --i;
      out += ExponentDigits(exponent, zeros, plus);
    } else {
      out += c;
    }
  }
  if (p.intPlaces == 0 && !pointDone) flushInt();
  return out;
}

}  // namespace

std::string FormatFloat(std::string_view format, long double value) {
  return FormatFloat(*CurrentFormatSettings(), format, value);
}

std::string FormatFloat(const FormatSettings& fs, std::string_view format, long double value) {
  std::string special;
  if (SpecialFloat(value, special)) return special;
  if (format.empty()) return GeneralText(fs, value, 15);
  const auto sections = Sections(format);
  if (value < 0 && sections.size() >= 2 && !sections[1].empty())
    return Picture1(fs, sections[1], -value, false);
  if (value == 0 && sections.size() >= 3 && !sections[2].empty())
    return Picture1(fs, sections[2], 0, false);
  return Picture1(fs, sections[0], value < 0 ? -value : value, value < 0);
}

// ---- FormatDateTime --------------------------------------------------------------------------

namespace {

void AppendNumber(std::string& out, int v, int minDigits) {
  std::string s = std::to_string(v < 0 ? -v : v);
  if (static_cast<int>(s.size()) < minDigits) s.insert(0, static_cast<std::size_t>(minDigits) - s.size(), '0');
  if (v < 0) out += '-';
  out += s;
}

bool StartsWithText(std::string_view s, std::size_t i, std::string_view what) {
  return i + what.size() <= s.size() && utf8::SameText(s.substr(i, what.size()), what);
}

bool HasAmPm(std::string_view f) {
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (quote) {
      if (f[i] == quote) quote = 0;
      continue;
    }
    if (f[i] == '\'' || f[i] == '"') quote = f[i];
    else if (StartsWithText(f, i, "am/pm") || StartsWithText(f, i, "a/p") || StartsWithText(f, i, "ampm"))
      return true;
  }
  return false;
}

void AppendDateTime(std::string& out, const FormatSettings& fs, std::string_view f, double value,
                    const DateParts& t, int depth) {
  if (depth > 3) return;  // settings that name each other must not recurse for ever
  if (f.empty()) f = "c";
  const bool twelve = HasAmPm(f);
  char lastToken = ' ';
  std::size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    char token = utf8::AsciiUpper(c);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && lastToken == 'H') token = 'N';
      lastToken = token;
    }
    std::size_t count = 1;
    auto takeRun = [&]() {
      count = 0;
      while (i < f.size() && utf8::AsciiUpper(f[i]) == utf8::AsciiUpper(c)) {
        ++i;
        ++count;
      }
    };
    switch (token) {
      case 'Y':
        takeRun();
        if (count <= 2) AppendNumber(out, t.year % 100, 2);
        else AppendNumber(out, t.year, 4);
        break;
      case 'M':
        takeRun();
        if (count <= 2) AppendNumber(out, t.month, static_cast<int>(count));
        else if (count == 3) out += fs.ShortMonthNames[static_cast<std::size_t>(t.month - 1)];
        else out += fs.LongMonthNames[static_cast<std::size_t>(t.month - 1)];
        break;
      case 'N':
        takeRun();
        AppendNumber(out, t.minute, count >= 2 ? 2 : 1);
        break;
      case 'D':
        takeRun();
        if (count <= 2) AppendNumber(out, t.day, static_cast<int>(count));
        else if (count == 3) out += fs.ShortDayNames[static_cast<std::size_t>(t.dayOfWeek - 1)];
        else if (count == 4) out += fs.LongDayNames[static_cast<std::size_t>(t.dayOfWeek - 1)];
        else if (count == 5) AppendDateTime(out, fs, fs.ShortDateFormat, value, t, depth + 1);
        else AppendDateTime(out, fs, fs.LongDateFormat, value, t, depth + 1);
        break;
      case 'H': {
        takeRun();
        int h = t.hour;
        if (twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        AppendNumber(out, h, count >= 2 ? 2 : 1);
        break;
      }
      case 'S':
        takeRun();
        AppendNumber(out, t.second, count >= 2 ? 2 : 1);
        break;
      case 'Z':
        takeRun();
        AppendNumber(out, t.msec, count >= 2 ? 3 : 1);
        break;
      case 'T':
        takeRun();
        AppendDateTime(out, fs, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, value, t, depth + 1);
        break;
      case 'C':
        ++i;
        AppendDateTime(out, fs, fs.ShortDateFormat, value, t, depth + 1);
        if (t.hour || t.minute || t.second || t.msec) {
          out += ' ';
          AppendDateTime(out, fs, fs.LongTimeFormat, value, t, depth + 1);
        }
        break;
      case 'A':
        if (StartsWithText(f, i, "am/pm")) {
          out += t.hour >= 12 ? f.substr(i + 3, 2) : f.substr(i, 2);
          i += 5;
        } else if (StartsWithText(f, i, "a/p")) {
          out += t.hour >= 12 ? f[i + 2] : f[i];
          i += 3;
        } else if (StartsWithText(f, i, "ampm")) {
          out += t.hour >= 12 ? fs.TimePMString : fs.TimeAMString;
          i += 4;
        } else {
          out += c;
          ++i;
        }
        break;
      case '/':
        out += fs.DateSeparator;
        ++i;
        break;
      case ':':
        out += fs.TimeSeparator;
        ++i;
        break;
      case '\'':
      case '"': {
        const std::size_t end = f.find(c, i + 1);
        const std::size_t stop = end == std::string_view::npos ? f.size() : end;
        out += f.substr(i + 1, stop - i - 1);
        i = end == std::string_view::npos ? f.size() : end + 1;
        break;
      }
      default: {
        const std::size_t len = utf8::CharLen(f, i);
        out += f.substr(i, len);
        i += len;
        break;
      }
    }
  }
}

}  // namespace

std::string FormatDateTime(std::string_view format, double dateTime) {
  return FormatDateTime(*CurrentFormatSettings(), format, dateTime);
}

std::string FormatDateTime(const FormatSettings& fs, std::string_view format, double dateTime) {
  const DateParts t = DecodeDateTime(dateTime);
  std::string out;
  AppendDateTime(out, fs, format, dateTime, t, 0);
  return out;
}

}  // namespace olv
