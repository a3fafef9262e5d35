#include "foundation/expr/ExpVariables.h"

#include "foundation/expr/ExpTranslator.h"

namespace olv {

namespace {

// A variable whose live expression refers to itself would recurse without end.
constexpr int kMaxVarDepth = 200;
thread_local int tVarDepth = 0;

struct DepthGuard {
  explicit DepthGuard(const TExpression& node) {
    if (++tVarDepth > kMaxVarDepth) {
      --tVarDepth;
      node.RaiseCalcError("变量引用嵌套过深");
    }
  }
  ~DepthGuard() { --tVarDepth; }
};

}  // namespace

TExp_VarRef::TExp_VarRef() {
  if (const TCompileScope* scope = TCompileScope::Current()) varList_ = scope->VarList;
}

TVarList* TExp_VarRef::VarList() const { return varList_ ? varList_ : RootVarList(); }

void TExp_VarRef::CloneStateTo(TExpression& clone) const {
  static_cast<TExp_VarRef&>(clone).varList_ = varList_;
}

std::string_view TExp_VarRef::NameOf(std::string& buffer) const {
  const TExpression* p = GetParam(0);
  if (!p) return {};
  if (const std::string* t = p->PlainText()) return *t;
  buffer = p->AsString();
  return buffer;
}

bool TExp_VarRef::DecideDataType() {
  std::string buf;
  const std::string_view name = NameOf(buf);
  plat::RecursiveMutexLock lock(VariablesLock());
  auto v = VarList() ? VarList()->FindVar(name) : nullptr;
  DataType = v ? v->DataType : TExpDataType::Auto;
  return true;
}

void TExp_VarRef::DoCalculate() {
  std::string buf;
  const std::string_view name = NameOf(buf);
  TVarList* list = VarList();
  if (name == "_VarList") {
    std::string text;
    for (const TVarList* l = list; l; l = (l->ParentEnable ? l->Parent : nullptr)) {
      if (l != list) text += "\r\n";
      bool first = true;
      for (const auto& n : l->Names()) {
        if (!first) text += "\r\n";
        text += n;
        first = false;
      }
    }
    DataType = TExpDataType::String;
    Value.Text = std::move(text);
    return;
  }
  plat::RecursiveMutexLock lock(VariablesLock());
  auto v = list ? list->FindVar(name) : nullptr;
  if (v && v.get() != this) {
    DepthGuard guard(*this);
    v->Calculate(kAlwaysStamp);
    CopyResult(*v);
  } else if (!v) {
    DataType = TExpDataType::String;
    Value.Text.assign(name);
  }
}

bool TExp_VarAssign::DecideDataType() {
  const TExpression* b = GetParam(1);
  if (!b) return false;
  DataType = b->DataType;
  return true;
}

void TExp_VarAssign::DoCalculate() {
  const TExpression* b = GetParam(1);
  if (!b) return;
  std::string buf;
  const std::string_view name = NameOf(buf);
  AssignValue(*b);
  TVarList* list = VarList();
  if (!list) return;
  plat::RecursiveMutexLock lock(VariablesLock());
  if (auto v = list->FindVar(name)) {
    v->AssignValue(*b);
  } else {
    auto c = std::make_unique<TExpression>();
    c->CopyResult(*b);
    list->SetVar(name, std::move(c));
  }
}

std::unique_ptr<TExpression> MakeVarRef(std::string_view name) {
  auto ref = std::make_unique<TExp_VarRef>();
  std::unique_ptr<TExpression> arg = MakeStringConstant(name);
  ref->AddParam(0, arg);
  ref->DecideDataType();
  return ref;
}

}  // namespace olv
