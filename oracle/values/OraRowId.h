#pragma once
// The text forms of a ROWID, as the server writes them:
//   extended   (object number not 0): object number in 6 digits, relative file number in 3,
//              block number in 6, row number in 3, each a big-endian number in the server's
//              base-64 digits "A"-"Z" "a"-"z" "0"-"9" "+" "/": 18 characters;
//   restricted (object number 0, the old servers'): block "." row "." file in upper-case
//              hexadecimal of 8, 4 and 4 digits;
//   logical    (an index-organised table's): "*" and the content after its leading kind byte in
//              standard base 64 without "=" padding.
// Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ora {

std::string RowIdText(std::uint32_t objectNumber, std::uint16_t fileNumber, std::uint32_t blockNumber,
                      std::uint16_t rowNumber);
// content: the logical ROWID's bytes, its kind byte (2) first.
std::string LogicalRowIdText(const std::uint8_t* content, std::size_t size);

// The text of a ROWID's bytes as clients before 9 keep them (OCIRowidContent8 in OciTypes.h): the
// extended or restricted form of a physical ROWID, the logical form when logical ones are known
// (kind byte 2); empty for bytes too short for their kind or of another kind.
std::string RowIdTextOfContent(const std::uint8_t* content, std::size_t size, bool logicalKnown);

}  // namespace ora
