#pragma once
// Variable nodes: TExp_VarRef (the compiler's node for every identifier, and the function VarRef)
// and TExp_VarAssign (the ":=" operator and the function VarAssign). Each keeps the variable list
// it resolves in: the list of the compile that created it (the root list when none).
// Evaluation holds the variables lock while it reads or writes a variable.
#include "foundation/expr/ExpFunction.h"
#include "foundation/expr/VarList.h"

namespace olv {

class TExp_VarRef : public TFunction {
  OLV_CLASS(TExp_VarRef, TFunction)
 public:
  TExp_VarRef();
  TVarList* VarList() const;
  void SetVarList(TVarList* list) { varList_ = list; }
  // The variable's type when it exists at compile time, else Auto.
  bool DecideDataType() override;
  // "_VarList": the names of the list and of its enabled parents; an existing variable: its
  // value (a live expression is recomputed); a missing one: the name itself as a String.
  void DoCalculate() override;

 protected:
  void CloneStateTo(TExpression& clone) const override;
  // The name in sub-expression 0, without copying when it is a plain text.
  std::string_view NameOf(std::string& buffer) const;

 private:
  TVarList* varList_ = nullptr;
};

// VarAssign(Name, Value): the node takes Value's value, and so does the variable (created as a
// constant with that value and format when it is missing).
class TExp_VarAssign : public TExp_VarRef {
  OLV_CLASS(TExp_VarAssign, TExp_VarRef)
 public:
  int MinParamCount() const override { return 2; }
  bool DecideDataType() override;
  void DoCalculate() override;
};

// Makes the node the compiler uses for an identifier: a VarRef whose argument is the name.
std::unique_ptr<TExpression> MakeVarRef(std::string_view name);

}  // namespace olv
