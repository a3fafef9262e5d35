#pragma once
// The user's well-known folders under the names that path macros have always used for them
// ("Desktop", "Personal", "AppData", ...), read from the XDG folders of the session: the variable
// when set, else (for the user folders) the session's user-dirs file, else the usual folder under
// $HOME. Folders come without a trailing separator. May be called from any thread; reads the
// environment and the file each time.
#include <string>
#include <string_view>
#include <vector>

namespace olv {

// The known names, in a fixed order.
std::vector<std::string> ShellFolderValueNames();
// The folder for a name (compared case-insensitively), or an empty text for an unknown name.
std::string ReadShellFolder(std::string_view name);

}  // namespace olv
