#pragma once
// The data-type table the client offers in the data-type negotiation: rows of four bytes (a type
// code, the type it is sent as, a representation byte, 0) and of two bytes (a type code the client
// does not convert, 0), ended by a single zero byte. Sent as it stands.
#include <array>
#include <cstdint>

namespace ora {

inline constexpr std::size_t kDataTypeTableSize = 685;
const std::array<std::uint8_t, kDataTypeTableSize>& DataTypeTable();

}  // namespace ora
