#pragma once
// File names with date macros: every "<format>" in a template is replaced, left to right, by the
// date-time formatted with that format (olv::FormatDateTime). An empty format or one beginning
// with "*" means "yyyymdhnsz"; a "<" with no later ">" takes the rest of the text as its format;
// an empty template gives the date-time in "yyyymdhnsz". Any thread.
#include <string>
#include <string_view>

namespace sch {

std::string ExpandDateMacros(std::string_view templ, double dateTime);

}  // namespace sch
