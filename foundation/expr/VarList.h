#pragma once
// Variable lists of the expression language. A list holds named variables (upper-cased names,
// compared without regard to ASCII case), each a TExpression that the list owns. Lists form a
// tree: a name beginning with "." looks in the Parent, one beginning with "\" in the root list
// (the global translator's current list), and with ParentEnable an unknown name is asked of the
// Parent.
//
// Persistence: a TVarList is a stored string list (class "TVarList"): its lines are the names, each
// with its variable as the line's object. The live variables are kept apart (shared, so a variable
// in use survives its replacement); the inherited List is only the stream's mirror of them, rebuilt
// before each write or copy and taken over after each read. Use the methods below, not List.
//
// Threads: every list and every variable value is guarded by the one variables lock
// (VariablesLock, recursive); the list operations take it themselves, and code that evaluates or
// changes a variable's node holds it around that work. A variable handed out by FindVar stays
// alive while the caller holds it, even when another thread replaces it.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/expr/Expression.h"
#include "foundation/objects/StoredStrList.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

plat::RecursiveMutex& VariablesLock();

class TVarList : public TStoredStrList {
  OLV_CLASS(TVarList, TStoredStrList)
 public:
  TVarList() : TVarList(nullptr, false) {}
  explicit TVarList(TVarList* parent, bool parentEnable = false);
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

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;
  void AfterRead(TObjReader& reader) override;
  void CopyPropsTo(TBaseObject& dest, std::string_view filter) const override;

 private:
  struct Var {
    std::string name;
    std::shared_ptr<TExpression> node;
  };
  int IndexOf(std::string_view name) const REQUIRES(VariablesLock());
  void MirrorToList();     // List := the names with copies of the variables
  void AdoptFromList();    // the variables := List's lines and objects; List emptied
  std::vector<Var> vars_ GUARDED_BY(VariablesLock());
};

// The list that "\" names resolve in: the global translator's current list.
TVarList* RootVarList();

}  // namespace olv
