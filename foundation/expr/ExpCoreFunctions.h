#pragma once
// The core function library of the expression language (module OlvExp): conversions, text,
// arithmetic, comparisons and control, variables, files, registry, programs and dialogs.
// Functions that reach the system go through small hooks so tests can replace them:
//   Exec / Open  -> TDesktopOpener (xdg-open through the process layer by default)
//   Wait         -> plat::Process (no shell; the command line is split into words)
//   Input / Sure -> the dialog layer (foundation/dialogs/MessageBoxes.h)
//   Hint         -> ProgressHook when set, else the application hint text
// Nodes are used by one thread at a time; the hooks may be set at start-up or from tests.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/expr/ExpFunction.h"

namespace olv {

class TFunctionList;

// Opens a file or URL with the desktop's default program; returns 0 when started, else a
// nonzero code.
class TDesktopOpener {
 public:
  virtual ~TDesktopOpener() = default;
  virtual int Open(const std::string& target, const std::string& params, int showMode) = 0;
};
// Replaces the opener (null restores xdg-open); returns the previous one (not owned).
// Process-wide, as the progress hook below: the expression language's functions are free
// functions that an expression anywhere calls, with no object to be handed them through.
TDesktopOpener* SetDesktopOpener(TDesktopOpener* opener);

// Text, position and max; position -1: text only; below -1 closes the display.
using TProgressHook = std::function<void(const std::string&, std::int32_t, std::int32_t)>;
void SetProgressHook(TProgressHook hook);
// The hint text Hint sets when no progress hook is installed.
std::string ApplicationHint();

// A command line split into words: blanks separate, double quotes group.
std::vector<std::string> SplitCommandLine(const std::string& line);

// The menu shortcut code of a key text: "Ctrl+S", "Shift+F5", "Alt+Enter" (modifiers 0x2000
// Shift, 0x4000 Ctrl, 0x8000 Alt; the key's virtual code); 0 for a text that names no key.
std::int32_t TextToShortCut(std::string_view text);

// A node with its arguments in a growing list (any number of them).
class TListFunction : public TFunction {
  OLV_CLASS(TListFunction, TFunction)
 public:
  int ParamCount() const override { return static_cast<int>(args_.size()); }
  TExpression* GetParam(int index) const override;
  std::unique_ptr<TExpression> SetParam(int index, std::unique_ptr<TExpression> node) override;

 private:
  std::vector<std::unique_ptr<TExpression>> args_;
};

void RegisterCoreFunctions(TFunctionList& functions);
void RegisterCoreStreamClasses();

}  // namespace olv
