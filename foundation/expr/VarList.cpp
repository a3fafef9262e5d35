#include "foundation/expr/VarList.h"

#include <algorithm>

#include "foundation/expr/ExpTranslator.h"
#include "foundation/text/Utf8.h"

namespace olv {

plat::RecursiveMutex& VariablesLock() {
  static plat::RecursiveMutex m;
  return m;
}

TVarList::TVarList(TVarList* parent, bool parentEnable) : Parent(parent), ParentEnable(parentEnable) {
  // Both are constructed before any list, so they outlive them all.
  VariablesLock();
  TExpTranslator::VarListCreated();
}

TVarList::~TVarList() { TExpTranslator::VarListDestroyed(this, Parent); }

int TVarList::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < vars_.size(); ++i)
    if (utf8::SameText(vars_[i].name, name)) return static_cast<int>(i);
  return -1;
}

TVarList* RootVarList() { return GlobalTranslator().VarList(); }

std::shared_ptr<TExpression> TVarList::FindVar(std::string_view name) const {
  plat::RecursiveMutexLock lock(VariablesLock());
  if (!name.empty()) {
    if (name[0] == '.' && Parent) {
      if (auto v = Parent->FindVar(name.substr(1))) return v;
    } else if (name[0] == '\\') {
      TVarList* root = RootVarList();
      if (root && root != this)
        if (auto v = root->FindVar(name.substr(1))) return v;
    }
  }
  const int i = IndexOf(name);
  if (i >= 0) return vars_[i].node;
  if (ParentEnable && Parent) return Parent->FindVar(name);
  return nullptr;
}

void TVarList::SetVar(std::string_view name, std::unique_ptr<TExpression> node) {
  plat::RecursiveMutexLock lock(VariablesLock());
  if (!name.empty()) {
    if (name[0] == '.' && Parent) {
      Parent->SetVar(name.substr(1), std::move(node));
      return;
    }
    if (name[0] == '\\') {
      TVarList* root = RootVarList();
      if (root && root != this) {
        root->SetVar(name.substr(1), std::move(node));
        return;
      }
    }
  }
  const int i = IndexOf(name);
  if (i < 0) {
    if (node) vars_.push_back(Var{utf8::AsciiUpper(name), std::shared_ptr<TExpression>(std::move(node))});
  } else if (node) {
    if (vars_[i].node.get() == node.get())
      node.release();  // already this variable: the list owns it
    else
      vars_[i].node = std::shared_ptr<TExpression>(std::move(node));
  } else {
    vars_.erase(vars_.begin() + i);
  }
}

std::vector<std::string> TVarList::Names() const {
  plat::RecursiveMutexLock lock(VariablesLock());
  std::vector<std::string> out;
  out.reserve(vars_.size());
  for (const auto& v : vars_) out.push_back(v.name);
  return out;
}

int TVarList::Count() const {
  plat::RecursiveMutexLock lock(VariablesLock());
  return static_cast<int>(vars_.size());
}

void TVarList::MirrorToList() {
  plat::RecursiveMutexLock lock(VariablesLock());
  auto mirror = std::make_unique<OlvStringList>();
  for (const auto& v : vars_) mirror->AddObject(v.name, v.node ? v.node->Clone().release() : nullptr);
  List = std::move(mirror);
}

void TVarList::AdoptFromList() {
  plat::RecursiveMutexLock lock(VariablesLock());
  if (!List) {
    List = std::make_unique<OlvStringList>();
    return;
  }
  std::vector<Var> read;
  for (int i = 0; i < List->Count(); ++i) {
    std::unique_ptr<TBaseObject> obj(List->ExtractObject(i));
    auto* exp = dynamic_cast<TExpression*>(obj.get());
    if (!exp) continue;  // a line without a variable holds nothing to keep
    obj.release();
    std::string name = utf8::AsciiUpper(List->Strings(i));
    auto dup = std::find_if(read.begin(), read.end(), [&](const Var& v) { return v.name == name; });
    if (dup != read.end()) {
      dup->node.reset(exp);  // the later line wins, as SetVar would have it
    } else {
      read.push_back(Var{std::move(name), std::shared_ptr<TExpression>(exp)});
    }
  }
  vars_ = std::move(read);
  List = std::make_unique<OlvStringList>();
}

void TVarList::EnumProps(PropMode mode, TPropEnumProc& proc) {
  if (mode == pmWrite) MirrorToList();
  TStoredStrList::EnumProps(mode, proc);
}

void TVarList::AfterRead(TObjReader& reader) {
  TStoredStrList::AfterRead(reader);
  AdoptFromList();
}

void TVarList::CopyPropsTo(TBaseObject& dest, std::string_view filter) const {
  TStoredStrList::CopyPropsTo(dest, filter);
  const_cast<TVarList*>(this)->List = std::make_unique<OlvStringList>();
  if (auto* to = dynamic_cast<TVarList*>(&dest)) to->AdoptFromList();
}

}  // namespace olv
