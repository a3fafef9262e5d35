#include "app/core/DateMacros.h"

#include "foundation/text/Format.h"

namespace sch {

namespace {
constexpr std::string_view kDefaultFormat = "yyyymdhnsz";

std::string FormatPart(std::string_view format, double dateTime) {
  if (format.empty() || format.front() == '*') format = kDefaultFormat;
  return olv::FormatDateTime(format, dateTime);
}
}  // namespace

std::string ExpandDateMacros(std::string_view templ, double dateTime) {
  if (templ.empty()) return FormatPart({}, dateTime);
  std::string out;
  size_t pos = 0;
  while (pos < templ.size()) {
    const size_t open = templ.find('<', pos);
    if (open == std::string_view::npos) break;
    out.append(templ, pos, open - pos);
    const size_t close = templ.find('>', open + 1);
    const size_t end = close == std::string_view::npos ? templ.size() : close;
    out += FormatPart(templ.substr(open + 1, end - open - 1), dateTime);
    pos = close == std::string_view::npos ? templ.size() : close + 1;
  }
  out.append(templ, pos, std::string_view::npos);
  return out;
}

}  // namespace sch
