#include "foundation/files/ProgramFiles.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "foundation/files/Folders.h"
#include "foundation/files/LogWriter.h"
#include "foundation/files/PosixFile.h"
#include "platform/ThreadAnnotations.h"

namespace olv {
namespace {

constexpr const char* kAppFolder = "orascheme";

plat::Mutex g_mutex;
std::optional<ProgramFileLocations> g_installed GUARDED_BY(g_mutex);

// A build tree (CMake's cache at its top) is no place for the user's data: "rm -rf build" or a
// clean would take the schemes with it.
bool InBuildTree(const std::string& folder) {
  std::string dir = folder;
  while (!dir.empty()) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (olv::FileExists(dir + "/CMakeCache.txt")) return true;
    const std::size_t slash = dir.rfind('/');
    if (slash == std::string::npos || dir == "/") break;
    dir = slash == 0 ? "/" : dir.substr(0, slash);
  }
  return false;
}

}  // namespace

std::string XdgBase(const char* variable, const char* underHome) {
  const char* v = std::getenv(variable);
  std::string dir;
  if (v && v[0] == '/') {
    dir = v;
  } else {
    const char* home = std::getenv("HOME");
    dir = std::string(home && *home ? home : "/tmp") + "/" + underHome;
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

namespace {

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

ProgramFileLocations Current() {
  {
    plat::MutexLock lock(g_mutex);
    if (g_installed) return *g_installed;
  }
  return LocateProgramFiles();
}

}  // namespace

bool FolderWritable(const std::string& folder) {
  return DirExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

ProgramFileLocations LocateProgramFiles() {
  ProgramFileLocations loc;
  const std::string dir = GetProgramDir();
  if (FolderWritable(dir) && olv::FileExists(GetProgramFile("sch")) && !InBuildTree(dir)) {
    loc.schemeFile = GetProgramFile("sch");
    loc.settingsFile = GetProgramFile("ini");
    loc.logFile = GetProgramFile("LOG");
    loc.pictureDir = dir + "Temp/";
    loc.besideProgram = true;
    return loc;
  }
  const std::string data = XdgBase("XDG_DATA_HOME", ".local/share") + "/" + kAppFolder + "/";
  const std::string config = XdgBase("XDG_CONFIG_HOME", ".config") + "/" + kAppFolder + "/";
  ForceDirs(data);
  ForceDirs(config);
  loc.schemeFile = data + FileNameOf(GetProgramFile("sch"));
  loc.settingsFile = config + FileNameOf(GetProgramFile("ini"));
  loc.logFile = data + FileNameOf(GetProgramFile("LOG"));
  loc.pictureDir = data + "Temp/";
  loc.besideProgram = false;
  return loc;
}

void InstallProgramFiles() { InstallProgramFiles(LocateProgramFiles()); }

void InstallProgramFiles(const ProgramFileLocations& locations) {
  {
    plat::MutexLock lock(g_mutex);
    g_installed = locations;
  }
  SetLogFileName(locations.logFile);
}

void ResetProgramFiles() {
  {
    plat::MutexLock lock(g_mutex);
    g_installed.reset();
  }
  SetLogFileName("");
}

std::string SchemeFilePath() { return Current().schemeFile; }
std::string SettingsFilePath() { return Current().settingsFile; }
std::string LogFilePath() { return Current().logFile; }
std::string PictureDir() { return Current().pictureDir; }

}  // namespace olv
