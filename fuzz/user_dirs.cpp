// The session's user-dirs file ($XDG_CONFIG_HOME/user-dirs.dirs), which names the user's folders
// that path macros such as "<Desktop>" and "<Personal>" stand for. Any bytes in the file: every
// folder comes out absolute, without a trailing separator, and the path macro gives the same.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/files/PathMacros.h"
#include "foundation/files/ShellFolders.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::string> names = [] {
    ::setenv("HOME", "/home/fuzz", 1);
    ::setenv("XDG_CONFIG_HOME", (fuzzsupport::ScratchFolder() / "config").c_str(), 1);
    // The folders must come from the file, not from variables of the session running the fuzzer.
    for (const char* v : {"XDG_DESKTOP_DIR", "XDG_DOCUMENTS_DIR", "XDG_MUSIC_DIR", "XDG_PICTURES_DIR",
                          "XDG_VIDEOS_DIR", "XDG_TEMPLATES_DIR", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
      ::unsetenv(v);
    std::filesystem::create_directories(fuzzsupport::ScratchFolder() / "config");
    return olv::ShellFolderValueNames();
  }();
  fuzzsupport::WriteFile(fuzzsupport::ScratchFolder() / "config" / "user-dirs.dirs", fuzzsupport::AsText(data, size));
  for (const std::string& name : names) {
    const std::string folder = olv::ReadShellFolder(name);
    if (folder.empty() || folder[0] != '/' || (folder.size() > 1 && folder.back() == '/')) __builtin_trap();
    std::string macro = folder;  // a path macro drops one trailing separator, "/" or "\"
    if (macro.back() == '/' || macro.back() == '\\') macro.pop_back();
    if (olv::GetPathMacro(name) != macro) __builtin_trap();
  }
  return 0;
}
