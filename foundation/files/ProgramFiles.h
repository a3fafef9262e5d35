#pragma once
// Where the program keeps its own files. Beside the program (its path with the extensions "sch",
// "ini" and "LOG", pictures in "Temp/" of its folder) when a scheme file is already there and the
// folder is writable (a portable copy), but never in a build tree (a folder holding
// CMakeCache.txt, or one below it); otherwise, as for an installed program, the scheme file, the
// log and the pictures go to
// $XDG_DATA_HOME/orascheme/ and the settings file to $XDG_CONFIG_HOME/orascheme/ ($HOME/.local/share
// and $HOME/.config when the variables are unset or not absolute). Those folders are created when
// they are chosen.
//
// The choice is made once by InstallProgramFiles (StartUp calls it on the main thread before other
// threads run) and then stays fixed, so every thread sees the same files. The getters may be
// called from any thread; before installation they answer what LocateProgramFiles would.
#include <string>

namespace olv {

struct ProgramFileLocations {
  std::string schemeFile;    // <program>.sch
  std::string settingsFile;  // <program>.ini
  std::string logFile;       // <program>.LOG
  std::string pictureDir;    // folder of the information page's pictures, ending in "/"
  bool besideProgram = true; // false when the XDG folders are used
};

// Decides now, from GetProgramPath() (ProgramPathOverride included) and the environment. Creates
// the XDG folders when it chooses them.
ProgramFileLocations LocateProgramFiles();

// An XDG base folder: the variable when it holds an absolute path, else $HOME/<underHome>
// ("/tmp/<underHome>" without a home). No trailing "/".
std::string XdgBase(const char* variable, const char* underHome);

// True when the folder exists and this process may create files in it.
bool FolderWritable(const std::string& folder);

// Fixes the locations (LocateProgramFiles() by default) and points the log writer at the log file.
void InstallProgramFiles();
void InstallProgramFiles(const ProgramFileLocations& locations);
// Forgets the installed locations (tests, shutdown); the log writer goes back to its default.
void ResetProgramFiles();

std::string SchemeFilePath();
std::string SettingsFilePath();
std::string LogFilePath();
std::string PictureDir();

}  // namespace olv
