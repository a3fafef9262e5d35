#pragma once
// Oracle NUMBER bytes to and from integers and floats, as the direct network client sends and
// receives them: an exponent byte and up to 20 base-100 digits (negative numbers complemented and,
// below 20 digits, ended by the byte 102). Zero is 0x80, plus infinity 0xFF 0x65, minus infinity
// the single byte 0x00.
//
// A value that its target cannot hold raises EOraNetError: 1455 for an integer target, 1426 for a
// float outside what a NUMBER holds (NaN, magnitudes of 1e126 and more, or below 1e-130).
// Malformed bytes (empty, more than 21, digits out of range) raise EDBError 1. Pure functions.
#include <cstddef>
#include <cstdint>

namespace ora {

inline constexpr std::size_t kOraNumberMaxBytes = 21;
// Room for any NUMBER written here (the exponent, 20 digits and the negative terminator).
inline constexpr std::size_t kOraNumberBuffer = 22;

// The bytes written to `out`; their count.
std::size_t IntToOraNumber(std::int64_t value, std::uint8_t out[kOraNumberBuffer]);
std::size_t FloatToOraNumber(double value, std::uint8_t out[kOraNumberBuffer]);

// The integer part (the fraction dropped), checked against a signed target of `width` bytes
// (1, 2, 4 or 8).
std::int64_t OraNumberToInt(const std::uint8_t* bytes, std::size_t count, int width = 8);
double OraNumberToFloat(const std::uint8_t* bytes, std::size_t count);

}  // namespace ora
