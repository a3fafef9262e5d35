#pragma once
// The one formatting engine of the library: every number and date text of the program goes
// through it, so the program writes "." as decimal separator and up to 15 significant digits for a
// general float whatever the C locale says. Format strings are interpreted here, never handed to
// printf, so a format typed by a user can at worst raise EConvertError.
//
//   Format("%d %s %g %.2f %x %5s", {42, "text", 2.5, 3.14159, 255, "ab"})
//   FormatFloat("#,##0.00", 1234.5)          -> "1,234.50"
//   FormatDateTime("yyyy.mm.dd hh:nn:ss", t) -> "2004.03.02 06:05:09"
//
// Format directives: "%" [index ":"] ["-"] [width] ["." precision] type, where index, width and
// precision may be "*" (taken from the next integer argument) and type is one of
//   d  integer, precision = minimum digits      u  unsigned integer
//   x  upper-case hexadecimal                    e  scientific, precision = significant digits (15)
//   f  fixed, precision = decimals (2)           g  general, precision = significant digits (15)
//   n  fixed with thousand separators (2)        m  money: currency sign, separators, decimals
//   p  pointer, hexadecimal                      s  text or character, precision = maximum length
// and "%%" writes "%". Width and precision of texts count characters, not bytes. An argument of the
// wrong kind, a missing argument or a broken directive raise EConvertError with
// "Format '<format>' invalid or incompatible with argument" or "No argument for format '<format>'".
// Integers do not format as floats nor floats as integers; Booleans format only as their names.
//
// Date formats (FormatDateTime; letters in either case, literal text in '...' or "..."):
//   y yy  two-digit year     yyy yyyy  four-digit year
//   m mm  month (minutes when it follows an h)     mmm mmmm  short / long month name
//   d dd  day   ddd dddd  short / long day name    ddddd dddddd  short / long date format
//   h hh  hour (12-hour when an am/pm specifier is present)   n nn  minute   s ss  second
//   z  milliseconds   zzz  three-digit milliseconds
//   am/pm  a/p  ampm  morning/afternoon marks      c  short date, then long time when not midnight
//   t  short time   tt  long time   /  date separator   :  time separator
// An empty format means "c". Other characters are copied.
//
// Settings: the library-wide FormatSettings are installed once at start-up (olv::StartUp) and read
// by every thread afterwards; the functions taking a FormatSettings use that one instead.
#include <array>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <type_traits>
#include <string>
#include <string_view>

namespace olv {

struct FormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn";
  std::string LongTimeFormat = "h:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  int CurrencyDecimals = 2;
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// The library-wide settings (a snapshot; later installs do not change it).
std::shared_ptr<const FormatSettings> CurrentFormatSettings();
void InstallFormatSettings(const FormatSettings& settings);

// One typed argument of Format. Holds texts by view: build the arguments in the call expression.
class FormatArg {
 public:
  enum class Kind { Int, UInt, Float, String, Char, Bool, Pointer };

  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  FormatArg(T v) : bits_(sizeof(T) * 8) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Int;
      i_ = v;
    } else {
      kind_ = Kind::UInt;
      u_ = v;
    }
  }
  FormatArg(bool v) : kind_(Kind::Bool), i_(v) {}
  FormatArg(char c) : kind_(Kind::Char), c_(c) {}
  FormatArg(float v) : kind_(Kind::Float), f_(v) {}
  FormatArg(double v) : kind_(Kind::Float), f_(v) {}
  FormatArg(long double v) : kind_(Kind::Float), f_(v) {}
  FormatArg(const char* s) : FormatArg(std::string_view(s ? s : "")) {}
  FormatArg(std::string_view s) : kind_(Kind::String), s_{s.data(), s.size()} {}
  FormatArg(const std::string& s) : FormatArg(std::string_view(s)) {}
  FormatArg(const void* p) : kind_(Kind::Pointer), u_(reinterpret_cast<std::uintptr_t>(p)) {}

  Kind kind() const { return kind_; }
  int bits() const { return bits_; }          // width of the integer type given
  // Each reads the value of its own kinds: asInt Int and Bool, asUInt UInt and Pointer, asFloat
  // Float, asText String and Char.
  std::int64_t asInt() const { return i_; }
  std::uint64_t asUInt() const { return u_; }
  long double asFloat() const { return f_; }
  std::string_view asText() const {
    return kind_ == Kind::Char ? std::string_view(&c_, 1) : std::string_view(s_.data, s_.size);
  }

 private:
  struct Text {
    const char* data;
    std::size_t size;
  };
  Kind kind_;
  int bits_ = 64;
  union {  // one value, of the kind's type
    std::int64_t i_;
    std::uint64_t u_;
    long double f_;
    Text s_;
    char c_;
  };
};

std::string FormatV(std::string_view format, std::span<const FormatArg> args);
std::string FormatV(const FormatSettings& fs, std::string_view format, std::span<const FormatArg> args);

inline std::string Format(std::string_view format, std::initializer_list<FormatArg> args = {}) {
  return FormatV(format, std::span<const FormatArg>(args.begin(), args.size()));
}
inline std::string Format(const FormatSettings& fs, std::string_view format,
                          std::initializer_list<FormatArg> args) {
  return FormatV(fs, format, std::span<const FormatArg>(args.begin(), args.size()));
}

// Floating texts of the engine's own kinds.
enum class FloatStyle { General, Exponent, Fixed, Number, Currency };
// precision: significant digits for General/Exponent; digits: decimals for Fixed/Number/Currency,
// minimum exponent digits for Exponent.
std::string FloatToStrF(long double value, FloatStyle style, int precision, int digits);
std::string FloatToStrF(const FormatSettings& fs, long double value, FloatStyle style,
                        int precision, int digits);
// General form with 15 significant digits: 2.5 -> "2.5", 1e20 -> "1E20", 0.1 + 0.2 -> "0.3".
std::string FloatToStr(long double value);

// Picture formats of "0", "#", ".", ",", "E+00", quoted text and up to three sections
// "positive;negative;zero". An empty format gives FloatToStr.
std::string FormatFloat(std::string_view format, long double value);
std::string FormatFloat(const FormatSettings& fs, std::string_view format, long double value);

// Date-time texts (TDateTime from foundation/text/DateTime.h; a day number counted from 1899-12-30).
std::string FormatDateTime(std::string_view format, double dateTime);
std::string FormatDateTime(const FormatSettings& fs, std::string_view format, double dateTime);

}  // namespace olv
