#pragma once
// The expression engine as the program sets it up, for fuzz targets whose inputs may hold
// expressions ("?" macro references, parameters of a scheme file): everything registered, and
// what reaches outside the process stubbed. Exec and Open go to an opener that starts nothing,
// Wait only splits its command line, the dialogs answer Cancel, hints go nowhere, registry values
// live in the scratch folder and the log of duplicate names is dropped. Loop runs at most 1000
// rounds: a loop whose condition never holds is the language's own business, not the reader's.
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/expr/ExpCoreFunctions.h"
#include "foundation/expr/OlvExp.h"
#include "foundation/expr/OlvMacro.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Dialogs.h"

namespace fuzzsupport {

class NoOpener : public olv::TDesktopOpener {
 public:
  int Open(const std::string&, const std::string&, int) override { return 0; }
};

class FuzzWait : public olv::TFunction {
  OLV_CLASS(FuzzWait, olv::TFunction)
 public:
  int MinParamCount() const override { return 2; }
  int OptParamCount() const override { return 1; }
  bool DecideDataType() override {
    DataType = olv::TExpDataType::Boolean;
    return true;
  }
  void DoCalculate() override {
    SetAsBoolean(!olv::SplitCommandLine(GetParam(0)->AsString() + " " + GetParam(1)->AsString()).empty());
  }
};

class FuzzLoop : public olv::TStrFunction {
  OLV_CLASS(FuzzLoop, olv::TStrFunction)
 public:
  int MinParamCount() const override { return 3; }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    GetParam(0)->Calculate(stamp);
    TExpression* until = GetParam(2);
    std::uint32_t s = until->Stamp + 1;
    until->Calculate(s);
    for (int round = 0; round < 1000 && !until->AsBoolean(); ++round) {
      ++s;
      GetParam(1)->Calculate(s);
      until->Calculate(s);
    }
  }
};

// The registry as set up, so that a built-in that an input replaced by a function of its own
// can be put back.
inline std::vector<std::pair<std::string, const olv::TClass*>>& BuiltInFunctions() {
  static std::vector<std::pair<std::string, const olv::TClass*>> list;
  return list;
}

inline bool InstallExprStubs() {
  ::setenv("ORASCHEME_REGISTRY_DIR", (ScratchFolder() / "registry").c_str(), 1);
  static NoOpener opener;
  olv::SetDesktopOpener(&opener);
  olv::SetProgressHook([](const std::string&, std::int32_t, std::int32_t) {});
  plat::SetDialogs(nullptr);
  olv::SetExpLogHook([](const std::string&) {});
  olv::TFunctionList& functions = olv::GlobalTranslator().FunctionList();
  functions.UnregisterFunction("Wait");
  functions.RegisterFunction("Wait", FuzzWait::StaticClass());
  functions.UnregisterFunction("Loop");
  functions.RegisterFunction("Loop", FuzzLoop::StaticClass());
  BuiltInFunctions().clear();
  for (const std::string& name : functions.Names())
    BuiltInFunctions().emplace_back(name, &functions.CreateFunction(name)->ClassType());
  return true;
}

// For the length of one input: a root variable list of its own; afterwards the functions the
// input defined (CustomFunction) are dropped, the built-ins it replaced put back and the global
// macros it defined (DefinMacro) cleared, so that nothing one input does changes the next.
class ExprInputScope {
 public:
  ExprInputScope() { olv::GlobalTranslator().SetVarList(&root_); }
  ~ExprInputScope() {
    olv::GlobalTranslator().SetVarList(&olv::GlobalVarList());
    olv::GlobalMacros().ClearMacroLines();
    olv::TFunctionList& functions = olv::GlobalTranslator().FunctionList();
    for (const std::string& name : functions.Names())
      if (functions.FindCustom(name)) functions.UnregisterFunction(name);
    for (const auto& [name, cls] : BuiltInFunctions())
      if (!functions.IsRegistered(name)) functions.RegisterFunction(name, *cls);
  }
  ExprInputScope(const ExprInputScope&) = delete;
  ExprInputScope& operator=(const ExprInputScope&) = delete;

 private:
  olv::TVarList root_;
};

}  // namespace fuzzsupport
