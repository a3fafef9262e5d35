// File names with path macros ("<PROGRAMDIR>/x.sch", "<Personal>/dumps/<name>.dmp") come from
// scheme files, dialogs and the command line. The input is a command-line argument (name=value
// pairs that path macros consult), a NUL byte, then the file name. Any name expands; one without
// "<" comes back as it is.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/startup/OlvPub.h"
#include "foundation/files/PathMacros.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The user's folders from a session of our own: no user-dirs file, a fixed home.
  static const bool ready = (::setenv("HOME", "/home/fuzz", 1),
                             ::setenv("XDG_CONFIG_HOME", (fuzzsupport::ScratchFolder() / "config").c_str(), 1), true);
  (void)ready;
  const std::string_view all = fuzzsupport::AsText(data, size);
  const std::size_t cut = all.find('\0');
  const std::string argument(all.substr(0, cut));
  const std::string name(cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1));
  const char* argv[] = {"orascheme", argument.c_str()};
  olv::LoadCommandLineParams(2, argv);

  const std::string expanded = olv::ExpandPathMacros(name);
  if (name.find('<') == std::string::npos && expanded != name) __builtin_trap();
  (void)olv::ExpandPathMacros(name, true);
  (void)olv::ExpandFileNameMacros(name);
  return 0;
}
