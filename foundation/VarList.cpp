#include "foundation/VarList.h"

#include "foundation/ExpTranslator.h"
#include "foundation/Utf8.h"

namespace olv {

std::recursive_mutex& VariablesLock() {
  static std::recursive_mutex m;
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
  std::lock_guard lock(VariablesLock());
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
  std::lock_guard lock(VariablesLock());
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
  std::lock_guard lock(VariablesLock());
  std::vector<std::string> out;
  out.reserve(vars_.size());
  for (const auto& v : vars_) out.push_back(v.name);
  return out;
}

int TVarList::Count() const {
  std::lock_guard lock(VariablesLock());
  return static_cast<int>(vars_.size());
}

}  // namespace olv
