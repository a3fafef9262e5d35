// Feeds arbitrary texts to the routines that read user-written text: format strings, float and
// date pictures, string literals, delimiters, parentheses, wildcards, comments, number and date
// texts. Any outcome but a crash, a hang or an error other than the library's own is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/startup/OlvPub.h"
#include "foundation/base/SysErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  // Two texts: before and after the first NUL byte.
  const std::size_t cut = all.find('\0');
  const std::string_view a = all.substr(0, cut);
  const std::string_view b = cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1);
  try {
    (void)olv::Format(a, {42, "text", 2.5, 'c', -7, 1e300});
  } catch (const olv::EConvertError&) {
  }
  (void)olv::FormatFloat(a, -1234.5678);
  (void)olv::FormatDateTime(a, 38048.25);
  std::string s(a);
  (void)olv::ParseStringLiteral(s);
  bool balanced = false;
  (void)olv::MatchParen(a, 1, balanced);
  (void)olv::FieldCount(a, b.empty() ? std::string_view(",") : b.substr(0, 3));
  (void)olv::NumberEndEx(a, 1);
  if (a.size() < 2000 && b.size() < 2000) (void)olv::MatchWildcard(a, b, false);
  s = a;
  (void)olv::StripComments(s);
  olv::TDateTime t;
  (void)olv::TryStrToDateTime(a, t);
  try {
    (void)olv::StrToIntSigned(a);
  } catch (const olv::EConvertError&) {
  }
  (void)olv::StrToFloatPrefix(a);
  (void)olv::CopyWholeChars(a, 2, size / 2);
  return 0;
}
