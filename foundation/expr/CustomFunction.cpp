#include "foundation/expr/CustomFunction.h"

#include "foundation/expr/ExpTranslator.h"
#include "foundation/expr/FunctionList.h"

namespace olv {

namespace {

thread_local const TExp_CustFuncRef* tCurrentCall = nullptr;
thread_local int tCallDepth = 0;
thread_local long tCallsThisEvaluation = 0;

TFunctionList& CompileFunctions() {
  if (const TCompileScope* scope = TCompileScope::Current())
    if (scope->Functions) return *scope->Functions;
  return GlobalTranslator().FunctionList();
}

}  // namespace

const TExp_CustFuncRef* CurrentCustomCall() { return tCurrentCall; }

// ---------------------------------------------------------------- definition

bool TCustomFunction::AddParam(int index, std::unique_ptr<TExpression>& node) {
  if (!node) return false;
  if (index < 2) return TFunction::AddParam(index, node);
  if (index == 2) {
    if (!GetParam(0) || !GetParam(1)) return false;
    auto def = std::make_shared<TCustomFunction>();
    try {
      GetParam(0)->Calculate(kAlwaysStamp);
      GetParam(1)->Calculate(kAlwaysStamp);
      node->Calculate(kAlwaysStamp);
      def->name_ = GetParam(0)->AsString();
      def->min_ = std::max(0, GetParam(1)->AsInteger());
      def->opt_ = std::max(0, node->AsInteger());
    } catch (const std::exception&) {
      return false;
    }
    if (def->name_.empty()) return false;
    // The definition owns the name, min and opt nodes from now on.
    def->SetParam(0, SetParam(0, nullptr));
    def->SetParam(1, SetParam(1, nullptr));
    def->SetParam(2, std::move(node));
    definition_ = def;
    CompileFunctions().RegisterCustom(def->name_, def);
    return true;
  }
  if (index == 3 && definition_) {
    plat::MutexLock lock(definition_->bodyMutex_);
    definition_->body_ = std::move(node);
    return true;
  }
  return false;
}

bool TCustomFunction::DecideDataType() {
  DataType = TExpDataType::Boolean;
  Value.Int = 1;
  return true;
}

bool TCustomFunction::HasBody() const {
  plat::MutexLock lock(bodyMutex_);
  return body_ != nullptr;
}

std::unique_ptr<TExpression> TCustomFunction::CloneBody() const {
  plat::MutexLock lock(bodyMutex_);
  return body_ ? body_->CloneExp() : nullptr;
}

TExpDataType TCustomFunction::BodyType() const {
  plat::MutexLock lock(bodyMutex_);
  return body_ ? body_->DataType : TExpDataType::Auto;
}

// ---------------------------------------------------------------- call

void TExp_CustFuncRef::Bind(std::string_view name, std::shared_ptr<TCustomFunction> definition,
                            const TFunctionList* list) {
  name_.assign(name);
  list_ = list;
  definition_ = definition;
  min_ = definition ? definition->MinCount() : 0;
  opt_ = definition ? definition->OptCount() : 0;
}

TExpression* TExp_CustFuncRef::GetParam(int index) const {
  return index >= 0 && index < static_cast<int>(args_.size()) ? args_[index].get() : nullptr;
}

std::unique_ptr<TExpression> TExp_CustFuncRef::SetParam(int index, std::unique_ptr<TExpression> node) {
  if (index < 0) return node;
  if (index >= static_cast<int>(args_.size())) {
    if (!node) return nullptr;
    args_.resize(index + 1);
  }
  std::swap(args_[index], node);
  while (!args_.empty() && !args_.back()) args_.pop_back();
  return node;
}

bool TExp_CustFuncRef::DecideDataType() {
  const auto def = definition_.lock();
  DataType = def ? def->BodyType() : TExpDataType::Auto;
  return true;
}

void TExp_CustFuncRef::CloneStateTo(TExpression& clone) const {
  auto& c = static_cast<TExp_CustFuncRef&>(clone);
  c.name_ = name_;
  c.list_ = list_;
  c.min_ = min_;
  c.opt_ = opt_;
}

void TExp_CustFuncRef::Calculate(std::uint32_t stamp) {
  if (!EnterRound(stamp)) return;
  std::shared_ptr<TCustomFunction> def = list_ ? list_->FindCustom(name_) : nullptr;
  if (def && (def != definition_.lock() || !body_)) {
    definition_ = def;
    body_ = def->CloneBody();
  }
  if (!body_) return;
  if (tCallDepth == 0) tCallsThisEvaluation = 0;
  if (tCallDepth >= kMaxCustomCallDepth || ++tCallsThisEvaluation > kMaxCustomCallsPerEvaluation)
    RaiseCalcError("用户函数调用嵌套过深(" + name_ + ")");
  struct Frame {
    TExp_CustFuncRef* call;
    explicit Frame(TExp_CustFuncRef* c) : call(c) {
      call->caller_ = tCurrentCall;
      tCurrentCall = call;
      ++tCallDepth;
    }
    ~Frame() {
      tCurrentCall = call->caller_;
      --tCallDepth;
    }
  } frame(this);
  body_->Calculate(stamp);
  CopyResult(*body_);
}

void TExp_CustFuncParam::DoCalculate() {
  const TExpression* n = GetParam(0);
  const TExp_CustFuncRef* call = tCurrentCall;
  if (!n || !call) return;
  const std::int32_t index = n->AsInteger();
  if (index < 1) return;
  TExpression* arg = call->GetParam(index - 1);
  if (!arg) return;
  // The argument belongs to the caller's tree: it is evaluated in the caller's frame, so that
  // CustFuncParam inside it names the caller's arguments (and a recursive call ends).
  struct Restore {
    const TExp_CustFuncRef* saved;
    ~Restore() { tCurrentCall = saved; }
  } restore{tCurrentCall};
  tCurrentCall = call->Caller();
  arg->Calculate(Stamp);
  AssignValue(*arg);
}

void TExp_Argc::DoCalculate() {
  const TExp_CustFuncRef* call = tCurrentCall;
  DataType = TExpDataType::Real;
  Value.Float = call ? call->ParamCount() : 0;
}

}  // namespace olv
