#include "foundation/expr/FunctionList.h"


#include "foundation/expr/CustomFunction.h"
#include "foundation/text/Format.h"
#include "foundation/files/LogWriter.h"
#include "foundation/text/Utf8.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

namespace {

plat::Mutex& HookMutex() {
  static plat::Mutex m;
  return m;
}

TExpLogHook& Hook() REQUIRES(HookMutex()) {
  static TExpLogHook hook = [](const std::string& line) { WriteLog(line, false); };
  return hook;
}

}  // namespace

TExpLogHook SetExpLogHook(TExpLogHook hook) {
  plat::MutexLock lock(HookMutex());
  std::swap(Hook(), hook);
  return hook;
}

void WriteExpLog(const std::string& line) {
  TExpLogHook hook;
  {
    plat::MutexLock lock(HookMutex());
    hook = Hook();
  }
  if (hook) hook(line);
}

bool TFunctionList::NameLess::operator()(std::string_view a, std::string_view b) const {
  return utf8::CompareText(a, b) < 0;
}

bool TFunctionList::RegisterFunction(std::string_view name, const TClass& cls) {
  if (!cls.create || !cls.InheritsFrom(TFunction::StaticClass())) return false;
  {
    plat::WriterLock lock(mutex_);
    if (items_.find(name) == items_.end()) {
      items_.emplace(utf8::AsciiUpper(name), TFuncionRegisterInfo{&cls, nullptr});
      return true;
    }
  }
  WriteExpLog(Format("函数重名(%s)", {name}));
  return false;
}

void TFunctionList::UnregisterFunction(std::string_view name) {
  plat::WriterLock lock(mutex_);
  auto it = items_.find(name);
  if (it != items_.end()) items_.erase(it);
}

void TFunctionList::RegisterCustom(std::string_view name, std::shared_ptr<TCustomFunction> definition) {
  plat::WriterLock lock(mutex_);
  auto it = items_.find(name);
  if (it != items_.end()) items_.erase(it);
  items_.emplace(utf8::AsciiUpper(name),
                 TFuncionRegisterInfo{&TExp_CustFuncRef::StaticClass(), std::move(definition)});
}

std::string TFunctionList::RegisteredName(const TClass& cls) {
  std::string_view n = cls.name;
  if (n.size() > 5 && utf8::SameText(n.substr(0, 5), "TEXP_")) return std::string(n.substr(5));
  return std::string(n.empty() ? n : n.substr(1));
}

void TFunctionList::RegisterClasses(std::initializer_list<const TClass*> classes) {
  for (const TClass* cls : classes)
    if (cls) RegisterFunction(RegisteredName(*cls), *cls);
}

std::unique_ptr<TFunction> TFunctionList::CreateFunction(std::string_view name) const {
  TFuncionRegisterInfo info;
  {
    plat::ReaderLock lock(mutex_);
    auto it = items_.find(name);
    if (it == items_.end()) return nullptr;
    info = it->second;
  }
  auto node = TExpression::CreateOfClass(*info.Class);
  if (!node) return nullptr;
  auto fn = std::unique_ptr<TFunction>(static_cast<TFunction*>(node.release()));
  if (auto* call = dynamic_cast<TExp_CustFuncRef*>(fn.get())) call->Bind(name, info.Definition, this);
  return fn;
}

std::shared_ptr<TCustomFunction> TFunctionList::FindCustom(std::string_view name) const {
  plat::ReaderLock lock(mutex_);
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second.Definition;
}

bool TFunctionList::IsRegistered(std::string_view name) const {
  plat::ReaderLock lock(mutex_);
  return items_.find(name) != items_.end();
}

std::vector<std::string> TFunctionList::Names() const {
  plat::ReaderLock lock(mutex_);
  std::vector<std::string> out;
  for (const auto& [k, v] : items_) out.push_back(k);
  return out;
}

}  // namespace olv
