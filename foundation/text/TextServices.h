#pragma once
// Small text services of the library: trimming, repeating, hexadecimal, whole-character copies,
// number conversions and the Boolean names. Positions are 1-based byte positions, full width.
// Texts are UTF-8: case folding touches ASCII only and copies never end inside a multi-byte
// character. All functions are pure and may be called from any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace olv {

inline constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// Remove leading / trailing NUL, tab, line feed, carriage return and blank; other control
// characters stay.
std::string TrimLeftBlank(std::string_view text);
std::string TrimRightBlank(std::string_view text);

std::string RepeatChar(char ch, std::size_t count);
std::string Spaces(std::size_t count);
inline std::string IfThenStr(bool flag, std::string_view a, std::string_view b) {
  return std::string(flag ? a : b);
}
inline std::int64_t MinInt(std::int64_t a, std::int64_t b) { return a < b ? a : b; }

// Last position of ch in the text, 0 when absent (any length of text).
std::size_t LastCharPos(char ch, std::string_view text);

// Deletes `count` bytes at pos and inserts `insert` there (positions outside the text clamp).
void ReplaceAt(std::string& text, std::size_t pos, std::size_t count, std::string_view insert);

// Two upper-case hexadecimal digits.
std::string ByteToHex(std::uint8_t b);

// The text lower-cased (ASCII), then its first byte upper-cased when it is a-z.
std::string CapitalizeFirst(std::string_view text);

// True when pos starts a character (always for pos 1 and for the end of the text).
bool IsCharStart(std::string_view text, std::size_t pos);

// Copy of `count` bytes from `start` that neither begins nor ends inside a multi-byte character:
// a start inside one moves back to its first byte, a last character that does not fit is left out.
std::string CopyWholeChars(std::string_view text, std::size_t start, std::size_t count);

// Integer text with an optional sign, decimal, "$" hexadecimal or "0x" hexadecimal; the empty text
// is 0. Raises EConvertError ("'<text>' is not a valid integer value") on anything else.
std::int64_t StrToIntSigned(std::string_view text);

// The floating value of the longest valid beginning of the text ("12.5kg" is 12.5; no number is
// 0). "." is the decimal separator whatever the locale.
long double StrToFloatPrefix(std::string_view text);
// The whole text as a floating value; false when any of it is not part of the number.
bool TryStrToFloat(std::string_view text, long double& value);

// Fixed-point text of value with `decimals` decimals, right-aligned in `width` characters.
std::string FloatToFixed(int width, int decimals, long double value);

// Value rounded to `digits` decimals (to tens, hundreds... for negative digits), ties to even.
long double RoundToDigits(int digits, long double value);

// The Boolean names, false first.
inline std::array<std::string_view, 2> GetBoolNames() { return {"No", "Yes"}; }
inline std::array<std::string_view, 2> GetBoolChars() { return {"N", "Y"}; }

// Zero-terminated texts of callers that hold raw pointers; a null pointer is the empty text.
std::size_t PCharLen(const char* p);
std::string PCharCopy(const char* p);
std::string ConcatToPChar(const std::vector<std::string>& strings);

// Destroys the owned object, if any, and swallows whatever its destruction throws.
template <class T>
void SafeFreeAndNil(std::unique_ptr<T>& obj) noexcept {
  try {
    obj.reset();
  } catch (...) {
  }
}

}  // namespace olv
