#pragma once
// The program's process-wide identity: its command-line parameters, the user's path macros, an
// override of its own path and the application user's name. Set by the start-up (main thread,
// before other threads run) or by their setters; every getter returns a copy under the lock, so
// any thread may read them. They sit below the folders and path macros that read them.
#include <string>
#include <string_view>
#include <vector>

namespace olv {

// One line per ";"-separated field of every command-line parameter, in order: "a=1;b=2" gives
// "a=1" and "b=2". Path macros look names up in it (ValueOfName).
std::vector<std::string> CommandLineParams();
std::string CommandLineParam(std::string_view name);
// Fills CommandLineParams from argv[1] .. argv[argc-1] (replacing what was there).
void LoadCommandLineParams(int argc, const char* const* argv);

// Name=value pairs that path macros consult after the built-in names; empty unless set.
std::vector<std::string> UserPathMacros();
void SetUserPathMacros(std::vector<std::string> lines);

// When not empty, replaces the running program's path in GetProgramDir, GetProgramName and
// GetProgramFile.
std::string ProgramPathOverride();
void SetProgramPathOverride(std::string_view path);

// The application user name that GetAppUser returns; empty unless set.
std::string AppUserName();
void SetAppUserName(std::string_view name);

// Empties every value above again.
void ClearProgramGlobals();

}  // namespace olv
