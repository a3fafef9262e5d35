#pragma once
// User-defined functions of the expression language.
//
//   CustomFunction('Twice', 1, 0, CustFuncParam(1) * 2)   defines Twice; later Twice(4) is 8.
//
// Compiling CustomFunction(name, min, opt, body) registers a definition (a TCustomFunction that
// owns the name, min, opt and body nodes) in the compile's function registry as soon as opt is
// attached, so the body may call the function itself. A call is a TExp_CustFuncRef: it looks its
// definition up again at each evaluation, evaluates its own clone of the body and takes the
// result; CustFuncParam(N) inside the body is the call's argument N and Argc their number.
// The call being evaluated is per thread (CurrentCustomCall). Calls nest at most
// kMaxCustomCallDepth deep, and one outermost call makes at most kMaxCustomCallsPerEvaluation
// calls in all: runaway recursion raises instead of exhausting the stack or the memory (each
// call holds its own clone of the body).
#include <memory>
#include <string>
#include <vector>

#include "foundation/expr/ExpFunction.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

class TFunctionList;

inline constexpr int kMaxCustomCallDepth = 256;
inline constexpr long kMaxCustomCallsPerEvaluation = 20000;

class TCustomFunction : public TFunction {
  OLV_CLASS(TCustomFunction, TFunction)
 public:
  int MinParamCount() const override { return 4; }
  bool AddParam(int index, std::unique_ptr<TExpression>& node) override;
  bool DecideDataType() override;  // Boolean, constant true
  void DoCalculate() override {}

  // The definition side (the registered node).
  const std::string& FunctionName() const { return name_; }
  int MinCount() const { return min_; }
  int OptCount() const { return opt_; }
  bool HasBody() const;
  std::unique_ptr<TExpression> CloneBody() const;
  TExpDataType BodyType() const;

 private:
  std::shared_ptr<TCustomFunction> definition_;  // in the CustomFunction(...) node
  std::string name_;
  int min_ = 0;
  int opt_ = 0;
  mutable plat::Mutex bodyMutex_;
  std::unique_ptr<TExpression> body_ GUARDED_BY(bodyMutex_);
};

class TExp_CustFuncRef : public TFunction {
  OLV_CLASS(TExp_CustFuncRef, TFunction)
 public:
  void Bind(std::string_view name, std::shared_ptr<TCustomFunction> definition,
            const TFunctionList* list);
  const std::string& FunctionName() const { return name_; }
  // The call that was being evaluated when this one began (null at the outermost).
  const TExp_CustFuncRef* Caller() const { return caller_; }

  int MinParamCount() const override { return min_; }
  int OptParamCount() const override { return opt_; }
  int ParamCount() const override { return static_cast<int>(args_.size()); }
  TExpression* GetParam(int index) const override;
  std::unique_ptr<TExpression> SetParam(int index, std::unique_ptr<TExpression> node) override;
  bool DecideDataType() override;
  void Calculate(std::uint32_t stamp) override;

 protected:
  void CloneStateTo(TExpression& clone) const override;

 private:
  std::string name_;
  const TFunctionList* list_ = nullptr;
  int min_ = 0;
  int opt_ = 0;
  // The definition last used; not owned, since a definition's body may call the function.
  std::weak_ptr<TCustomFunction> definition_;
  std::unique_ptr<TExpression> body_;  // own clone of its body
  std::vector<std::unique_ptr<TExpression>> args_;
  const TExp_CustFuncRef* caller_ = nullptr;
};

// CustFuncParam(N): argument N of the call being evaluated (unchanged outside a call).
class TExp_CustFuncParam : public TFunction {
  OLV_CLASS(TExp_CustFuncParam, TFunction)
 public:
  void DoCalculate() override;
};

// Argc(): the number of arguments of the call being evaluated (0 outside a call).
class TExp_Argc : public TFunction {
  OLV_CLASS(TExp_Argc, TFunction)
 public:
  int MinParamCount() const override { return 0; }
  bool DecideDataType() override {
    DataType = TExpDataType::Real;
    return true;
  }
  void DoCalculate() override;
};

// The user-defined function call that this thread is evaluating, or null.
const TExp_CustFuncRef* CurrentCustomCall();

}  // namespace olv
