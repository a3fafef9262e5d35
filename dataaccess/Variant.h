#pragma once
// Variant: one value of any of the platform's variant types, with the platform's distinct type
// tags (a 16-bit integer is not a 32-bit one, a date is not a double, a wide string is not a
// string). Record fields are read and written as variants, and filter expressions compare them.
//
// Conversions follow the shared format settings: "." as decimal separator, up to 15 significant
// digits for a floating value, dates as year.month.day. A text that does not convert raises
// EConvertError; a type that has no such conversion raises Exception "Cannot convert type.".
// Variant arrays hold variants between a low and a high bound (VarArrayOf gives 0 .. n-1; a DML
// array parameter 1 .. n); their element access is bounds-checked.
// A value type: copies are independent (an array is shared until one copy changes it).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace da {

enum TVarType : std::uint16_t {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,  // 16-bit signed
  varInteger = 0x0003,   // 32-bit signed
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,  // fixed point, four decimals
  varDate = 0x0007,      // day number: days since 1899-12-30, time as the fraction
  varOleStr = 0x0008,    // wide (UTF-16) string
  varBoolean = 0x000B,
  varShortInt = 0x0010,  // 8-bit signed
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varString = 0x0100,     // single-byte (UTF-8) string
  varVariant = 0x000C,
  varArray = 0x2000,
  varByteArray = 0x2011,     // array of bytes indexed from 0
  varVariantArray = 0x200C,  // array of variants with its own bounds
};

class Variant;
struct VarArrayData;

class Variant {
 public:
  Variant() = default;  // Empty
  static Variant Null();
  static Variant Smallint(std::int16_t v);
  static Variant ShortInt(std::int8_t v);
  static Variant Byte(std::uint8_t v);
  static Variant Word(std::uint16_t v);
  static Variant LongWord(std::uint32_t v);
  static Variant Single(float v);
  static Variant Currency(double v);  // rounded to four decimals
  static Variant Date(double dayNumber);
  // An array of the items, the first at lowBound.
  static Variant ArrayOf(std::vector<Variant> items, int lowBound = 0);
  // An array lowBound .. highBound of Empty items (none when highBound < lowBound).
  static Variant CreateArray(int lowBound, int highBound);

  Variant(std::int32_t v);
  Variant(std::int64_t v);
  Variant(double v);
  Variant(bool v);
  Variant(const char* v);
  Variant(std::string v);
  Variant(const char16_t* v);
  Variant(std::u16string v);
  Variant(std::vector<std::uint8_t> bytes);

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
  bool IsByteArray() const { return type_ == varByteArray; }
  bool IsArray() const { return type_ == varVariantArray; }

  std::string AsString() const;
  std::u16string AsWideString() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  double AsDate() const;
  const std::vector<std::uint8_t>& AsBytes() const;  // byte arrays only

  // Arrays of variants and byte arrays (whose bounds are 0 .. size - 1); "Cannot convert type." for
  // other values, Exception "Variant or safe array index out of bounds" for an index outside them.
  int ArrayLowBound() const;
  int ArrayHighBound() const;
  int ArrayCount() const { return ArrayHighBound() - ArrayLowBound() + 1; }
  Variant ArrayItem(int index) const;
  void SetArrayItem(int index, Variant value);          // arrays of variants only
  void RedimArray(int highBound);                       // keeps the low bound; new items Empty
  const std::vector<Variant>& ArrayItems() const;       // arrays of variants only

  // Same type tag and same value (arrays: same bounds and equal items).
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  Variant(TVarType type, std::int64_t v) : type_(type), value_(v) {}
  Variant(TVarType type, double v) : type_(type), value_(v) {}

  bool IsIntegral() const;
  bool IsFloating() const;

  TVarType type_ = varEmpty;
  // Integers (and currency, as units of 1/10000) in int64, floating values and dates in double.
  std::variant<std::monostate, std::int64_t, double, bool, std::string, std::u16string, std::vector<std::uint8_t>,
               std::shared_ptr<const VarArrayData>>
      value_;
};

struct VarArrayData {
  int LowBound = 0;
  std::vector<Variant> Items;
};

// Text forms of the shared format settings, also used by the record store.
std::string FloatToText(double value);              // up to 15 significant digits, "." separator
std::string DateTimeToText(double dayNumber);       // "2024.3.5", "2024.3.5 07:08:09" with a time
double TextToFloat(std::string_view text);          // EConvertError when not a number
std::int64_t TextToInt(std::string_view text);      // EConvertError when not an integer
double TextToDateTime(std::string_view text);       // "y.m.d[ h:n[:s]]"; EConvertError otherwise
double EncodeDayNumber(int year, int month, int day);  // EConvertError for an invalid date

// A day number taken apart and put together again, to the millisecond. Before 1899-12-30 the
// fraction is still the time of day (-1.25 is 1899-12-29 06:00), as everywhere in this layer.
struct TDateTimeParts {
  int Year = 1, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};
TDateTimeParts DecodeDateTime(double dayNumber);
double EncodeDateTime(const TDateTimeParts& parts);  // EConvertError for an invalid date or time

}  // namespace da
