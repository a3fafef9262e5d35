#include "oracle/values/OraStringFieldLength.h"

#include <algorithm>
#include <cctype>

namespace ora {

std::int32_t NumberStringLength(int precision, int scale) {
  if (precision < 1) return 40;
  const int integerDigits = std::max(precision - scale, 1);
  const int fraction = scale > 0 ? 1 + scale : 0;
  return std::max(precision + 2, 1 + integerDigits + fraction);
}

std::int32_t DateStringLength(const std::string& nlsFormat, bool timestamp) {
  std::string upper = nlsFormat;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto has = [&](const char* what) { return upper.find(what) != std::string::npos; };
  std::int32_t length = static_cast<std::int32_t>(upper.size());
  if (has("MONTH")) length += 7;
  if (has("DAY")) length += 9;
  if (timestamp && has("SSXFF")) length += 4;
  return length;
}

std::int32_t IntervalStringLength(bool yearToMonth, int leadPrecision, int fracPrecision) {
  return yearToMonth ? leadPrecision + 4 : leadPrecision + fracPrecision + 11;
}

}  // namespace ora
