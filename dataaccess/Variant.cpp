#include "dataaccess/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "dataaccess/DAErrors.h"
#include "dataaccess/FormatSettings.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

[[noreturn]] void CannotConvert() { throw Exception("Cannot convert type."); }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// Days from 0001-01-01 (proleptic Gregorian) to the given date; 1899-12-30 is the day-number origin.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;  // days since 1970-01-01
}

void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

const std::int64_t kUnixToDayNumber = 25569;  // 1970-01-01 as a day number

}  // namespace

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string text(buf, result.ptr);
  for (char& c : text)
    if (c == '.') c = FormatSettings().DecimalSeparator;
  return text;
}

double EncodeDayNumber(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
    throw EConvertError("Invalid argument to date encode");
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                             kUnixToDayNumber);
}

TDateTimeParts DecodeDateTime(double dayNumber) {
  double whole = std::trunc(dayNumber);
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(dayNumber - whole) * 86400000.0));
  // A time that rounds up to midnight belongs to the next day (the previous one before the origin).
  if (ms >= 86400000) {
    whole += dayNumber < 0 ? -1 : 1;
    ms -= 86400000;
  }
  TDateTimeParts parts;
  unsigned m, d;
  CivilFromDays(static_cast<std::int64_t>(whole) - kUnixToDayNumber, parts.Year, m, d);
  parts.Month = static_cast<int>(m);
  parts.Day = static_cast<int>(d);
  parts.Hour = static_cast<int>(ms / 3600000);
  parts.Minute = static_cast<int>(ms / 60000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.MSec = static_cast<int>(ms % 1000);
  return parts;
}

double EncodeDateTime(const TDateTimeParts& parts) {
  const double day = EncodeDayNumber(parts.Year, parts.Month, parts.Day);
  if (parts.Hour < 0 || parts.Hour > 23 || parts.Minute < 0 || parts.Minute > 59 || parts.Second < 0 ||
      parts.Second > 59 || parts.MSec < 0 || parts.MSec > 999)
    throw EConvertError("Invalid argument to time encode");
  const double time =
      ((parts.Hour * 60.0 + parts.Minute) * 60.0 + parts.Second) * 1000.0 + parts.MSec;
  return day < 0 ? day - time / 86400000.0 : day + time / 86400000.0;
}

std::string DateTimeToText(double dayNumber) {
  double whole = std::floor(dayNumber);
  // Milliseconds of the day, rounded; a value that rounds up to midnight belongs to the next day.
  auto ms = static_cast<std::int64_t>(std::llround((dayNumber - whole) * 86400000.0));
  if (ms >= 86400000) {
    whole += 1;
    ms -= 86400000;
  }
  int y;
  unsigned m, d;
  CivilFromDays(static_cast<std::int64_t>(whole) - kUnixToDayNumber, y, m, d);
  const char sep = FormatSettings().DateSeparator;
  std::string text = std::to_string(y) + sep + std::to_string(m) + sep + std::to_string(d);
  if (ms != 0) {
    std::int64_t s = ms / 1000;
    char buf[16];
    auto two = [&](std::int64_t v, char* p) {
      p[0] = static_cast<char>('0' + v / 10);
      p[1] = static_cast<char>('0' + v % 10);
    };
    two(s / 3600, buf);
    buf[2] = FormatSettings().TimeSeparator;
    two(s / 60 % 60, buf + 3);
    buf[5] = FormatSettings().TimeSeparator;
    two(s % 60, buf + 6);
    text += ' ';
    text.append(buf, 8);
  }
  return text;
}

double TextToFloat(std::string_view text) {
  std::string_view t = TrimBlanks(text);
  std::string copy(t);
  for (char& c : copy)
    if (c == FormatSettings().DecimalSeparator) c = '.';
  std::string_view s = copy;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double value = 0;
  auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || result.ec != std::errc() || result.ptr != s.data() + s.size())
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return value;
}

std::int64_t TextToInt(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  std::int64_t value = 0;
  auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || result.ec != std::errc() || result.ptr != s.data() + s.size())
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

double TextToDateTime(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  const std::string original(text);
  auto fail = [&]() -> double { throw EConvertError("'" + original + "' is not a valid date"); };
  auto number = [&](char stop, bool required) -> int {
    std::size_t n = 0;
    int v = 0;
    while (n < s.size() && n < 5 && s[n] >= '0' && s[n] <= '9') v = v * 10 + (s[n++] - '0');
    if (n == 0) fail();
    s.remove_prefix(n);
    if (!s.empty() && s.front() == stop) {
      s.remove_prefix(1);
    } else if (required) {
      fail();
    }
    return v;
  };
  const char ds = FormatSettings().DateSeparator, ts = FormatSettings().TimeSeparator;
  int y = number(ds, true), m = number(ds, true), d = number(' ', false);
  double day = EncodeDayNumber(y, m, d);
  if (s.empty()) return day;
  int h = number(ts, true), n = number(ts, false), sec = s.empty() ? 0 : number('\0', false);
  if (!s.empty() || h > 23 || n > 59 || sec > 59) fail();
  return day + (h * 3600 + n * 60 + sec) / 86400.0;
}

Variant Variant::Null() { return Variant(varNull, std::int64_t{0}); }
Variant Variant::Smallint(std::int16_t v) { return Variant(varSmallint, std::int64_t{v}); }
Variant Variant::ShortInt(std::int8_t v) { return Variant(varShortInt, std::int64_t{v}); }
Variant Variant::Byte(std::uint8_t v) { return Variant(varByte, std::int64_t{v}); }
Variant Variant::Word(std::uint16_t v) { return Variant(varWord, std::int64_t{v}); }
Variant Variant::LongWord(std::uint32_t v) { return Variant(varLongWord, std::int64_t{v}); }
Variant Variant::Single(float v) { return Variant(varSingle, static_cast<double>(v)); }
Variant Variant::Currency(double v) { return Variant(varCurrency, static_cast<std::int64_t>(std::llround(v * 10000.0))); }
Variant Variant::Date(double dayNumber) { return Variant(varDate, dayNumber); }

Variant::Variant(std::int32_t v) : type_(varInteger), value_(std::int64_t{v}) {}
Variant::Variant(std::int64_t v) : type_(varInt64), value_(v) {}
Variant::Variant(double v) : type_(varDouble), value_(v) {}
Variant::Variant(bool v) : type_(varBoolean), value_(v) {}
Variant::Variant(const char* v) : type_(varString), value_(std::string(v ? v : "")) {}
Variant::Variant(std::string v) : type_(varString), value_(std::move(v)) {}
Variant::Variant(const char16_t* v) : type_(varOleStr), value_(std::u16string(v ? v : u"")) {}
Variant::Variant(std::u16string v) : type_(varOleStr), value_(std::move(v)) {}
Variant::Variant(std::vector<std::uint8_t> bytes) : type_(varByteArray), value_(std::move(bytes)) {}

bool Variant::IsIntegral() const {
  switch (type_) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return true;
    default:
      return false;
  }
}

bool Variant::IsFloating() const { return type_ == varSingle || type_ == varDouble || type_ == varDate; }

std::string Variant::AsString() const {
  if (IsIntegral()) return std::to_string(std::get<std::int64_t>(value_));
  switch (type_) {
    case varEmpty: case varNull:
      return {};
    case varSingle: case varDouble:
      return FloatToText(std::get<double>(value_));
    case varCurrency:
      return FloatToText(static_cast<double>(std::get<std::int64_t>(value_)) / 10000.0);
    case varDate:
      return DateTimeToText(std::get<double>(value_));
    case varBoolean:
      return std::get<bool>(value_) ? "True" : "False";
    case varString:
      return std::get<std::string>(value_);
    case varOleStr:
      return Utf16ToUtf8(std::get<std::u16string>(value_));
    default:
      CannotConvert();
  }
}

std::u16string Variant::AsWideString() const {
  if (type_ == varOleStr) return std::get<std::u16string>(value_);
  return Utf8ToUtf16(AsString());
}

std::int64_t Variant::AsInt64() const {
  if (IsIntegral()) return std::get<std::int64_t>(value_);
  switch (type_) {
    case varEmpty:
      return 0;
    case varSingle: case varDouble: case varDate: {
      double v = std::nearbyint(std::get<double>(value_));
      if (!(v >= -9.2e18 && v <= 9.2e18)) throw EConvertError("Invalid variant type conversion");
      return static_cast<std::int64_t>(v);
    }
    case varCurrency:
      return std::llround(static_cast<double>(std::get<std::int64_t>(value_)) / 10000.0);
    case varBoolean:
      return std::get<bool>(value_) ? -1 : 0;
    case varString: case varOleStr:
      return TextToInt(AsString());
    default:
      CannotConvert();
  }
}

std::int32_t Variant::AsInteger() const {
  std::int64_t v = AsInt64();
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    throw EConvertError("Invalid variant type conversion");
  return static_cast<std::int32_t>(v);
}

double Variant::AsDouble() const {
  if (IsIntegral()) return static_cast<double>(std::get<std::int64_t>(value_));
  switch (type_) {
    case varEmpty:
      return 0;
    case varSingle: case varDouble: case varDate:
      return std::get<double>(value_);
    case varCurrency:
      return static_cast<double>(std::get<std::int64_t>(value_)) / 10000.0;
    case varBoolean:
      return std::get<bool>(value_) ? -1 : 0;
    case varString: case varOleStr:
      return TextToFloat(AsString());
    default:
      CannotConvert();
  }
}

bool Variant::AsBoolean() const {
  if (type_ == varBoolean) return std::get<bool>(value_);
  if (type_ == varString || type_ == varOleStr) {
    std::string t = AsciiUpper(TrimBlanks(AsString()));
    if (t == "TRUE") return true;
    if (t == "FALSE") return false;
    return TextToFloat(t) != 0;
  }
  if (type_ == varNull || type_ == varByteArray) CannotConvert();
  return AsDouble() != 0;
}

double Variant::AsDate() const {
  if (type_ == varString || type_ == varOleStr) return TextToDateTime(AsString());
  if (type_ == varBoolean || type_ == varNull || type_ == varByteArray) CannotConvert();
  return AsDouble();
}

Variant Variant::ArrayOf(std::vector<Variant> items, int lowBound) {
  Variant v;
  v.type_ = varVariantArray;
  v.value_ = std::make_shared<const VarArrayData>(VarArrayData{lowBound, std::move(items)});
  return v;
}

Variant Variant::CreateArray(int lowBound, int highBound) {
  return ArrayOf(std::vector<Variant>(highBound >= lowBound ? static_cast<std::size_t>(highBound - lowBound + 1) : 0),
                 lowBound);
}

namespace {
[[noreturn]] void BadIndex() { throw Exception("Variant or safe array index out of bounds"); }
}  // namespace

int Variant::ArrayLowBound() const {
  if (type_ == varByteArray) return 0;
  if (type_ != varVariantArray) CannotConvert();
  return std::get<std::shared_ptr<const VarArrayData>>(value_)->LowBound;
}

int Variant::ArrayHighBound() const {
  if (type_ == varByteArray) return static_cast<int>(AsBytes().size()) - 1;
  return ArrayLowBound() + static_cast<int>(ArrayItems().size()) - 1;
}

const std::vector<Variant>& Variant::ArrayItems() const {
  if (type_ != varVariantArray) CannotConvert();
  return std::get<std::shared_ptr<const VarArrayData>>(value_)->Items;
}

Variant Variant::ArrayItem(int index) const {
  if (index < ArrayLowBound() || index > ArrayHighBound()) BadIndex();
  if (type_ == varByteArray) return Byte(AsBytes()[static_cast<std::size_t>(index)]);
  return ArrayItems()[static_cast<std::size_t>(index - ArrayLowBound())];
}

void Variant::SetArrayItem(int index, Variant value) {
  if (type_ != varVariantArray) CannotConvert();
  if (index < ArrayLowBound() || index > ArrayHighBound()) BadIndex();
  auto& data = std::get<std::shared_ptr<const VarArrayData>>(value_);
  auto copy = std::make_shared<VarArrayData>(*data);  // other copies of this value keep theirs
  copy->Items[static_cast<std::size_t>(index - copy->LowBound)] = std::move(value);
  data = std::move(copy);
}

void Variant::RedimArray(int highBound) {
  if (type_ != varVariantArray) CannotConvert();
  auto& data = std::get<std::shared_ptr<const VarArrayData>>(value_);
  if (highBound < data->LowBound - 1) BadIndex();
  auto copy = std::make_shared<VarArrayData>(*data);
  copy->Items.resize(static_cast<std::size_t>(highBound - copy->LowBound + 1));
  data = std::move(copy);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.type_ != b.type_) return false;
  if (a.type_ != varVariantArray) return a.value_ == b.value_;
  const auto& x = *std::get<std::shared_ptr<const VarArrayData>>(a.value_);
  const auto& y = *std::get<std::shared_ptr<const VarArrayData>>(b.value_);
  return x.LowBound == y.LowBound && x.Items == y.Items;
}

const std::vector<std::uint8_t>& Variant::AsBytes() const {
  if (type_ != varByteArray) CannotConvert();
  return std::get<std::vector<std::uint8_t>>(value_);
}

}  // namespace da
