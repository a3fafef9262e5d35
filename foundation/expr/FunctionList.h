#pragma once
// The function registry of the expression compiler: upper-cased names, each with the node class
// to create and, for a user-defined function, its definition. Any thread may use it: lookups take
// a shared lock, changes an exclusive one, and a definition handed out stays alive while held.
//
// A second registration of a built-in name is refused and logged ("函数重名(%s)", without log
// header) through the registry log hook; user-defined functions replace any line of their name.
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/expr/ExpFunction.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

class TCustomFunction;

struct TFuncionRegisterInfo {
  const TClass* Class = nullptr;
  std::shared_ptr<TCustomFunction> Definition;  // user-defined functions only
};

// Where the registry writes its log lines; by default the program's log without header
// (WriteLog). Returns the hook it replaces. Process-wide as the registry of functions is.
using TExpLogHook = std::function<void(const std::string&)>;
TExpLogHook SetExpLogHook(TExpLogHook hook);
void WriteExpLog(const std::string& line);

class TFunctionList {
 public:
  TFunctionList() = default;
  TFunctionList(const TFunctionList&) = delete;
  TFunctionList& operator=(const TFunctionList&) = delete;

  // cls must derive from TFunction and be creatable; false (and a log line for a duplicate)
  // when nothing was registered.
  bool RegisterFunction(std::string_view name, const TClass& cls);
  void UnregisterFunction(std::string_view name);
  void RegisterCustom(std::string_view name, std::shared_ptr<TCustomFunction> definition);
  // Each class under its name without "TExp_" (any case), or else without its first letter.
  void RegisterClasses(std::initializer_list<const TClass*> classes);
  static std::string RegisteredName(const TClass& cls);

  // A new node of the registered class (for a user-defined function bound to its definition);
  // null for an unknown name.
  std::unique_ptr<TFunction> CreateFunction(std::string_view name) const;
  // The definition registered under name; null when none (or a built-in).
  std::shared_ptr<TCustomFunction> FindCustom(std::string_view name) const;
  bool IsRegistered(std::string_view name) const;
  std::vector<std::string> Names() const;

 private:
  struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  mutable plat::SharedMutex mutex_;
  std::map<std::string, TFuncionRegisterInfo, NameLess> items_ GUARDED_BY(mutex_);
};

}  // namespace olv
