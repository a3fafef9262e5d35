// ROWID texts in the server's three forms, worked out by hand from the digit layout.
#include <gtest/gtest.h>

#include <vector>

#include "oracle/values/OraRowId.h"

namespace ora {
namespace {

struct RowIdCase {
  std::uint32_t object;
  std::uint16_t file;
  std::uint32_t block;
  std::uint16_t row;
  const char* text;
};

TEST(RowIdText, ExtendedAndRestrictedForms) {
  const RowIdCase cases[] = {
      {1704, 19, 6871, 0, "AAAAaoAATAAABrXAAA"},
      // The first digit of a 32-bit number carries its top 2 bits, of a 16-bit number its top 4.
      {0xFFFFFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFF, "D/////P//D/////P//"},
      {1, 1, 0, 64, "AAAAABAABAAAAAAABA"},
      // Object number 0: the old servers' restricted form, block.row.file in hexadecimal.
      {0, 5, 0x1ABC, 3, "00001ABC.0003.0005"},
      {0, 0xFFFF, 0xDEADBEEF, 0x10, "DEADBEEF.0010.FFFF"},
  };
  for (const RowIdCase& c : cases) EXPECT_EQ(RowIdText(c.object, c.file, c.block, c.row), c.text) << c.text;
}

TEST(RowIdText, LogicalFormIsBase64WithoutPadding) {
  const struct {
    std::vector<std::uint8_t> content;
    const char* text;
  } cases[] = {
      {{0x02, 0x01, 0x02, 0x03, 0x04}, "*AQIDBA"},
      {{0x02, 0x01, 0x02}, "*AQI"},
      {{0x02, 0xFF, 0xFF, 0xFF}, "*////"},
      {{0x02, 0xFB, 0xEF}, "*++8"},
      {{0x02}, "*"},
  };
  for (const auto& c : cases) EXPECT_EQ(LogicalRowIdText(c.content.data(), c.content.size()), c.text) << c.text;
}

// The bytes a descriptor of a client before 9 holds: kind, then the four big-endian numbers, or a
// logical ROWID's key.
TEST(RowIdText, FromTheBytesOfADescriptor) {
  const struct {
    std::vector<std::uint8_t> content;
    bool logicalKnown;
    const char* text;
  } cases[] = {
      {{1, 0, 0, 0x06, 0xA8, 0, 0x13, 0, 0, 0x1A, 0xD7, 0, 0}, true, "AAAAaoAATAAABrXAAA"},
      {{1, 0, 0, 0, 0, 0, 0x05, 0, 0, 0x1A, 0xBC, 0, 0x03}, false, "00001ABC.0003.0005"},
      {{2, 0x01, 0x02, 0x03, 0x04}, true, "*AQIDBA"},
      // A client that knows no logical ROWID, bytes too short for their kind, an unknown kind.
      {{2, 0x01, 0x02, 0x03, 0x04}, false, ""},
      {{1, 0, 0, 0x06, 0xA8, 0, 0x13, 0, 0, 0x1A, 0xD7, 0}, true, ""},
      {{7, 0, 0, 0x06, 0xA8, 0, 0x13, 0, 0, 0x1A, 0xD7, 0, 0}, true, ""},
      {{}, true, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RowIdTextOfContent(c.content.data(), c.content.size(), c.logicalKnown), c.text) << c.text;
}

}  // namespace
}  // namespace ora
