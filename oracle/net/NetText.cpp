#include "oracle/net/NetText.h"

#include <cstring>

namespace ora {

std::string TextOfLength(const char* text, std::uint32_t length) {
  if (!text) return {};
  const void* zero = std::memchr(text, 0, length);
  return std::string(text, zero ? static_cast<const char*>(zero) - text : std::ptrdiff_t(length));
}

std::string StatementText(const char* text, std::uint32_t length) {
  std::string sql = TextOfLength(text, length);
  while (!sql.empty() && static_cast<unsigned char>(sql.back()) <= ' ') sql.pop_back();
  return sql;
}

std::size_t CopyTerminated(const std::string& text, char* buffer, std::size_t size) {
  if (size == 0 || !buffer) return 0;
  std::size_t n = text.size() < size ? text.size() : size - 1;
  // Never half a character: step back over continuation bytes at the cut.
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace ora
