// The command line's arguments, each a list of name=value pairs separated by ";" (quoted texts
// keep their ";"). The input is the arguments separated by NUL bytes. Any arguments load; an
// argument without quotes gives exactly its ";"-separated fields, and each name finds a value the
// way path macros look it up.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/startup/OlvPub.h"
#include "foundation/files/PathMacros.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"orascheme"};
  std::string_view rest = fuzzsupport::AsText(data, size);
  for (std::size_t cut; (cut = rest.find('\0')) != std::string_view::npos; rest.remove_prefix(cut + 1))
    args.emplace_back(rest.substr(0, cut));
  args.emplace_back(rest);
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  olv::LoadCommandLineParams(static_cast<int>(argv.size()), argv.data());

  // The reference for arguments without quotes: plain fields, a trailing ";" opening none.
  std::vector<std::string> plain;
  bool quotes = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    quotes = quotes || a.find_first_of("\"'") != std::string::npos;
    for (std::size_t start = 0; start < a.size();) {
      const std::size_t semi = a.find(';', start);
      plain.push_back(a.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
      start = semi == std::string::npos ? a.size() : semi + 1;
    }
  }
  const std::vector<std::string> lines = olv::CommandLineParams();
  if (!quotes && lines != plain) __builtin_trap();

  for (const std::string& line : lines) {
    const std::string name = line.substr(0, line.find('='));
    if (name.empty() || name.find_first_of("<>") != std::string::npos) continue;
    const std::string value = olv::CommandLineParam(name);
    // A name that is no built-in one gives the command line's value, or stays as written.
    if (olv::PathMacroIndex(name) < 0 && olv::UserPathMacros().empty() &&
        olv::GetPathMacro(name) != (value.empty() ? "<" + name + ">" : value))
      __builtin_trap();
  }
  return 0;
}
