#pragma once
// Base classes of function nodes. The compiler reads MinParamCount and OptParamCount of a call
// and attaches the arguments through AddParam; function calls are never folded at compile time.
// Classes that take more than three arguments keep them in a list of their own and override
// GetParam / SetParam / ParamCount.
#include <climits>

#include "foundation/expr/Expression.h"

namespace olv {

// Argument counts meaning "as many as given".
inline constexpr int kManyParams = 9999;
inline constexpr int kAnyParams = INT_MAX;

class TFunction : public TExpression {
  OLV_CLASS(TFunction, TExpression)
 public:
  virtual int MinParamCount() const { return 1; }
  virtual int OptParamCount() const { return 0; }
  bool IsConstant() const override { return false; }
  int ParamCount() const override;
};

class TP2Function : public TFunction {
  OLV_CLASS(TP2Function, TFunction)
 public:
  int MinParamCount() const override { return 2; }
};

class TI0Function : public TFunction {
  OLV_CLASS(TI0Function, TFunction)
 public:
  int MinParamCount() const override { return 0; }
  bool DecideDataType() override {
    DataType = TExpDataType::Integer;
    return true;
  }
};

// Refuses Boolean, Char and String arguments.
class TN1Function : public TFunction {
  OLV_CLASS(TN1Function, TFunction)
 public:
  bool AddParam(int index, std::unique_ptr<TExpression>& node) override;
};

class TMathFunction : public TN1Function {
  OLV_CLASS(TMathFunction, TN1Function)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::Real;
    return true;
  }
};

class TStrFunction : public TFunction {
  OLV_CLASS(TStrFunction, TFunction)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::String;
    return true;
  }
};

// Min + Opt, saturating at the largest integer.
int TotalParamCount(const TFunction& f);

}  // namespace olv
