#pragma once
// Where the program keeps its own files: the scheme file ("sch"), the log ("LOG") and the
// settings file ("ini") sit beside the program, named after it, while its folder is writable.
// An installed program's folder is not: then data files go to $XDG_DATA_HOME/orascheme/ and the
// settings file to $XDG_CONFIG_HOME/orascheme/, created on demand. Any thread.
#include <string>
#include <string_view>

namespace sch {

// The scheme file, the log and other data files, by extension ("sch", "LOG").
std::string ProgramDataFile(std::string_view ext);
// The settings file ("ini").
std::string ProgramSettingsFile();

// Renames a scheme file that could not be read to "<name>.unreadable" (or "<name>.unreadable.N"
// when that is taken), so that nothing saved later replaces the user's data. Returns the new
// name, or an empty text when the file does not exist or could not be moved.
std::string MoveAsideUnreadable(const std::string& fileName);

}  // namespace sch
