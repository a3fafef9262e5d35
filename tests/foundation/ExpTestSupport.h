#pragma once
// A translator of its own for each test: a fresh variable list under the root list, the
// language's functions and two small test functions (Length and Iif), so tests neither see nor
// leave user-defined functions or variables in the global translator.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "foundation/expr/OlvExp.h"

namespace exptest {

// Length(A): bytes of A's text.
class TTestLength : public olv::TFunction {
  OLV_CLASS(TTestLength, olv::TFunction)
 public:
  bool DecideDataType() override {
    DataType = olv::TExpDataType::Integer;
    return true;
  }
  void DoCalculate() override { Value.Int = static_cast<int32_t>(GetParam(0)->AsString().size()); }
};

// Iif(Cond, Then [, Else]): only the chosen branch is evaluated.
class TTestIif : public olv::TFunction {
  OLV_CLASS(TTestIif, olv::TFunction)
 public:
  int MinParamCount() const override { return 2; }
  int OptParamCount() const override { return 1; }
  bool DecideDataType() override {
    DataType = olv::TExpDataType::Auto;
    return true;
  }
  void Calculate(uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    GetParam(0)->Calculate(stamp);
    olv::TExpression* branch = GetParam(0)->AsBoolean() ? GetParam(1) : GetParam(2);
    if (!branch) return;
    branch->Calculate(stamp);
    CopyResult(*branch);
  }
};

class Sandbox {
 public:
  Sandbox() : vars(&olv::GlobalVarList(), true), translator(&vars) {
    olv::RegisterLanguageFunctions(translator.FunctionList());
    translator.FunctionList().RegisterFunction("Length", TTestLength::StaticClass());
    translator.FunctionList().RegisterFunction("Iif", TTestIif::StaticClass());
  }

  olv::TTranslateResult Compile(const std::string& text) { return translator.Translate(text); }

  // Compiles and evaluates once with a fresh stamp; fails the test on a compile error.
  std::unique_ptr<olv::TExpression> Eval(const std::string& text) {
    auto r = translator.Translate(text);
    if (!r.Node) {
      ADD_FAILURE() << "'" << text << "' did not compile: " << r.GetErrorInfo();
      return olv::MakeStringConstant("<error>");
    }
    r.Node->Calculate(++stamp);
    return std::move(r.Node);
  }
  std::string Text(const std::string& text) { return Eval(text)->AsString(); }

  olv::TVarList vars;
  olv::TExpTranslator translator;
  uint32_t stamp = 100;
};

}  // namespace exptest
