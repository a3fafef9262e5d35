#pragma once
// The 16-bit data type codes carried by field descriptors, parameter descriptions and object
// attributes. The framework owns 0 to 26; the Oracle layer adds its own from 100 up.
#include <cstdint>

namespace da {

using TDataType = std::uint16_t;

inline constexpr TDataType dtUnknown = 0;
inline constexpr TDataType dtString = 1;
inline constexpr TDataType dtInt8 = 2;
inline constexpr TDataType dtInt16 = 3;
inline constexpr TDataType dtInt32 = 4;
inline constexpr TDataType dtFloat = 5;
inline constexpr TDataType dtDate = 6;
inline constexpr TDataType dtTime = 7;
inline constexpr TDataType dtDateTime = 8;
inline constexpr TDataType dtUInt16 = 9;
inline constexpr TDataType dtBoolean = 10;
inline constexpr TDataType dtInt64 = 11;
inline constexpr TDataType dtCurrency = 12;
inline constexpr TDataType dtBlob = 13;
inline constexpr TDataType dtMemo = 14;
inline constexpr TDataType dtObject = 15;
inline constexpr TDataType dtReference = 16;
inline constexpr TDataType dtArray = 17;
inline constexpr TDataType dtTable = 18;
inline constexpr TDataType dtVariant = 19;
inline constexpr TDataType dtExtString = 20;
inline constexpr TDataType dtBytes = 21;
inline constexpr TDataType dtVarBytes = 22;
inline constexpr TDataType dtExtVarBytes = 23;
inline constexpr TDataType dtUInt32 = 24;
inline constexpr TDataType dtWideString = 25;
inline constexpr TDataType dtExtWideString = 26;

// The direction of a parameter.
enum TParamType : std::uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// Object, REF and collection types: the ones whose attributes carry an object type of their own.
constexpr bool IsObjectDataType(TDataType t) {
  return t == dtObject || t == dtReference || t == dtArray || t == dtTable;
}

}  // namespace da
