// The expression compiler over arbitrary texts, with every function the program registers (the
// language's own, the core, macro and date functions) and through both ways in: the translator
// directly and CompileExpression, which expands the current macro list first. It never crashes,
// reports an error code 1..11 with a position inside the text (or after it) whenever it returns no
// tree, and a tree it returns can be evaluated, printed, cloned and freed; run-time errors of
// evaluation are the library's exceptions, nothing else. What reaches outside the process is stubbed (fuzz/ExprStubs.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/base/Exception.h"
#include "foundation/expr/OlvExp.h"
#include "foundation/expr/OlvMacro.h"
#include "fuzz/ExprStubs.h"
#include "fuzz/FuzzSupport.h"

namespace {

void Evaluate(olv::TExpression& node) {
  try {
    node.Calculate(1);
    (void)node.AsString();
    auto clone = node.CloneExp();
    clone->Calculate(olv::kAlwaysStamp);
    (void)clone->AsString();
    (void)node.AsReal();
    (void)node.AsInteger();
  } catch (const olv::Exception&) {
    // conversions and guarded operations of the language may raise
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = fuzzsupport::InstallExprStubs();
  (void)ready;
  if (size > 4096) return 0;
  const std::string text(fuzzsupport::AsText(data, size));

  const fuzzsupport::ExprInputScope isolated;
  auto macros = olv::NewRunMacros();
  olv::TMacroScope scope(*macros);
  macros->SetMacro("DUMPFILE", "/backup/full.dmp");
  macros->SetMacro("N", "1");

  olv::TTranslateResult r = olv::GlobalTranslator().Translate(text);
  if (!r.Node) {
    if (r.ErrorCode == olv::eeNone) {
      if (!r.Text.empty()) std::abort();  // no tree and no error for a text
    } else {
      if (r.ErrorCode < 1 || r.ErrorCode > 11) std::abort();
      if (r.Pos < 1 || r.Pos > r.Text.size() + 1) std::abort();
      (void)r.GetErrorInfo();
    }
  } else {
    if (r.ErrorCode != olv::eeNone) std::abort();
    Evaluate(*r.Node);
  }

  // As the program compiles: macros of the current list expanded first, always a node back.
  std::unique_ptr<olv::TExpression> compiled;
  try {
    compiled = olv::CompileExpression(text);
  } catch (const olv::Exception&) {
    return 0;  // a macro expansion past its limits
  }
  if (!compiled) std::abort();
  Evaluate(*compiled);
  return 0;
}
