#pragma once
// Path macros: a name between "<" and ">" in a file name stands for a folder or a name of the
// running system ("<PROGRAMDIR>/x.sch", "<Personal>/dumps"). The library's file stream expands every
// name it opens with ExpandPathMacros (StartUp installs it as the stream's path expander).
//
// A name is looked up, case-insensitively, first among the built-in names (ShellFolderNames: the
// twelve fixed names, then the user's well-known folders of foundation/files/ShellFolders.h), then in
// UserPathMacros, then in CommandLineParams (foundation/startup/OlvPub.h); a name nothing defines stays in
// the text as written, angle brackets and all.
//
// Threads: any thread may call these. The name list is built once and never changes afterwards;
// values are read when asked (folders from the environment, the user lists under OlvPub's lock).
#include <string>
#include <string_view>
#include <vector>

namespace olv {

// Indexes of the built-in names in ShellFolderNames(); the user's folders follow from 12 on.
enum PathMacroId : int {
  pmProgramDir = 0,    // PROGRAMDIR       GetProgramDir
  pmProgramName,       // PROGRAMNAME      GetProgramName
  pmAppUser,           // APPUSER          GetAppUser
  pmWinUser,           // WINUSER          GetWinUser
  pmComputerName,      // COMPUTERNAME     GetComputerNameStr
  pmWinDir,            // WINDIR           GetWindowsDir
  pmWinSysDir,         // WINSYSDIR        GetSystemDir
  pmWinDisk,           // WINDISK          GetWindowsDisk
  pmWinSysDisk,        // WINSYSDISK       GetWindowsDisk
  pmWinSys16Dir,       // WINSYS16DIR      GetWindowsDir
  pmProgramFilesDir,   // PROGRAMFILESDIR  GetProgramFilesDir
  pmCommonFilesDir,    // COMMONFILESDIR   GetCommonFilesDir
  pmFirstShellFolder,  // 12: ShellFolderValueNames() in their order, valued by ReadShellFolder
};

// The built-in names followed by the user's folder names; built on first use, then fixed.
const std::vector<std::string>& ShellFolderNames();

// Index of name in ShellFolderNames() (ASCII case-insensitive), or -1.
int PathMacroIndex(std::string_view name);
// The value behind an index, with one trailing separator ("/" or "\") removed; "" for an index
// outside the list. So "<PROGRAMDIR>/x" gives the program's folder, one "/", and x.
std::string PathMacroValue(int index);
// The value of one name: built-in, else UserPathMacros, else CommandLineParams (the first
// non-empty of these), else "<" + name + ">".
std::string GetPathMacro(std::string_view name);

// Replaces every "<name>" of text by GetPathMacro(name); values are not expanded again. The search
// for "<" and ">" steps over quoted string literals (foundation/text/TextScan.h FindDelimiter). A "<"
// that only stands inside a literal, or that no ">" closes, is copied as written. With
// resolveSubst the result goes through ResolveSubstDrive.
std::string ExpandPathMacros(std::string_view text, bool resolveSubst = false);

// Linux has no substituted drive letters: GetSubstTarget answers "" for every drive and
// ResolveSubstDrive returns the path unchanged. Kept so that callers written for them still work.
std::string GetSubstTarget(std::string_view drive);
std::string ResolveSubstDrive(std::string_view path);

// The file stream's expander: macros expanded, then "\" separators turned into "/" (NativePath).
std::string ExpandFileNameMacros(const std::string& name);

}  // namespace olv
