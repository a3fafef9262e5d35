#pragma once
// Date functions of the expression language (module OlvTime): 37 functions that read, build and
// modify date-times and query business periods (foundation/expr/OlvBTime.h). Functions whose first
// argument is a date refuse any other type at compile time (error 8). The current time comes from
// Now(), so tests set the clock. Nodes are used by one thread at a time, like every node.
#include "foundation/expr/ExpFunction.h"

namespace olv {

class TFunctionList;

// DateTime result; the first argument must be a DateTime.
class TDateTimeFunction : public TFunction {
  OLV_CLASS(TDateTimeFunction, TFunction)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::DateTime;
    return true;
  }
  bool AddParam(int index, std::unique_ptr<TExpression>& node) override;
};

// A date changed part by part: the date parts first (re-encoded with the day clamped to the
// month), then the time parts; each hook returns whether it changed something.
class TExp_TimeModify : public TDateTimeFunction {
  OLV_CLASS(TExp_TimeModify, TDateTimeFunction)
 public:
  int MinParamCount() const override { return 2; }
  void DoCalculate() override;
  virtual bool ModifyDate(int&, int&, int&) { return false; }
  virtual bool ModifyTime(int&, int&, int&, int&) { return false; }
};

class TExp_TimeDecode : public TDateTimeFunction {
  OLV_CLASS(TExp_TimeDecode, TDateTimeFunction)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::Integer;
    return true;
  }
};

class TExp_TimeGap : public TExp_TimeDecode {
  OLV_CLASS(TExp_TimeGap, TExp_TimeDecode)
 public:
  int MinParamCount() const override { return 2; }
};

void RegisterDateFunctions(TFunctionList& functions);
void RegisterDateStreamClasses();

}  // namespace olv
