#pragma once
// Variable lists of the expression language. A list holds named variables (upper-cased names,
// compared without regard to ASCII case), each a TExpression that the list owns. Lists form a
// tree: a name beginning with "." looks in the Parent, one beginning with "\" in the root list
// (the global translator's current list), and with ParentEnable an unknown name is asked of the
// Parent.
//
// Threads: every list and every variable value is guarded by the one variables lock
// (VariablesLock, recursive); the list operations take it themselves, and code that evaluates or
// changes a variable's node holds it around that work. A variable handed out by FindVar stays
// alive while the caller holds it, even when another thread replaces it.
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Expression.h"

namespace olv {

std::recursive_mutex& VariablesLock();

class TVarList {
 public:
  explicit TVarList(TVarList* parent = nullptr, bool parentEnable = false);
  // A list that is the global translator's current list hands that role to its Parent.
  virtual ~TVarList();
  TVarList(const TVarList&) = delete;
  TVarList& operator=(const TVarList&) = delete;

  TVarList* Parent = nullptr;   // not owned
  bool ParentEnable = false;

  std::shared_ptr<TExpression> FindVar(std::string_view name) const;
  // A node adds or replaces the variable; null removes it.
  virtual void SetVar(std::string_view name, std::unique_ptr<TExpression> node);

  // The upper-cased names, in the order they were added.
  std::vector<std::string> Names() const;
  int Count() const;

 private:
  struct Var {
    std::string name;
    std::shared_ptr<TExpression> node;
  };
  int IndexOf(std::string_view name) const;
  std::vector<Var> vars_;
};

// The list that "\" names resolve in: the global translator's current list.
TVarList* RootVarList();

}  // namespace olv
