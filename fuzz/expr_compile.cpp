// The expression compiler over arbitrary texts: it never throws, never crashes, reports an error
// code 1..11 with a position inside the text (or after it) whenever it returns no tree, and a
// tree it returns can be evaluated, printed, cloned and freed. Run-time errors of evaluation are
// the library's exceptions, nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/expr/OlvExp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  // A root list of its own per input, so that "\" variables do not pile up across inputs.
  olv::TVarList root;
  olv::GlobalTranslator().SetVarList(&root);
  struct Restore {
    ~Restore() { olv::GlobalTranslator().SetVarList(&olv::GlobalVarList()); }
  } restore;
  olv::TVarList vars(&root, true);
  olv::TExpTranslator translator(&vars);
  olv::RegisterLanguageFunctions(translator.FunctionList());

  olv::TTranslateResult r = translator.Translate(text);
  if (!r.Node) {
    if (r.ErrorCode == olv::eeNone) {
      if (!r.Text.empty()) std::abort();  // no tree and no error for a text
      return 0;
    }
    if (r.ErrorCode < 1 || r.ErrorCode > 11) std::abort();
    if (r.Pos < 1 || r.Pos > r.Text.size() + 1) std::abort();
    (void)r.GetErrorInfo();
    return 0;
  }
  if (r.ErrorCode != olv::eeNone) std::abort();
  try {
    r.Node->Calculate(1);
    (void)r.Node->AsString();
    auto clone = r.Node->CloneExp();
    clone->Calculate(olv::kAlwaysStamp);
    (void)clone->AsString();
    (void)r.Node->AsReal();
    (void)r.Node->AsInteger();
  } catch (const olv::Exception&) {
    // conversions and guarded operations of the language may raise
  }
  return 0;
}
