#include "foundation/files/ShellFolders.h"

#include <array>
#include <cstdlib>
#include <fstream>

#include "foundation/text/Utf8.h"

namespace olv {
namespace {

struct Entry {
  std::string_view name, variable, underHome;
};

constexpr std::array<Entry, 9> kFolders{{
    {"AppData", "XDG_CONFIG_HOME", ".config"},
    {"Local AppData", "XDG_DATA_HOME", ".local/share"},
    {"Cache", "XDG_CACHE_HOME", ".cache"},
    {"Desktop", "XDG_DESKTOP_DIR", "Desktop"},
    {"Personal", "XDG_DOCUMENTS_DIR", "Documents"},
    {"My Music", "XDG_MUSIC_DIR", "Music"},
    {"My Pictures", "XDG_PICTURES_DIR", "Pictures"},
    {"My Video", "XDG_VIDEOS_DIR", "Videos"},
    {"Templates", "XDG_TEMPLATES_DIR", "Templates"},
}};

std::string Env(std::string_view name) {
  const char* v = std::getenv(std::string(name).c_str());
  return v ? std::string(v) : std::string();
}

// The user-dirs file that the session's folder tool writes: lines XDG_<NAME>_DIR="$HOME/..." or
// with an absolute path. Only a missing variable sends us here, which is the usual case: desktop
// sessions rarely export these, and a localised desktop names the folders in its own language.
std::string FromUserDirsFile(std::string_view variable, const std::string& home) {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') {
    if (home.empty()) return {};
    config = home + "/.config";
  }
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    std::size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == '#') continue;
    const std::size_t eq = line.find('=', b);
    if (eq == std::string::npos || std::string_view(line).substr(b, eq - b) != variable) continue;
    std::string v = line.substr(eq + 1);
    while (!v.empty() && (v.back() == '\r' || v.back() == ' ' || v.back() == '\t')) v.pop_back();
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0 && (v.size() == 5 || v[5] == '/')) {
      if (home.empty()) return {};
      v = home + v.substr(5);
    }
    return !v.empty() && v[0] == '/' ? v : std::string();
  }
  return {};
}

}  // namespace

std::vector<std::string> ShellFolderValueNames() {
  std::vector<std::string> out;
  for (const Entry& e : kFolders) out.emplace_back(e.name);
  return out;
}

std::string ReadShellFolder(std::string_view name) {
  for (const Entry& e : kFolders) {
    if (!utf8::SameText(e.name, name)) continue;
    std::string v = Env(e.variable);
    const std::string home = Env("HOME");
    if (v.empty() && e.variable.ends_with("_DIR")) v = FromUserDirsFile(e.variable, home);
    if (v.empty()) {
      if (home.empty()) return {};
      v = home + "/" + std::string(e.underHome);
    }
    while (v.size() > 1 && v.back() == '/') v.pop_back();
    return v;
  }
  return {};
}

}  // namespace olv
