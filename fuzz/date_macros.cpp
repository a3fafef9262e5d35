// File names with date macros ("/bak/db_<yyyymmdd>.dmp") come from the scheme file, and so do the
// run records' times that the window formats. The input is the date-time's eight bytes, then the
// template. Any template and any date-time give a name; a template without "<" comes back as it
// is, and a date macro never leaves a "<" or ">" of its own in the name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "app/core/DateMacros.h"
#include "foundation/text/Format.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double)) return 0;
  double dateTime;
  std::memcpy(&dateTime, data, sizeof dateTime);
  const std::string_view templ = fuzzsupport::AsText(data + sizeof dateTime, size - sizeof dateTime);
  if (templ.size() > 4096) return 0;

  const std::string name = sch::ExpandDateMacros(templ, dateTime);
  if (!templ.empty() && templ.find('<') == std::string_view::npos && name != templ) __builtin_trap();
  (void)olv::FormatDateTime("yyyy.m.d h:n:s", dateTime);
  return 0;
}
