#pragma once
// The operator nodes of the expression language: A and B are sub-expressions 0 and 1. The
// compiler maps the operator signs to these classes. Integer arithmetic wraps around at 32 bits;
// "/" never raises (a division error gives 0); "^" is always Real and capped at 1.1E+4932.
// Threads: as every node, one thread at a time per tree.
#include <cstddef>

#include "foundation/expr/Expression.h"

namespace olv {

// The longest text "+" builds; a longer one raises (texts doubled in a loop would otherwise
// take all memory).
inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 26;

// The largest value "^" yields; results beyond it are this value.
inline constexpr long double kPowerCap = 1.1E+4932L;

// Base of "^", "*", "/", "-": refuses Boolean, Char and String operands; the type is A's, except
// that an Integer A takes B's type.
class TExp_MathCalc : public TExpression {
  OLV_CLASS(TExp_MathCalc, TExpression)
 public:
  bool AddParam(int index, std::unique_ptr<TExpression>& node) override;
  bool DecideDataType() override;
};

class TExp_Power : public TExp_MathCalc {
  OLV_CLASS(TExp_Power, TExp_MathCalc)
 public:
  bool DecideDataType() override;
  void DoCalculate() override;
};
// a ^ b as "^" computes it.
long double ExpPower(long double a, long double b);

class TExp_Mul : public TExp_MathCalc {
  OLV_CLASS(TExp_Mul, TExp_MathCalc)
 public:
  void DoCalculate() override;
};

class TExp_Div : public TExp_MathCalc {
  OLV_CLASS(TExp_Div, TExp_MathCalc)
 public:
  void DoCalculate() override;
};

class TExp_Add : public TExpression {
  OLV_CLASS(TExp_Add, TExpression)
 public:
  bool DecideDataType() override;
  void DoCalculate() override;
};

class TExp_Sub : public TExp_MathCalc {
  OLV_CLASS(TExp_Sub, TExp_MathCalc)
 public:
  void DoCalculate() override;
};

// Base of the comparisons: type Boolean.
class TExp_Boolean : public TExpression {
  OLV_CLASS(TExp_Boolean, TExpression)
 public:
  bool DecideDataType() override;
};

class TExp_Equ : public TExp_Boolean {
  OLV_CLASS(TExp_Equ, TExp_Boolean)
 public:
  void DoCalculate() override;
};

class TExp_NotEqu : public TExp_Equ {
  OLV_CLASS(TExp_NotEqu, TExp_Equ)
 public:
  void DoCalculate() override;
};

class TExp_Great : public TExp_Boolean {
  OLV_CLASS(TExp_Great, TExp_Boolean)
 public:
  void DoCalculate() override;
};

class TExp_GorE : public TExp_Boolean {
  OLV_CLASS(TExp_GorE, TExp_Boolean)
 public:
  void DoCalculate() override;
};

class TExp_Less : public TExp_GorE {
  OLV_CLASS(TExp_Less, TExp_GorE)
 public:
  void DoCalculate() override;
};

class TExp_LorE : public TExp_Great {
  OLV_CLASS(TExp_LorE, TExp_Great)
 public:
  void DoCalculate() override;
};

// A's text occurs in B's text ("$").
class TExp_In : public TExp_Boolean {
  OLV_CLASS(TExp_In, TExp_Boolean)
 public:
  void DoCalculate() override;
};

// "&" / AND and "|" / OR: logical with short cut for Booleans, bitwise for other types.
class TExp_And : public TExpression {
  OLV_CLASS(TExp_And, TExpression)
 public:
  void Calculate(std::uint32_t stamp) override;
};

class TExp_Or : public TExpression {
  OLV_CLASS(TExp_Or, TExpression)
 public:
  void Calculate(std::uint32_t stamp) override;
};

// Comparison of two nodes by A's type: Integer and Char as integers, Real and DateTime as
// extended values, any other type by the text forms byte by byte. <0, 0, >0.
int CompareByFirstType(const TExpression& a, const TExpression& b);

}  // namespace olv
