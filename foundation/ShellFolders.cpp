#include "foundation/ShellFolders.h"

#include <array>
#include <cstdlib>

#include "foundation/Utf8.h"

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
    if (v.empty()) {
      const std::string home = Env("HOME");
      if (home.empty()) return {};
      v = home + "/" + std::string(e.underHome);
    }
    while (v.size() > 1 && v.back() == '/') v.pop_back();
    return v;
  }
  return {};
}

}  // namespace olv
