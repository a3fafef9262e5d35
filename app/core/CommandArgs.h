#pragma once
// Splits a command file's parameter text into an argument vector the way a user expects who
// types them on one line: blanks, tabs and line ends separate arguments; "..." and '...' group
// text with blanks (the quotes are dropped, '' and "" give an empty argument); inside "...", \"
// and \\ stand for " and \. No shell is involved: nothing else is special. Any thread.
#include <string>
#include <string_view>
#include <vector>

namespace sch {

std::vector<std::string> SplitCommandArgs(std::string_view text);

}  // namespace sch
