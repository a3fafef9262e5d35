// Both splitters of command lines that come from outside: a command-file scheme's parameters
// (SplitCommandArgs, from the scheme file) and the line of the expression function Wait
// (SplitCommandLine). Any text splits; the arguments, quoted back the way each splitter reads
// quotes, split into the same arguments again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/CommandArgs.h"
#include "foundation/expr/ExpCoreFunctions.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(fuzzsupport::AsText(data, size));

  // Inside "...", \" and \\ stand for " and \.
  const std::vector<std::string> args = sch::SplitCommandArgs(text);
  std::string quoted;
  for (const std::string& a : args) {
    quoted += quoted.empty() ? "\"" : " \"";
    for (char c : a) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
  }
  if (sch::SplitCommandArgs(quoted) != args) __builtin_trap();

  // Double quotes group and are dropped; there is no escape, so no word holds one.
  const std::vector<std::string> words = olv::SplitCommandLine(text);
  std::string line;
  for (const std::string& w : words) {
    if (w.find('"') != std::string::npos) __builtin_trap();
    line += (line.empty() ? "\"" : " \"") + w + "\"";
  }
  if (olv::SplitCommandLine(line) != words) __builtin_trap();
  return 0;
}
