// Money text over arbitrary formats and number texts: nothing may crash or grow without bound,
// and valid UTF-8 in gives valid UTF-8 out (no character is ever cut).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "foundation/expr/OlvMoney.h"

namespace {

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(double)) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  std::string_view rest(reinterpret_cast<const char*>(data) + sizeof value, size - sizeof value);
  size_t cut = rest.find('\n');
  std::string_view format = rest.substr(0, cut);
  std::string_view number = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);

  std::string a = olv::FormatMoney(format, value);
  std::string b = olv::FormatMoneyStr(number, format);
  if (ValidUtf8(format) && ValidUtf8(number) && (!ValidUtf8(a) || !ValidUtf8(b))) std::abort();
  return 0;
}
