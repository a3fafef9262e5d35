#pragma once
// Keeping a scheme file that could not be read out of the way of later saves. Any thread.
#include <string>

namespace sch {

// Renames a scheme file that could not be read to "<name>.unreadable" (or "<name>.unreadable.N"
// when that is taken), so that nothing saved later replaces the user's data. Returns the new
// name, or an empty text when the file does not exist or could not be moved.
std::string MoveAsideUnreadable(const std::string& fileName);

}  // namespace sch
