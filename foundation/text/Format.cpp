#include "foundation/text/Format.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/text/DateTime.h"
#include "foundation/base/SysErrors.h"
#include "foundation/text/Utf8.h"
#include "platform/ThreadAnnotations.h"

namespace olv {
namespace {

// ---- settings --------------------------------------------------------------------------------

// Every installed snapshot lives until the program ends, so that a formatting call reads the
// current one through a plain pointer, without a lock or a reference count; installs happen at
// start-up (and in tests), a handful per run.
struct SettingsStore {
  plat::Mutex mutex;
  std::shared_ptr<const FormatSettings> current GUARDED_BY(mutex) = std::make_shared<const FormatSettings>();
  std::vector<std::shared_ptr<const FormatSettings>> kept GUARDED_BY(mutex){current};
  std::atomic<const FormatSettings*> fast{current.get()};
};

SettingsStore& Store() {
  static SettingsStore store;
  return store;
}

const FormatSettings& Settings() { return *Store().fast.load(std::memory_order_acquire); }

// ---- the text being built --------------------------------------------------------------------

// Collects a result on the stack and makes one string of it at the end; only a result longer
// than the buffer goes to the heap before that.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  std::size_t size() const { return size_; }
  char* data() { return spilled_ ? spill_.data() : local_; }

  void append(const char* p, std::size_t n) {
    char* d = grow(n);
    if (n <= 8) {  // digits, separators, names: cheaper copied here than by a call
      for (std::size_t k = 0; k < n; ++k) d[k] = p[k];
    } else {
      std::memcpy(d, p, n);
    }
  }
  void append(std::string_view s) { append(s.data(), s.size()); }
  void push(char c) { *grow(1) = c; }
  void fill(std::size_t n, char c) { std::memset(grow(n), c, n); }
  // n copies of c before position `at`.
  void insertFill(std::size_t at, std::size_t n, char c) {
    grow(n);
    char* d = data();
    std::memmove(d + at + n, d + at, size_ - n - at);
    std::memset(d + at, c, n);
  }
  std::string_view from(std::size_t at) { return std::string_view(data() + at, size_ - at); }
  std::string str() { return std::string(data(), size_); }

 private:
  // Room for n more bytes at the end, counted in the size.
  char* grow(std::size_t n) {
    const std::size_t at = size_;
    if (spilled_ || at + n > sizeof local_) [[unlikely]]
      return growOnHeap(n);
    size_ += n;
    return local_ + at;
  }
  [[gnu::noinline]] char* growOnHeap(std::size_t n) {
    const std::size_t at = size_;
    if (!spilled_) spill_.assign(local_, at);
    spilled_ = true;
    spill_.resize(at + n);
    size_ += n;
    return spill_.data() + at;
  }

  char local_[256];
  std::size_t size_ = 0;
  bool spilled_ = false;
  std::string spill_;  // the whole text once it outgrew local_
};

// Characters of a text for widths and precisions: UTF-8 sequences count once.
std::size_t CharCount(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return utf8::Length(s);
  return s.size();
}

void AppendUnsigned(TextBuffer& out, std::uint64_t v, int minDigits) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  const std::size_t n = static_cast<std::size_t>(r.ptr - buf);
  if (minDigits > 0 && n < static_cast<std::size_t>(minDigits)) out.fill(static_cast<std::size_t>(minDigits) - n, '0');
  out.append(buf, n);
}

void AppendHex(TextBuffer& out, std::uint64_t v, int minDigits) {
  static const char kDigits[] = "0123456789ABCDEF";
  char buf[16];
  char* p = buf + sizeof buf;
  do {
    *--p = kDigits[v & 15];
    v >>= 4;
  } while (v);
  const std::size_t n = static_cast<std::size_t>(buf + sizeof buf - p);
  if (minDigits > 0 && n < static_cast<std::size_t>(minDigits)) out.fill(static_cast<std::size_t>(minDigits) - n, '0');
  out.append(p, n);
}

// ---- decimal digits of a floating value ------------------------------------------------------

// value = 0.d1d2d3... x 10^exp; digits carry no trailing zeros; no digits means zero.
struct Decimal {
  bool neg = false;
  int count = 0;
  int exp = 0;
  char digits[24];
};

void TrimZeros(Decimal& d) {
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
  if (d.count == 0) d.exp = 0;
}

// The value's first `sig` significant digits, correctly rounded from its binary value. A value that
// is a double (every argument the program passes) is rendered by std::to_chars; a long double with
// more precision by the C library.
Decimal ToDecimal(long double v, int sig) {
  if (sig < 1) sig = 1;
  if (sig > 18) sig = 18;
  char buf[64];
  const char* end;
  const double narrow = static_cast<double>(v);
  if (static_cast<long double>(narrow) == v) {
    end = std::to_chars(buf, buf + sizeof buf, narrow, std::chars_format::scientific, sig - 1).ptr;
  } else {
    const int n = std::snprintf(buf, sizeof buf, "%.*Le", sig - 1, v);
    end = buf + (n > 0 ? std::min<int>(n, sizeof buf - 1) : 0);
  }
  Decimal d;
  const char* p = buf;
  if (p < end && *p == '-') {
    d.neg = true;
    ++p;
  }
  for (; p < end && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9' && d.count < 20) d.digits[d.count++] = *p;
  int e = 0;
  if (p < end && *p == 'e') std::from_chars(p + 1 + (p[1] == '+'), end, e);
  d.exp = e + 1;
  if (d.count > 0 && d.digits[0] == '0') d.count = 0;  // only zero renders with a leading zero
  TrimZeros(d);
  return d;
}

// Keeps the first n digits, rounding half away from zero on the decimal digits, as a reader of the
// text expects (0.125 to two decimals is 0.13).
void RoundAt(Decimal& d, int n) {
  if (n >= d.count) return;
  if (n < 0) {
    d.count = 0;
    d.exp = 0;
    return;
  }
  const bool up = d.digits[n] >= '5';
  d.count = n;
  if (up) {
    int i = n - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i < 0) {
      std::memmove(d.digits + 1, d.digits, static_cast<std::size_t>(d.count));
      d.digits[0] = '1';
      ++d.count;
      ++d.exp;
    } else {
      ++d.digits[i];
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

char DigitAt(const Decimal& d, int i) { return (i >= 0 && i < d.count) ? d.digits[i] : '0'; }

// The integer part's digits ("0" for none), with thousands separators when sep is not 0.
void AppendIntegerDigits(TextBuffer& out, const Decimal& d, char sep) {
  if (d.exp <= 0) {
    out.push('0');
    return;
  }
  for (int i = 0; i < d.exp; ++i) {
    out.push(DigitAt(d, i));
    if (sep && i + 1 < d.exp && (d.exp - 1 - i) % 3 == 0) out.push(sep);
  }
}

void AppendFractionDigits(TextBuffer& out, const Decimal& d, int decimals) {
  for (int i = 0; i < decimals; ++i) out.push(DigitAt(d, d.exp + i));
}

bool SpecialFloat(long double v, std::string_view& out) {
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

void AppendFixed(TextBuffer& out, const FormatSettings& fs, long double v, int decimals, bool thousands) {
  const Decimal d = Fixed(v, decimals);
  if (d.neg && d.count > 0) out.push('-');
  AppendIntegerDigits(out, d, thousands ? fs.ThousandSeparator : 0);
  if (decimals > 0) {
    out.push(fs.DecimalSeparator);
    AppendFractionDigits(out, d, decimals);
  }
}

void AppendExponentDigits(TextBuffer& out, int e, int minDigits, bool plus) {
  if (e < 0) out.push('-');
  else if (plus) out.push('+');
  AppendUnsigned(out, static_cast<std::uint64_t>(e < 0 ? -static_cast<std::int64_t>(e) : e), minDigits);
}

void AppendGeneral(TextBuffer& out, const FormatSettings& fs, long double v, int precision) {
  if (precision < 1 || precision > 18) precision = 15;
  const Decimal d = Significant(v, precision);
  if (d.count == 0) {
    out.push('0');
    return;
  }
  if (d.neg) out.push('-');
  if (d.exp > precision || d.exp < -4) {
    out.push(d.digits[0]);
    if (d.count > 1) {
      out.push(fs.DecimalSeparator);
      out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
    }
    out.push('E');
    AppendExponentDigits(out, d.exp - 1, 0, false);
    return;
  }
  AppendIntegerDigits(out, d, 0);
  if (d.count > d.exp) {
    out.push(fs.DecimalSeparator);
    AppendFractionDigits(out, d, d.count - d.exp);
  }
}

void AppendExponent(TextBuffer& out, const FormatSettings& fs, long double v, int precision, int minExp) {
  if (precision < 1 || precision > 18) precision = 15;
  const Decimal d = Significant(v, precision);
  if (d.neg && d.count > 0) out.push('-');
  out.push(DigitAt(d, 0));
  if (precision > 1) {
    out.push(fs.DecimalSeparator);
    for (int i = 1; i < precision; ++i) out.push(DigitAt(d, i));
  }
  out.push('E');
  AppendExponentDigits(out, d.count == 0 ? 0 : d.exp - 1, minExp, true);
}

void AppendFloat(TextBuffer& out, const FormatSettings& fs, long double value, FloatStyle style, int precision,
                 int digits) {
  std::string_view special;
  if (SpecialFloat(value, special)) {
    out.append(special);
    return;
  }
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  switch (style) {
    case FloatStyle::General:
      AppendGeneral(out, fs, value, precision);
      break;
    case FloatStyle::Exponent:
      AppendExponent(out, fs, value, precision, digits);
      break;
    case FloatStyle::Fixed:
      AppendFixed(out, fs, value, digits, false);
      break;
    case FloatStyle::Number:
      AppendFixed(out, fs, value, digits, true);
      break;
    case FloatStyle::Currency:  // the sign follows the currency sign: "$-3.50"
      out.append(fs.CurrencyString);
      AppendFixed(out, fs, value, digits, true);
      break;
  }
}

// ---- Format ----------------------------------------------------------------------------------

[[noreturn]] void InvalidFormat(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

[[noreturn]] void MissingArgument(std::string_view format) {
  throw EConvertError("No argument for format '" + std::string(format) + "'");
}

// An integer argument as an unsigned number of the width it was given with (for %u and %x).
std::uint64_t AsUnsigned(const FormatArg& a) {
  if (a.kind() == FormatArg::Kind::UInt) return a.asUInt();
  const auto u = static_cast<std::uint64_t>(a.asInt());
  return a.bits() >= 64 ? u : (u & ((std::uint64_t{1} << a.bits()) - 1));
}

}  // namespace

std::shared_ptr<const FormatSettings> CurrentFormatSettings() {
  SettingsStore& store = Store();
  plat::MutexLock lock(store.mutex);
  return store.current;
}

void InstallFormatSettings(const FormatSettings& settings) {
  auto s = std::make_shared<const FormatSettings>(settings);
  SettingsStore& store = Store();
  plat::MutexLock lock(store.mutex);
  store.kept.push_back(s);
  store.current = s;
  store.fast.store(s.get(), std::memory_order_release);
}

std::string FormatV(std::string_view format, std::span<const FormatArg> args) {
  return FormatV(Settings(), format, args);
}

std::string FormatV(const FormatSettings& fs, std::string_view format, std::span<const FormatArg> args) {
  using Kind = FormatArg::Kind;
  TextBuffer out;
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
    // Literal text up to the next directive in one piece.
    const std::size_t percent = format.find('%', i);
    const std::size_t stop = percent == std::string_view::npos ? n : percent;
    out.append(format.data() + i, stop - i);
    i = stop;
    if (i >= n) break;
    ++i;
    if (i >= n) InvalidFormat(format);
    if (format[i] == '%') {
      out.push('%');
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
    const long long width = num >= 0 ? num : readNumber();
    long long prec = -1;
    if (i < n && format[i] == '.') {
      ++i;
      prec = readNumber();
      if (prec < 0) prec = 0;
    }
    if (i >= n) InvalidFormat(format);
    const char type = utf8::AsciiUpper(format[i++]);
    const std::size_t start = out.size();
    switch (type) {
      case 'D': {
        const FormatArg& a = next();
        if (a.kind() == Kind::Int) {
          const std::int64_t v = a.asInt();
          if (v < 0) out.push('-');
          AppendUnsigned(out, v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v),
                         static_cast<int>(prec));
        } else if (a.kind() == Kind::UInt) {
          AppendUnsigned(out, a.asUInt(), static_cast<int>(prec));
        } else {
          InvalidFormat(format);
        }
        break;
      }
      case 'U': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Int && a.kind() != Kind::UInt) InvalidFormat(format);
        AppendUnsigned(out, AsUnsigned(a), static_cast<int>(prec));
        break;
      }
      case 'X': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Int && a.kind() != Kind::UInt) InvalidFormat(format);
        AppendHex(out, AsUnsigned(a), static_cast<int>(prec));
        break;
      }
      case 'P': {
        const FormatArg& a = next();
        if (a.kind() != Kind::Pointer) InvalidFormat(format);
        AppendHex(out, a.asUInt(), static_cast<int>(sizeof(void*) * 2));
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
        std::string_view special;
        if (SpecialFloat(v, special)) {
          out.append(special);
          break;
        }
        if (type == 'E') {
          AppendExponent(out, fs, v, prec < 0 ? 15 : static_cast<int>(prec), 3);
        } else if (type == 'G') {
          AppendGeneral(out, fs, v, prec < 0 ? 15 : static_cast<int>(prec));
        } else {
          int decimals = prec < 0 ? (type == 'M' ? fs.CurrencyDecimals : 2) : static_cast<int>(prec);
          if (decimals > 18) decimals = 18;
          if (type == 'F') AppendFixed(out, fs, v, decimals, false);
          else if (type == 'N') AppendFixed(out, fs, v, decimals, true);
          else AppendFloat(out, fs, v, FloatStyle::Currency, 15, decimals);
        }
        break;
      }
      case 'S': {
        const FormatArg& a = next();
        if (a.kind() != Kind::String && a.kind() != Kind::Char) InvalidFormat(format);
        std::string_view s = a.asText();
        if (prec >= 0) s = s.substr(0, utf8::OffsetOfChar(s, static_cast<std::size_t>(prec)));
        out.append(s);
        break;
      }
      default:
        InvalidFormat(format);
    }
    if (width > 0) {
      const std::size_t len = CharCount(out.from(start));
      if (static_cast<std::size_t>(width) > len) {
        const std::size_t pad = static_cast<std::size_t>(width) - len;
        if (left) out.fill(pad, ' ');
        else out.insertFill(start, pad, ' ');
      }
    }
  }
  return out.str();
}

std::string FloatToStrF(long double value, FloatStyle style, int precision, int digits) {
  return FloatToStrF(Settings(), value, style, precision, digits);
}

std::string FloatToStrF(const FormatSettings& fs, long double value, FloatStyle style, int precision,
                        int digits) {
  TextBuffer out;
  AppendFloat(out, fs, value, style, precision, digits);
  return out.str();
}

std::string FloatToStr(long double value) {
  return FloatToStrF(value, FloatStyle::General, 15, 0);
}

// ---- FormatFloat -----------------------------------------------------------------------------

namespace {

// The sections of a picture format, split at ";" outside quotes: at most three.
struct Sections {
  std::string_view part[3];
  int count = 0;
};

Sections SplitSections(std::string_view f) {
  Sections out;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && out.count < 2) {
      out.part[out.count++] = f.substr(start, i - start);
      start = i + 1;
    }
  }
  out.part[out.count++] = f.substr(start);
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

void AppendPicture(TextBuffer& out, const FormatSettings& fs, std::string_view s, long double v, bool minusSign) {
  const Picture p = Analyse(s);
  std::string intDigits, fracDigits;
  int exponent = 0;
  if (p.scientific) {
    const int lead = p.intPlaces > 0 ? p.intPlaces : 1;
    Decimal d = Significant(v, lead + p.decPlaces);
    if (d.count > 0) exponent = d.exp - lead;
    for (int i = 0; i < lead; ++i) intDigits += DigitAt(d, i);
    for (int i = 0; i < p.decPlaces; ++i) fracDigits += DigitAt(d, lead + i);
    while (intDigits.size() > 1 && intDigits[0] == '0') intDigits.erase(0, 1);
    if (d.count == 0) intDigits.clear();
  } else {
    const Decimal d = Fixed(v, p.decPlaces);
    for (int i = 0; i < d.exp; ++i) intDigits += DigitAt(d, i);
    for (int i = 0; i < p.decPlaces; ++i) fracDigits += DigitAt(d, d.exp + i);
  }
  while (static_cast<int>(fracDigits.size()) > p.minDecDigits && fracDigits.back() == '0') fracDigits.pop_back();
  if (static_cast<int>(intDigits.size()) < p.minIntDigits)
    intDigits.insert(0, static_cast<std::size_t>(p.minIntDigits) - intDigits.size(), '0');
  const bool allZero = intDigits.find_first_not_of('0') == std::string::npos &&
                       fracDigits.find_first_not_of('0') == std::string::npos;

  if (minusSign && !allZero) out.push('-');
  const int len = static_cast<int>(intDigits.size());
  auto emitDigit = [&](int j) {
    out.push(intDigits[static_cast<std::size_t>(j)]);
    if (p.thousands && j + 1 < len && (len - 1 - j) % 3 == 0) out.push(fs.ThousandSeparator);
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
      else out.push(c);
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
      if (fracSeen < static_cast<int>(fracDigits.size())) out.push(fracDigits[static_cast<std::size_t>(fracSeen)]);
      ++fracSeen;
    } else if (c == '.' && !pointDone) {
      if (p.intPlaces == 0) flushInt();
      pointDone = true;
      if (!fracDigits.empty()) out.push(fs.DecimalSeparator);
    } else if (c == ',') {
      // a thousands marker, no literal
    } else if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      out.push(c);
      const bool plus = s[i + 1] == '+';
      i += 2;
      int zeros = 0;
      while (i < s.size() && s[i] == '0') {
        ++zeros;
        ++i;
      }
      --i;
      AppendExponentDigits(out, exponent, zeros, plus);
    } else {
      out.push(c);
    }
  }
  if (p.intPlaces == 0 && !pointDone) flushInt();
}

}  // namespace

std::string FormatFloat(std::string_view format, long double value) {
  return FormatFloat(Settings(), format, value);
}

std::string FormatFloat(const FormatSettings& fs, std::string_view format, long double value) {
  TextBuffer out;
  std::string_view special;
  if (SpecialFloat(value, special)) {
    out.append(special);
  } else if (format.empty()) {
    AppendGeneral(out, fs, value, 15);
  } else {
    const Sections sections = SplitSections(format);
    if (value < 0 && sections.count >= 2 && !sections.part[1].empty())
      AppendPicture(out, fs, sections.part[1], -value, false);
    else if (value == 0 && sections.count >= 3 && !sections.part[2].empty())
      AppendPicture(out, fs, sections.part[2], 0, false);
    else
      AppendPicture(out, fs, sections.part[0], value < 0 ? -value : value, value < 0);
  }
  return out.str();
}

// ---- FormatDateTime --------------------------------------------------------------------------

namespace {

void AppendNumber(TextBuffer& out, int v, int minDigits) {
  if (v < 0 || v > 9999) {
    if (v < 0) out.push('-');
    AppendUnsigned(out, static_cast<std::uint64_t>(v < 0 ? -static_cast<std::int64_t>(v) : v), minDigits);
    return;
  }
  // The parts of a date: up to four digits, written without a library call.
  if (v < 100 && minDigits == 2) {
    char two[2] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    out.append(two, 2);
    return;
  }
  char buf[4];
  int n = 0;
  do {
    buf[3 - n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  while (n < minDigits && n < 4) buf[3 - n++] = '0';
  if (minDigits > 4) out.fill(static_cast<std::size_t>(minDigits - 4), '0');
  for (int k = 4 - n; k < 4; ++k) out.push(buf[k]);
}

// `what` (lower-case ASCII) stands at i, in any letter case.
bool StartsWithText(std::string_view s, std::size_t i, std::string_view what) {
  if (i + what.size() > s.size()) return false;
  for (std::size_t k = 0; k < what.size(); ++k) {
    char c = s[i + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != what[k]) return false;
  }
  return true;
}

bool HasAmPm(std::string_view f) {
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    else if ((c == 'a' || c == 'A') &&
             (StartsWithText(f, i, "am/pm") || StartsWithText(f, i, "a/p") || StartsWithText(f, i, "ampm")))
      return true;
  }
  return false;
}

void AppendDateTime(TextBuffer& out, const FormatSettings& fs, std::string_view f, const DateParts& t, int depth) {
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
      const char upper = utf8::AsciiUpper(c);
      count = 0;
      while (i < f.size() && utf8::AsciiUpper(f[i]) == upper) {
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
        else if (count == 3) out.append(fs.ShortMonthNames[static_cast<std::size_t>(t.month - 1)]);
        else out.append(fs.LongMonthNames[static_cast<std::size_t>(t.month - 1)]);
        break;
      case 'N':
        takeRun();
        AppendNumber(out, t.minute, count >= 2 ? 2 : 1);
        break;
      case 'D':
        takeRun();
        if (count <= 2) AppendNumber(out, t.day, static_cast<int>(count));
        else if (count == 3) out.append(fs.ShortDayNames[static_cast<std::size_t>(t.dayOfWeek - 1)]);
        else if (count == 4) out.append(fs.LongDayNames[static_cast<std::size_t>(t.dayOfWeek - 1)]);
        else if (count == 5) AppendDateTime(out, fs, fs.ShortDateFormat, t, depth + 1);
        else AppendDateTime(out, fs, fs.LongDateFormat, t, depth + 1);
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
        AppendDateTime(out, fs, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, t, depth + 1);
        break;
      case 'C':
        ++i;
        AppendDateTime(out, fs, fs.ShortDateFormat, t, depth + 1);
        if (t.hour || t.minute || t.second || t.msec) {
          out.push(' ');
          AppendDateTime(out, fs, fs.LongTimeFormat, t, depth + 1);
        }
        break;
      case 'A':
        if (StartsWithText(f, i, "am/pm")) {
          out.append(t.hour >= 12 ? f.substr(i + 3, 2) : f.substr(i, 2));
          i += 5;
        } else if (StartsWithText(f, i, "a/p")) {
          out.push(t.hour >= 12 ? f[i + 2] : f[i]);
          i += 3;
        } else if (StartsWithText(f, i, "ampm")) {
          out.append(t.hour >= 12 ? fs.TimePMString : fs.TimeAMString);
          i += 4;
        } else {
          out.push(c);
          ++i;
        }
        break;
      case '/':
        out.append(fs.DateSeparator);
        ++i;
        break;
      case ':':
        out.append(fs.TimeSeparator);
        ++i;
        break;
      case '\'':
      case '"': {
        const std::size_t end = f.find(c, i + 1);
        const std::size_t stop = end == std::string_view::npos ? f.size() : end;
        out.append(f.substr(i + 1, stop - i - 1));
        i = end == std::string_view::npos ? f.size() : end + 1;
        break;
      }
      default: {
        const std::size_t len = static_cast<unsigned char>(c) < 0x80 ? 1 : utf8::CharLen(f, i);
        out.append(f.substr(i, len));
        i += len;
        break;
      }
    }
  }
}

}  // namespace

std::string FormatDateTime(std::string_view format, double dateTime) {
  return FormatDateTime(Settings(), format, dateTime);
}

std::string FormatDateTime(const FormatSettings& fs, std::string_view format, double dateTime) {
  const DateParts t = DecodeDateTime(dateTime);
  TextBuffer out;
  AppendDateTime(out, fs, format, t, 0);
  return out.str();
}

}  // namespace olv
