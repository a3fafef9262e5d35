#include "app/core/ProgramFiles.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "foundation/Folders.h"

namespace sch {

namespace fs = std::filesystem;

namespace {

std::string XdgFolder(const char* variable, const char* fallback) {
  fs::path base;
  if (const char* v = std::getenv(variable); v && *v) {
    base = v;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : "/tmp") / fallback;
  }
  fs::path dir = base / "orascheme";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir.string();
}

bool ProgramFolderWritable() {
  return ::access(olv::GetProgramDir().c_str(), W_OK) == 0;
}

std::string NameWithExt(std::string_view ext) {
  return fs::path(olv::GetProgramFile(ext)).filename().string();
}

}  // namespace

std::string ProgramDataFile(std::string_view ext) {
  if (ProgramFolderWritable()) return olv::GetProgramFile(ext);
  return (fs::path(XdgFolder("XDG_DATA_HOME", ".local/share")) / NameWithExt(ext)).string();
}

std::string ProgramSettingsFile() {
  if (ProgramFolderWritable()) return olv::GetProgramFile("ini");
  return (fs::path(XdgFolder("XDG_CONFIG_HOME", ".config")) / NameWithExt("ini")).string();
}

std::string MoveAsideUnreadable(const std::string& fileName) {
  std::error_code ec;
  if (!fs::exists(fileName, ec)) return {};
  std::string target = fileName + ".unreadable";
  for (int n = 1; fs::exists(target, ec) && n < 1000; ++n)
    target = fileName + ".unreadable." + std::to_string(n);
  if (fs::exists(target, ec)) return {};
  fs::rename(fileName, target, ec);
  return ec ? std::string() : target;
}

}  // namespace sch
