// Macro references in the texts a run expands (command lines, file names, SQL scripts, all from
// the scheme file): "~NAME~", "~~", "~(A~N~)~" and "~?expression~". The input is a switch byte,
// the macro lines of a run (name=value, one per line), a NUL byte and the text. Any text expands
// or raises the library's exception at its limits; a text without the start sign comes back as
// it is. Expressions run with the stubs of fuzz/ExprStubs.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/base/Exception.h"
#include "foundation/expr/OlvMacro.h"
#include "fuzz/ExprStubs.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = fuzzsupport::InstallExprStubs();
  (void)ready;
  if (size == 0 || size > 8192) return 0;
  const std::uint8_t switches = data[0];
  const std::string_view all = fuzzsupport::AsText(data + 1, size - 1);
  const std::size_t cut = all.find('\0');
  const std::string_view lines = all.substr(0, cut);
  std::string text(cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1));

  const fuzzsupport::ExprInputScope isolated;
  olv::GlobalMacros().SetMacro("GLOBAL", "g~N~");
  auto run = olv::NewRunMacros();
  run->NullReplace = (switches & 1) == 0;
  run->ParentEnable = (switches & 2) == 0;
  if (switches & 4) {
    run->StartSign = '<';
    run->EndSign = '>';
  }
  for (std::size_t start = 0; start < lines.size();) {
    std::size_t end = lines.find('\n', start);
    if (end == std::string_view::npos) end = lines.size();
    const std::string_view line = lines.substr(start, end - start);
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos) run->SetMacro(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }

  const olv::TMacroScope scope(*run);
  const std::string original = text;
  try {
    const bool found = run->ExpandMacros(text);
    if (original.find(run->StartSign) == std::string::npos && (found || text != original)) __builtin_trap();
  } catch (const olv::Exception&) {
  }
  return 0;
}
