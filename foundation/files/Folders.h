#pragma once
// Where the program is and what the machine is called: program path and folders, system folders,
// user and host names, temporary files and small folder services. Paths use "/"; a "\" written by
// a user (or stored by the Windows original) is accepted as a separator everywhere here. Folder
// results end with "/". May be called from any thread.
#include <cstdint>
#include <string>
#include <string_view>

namespace olv {

// A path with every "\" turned into "/" (safe in UTF-8: "\" never occurs inside a character).
std::string NativePath(std::string_view path);

// The running program's path (/proc/self/exe), or ProgramPathOverride() when that is set.
std::string GetProgramPath();
// Its folder, with a trailing "/".
std::string GetProgramDir();
// Its file name without folder and extension.
std::string GetProgramName();
// The program path with its extension replaced by `ext` (given without a dot): "LOG", "ini".
std::string GetProgramFile(std::string_view ext);
// The file of the running module; there are no separately loaded modules, so the program path.
std::string GetModuleFile();

// When the last "." stands after the last separator, the text after it becomes `ext` (appended
// when the dot is last); otherwise "." and `ext` are appended: "/a.b/file" gives "/a.b/file.LOG".
std::string ChangeExtension(std::string_view path, std::string_view ext);

// $TMPDIR when it names a folder, else "/tmp/".
std::string GetTempDir();
// Stand-ins for the Windows folders that stored path macros may name: the system root "/", the
// system libraries "/usr/lib/", no drive letter (""), "/opt/" and "/usr/share/".
std::string GetWindowsDir();
std::string GetSystemDir();
std::string GetWindowsDisk();
std::string GetProgramFilesDir();
std::string GetCommonFilesDir();

// The logged-on user (the password database's name for the effective user) and the host name;
// empty when the system cannot tell.
std::string GetWinUser();
std::string GetComputerNameStr();
// AppUserName() (empty unless the application sets it).
std::string GetAppUser();

// Creates a new empty file named `prefix` + a unique part in the temporary folder, safely (no other
// process can have created it first), and returns its full name. A "/" or "\" in the prefix becomes
// "_". Raises olv::Exception (RaiseFileError) when no file can be created.
std::string MakeTempFile(std::string_view prefix);

// True when the path (a trailing separator dropped) is an existing folder.
bool DirExists(std::string_view path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirs(std::string_view path);
// Copies the whole content of source into dest (created or emptied) and returns the byte count.
// Raises olv::Exception (RaiseFileError) when either file cannot be opened or a write fails.
std::int64_t CopyFileData(std::string_view source, std::string_view dest);

// Raises olv::Exception with text + "\r\n[<errno>]<system message>" for the last system error.
[[noreturn]] void RaiseFileError(std::string_view text);
// Raises the same for a given error number.
[[noreturn]] void RaiseFileError(std::string_view text, int error);

// The program never runs inside a development environment here.
inline bool IsDesignTime() { return false; }

}  // namespace olv
