#include "oracle/values/OraRowId.h"

#include <cstdio>

namespace ora {

namespace {

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// count digits, most significant first; the first digit takes what the lower ones leave.
void AppendDigits(std::string& out, std::uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) out += kDigits[(value >> (6 * i)) & 63];
}

}  // namespace

std::string RowIdText(std::uint32_t objectNumber, std::uint16_t fileNumber, std::uint32_t blockNumber,
                      std::uint16_t rowNumber) {
  if (objectNumber == 0) {
    char text[24];
    std::snprintf(text, sizeof text, "%08X.%04X.%04X", static_cast<unsigned>(blockNumber),
                  static_cast<unsigned>(rowNumber), static_cast<unsigned>(fileNumber));
    return text;
  }
  std::string out;
  out.reserve(18);
  AppendDigits(out, objectNumber, 6);
  AppendDigits(out, fileNumber, 3);
  AppendDigits(out, blockNumber, 6);
  AppendDigits(out, rowNumber, 3);
  return out;
}

std::string LogicalRowIdText(const std::uint8_t* content, std::size_t size) {
  std::string out = "*";
  if (size < 2) return out;
  const std::uint8_t* p = content + 1;
  std::size_t n = size - 1;
  out.reserve(1 + (n + 2) / 3 * 4);
  for (; n >= 3; n -= 3, p += 3) AppendDigits(out, std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2], 4);
  // The last partial group: its bits shifted up to whole digits, one digit more than its bytes.
  if (n == 1) AppendDigits(out, std::uint32_t{p[0]} << 4, 2);
  if (n == 2) AppendDigits(out, (std::uint32_t{p[0]} << 8 | p[1]) << 2, 3);
  return out;
}

std::string RowIdTextOfContent(const std::uint8_t* content, std::size_t size, bool logicalKnown) {
  if (size == 0 || content == nullptr) return {};
  if (content[0] == 2 && logicalKnown) return LogicalRowIdText(content, size);
  if (content[0] != 1 || size < 13) return {};
  auto number = [content](std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | content[at + std::size_t(i)];
    return v;
  };
  return RowIdText(number(1, 4), static_cast<std::uint16_t>(number(5, 2)), number(7, 4),
                   static_cast<std::uint16_t>(number(11, 2)));
}

}  // namespace ora
