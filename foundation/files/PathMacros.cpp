#include "foundation/files/PathMacros.h"

#include "foundation/files/Folders.h"
#include "foundation/files/ProgramGlobals.h"
#include "foundation/files/ShellFolders.h"
#include "foundation/text/TextFields.h"
#include "foundation/text/TextScan.h"
#include "foundation/text/Utf8.h"

namespace olv {
namespace {

constexpr const char* kBuiltInNames[] = {
    "PROGRAMDIR", "PROGRAMNAME", "APPUSER",     "WINUSER",     "COMPUTERNAME",    "WINDIR",
    "WINSYSDIR",  "WINDISK",     "WINSYSDISK",  "WINSYS16DIR", "PROGRAMFILESDIR", "COMMONFILESDIR",
};

std::vector<std::string> BuildNames() {
  std::vector<std::string> names(std::begin(kBuiltInNames), std::end(kBuiltInNames));
  for (std::string& n : ShellFolderValueNames()) names.push_back(std::move(n));
  return names;
}

std::string BuiltInValue(int index) {
  switch (index) {
    case pmProgramDir: return GetProgramDir();
    case pmProgramName: return GetProgramName();
    case pmAppUser: return GetAppUser();
    case pmWinUser: return GetWinUser();
    case pmComputerName: return GetComputerNameStr();
    case pmWinDir:
    case pmWinSys16Dir: return GetWindowsDir();
    case pmWinSysDir: return GetSystemDir();
    case pmWinDisk:
    case pmWinSysDisk: return GetWindowsDisk();
    case pmProgramFilesDir: return GetProgramFilesDir();
    case pmCommonFilesDir: return GetCommonFilesDir();
    default: break;
  }
  const auto& names = ShellFolderNames();
  if (index < 0 || static_cast<std::size_t>(index) >= names.size()) return {};
  return ReadShellFolder(names[static_cast<std::size_t>(index)]);
}

}  // namespace

const std::vector<std::string>& ShellFolderNames() {
  // Initialised once, thread-safely, and never changed: timer threads and the main thread read
  // it without a lock.
  static const std::vector<std::string> names = BuildNames();
  return names;
}

int PathMacroIndex(std::string_view name) {
  const auto& names = ShellFolderNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (utf8::SameText(names[i], name)) return static_cast<int>(i);
  return -1;
}

std::string PathMacroValue(int index) {
  std::string v = BuiltInValue(index);
  if (!v.empty() && (v.back() == '/' || v.back() == '\\')) v.pop_back();
  return v;
}

std::string GetPathMacro(std::string_view name) {
  const int index = PathMacroIndex(name);
  if (index >= 0) return PathMacroValue(index);
  // An empty name would match a stray "=value" line of a list; "<>" is no macro.
  if (!name.empty()) {
    std::string v = ValueOfName(UserPathMacros(), name);
    if (v.empty()) v = CommandLineParam(name);
    if (!v.empty()) return v;
  }
  std::string kept = "<";
  kept += name;
  kept += '>';
  return kept;
}

std::string ExpandPathMacros(std::string_view text, bool resolveSubst) {
  std::string result;
  std::string_view rest = text;
  while (rest.find('<') != std::string_view::npos) {
    const std::size_t open = FindDelimiter(rest, "<", 1);  // 1-based; size + 1 when absent
    if (open > rest.size()) break;                          // only inside a literal: no macro
    const std::string_view tail = rest.substr(open);
    const std::size_t close = FindDelimiter(tail, ">", 1);
    if (close > tail.size()) break;  // never closed: left as written
    result += rest.substr(0, open - 1);
    result += GetPathMacro(tail.substr(0, close - 1));
    rest = tail.substr(close);
  }
  result += rest;
  return resolveSubst ? ResolveSubstDrive(result) : result;
}

std::string GetSubstTarget(std::string_view) { return {}; }

std::string ResolveSubstDrive(std::string_view path) { return std::string(path); }

std::string ExpandFileNameMacros(const std::string& name) { return NativePath(ExpandPathMacros(name, true)); }

}  // namespace olv
